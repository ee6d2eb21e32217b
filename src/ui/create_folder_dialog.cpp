#include "ui/create_folder_dialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vendrel::ui {

CreateFolderDialog::CreateFolderDialog(const std::string& parentName,
                                       std::function<bool(const std::string&)> accept, QWidget* parent)
    : QDialog(parent),
      accept_(std::move(accept)),
      name_(new QLineEdit(this)),
      ok_(new QPushButton("OK", this)) {
  setWindowTitle("Create folder");
  auto* parentBox = new QLineEdit(QString::fromStdString(parentName), this);
  parentBox->setReadOnly(true);
  auto* cancel = new QPushButton("Cancel", this);
  ok_->setDefault(true);
  ok_->setEnabled(false);

  auto* layout = new QGridLayout(this);
  layout->addWidget(new QLabel("Parent:", this), 0, 0);
  layout->addWidget(parentBox, 0, 1);
  layout->addWidget(new QLabel("Name:", this), 1, 0);
  layout->addWidget(name_, 1, 1);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(ok_);
  buttons->addWidget(cancel);
  layout->addLayout(buttons, 0, 2, 2, 1);
  layout->setColumnMinimumWidth(1, 300);

  connect(name_, &QLineEdit::textChanged, this,
          [this](const QString& text) { ok_->setEnabled(!text.isEmpty()); });
  connect(ok_, &QPushButton::clicked, this, &CreateFolderDialog::OnOk);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  name_->setFocus();
}

std::string CreateFolderDialog::name() const {
  return name_->text().toStdString();
}

void CreateFolderDialog::OnOk() {
  // A name the caller refuses (it has said why) keeps the dialog open; only Cancel leaves then.
  if (!name_->text().isEmpty() && accept_(name())) accept();
}

}  // namespace vendrel::ui
