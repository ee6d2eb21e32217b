// The Maildir export served by a real Dovecot, as a user's IMAP client sees it: the store's tree with its
// names (non-ASCII, nested, the store's Inbox as the server's INBOX), and in every folder the messages
// with their flags, the day they arrived and their bytes. Dovecot runs as an instance of the test's own
// (configured in a temporary directory, IMAP on 127.0.0.1 only, stopped at the end); where it is not
// installed or cannot start, the test is skipped with the reason.
#include <arpa/inet.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <map>
#include <thread>

#include "export/store_export.h"
#include "platform/format.h"
#include "support/dbx_builder.h"

namespace vendrel {
namespace {

namespace fs = std::filesystem;
using namespace testsupport;

constexpr const char* kDovecot = "/usr/sbin/dovecot";

// A server of the test's own on a Maildir: started as the user the test runs as (or, for root, as
// nobody: Dovecot gives no mail to root), stopped when it goes.
class Dovecot {
 public:
  // Empty when it serves on port(); else why it could not start.
  std::string Start(const fs::path& dir, const fs::path& maildir, bool utf8Names) {
    const uid_t uid = geteuid() == 0 ? 65534 : geteuid();
    const gid_t gid = geteuid() == 0 ? 65534 : getegid();
    const passwd* user = getpwuid(uid);
    const group* grp = getgrgid(gid);
    if (user == nullptr || grp == nullptr) return "no user or group for " + std::to_string(uid);
    port_ = FreePort();
    const std::string d = dir.string(), userName = user->pw_name;
    fs::create_directories(dir / "home");
    WriteFileText(dir / "passwd", "test:{PLAIN}secret::::::\n");
    WriteFileText(dir / "dovecot.conf",
                  Format("base_dir = %s/run\nstate_dir = %s/state\nlog_path = %s/dovecot.log\n"
                         "default_internal_user = %s\ndefault_internal_group = %s\ndefault_login_user = %s\n"
                         "first_valid_uid = %d\nmail_location = maildir:%s%s\n"
                         "passdb {\n  driver = passwd-file\n  args = %s/passwd\n}\n"
                         "userdb {\n  driver = static\n  args = uid=%d gid=%d home=%s/home\n}\n"
                         "protocols = imap\nlisten = 127.0.0.1\nssl = no\ndisable_plaintext_auth = no\n"
                         "service imap-login {\n  chroot =\n  inet_listener imap {\n    port = %d\n  }\n"
                         "  inet_listener imaps {\n    port = 0\n  }\n}\n"
                         "service anvil {\n  chroot =\n}\nservice auth-worker {\n  user = %s\n}\n",
                         d.c_str(), d.c_str(), d.c_str(), userName.c_str(), grp->gr_name, userName.c_str(),
                         static_cast<int>(uid), maildir.c_str(), utf8Names ? ":UTF-8" : "", d.c_str(),
                         static_cast<int>(uid), static_cast<int>(gid), d.c_str(), port_, userName.c_str()));
    if (geteuid() == 0) {
      bool owned = lchown(dir.c_str(), uid, gid) == 0;
      for (const auto& entry : fs::recursive_directory_iterator(dir))
        owned = lchown(entry.path().c_str(), uid, gid) == 0 && owned;
      if (!owned) return "its files cannot be given to " + userName;
    }
    pid_ = fork();
    if (pid_ == 0) {
      setenv("TZ", "UTC", 1);  // the arrival times are given in the server's zone
      if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0)) _exit(126);
      execl(kDovecot, kDovecot, "-F", "-c", (d + "/dovecot.conf").c_str(), nullptr);
      _exit(127);
    }
    for (int tries = 0; tries < 100; ++tries) {
      if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
        pid_ = -1;
        return "it ended at once: " + ReadText(dir / "dovecot.log");
      }
      const int fd = Connect(port_);
      if (fd >= 0) {
        close(fd);
        return {};
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return "it does not answer on 127.0.0.1:" + std::to_string(port_);
  }

  ~Dovecot() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }

  int port() const { return port_; }

  static int Connect(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return fd;
    close(fd);
    return -1;
  }

 private:
  static int FreePort() {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
  }
  static void WriteFileText(const fs::path& path, const std::string& text) {
    WriteFileBytes(path, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
  }

  pid_t pid_ = -1;
  int port_ = 0;
};

// An IMAP client of the few commands the test sends: each response line with its literals inlined.
class Imap {
 public:
  explicit Imap(int port) : fd_(Dovecot::Connect(port)) {}
  ~Imap() {
    if (fd_ >= 0) close(fd_);
  }

  // The untagged lines of the answer; ok tells whether it ended in OK.
  std::vector<std::string> Command(const std::string& command, bool& ok) {
    const std::string tag = Format("t%d", ++tags_);
    const std::string line = tag + " " + command + "\r\n";
    ok = fd_ >= 0 && send(fd_, line.data(), line.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(line.size());
    std::vector<std::string> untagged;
    for (std::string answer; ok && !(answer = Line()).empty();) {
      if (answer.starts_with(tag + " ")) {
        ok = answer.starts_with(tag + " OK");
        return untagged;
      }
      untagged.push_back(answer);
    }
    ok = false;
    return untagged;
  }

 private:
  // The next line; a literal ("{n}" and n bytes) is part of the line it is in. Empty when the server
  // closed or went quiet for ten seconds.
  std::string Line() {
    std::string line;
    for (;;) {
      size_t end;
      while ((end = buffer_.find("\r\n")) == std::string::npos)
        if (!Fill()) return {};
      line += buffer_.substr(0, end + 2);
      buffer_.erase(0, end + 2);
      const size_t open = line.rfind('{');
      if (!line.ends_with("}\r\n") || open == std::string::npos) return line;
      const size_t length = std::stoul(line.substr(open + 1));
      while (buffer_.size() < length)
        if (!Fill()) return {};
      line += buffer_.substr(0, length);
      buffer_.erase(0, length);
    }
  }
  bool Fill() {
    pollfd ready{fd_, POLLIN, 0};
    char bytes[65536];
    if (poll(&ready, 1, 10000) != 1) return false;
    const ssize_t got = recv(fd_, bytes, sizeof bytes, 0);
    if (got <= 0) return false;
    buffer_.append(bytes, static_cast<size_t>(got));
    return true;
  }

  int fd_;
  int tags_ = 0;
  std::string buffer_;
};

// What a test message is, and what the server must give of it.
struct Mail {
  std::string text;  // CR LF, as the mail client stores it
  bool read;
  int64_t arrived;  // seconds since 1970: received (the builder writes it ten minutes after sent)

  MessageFields Fields(uint32_t id) const {
    return {.id = id,
            .subject = "s",
            .text = text,
            .textBlockRoom = 0x40,
            .flags = read ? 0x81u : 0x01u,
            .sent = static_cast<uint64_t>(arrived - 600 + 11644473600) * 10000000};
  }
};

std::string InternalDate(int64_t seconds) {
  const time_t time = static_cast<time_t>(seconds);
  tm parts{};
  gmtime_r(&time, &parts);
  char text[40];
  strftime(text, sizeof text, "%d-%b-%Y %H:%M:%S +0000", &parts);
  return text;
}

std::string Between(const std::string& text, const std::string& open, char close) {
  const size_t from = text.find(open);
  if (from == std::string::npos) return {};
  const size_t start = from + open.size();
  return text.substr(start, text.find(close, start) - start);
}

// The mailbox name a LIST line ends with, quoted or not, as the server gives it (modified UTF-7).
std::string ListedName(std::string line) {
  line.resize(line.size() - 2);
  if (!line.ends_with('"')) return line.substr(line.rfind(' ') + 1);
  line.pop_back();
  return line.substr(line.rfind('"') + 1);
}

TEST(Dovecot, TheMaildirExportOfAStoreIsServedWithItsTreeNamesFlagsArrivalTimesAndBytes) {
  if (access(kDovecot, X_OK) != 0) GTEST_SKIP() << "Dovecot is not installed (dovecot-imapd)";
  // The store: its Inbox with a subfolder and a subfolder of that, a folder with no database holding one
  // with "&" and accents in its name, and another folder named like the server's INBOX.
  const auto mail = [](int n, bool read, int64_t arrived) {
    return Mail{Format("From: <ann@example.com>\r\nSubject: message %d\r\n\r\nline one\r\nFrom here\r\n", n), read,
                arrived};
  };
  const std::map<std::string, std::vector<Mail>> expected = {
      {"INBOX", {mail(1, true, 1132531200), mail(2, false, 1160958520)}},
      {"INBOX.Famille", {mail(3, true, 1079222400)}},
      {"INBOX.Famille.&AMk-cole", {mail(4, false, 1160958521)}},
      {"Archives", {}},
      {"Archives.Caf&AOk- &- Th&AOk-", {mail(5, true, 1160958522), mail(6, true, 1160958523)}},
      {"inbox (2)", {mail(7, false, 1160958524)}}};
  const struct {
    FolderFields folder;
    const char* mailbox;
  } folders[] = {{{1, 0, "Inbox", "Inbox.dbx", true, 0x31, 3}, "INBOX"},
                 {{2, 1, "Famille", "Famille.dbx", true, 0x31, 3}, "INBOX.Famille"},
                 {{3, 2, "\xC9"
                         "cole",
                   "Ecole.dbx", true, 0x21, 3},
                  "INBOX.Famille.&AMk-cole"},
                 {{4, 0, "Archives", "", true, 0x31, 3}, "Archives"},
                 {{5, 4, "Caf\xE9 & Th\xE9", "Cafe.dbx", true, 0x21, 3}, "Archives.Caf&AOk- &- Th&AOk-"},
                 {{6, 0, "inbox", "Other.dbx", true, 0x21, 3}, "inbox (2)"}};
  TempDir dir;
  fs::permissions(dir.path(), fs::perms(0755));
  fs::create_directory(dir / "store");
  std::vector<FolderFields> records;
  for (const auto& [folder, mailbox] : folders) {
    records.push_back(folder);
    if (folder.fileName.empty()) continue;
    DbxBuilder messages(DbKind::Message);
    messages.SetFolder({.name = folder.name, .folderId = folder.id});
    std::vector<uint32_t> ras;
    for (const Mail& one : expected.at(mailbox))
      ras.push_back(messages.AddMessage(one.Fields(static_cast<uint32_t>(ras.size() + 2))));
    messages.SetIndex(0, ras);
    messages.WriteTo(dir / "store" / folder.fileName);
  }
  DbxBuilder store(DbKind::Folder);
  store.AddFolders(records);
  store.WriteTo(dir / "store" / "Folders.dbx");

  // Names on disk in IMAP's modified UTF-7, as Dovecot keeps them by default, or in UTF-8 for a Dovecot
  // set to keep them so: the client sees the same.
  for (const bool utf8 : {false, true}) {
    const fs::path run = dir / (utf8 ? "utf8" : "utf7"), maildir = run / "Maildir";
    QuietWatcher watcher;
    const StoreExport report = ExportStore(
        (dir / "store" / "Folders.dbx").string(), maildir.string(),
        {.format = ExportFormat::Maildir, .maildirNames = utf8 ? MaildirNames::Utf8 : MaildirNames::ModifiedUtf7},
        watcher);
    ASSERT_TRUE(report.problems.empty() && report.messages == 7)
        << report.messages << (report.problems.empty() ? "" : report.problems.front());
    Dovecot dovecot;
    if (const std::string failure = dovecot.Start(run, maildir, utf8); !failure.empty())
      GTEST_SKIP() << "Dovecot cannot start: " << failure;
    Imap imap(dovecot.port());
    bool ok = false;
    imap.Command("LOGIN test secret", ok);
    ASSERT_TRUE(ok) << ReadText(run / "dovecot.log");
    std::vector<std::string> listed;
    for (const std::string& line : imap.Command("LIST \"\" \"*\"", ok)) listed.push_back(ListedName(line));
    std::sort(listed.begin(), listed.end());
    std::vector<std::string> names;
    for (const auto& [name, mails] : expected) names.push_back(name);
    EXPECT_EQ(listed, names) << utf8;
    for (const auto& [name, mails] : expected) {
      const std::vector<std::string> selected = imap.Command("SELECT \"" + name + "\"", ok);
      ASSERT_TRUE(ok) << name;
      EXPECT_NE(std::find(selected.begin(), selected.end(), Format("* %zu EXISTS\r\n", mails.size())),
                selected.end())
          << name;
      if (mails.empty()) continue;
      const std::vector<std::string> fetched = imap.Command("FETCH 1:* (FLAGS INTERNALDATE BODY.PEEK[])", ok);
      ASSERT_TRUE(ok && fetched.size() == mails.size()) << name;
      for (size_t i = 0; i < mails.size(); ++i) {
        const std::string& got = fetched[i];
        const std::string flags = Between(got, "FLAGS (", ')');
        EXPECT_EQ(flags.find("\\Seen") != std::string::npos, mails[i].read) << name << " " << i << ": " << flags;
        EXPECT_EQ(Between(got, "INTERNALDATE \"", '"'), InternalDate(mails[i].arrived)) << name << " " << i;
        // IMAP gives every line end as CR LF, whatever the file holds: the text as it was stored.
        const size_t body = got.find("}\r\n", got.find("BODY[] {"));
        ASSERT_NE(body, std::string::npos) << got;
        EXPECT_EQ(got.substr(body + 3, mails[i].text.size()), mails[i].text) << name << " " << i;
      }
    }
  }
}

}  // namespace
}  // namespace vendrel
