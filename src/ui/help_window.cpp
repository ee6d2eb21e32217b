#include "ui/help_window.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "ui/embedded_help.h"

namespace vendrel::ui {

void ShowHelpWindow(QWidget* owner) {
  // One window however often it is asked for: the same one comes to the front.
  auto* window = owner->findChild<QDialog*>("help");
  if (window == nullptr) {
    window = new QDialog(owner);
    window->setObjectName("help");
    window->setWindowTitle("Vendrel help");
    auto* text = new QTextBrowser(window);
    text->setOpenExternalLinks(true);
    text->setMarkdown(QString::fromUtf8(kManual));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, window);
    QObject::connect(buttons, &QDialogButtonBox::rejected, window, &QDialog::close);
    auto* layout = new QVBoxLayout(window);
    layout->addWidget(text);
    layout->addWidget(buttons);
    window->resize(owner->size() * 3 / 4);
  }
  window->show();
  window->raise();
  window->activateWindow();
}

}  // namespace vendrel::ui
