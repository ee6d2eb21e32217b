// Find: the messages of the open databases (of every database of an open store) by From, To, Subject,
// a range of dates and the text, listed like the messages view; Enter or a double click on one shows its
// record. The search runs as a save does: progress after half a second, and Stop.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QTreeView>
#include <functional>
#include <string>
#include <vector>

#include "controllers/command_gate.h"
#include "ui/message_list_model.h"

namespace vendrel::ui {

class FindDialog : public QDialog {
 public:
  using OpenPaths = std::function<std::vector<std::string>()>;
  using GoTo = std::function<void(const ListedMessage&)>;
  FindDialog(CommandGate& gate, OpenPaths openPaths, GoTo goTo, QWidget* parent);

  enum Field { From, To, Subject, Text, After, Before, FieldCount };
  QLineEdit* field(Field field) const { return fields_[field]; }
  QTreeView* results() const { return results_; }
  const MessageListModel& found() const { return found_; }
  QLabel* outcome() const { return outcome_; }
  // Searches with what the fields hold.
  void Find();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void GoToResult(const QModelIndex& row);

  CommandGate& gate_;
  OpenPaths openPaths_;
  GoTo goTo_;
  QLineEdit* fields_[FieldCount];
  QLabel* outcome_;
  MessageListModel found_{true};
  QSortFilterProxyModel sorted_;
  QTreeView* results_;
};

}  // namespace vendrel::ui
