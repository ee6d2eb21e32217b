#include "ui/about_box.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "ui/image_drawing.h"

namespace vendrel::ui {

void ShowAboutBox(QWidget* owner) {
  QDialog box(owner);
  box.setWindowTitle("About Vendrel");
  auto* icon = new QLabel(&box);
  icon->setPixmap(ProgramIcon().pixmap(QSize(32, 32), box.devicePixelRatioF()));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &box);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
  auto* layout = new QGridLayout(&box);
  layout->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
  layout->addWidget(new QLabel("Vendrel Version 1, 0, 0, 3 (Preview)", &box), 0, 1);
  layout->addWidget(new QLabel("Explores the databases of Outlook Express 5:\n"
                               "folders, index trees, records and message text.",
                               &box),
                    1, 1);
  layout->addWidget(buttons, 0, 2, 2, 1, Qt::AlignTop);
  box.exec();
}

}  // namespace vendrel::ui
