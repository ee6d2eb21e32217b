// The "Create folder" dialog: the parent's name, read-only, and the new name; OK only for a name that is
// not empty, and it closes the dialog only when the caller accepts the name.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

class QLineEdit;
class QPushButton;

namespace vendrel::ui {

class CreateFolderDialog : public QDialog {
 public:
  CreateFolderDialog(const std::string& parentName, std::function<bool(const std::string&)> accept,
                     QWidget* parent);

  QLineEdit* nameEdit() const { return name_; }
  QPushButton* okButton() const { return ok_; }
  std::string name() const;

 private:
  void OnOk();

  std::function<bool(const std::string&)> accept_;
  QLineEdit* name_;
  QPushButton* ok_;
};

}  // namespace vendrel::ui
