// vendrel-cli: the explorer's layers without a window, for scripting, batch work and tests.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/cli/cli_command.h"
#include "app/cli/cli_support.h"
#include "platform/code_page.h"

namespace {

using vendrel::cli::CliCommand;

constexpr CliCommand kCommands[] = {
    {"header", "header FILE",
     "Prints the header rows of a folder or message database, one per line: Name, RA, Value and "
     "Decsription separated by TAB, ending with \"To be continued...\".",
     vendrel::cli::RunHeader},
    {"records", "records FILE [SLOT]",
     "Prints the records of index tree SLOT (0 to 7, default 0) in tree order: a line RA, ID and display "
     "name per record, then a line per property: TAB, name, TAB, value.",
     vendrel::cli::RunRecords},
    {"text", "text FILE RA",
     "Writes the stored text of the message record at RA (hexadecimal) to standard output byte for byte.",
     vendrel::cli::RunText},
    {"show", "show FILE RA [--attachments DIR]",
     "Prints the message record at RA (hexadecimal) as a reader sees it: From, To, Cc, Date (local time) "
     "and Subject decoded, a blank line, the text (the plain part, else the HTML part as text), then a line "
     "per attachment: TAB, name, TAB, type, TAB, size in bytes. With --attachments DIR, saves each "
     "attachment into DIR under its name made safe, never over a file that is there.",
     vendrel::cli::RunShow},
    {"find",
     "find FILE [--from X] [--to X] [--subject X] [--text X] [--after YYYY-MM-DD] [--before YYYY-MM-DD]",
     "Prints a line per message of the database (or, given Folders.dbx, of every database of the store) "
     "that meets every criterion given: folder, RA, date, from and subject, separated by TAB. Texts are "
     "found as typed, accents included, in any letter case: --from in the sender, --to in To and Cc, "
     "--subject in the subject, --text in the decoded text; --after and --before bound the Date field "
     "(from the first day, before the second). Exit code 0 when something matched and every message was "
     "searched, 1 when nothing matched or something could not be searched (said on stderr).",
     vendrel::cli::RunFind},
    {"tree", "tree FILE [--depth N]",
     "Walks the explorer tree as a user clicking through it would and prints it: a line per node "
     "(indented two spaces a level, caption, TAB, [image]), under it the node's list rows as \"| \" and "
     "the four columns separated by TAB. --depth N stops N levels below the root.",
     vendrel::cli::RunTree},
    {"export", "export FILE DIR [--format eml|mbox|maildir] [--maildir-names utf7|utf8] [--force]",
     "Saves every message of a message database into DIR/<folder name>/ as one file each (\"Save "
     "default\"); for Folders.dbx, does so for the message database of every folder. With --format mbox, "
     "every folder becomes an mbox file (mboxrd, LF line ends, each entry with its read state in Status "
     "and X-Mozilla-Status) and its subfolders go into <name>.sbd/, as Thunderbird keeps them; a whole "
     "store goes below one folder named after the store's directory. With --format maildir, a Maildir++ "
     "tree as Dovecot and Courier serve it: folder names in IMAP's modified UTF-7 (--maildir-names utf8 "
     "for a server set to UTF-8 names), the store's Inbox as the Maildir's INBOX, LF line ends, each "
     "file dated when its message was received, read messages flagged S. An mbox that is there already "
     "(or a Maildir that holds messages) is left alone unless --force; a file there already is only ever "
     "replaced by a whole new one. Prints the status lines; every folder, record or message left out "
     "(missing or damaged, without text in the file, not writable) is named on stderr and gives exit code "
     "1.",
     vendrel::cli::RunExport},
    {"save", "save FILE RA DIR",
     "Saves the message record at RA (hexadecimal) into DIR/<folder name>/ (\"Save default\"); a file "
     "of the same name is replaced by the whole new one.",
     vendrel::cli::RunSave},
    {"new-folder", "new-folder FILE PARENT_ID NAME",
     "Creates folder NAME under the folder PARENT_ID (hexadecimal) of Folders.dbx FILE, or under the folder "
     "of the message database FILE (PARENT_ID - or that folder's ID), and prints the new FolderID. A name "
     "a sibling already has, in any letter case, is refused, and so is a damaged Folders.dbx. The change "
     "is written whole or not at all, also when the program is stopped dead or the disk fails.",
     vendrel::cli::RunNewFolder},
    {"check", "check FILE [--json]",
     "Checks a database as an SQL engine checks its own, reading and never writing: the header, every "
     "index tree node by node, every record with its properties, every message's text chain, structures "
     "that overlap; given Folders.dbx, every message database of the store too, and that each belongs to "
     "the folder that names it. Prints one line per problem (file, RA, structure, what is wrong) and a "
     "summary line, or all of it as JSON with --json. Exit code 0 when sound, 1 when problems were found, 2 "
     "when the file cannot be read as a database.",
     vendrel::cli::RunCheck},
    {"recover", "recover FILE DIR [--format eml|mbox|maildir] [--maildir-names utf7|utf8] [--force]",
     "Writes every message the database (or, given Folders.dbx, the store) still holds into DIR, opening "
     "it read-only: the messages its trees reach as export writes them; then, in a folder \"<name> "
     "(recovered)\" beside its own, message records no tree reaches and text chains no record owns, found "
     "by their own RAs; a chain cut short goes to \"<name> (recovered, partial)\". Folders that no tree "
     "of Folders.dbx reaches are recovered too. A DIR that holds an earlier export is refused unless "
     "--force. Ends with the counts of each kind.",
     vendrel::cli::RunRecover},
    {"locate-store", "locate-store",
     "Prints the Folders.dbx of the mail client's current identity, as the open dialog finds it: from the "
     "registry of the Wine prefix ($WINEPREFIX, else ~/.wine), else from StoreRoot in "
     "$XDG_CONFIG_HOME/vendrel/vendrel.conf. Exit code 1 when there is none.",
     vendrel::cli::RunLocateStore},
    {"associate", "associate",
     "Makes vendrel (beside this program) the one that opens .dbx files for the current user, as the "
     "window's \"Associate dbx\" does: the default handler in the XDG directories, through the installed "
     "desktop entry; a program run from where it was built writes a MIME type and an entry of its own, "
     "vendrel-build.desktop, which never hides an installed one. Exit code 1, with what failed, when a "
     "file of it could not be written.",
     vendrel::cli::RunAssociate},
};

void PrintHelp() {
  std::printf(
      "Usage: vendrel-cli [--codepage NAME] COMMAND ARGUMENTS...\n"
      "Explores the DBX databases of Outlook Express 5 (Folders.dbx and the message databases).\n\n"
      "Options:\n"
      "  --codepage NAME  legacy code page of the 8-bit texts in the files (iconv name; default %s)\n"
      "  --help           shows this text\n\n"
      "Commands:\n",
      vendrel::kDefaultLegacyCodePage);
  for (const CliCommand& command : kCommands) {
    std::printf("  %s\n      %s\n", command.usage, command.summary);
  }
  std::printf(
      "\nA database is locked while a command works on it; another program (or another vendrel) holding\n"
      "it makes the command wait up to 20 seconds. A change to a database cut off by a crash is undone\n"
      "by the next command or window that opens the file.\n"
      "\nExit codes: 0 done; 1 done in part, refused, or the file locked (each said on stderr);\n"
      "2 bad usage, or a file that cannot be read as a folder or message database.\n");
}

}  // namespace

int main(int argc, char** argv) {
  // A file that grows past the size limit fails with EFBIG, which is reported, instead of ending the
  // program without a word.
  std::signal(SIGXFSZ, SIG_IGN);
  vendrel::cli::CliDesktop desktop;
  const vendrel::InstalledDesktop installed(desktop);
  int next = 1;
  while (next < argc && std::strncmp(argv[next], "--", 2) == 0) {
    const std::string option = argv[next++];
    if (option == "--help") {
      PrintHelp();
      return vendrel::cli::kExitOk;
    }
    if (option == "--codepage" && next < argc) {
      if (!vendrel::SetLegacyCodePage(argv[next])) {
        vendrel::cli::PrintError(std::string("unknown code page ") + argv[next]);
        return vendrel::cli::kExitUsage;
      }
      ++next;
      continue;
    }
    vendrel::cli::PrintError("unknown option " + option + " (see vendrel-cli --help)");
    return vendrel::cli::kExitUsage;
  }
  if (next >= argc) {
    PrintHelp();
    return vendrel::cli::kExitUsage;
  }
  const std::string name = argv[next++];
  for (const CliCommand& command : kCommands) {
    if (name == command.name) return command.run(vendrel::cli::Arguments(argv + next, argv + argc));
  }
  vendrel::cli::PrintError("unknown command " + name + " (see vendrel-cli --help)");
  return vendrel::cli::kExitUsage;
}
