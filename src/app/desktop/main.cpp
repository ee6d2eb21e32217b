// vendrel: the desktop explorer. Every argument is a database file, each opened in its own window.
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "app/desktop/snapshot.h"
#include "ui/frame_wnd.h"
#include "ui/image_drawing.h"

namespace {

constexpr const char* kUsage =
    "Usage: vendrel [--snapshot OUT.png] [--] [FILE.dbx...]\n"
    "Explores the DBX databases of Outlook Express 5; each FILE opens in its own window.\n"
    "  --snapshot OUT.png  opens the files, shows the first database's first message, renders the\n"
    "                      window to OUT.png and exits (works without a display: "
    "QT_QPA_PLATFORM=offscreen)\n";

int signalPipe[2] = {-1, -1};

void OnTerminate(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = write(signalPipe[1], &byte, 1);
}

// SIGTERM and SIGINT close the window as its close button would, so that the program ends cleanly.
void CloseOnSignals(vendrel::ui::FrameWnd& frame) {
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) return;
  auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &frame);
  QObject::connect(notifier, &QSocketNotifier::activated, &frame, [&frame] {
    char byte;
    [[maybe_unused]] const ssize_t got = read(signalPipe[0], &byte, 1);
    frame.close();
  });
  struct sigaction action {};
  action.sa_handler = OnTerminate;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  // A save that grows a file past the size limit fails with EFBIG and says so, rather than end the program.
  signal(SIGXFSZ, SIG_IGN);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName("Vendrel");
  QApplication::setWindowIcon(vendrel::ui::ProgramIcon());

  std::vector<std::string> paths;
  std::string snapshot;
  const QStringList arguments = QApplication::arguments().mid(1);  // after the program's own name
  bool options = true;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    if (options && argument == "--") {
      options = false;
    } else if (options && argument == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (options && argument == "--snapshot") {
      if (i + 1 == arguments.size()) {
        std::fprintf(stderr, "vendrel: --snapshot needs the file to write\n%s", kUsage);
        return 2;
      }
      snapshot = QFile::encodeName(arguments[++i]).toStdString();
    } else {
      // A file name is bytes: given back as the file system has it.
      paths.push_back(QFile::encodeName(argument).toStdString());
    }
  }

  vendrel::ui::FrameWnd frame;
  // Before the window shows: a request to end that comes while the files open must end cleanly too.
  CloseOnSignals(frame);
  frame.show();
  frame.controller().OpenFiles(paths);
  if (!snapshot.empty()) {
    if (vendrel::WriteSnapshot(frame, snapshot)) return 0;
    std::fprintf(stderr, "vendrel: cannot write %s\n", snapshot.c_str());
    return 1;
  }
  return QApplication::exec();
}
