// The Qt tests run offscreen in one QApplication. A modal dialog that no test expects would wait for a
// user for ever: it is closed at once and the test fails instead.
#include <gtest/gtest.h>

#include <QApplication>
#include <QProgressDialog>
#include <QTimer>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
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
  return RUN_ALL_TESTS();
}
