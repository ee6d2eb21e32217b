// The Qt tests run offscreen in one QApplication. A modal dialog that no test expects would wait for a
// user for ever: it is closed at once and the test fails instead. What Qt keeps of the user (the file
// dialog's settings, its runtime directory) goes to a home of the tests' own, removed at the end: the
// tests never touch the user's files.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <QProgressDialog>
#include <QTimer>
#include <filesystem>
#include <string>

#include "support/process.h"

namespace {

class OwnHome {
 public:
  OwnHome() {
    if (mkdtemp(path_) == nullptr) return;
    setenv("HOME", path_, 1);
    setenv("XDG_RUNTIME_DIR", path_, 1);  // made 0700, as Qt wants it
    for (const char* variable : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
      setenv(variable, (std::string(path_) + "/" + variable).c_str(), 1);
  }
  ~OwnHome() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
  }

 private:
  char path_[32] = "/tmp/vendrel-ui-test-XXXXXX";
};

}  // namespace

int main(int argc, char** argv) {
  close(0);  // as the other test programs: descriptor 0 is a file like any other
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const OwnHome home;
  QApplication application(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  QTimer guard;
  QObject::connect(&guard, &QTimer::timeout, [] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || qobject_cast<QProgressDialog*>(modal) != nullptr) return;
    ADD_FAILURE() << "an unexpected modal dialog: " << modal->windowTitle().toStdString();
    modal->close();
  });
  guard.start(50);
  const vendrel::testsupport::LeakWatch leaks;
  const int failed = RUN_ALL_TESTS();
  return leaks.Found() ? 1 : failed;
}
