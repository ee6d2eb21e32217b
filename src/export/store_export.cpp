#include "export/store_export.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>

#include "dbx/header.h"
#include "dbx/record.h"
#include "export/byte_sink.h"
#include "export/export_path.h"
#include "export/mail_headers.h"
#include "export/maildir.h"
#include "export/mbox_entry.h"
#include "export/message_order.h"
#include "export/message_saves.h"
#include "dbx/lost_and_found.h"
#include "export/message_walk.h"
#include "export/output_directory.h"
#include "export/safe_name.h"
#include "export/store_folders.h"
#include "export/text_read_ahead.h"
#include "platform/code_page.h"
#include "platform/desktop.h"
#include "platform/format.h"

namespace vendrel {

namespace {

constexpr size_t kMaxNameBytes = 200;  // room left in a file name for " (99)" and ".sbd"
constexpr size_t kMaxMaildirName = 250;

// Names taken in one directory, compared without regard to case: some file systems tell no case.
class Names {
 public:
  // name itself, else "name (2)", "name (3)", ... the first that neither it nor its also (a ".sbd"
  // beside an mbox) takes from another.
  std::string Take(const std::string& name, const std::string& also = {}) {
    for (int n = 1;; ++n) {
      const std::string candidate = n == 1 ? name : Format("%s (%d)", name.c_str(), n);
      const std::string lower = AsciiLower(candidate);
      if (taken_.contains(lower) || taken_.contains(lower + AsciiLower(also))) continue;
      taken_.insert(lower);
      if (!also.empty()) taken_.insert(lower + AsciiLower(also));
      return candidate;
    }
  }

 private:
  std::set<std::string> taken_;
};

class Exporter {
 public:
  Exporter(const std::string& directory, const ExportOptions& options, ExportWatcher& watcher,
           bool recover = false)
      : directory_(directory),
        format_(options.format),
        force_(options.force),
        maildirNames_(options.maildirNames),
        recover_(recover),
        watcher_(watcher) {
    root_ = OutputDirectory::Open(directory);
    if (!root_) Problem("cannot make the directory " + directory + ": " + std::strerror(errno));
  }

  void Export(const StoreFolders& store) {
    store_ = &store;
    report_.repeats += store.repeats;
    if (!root_) return;
    switch (format_) {
      case ExportFormat::Eml: ExportEml(); break;
      case ExportFormat::Mbox: ExportMboxes(); break;
      case ExportFormat::Maildir: ExportMaildirs(); break;
    }
    watcher_.Saved(Format("Exported %d msgs of %d folders.Path: %s", report_.messages, report_.folders,
                          root_->path().c_str()));
  }

  StoreExport& report() { return report_; }

 private:
  void Problem(const std::string& text) { report_.problems.push_back(text); }

  // A folder made safe as the .eml export makes it, not too long for a file name.
  static std::string SafeName(const StoreFolder& folder) {
    return CutUtf8(SafeFolderName(folder.name), kMaxNameBytes);
  }

  // The folder's messages, or none (after saying why) when its database is missing or cannot be read.
  bool OpenDatabase(const StoreFolder& folder, DbStore& store) {
    if (!folder.database) {
      if (!folder.fileName.empty()) {
        Problem("the message database " + LegacyCodePage().ToUtf8(folder.fileName) + " of the folder " +
                LegacyCodePage().ToUtf8(folder.name) + " is not there");
      }
      return false;
    }
    if (!(recover_ ? store.OpenAsFound(*folder.database) : store.Open(*folder.database))) {
      Problem("cannot open " + *folder.database + ": " + store.DescribeFailure());
      return false;
    }
    if (!dbx::IsMessageDatabase(&store)) {
      Problem(*folder.database + " is not a message database");
      return false;
    }
    return true;
  }

  struct Written {
    int messages = 0;
    size_t records = 0;
    bool ended = false;    // a write failed: the messages after it were not written
    bool stopped = false;  // the watcher stopped it before its end
  };

  // Writes every message with text through write(store, record, firstBlock, text), which returns false
  // when a write failed; convert, when given, makes text.converted on the reader's thread first.
  template <class WriteOne>
  Written WriteMessages(const DbStore& store, const MessageList& list, WriteOne&& write,
                        const ConvertMessage& convert = {}) {
    report_.repeats += list.repeats;
    const MessageWalk walk = WalkMessages(
        store, list, false, watcher_, report_.problems,
        [&](uint32_t record, uint32_t firstBlock, const MessageText& text) {
          return write(store, record, firstBlock, text);
        },
        convert);
    report_.stopped = report_.stopped || walk.stopped;
    return Written{walk.handed, list.records.size() + list.texts.size(), walk.ended, walk.stopped};
  }

  // Said only once a mailbox is whole: an mbox can still fail when its last bytes go out.
  void Saved(const std::string& where, int messages, size_t records) {
    watcher_.Saved(
        Format("Saved %d msgs (%d total).Path: %s", messages, static_cast<int>(records), where.c_str()));
    report_.messages += messages;
    ++report_.folders;
  }

  // Every message database the folders name, each once, into the directory of its folder.
  void ExportEml() {
    std::set<FileIdentity> databases;
    for (const StoreFolder& folder : store_->folders) {
      if (report_.stopped) break;
      DbStore store;
      if (!OpenDatabase(folder, store)) continue;
      const std::optional<FileStamp> stamp = store.mapping()->Stamp();
      if (stamp && !databases.insert(stamp->identity()).second) {
        ++report_.repeats;
        continue;
      }
      SaveEml(store, Tree0(store), FolderDirectoryName(store));
      if (recover_) {
        ForEachLostGroup(store, [&](const std::string& suffix, const MessageList& lost) {
          SaveEml(store, lost, FolderDirectoryName(store) + suffix);
        });
      }
    }
  }

  void SaveEml(const DbStore& store, const MessageList& list, const std::string& folderName) {
    SaveCount count = SaveMessages(store, list, directory_, watcher_, folderName);
    report_.repeats += count.skipped;
    report_.stopped = report_.stopped || count.stopped;
    for (std::string& problem : count.problems) Problem(std::move(problem));
    Saved(directory_, count.saved, list.records.size() + list.texts.size());
  }

  // The messages of tree 0, in its order; in a salvage, counted as the ones the trees reach (a name of
  // something that is no record is left out, and said to be, not counted).
  MessageList Tree0(const DbStore& store) {
    MessageList list = MessagesOf(store, dbx::TreeRoot(store, 0), true);
    if (recover_) {
      report_.recovered.reached += static_cast<int>(
          std::ranges::count_if(list.records, [&](uint32_t ra) { return dbx::RecordAt(store, ra) != nullptr; }));
    }
    return list;
  }

  // What a salvage finds beside the trees, in two groups for folders of their own: the records and the
  // whole texts, then the texts cut short.
  template <class WriteGroup>
  void ForEachLostGroup(const DbStore& store, WriteGroup&& write) {
    const dbx::LostAndFound lost = dbx::FindLostAndFound(store);
    RecoveryCounts& counts = report_.recovered;
    counts.records += static_cast<int>(lost.records.size());
    counts.chains += static_cast<int>(lost.chains.size());
    counts.partialChains += static_cast<int>(lost.partialChains.size());
    counts.sameText += lost.sameText;
    if (!lost.records.empty() || !lost.chains.empty()) {
      write(std::string(kRecoveredSuffix), MessageList{lost.records, lost.chains, 0, false});
    }
    if (!lost.partialChains.empty()) write(std::string(kPartialSuffix), MessageList{{}, lost.partialChains, 0, false});
  }

  // A store goes below one folder named after it, so that a mail client given the tree shows one new
  // folder and none of the store's lands beside the client's own Inbox, Drafts or Outbox.
  void ExportMboxes() {
    Names names;
    const OutputDirectory* into = &*root_;
    std::optional<OutputDirectory> below;
    if (!store_->name.empty()) {
      const std::string name = names.Take(CutUtf8(store_->name, kMaxNameBytes), ".sbd");
      WriteMbox(*root_, name, nullptr);
      below = root_->Subdirectory(name + ".sbd");
      if (!below) {
        Problem("cannot make " + root_->path() + "/" + name + ".sbd: nothing of the store is written");
        return;
      }
      into = &*below;
      names = Names();
    }
    for (const size_t top : store_->top) {
      if (report_.stopped) break;
      ExportMbox(top, *into, names);
    }
  }

  void ExportMbox(size_t index, const OutputDirectory& directory, Names& names) {
    const StoreFolder& folder = store_->folders[index];
    const std::string name = names.Take(SafeName(folder), ".sbd");
    DbStore store;
    const bool hasMessages = OpenDatabase(folder, store);
    // A folder without a database of its own is an empty mailbox that holds the place of its subfolders.
    if (hasMessages || (!folder.database && folder.fileName.empty()))
      WriteMbox(directory, name, hasMessages ? &store : nullptr, hasMessages ? Tree0(store) : MessageList{});
    if (hasMessages && recover_) {
      ForEachLostGroup(store, [&](const std::string& suffix, const MessageList& lost) {
        WriteMbox(directory, names.Take(SafeName(folder) + suffix, ".sbd"), &store, lost);
      });
    }
    store.Close();
    if (folder.children.empty() || report_.stopped) return;
    const std::optional<OutputDirectory> below = directory.Subdirectory(name + ".sbd");
    if (!below) {
      Problem("cannot make " + directory.path() + "/" + name + ".sbd: the subfolders of " +
              LegacyCodePage().ToUtf8(folder.name) + " are left out");
      return;
    }
    Names childNames;
    for (const size_t child : folder.children) {
      if (report_.stopped) break;
      ExportMbox(child, *below, childNames);
    }
  }

  void WriteMbox(const OutputDirectory& directory, const std::string& name, const DbStore* store,
                 const MessageList& list = {}) {
    const std::string where = directory.path() + "/" + name;
    if (!force_ && directory.Contains(name)) {
      Problem(where + " is there already: left as it is (--force replaces it)");
      return;
    }
    // Written beside the name and put there only once whole: a mailbox is long in the writing, and one
    // cut short by a kill or a crash must not pass for the whole folder.
    NewFile file;
    if (!directory.Begin(file, name, NewFile::Placing::OnceWhole)) {
      Problem("cannot make " + where + ": " + std::strerror(errno));
      return;
    }
    BufferedFileSink sink(file.fd());
    Written written;
    if (store != nullptr) {
      written = WriteMessages(
          *store, list,
          [&](const DbStore&, uint32_t, uint32_t, const MessageText& text) {
            sink.Copy(text.converted->view());
            if (!text.convertedWhole) WriteMboxBody(sink, text);
            return sink.error() == 0;
          },
          // The entry's start reads the record and the header: done on the reader's thread, and the
          // entry's text too while the reader is ahead, so that the two threads share the conversion.
          [store](uint32_t record, uint32_t firstBlock, const MessageText& text, BufferSink& entry, bool spare) {
            entry.Copy(MboxEntryStart(*store, record, firstBlock));
            if (spare) WriteMboxBody(entry, text);
            return spare;
          });
    }
    // A mailbox stopped part way would read as the whole folder, and the next export would keep it.
    if (written.stopped) {
      Problem(where + " is left out: the export was stopped while it was being written");
      return;
    }
    errno = sink.error();
    if (written.ended || !sink.Flush() || !file.Commit()) {
      const int error = sink.error() != 0 ? sink.error() : errno;
      file.Abandon();
      Problem("cannot write " + where + ": " + std::strerror(error) +
              (directory.Contains(name) && force_ ? "; the mailbox there is left as it was" : ""));
      return;
    }
    if (store != nullptr) Saved(where, written.messages, written.records);
  }

  // The top level is a Maildir of its own: the server's INBOX, which gets the store's Inbox, and whose
  // name no other folder at the top may take.
  void ExportMaildirs() {
    if (!MakeMaildir(*root_)) Problem("cannot make the Maildir " + directory_);
    inbox_ = FindInbox(*store_);
    Names names;
    names.Take("INBOX");
    for (const size_t top : store_->top) {
      if (report_.stopped) break;
      ExportMaildir(top, "", names);
    }
  }

  // The Maildir++ folder name below parent, made with its marker; none (after saying why) when it cannot
  // be made.
  std::optional<OutputDirectory> FolderMaildir(const std::string& name, const StoreFolder& folder) {
    if (name.size() > kMaxMaildirName) {
      Problem("the folder " + LegacyCodePage().ToUtf8(folder.name) +
              " lies too deep for a Maildir name: left out with its subfolders");
      return std::nullopt;
    }
    std::optional<OutputDirectory> maildir = root_->Subdirectory(name);
    if (!maildir || !MakeMaildir(*maildir)) {
      Problem("cannot make the Maildir " + root_->path() + "/" + name);
      return std::nullopt;
    }
    // Marks a Maildir++ folder, for the clients that look for it.
    if (!maildir->Contains("maildirfolder")) {
      const int marker = maildir->CreateNew("maildirfolder");
      if (marker < 0 || close(marker) != 0) {
        Problem("cannot make " + maildir->path() + "/maildirfolder: " + std::strerror(errno));
      }
    }
    return maildir;
  }

  // parent + "." + the next level's name, as the server names it on disk.
  std::string MaildirName(const std::string& parent, Names& names, const std::string& folderName) {
    return parent + "." + MaildirNamePart(names.Take(folderName), maildirNames_);
  }

  void ExportMaildir(size_t index, const std::string& parent, Names& names) {
    const StoreFolder& folder = store_->folders[index];
    const bool inbox = inbox_ == index;
    const std::string name = inbox ? ".INBOX" : MaildirName(parent, names, SafeName(folder));
    const std::optional<OutputDirectory> maildir = inbox ? root_ : FolderMaildir(name, folder);
    if (!maildir) return;
    DbStore store;
    if (OpenDatabase(folder, store)) {
      WriteMaildir(*maildir, store, Tree0(store));
      if (recover_) {
        ForEachLostGroup(store, [&](const std::string& suffix, const MessageList& lost) {
          if (const auto found = FolderMaildir(MaildirName(parent, names, SafeName(folder) + suffix), folder))
            WriteMaildir(*found, store, lost);
        });
      }
    }
    store.Close();
    Names childNames;
    for (const size_t child : folder.children) {
      if (report_.stopped) break;
      ExportMaildir(child, name, childNames);
    }
  }

  void WriteMaildir(const OutputDirectory& maildir, const DbStore& store, const MessageList& list) {
    std::string problem;
    std::optional<MaildirDelivery> delivery = MaildirDelivery::Into(maildir, problem);
    if (!delivery) {
      Problem(problem + "; the messages of " + store.path() + " are left out");
      return;
    }
    if (!force_ && (maildir.HasEntries("cur") || maildir.HasEntries("new"))) {
      Problem(maildir.path() + " holds messages already: left as it is (--force adds to it)");
      return;
    }
    const Written written = WriteMessages(
        store, list,
        [&](const DbStore& db, uint32_t record, uint32_t firstBlock, const MessageText& text) {
          if (delivery->Deliver(db, record, firstBlock, text.converted->view(), problem)) return true;
          Problem(problem);
          return false;
        },
        [](uint32_t, uint32_t, const MessageText& text, BufferSink& message, bool) {
          MaildirText(text, message);
          return true;
        });
    // What was delivered before a delivery failed stays, and is counted.
    if (!written.ended || written.messages > 0) Saved(maildir.path(), written.messages, written.records);
  }

  std::string directory_;
  ExportFormat format_;
  bool force_;
  MaildirNames maildirNames_;
  bool recover_;
  ExportWatcher& watcher_;
  std::optional<OutputDirectory> root_;
  const StoreFolders* store_ = nullptr;
  StoreExport report_;
  std::optional<size_t> inbox_;
};

}  // namespace

StoreExport ExportStore(const std::string& path, const std::string& directory, const ExportOptions& options,
                        ExportWatcher& watcher) {
  Exporter exporter(directory, options, watcher);
  DbStore store;
  if (!store.Open(path)) {
    exporter.report().problems.push_back("cannot open " + path + ": " + store.DescribeFailure());
    return exporter.report();
  }
  const StoreFolders folders =
      dbx::IsFolderDatabase(&store) ? ReadStoreFolders(store, path) : SingleFolder(store, path);
  store.Close();
  exporter.Export(folders);
  return exporter.report();
}

StoreExport RecoverStore(const std::string& path, const std::string& directory, const ExportOptions& options,
                         ExportWatcher& watcher) {
  // What an earlier export or salvage wrote is not mixed with this one unless asked for.
  std::error_code error;
  if (!options.force && std::filesystem::exists(directory, error) && !std::filesystem::is_empty(directory, error)) {
    StoreExport refused;
    refused.problems.push_back(directory + " holds files already: nothing was written (--force writes into it)");
    return refused;
  }
  Exporter exporter(directory, options, watcher, /*recover=*/true);
  DbStore store;
  if (!store.OpenAsFound(path)) {
    exporter.report().problems.push_back("cannot open " + path + ": " + store.DescribeFailure());
    return exporter.report();
  }
  if (!dbx::IsFolderDatabase(&store)) {
    const StoreFolders single = SingleFolder(store, path);
    store.Close();
    exporter.Export(single);
    return exporter.report();
  }
  StoreFolders folders = ReadStoreFolders(store, path);
  // Folders no tree reaches, each at the top, unless a folder the trees reach has its database.
  std::set<std::string> databases;
  for (const StoreFolder& folder : folders.folders)
    if (folder.database) databases.insert(std::filesystem::weakly_canonical(*folder.database, error).string());
  for (const uint32_t ra : dbx::FindLostAndFound(store).records) {
    StoreFolder folder = FolderOfRecord(store, ra, path);
    if (folder.database &&
        !databases.insert(std::filesystem::weakly_canonical(*folder.database, error).string()).second) {
      continue;
    }
    folder.name += kRecoveredSuffix;
    folders.top.push_back(folders.folders.size());
    folders.folders.push_back(std::move(folder));
    ++exporter.report().recovered.folders;
  }
  store.Close();
  exporter.Export(folders);
  return exporter.report();
}

}  // namespace vendrel
