// Messages as a mail client lists them, one row each: (the folder,) From, Subject, Date, Size and whether
// it was read; sortable by any column through a proxy that sorts by each column's own order (dates and
// sizes as numbers, texts without regard to case).
#pragma once

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>
#include <QTreeView>
#include <string>
#include <vector>

#include "mail/message_catalog.h"

namespace vendrel::ui {

struct ListedMessage {
  QString folder;        // shown only by a list of messages from several folders
  std::string database;  // the file the message is in
  mail::CatalogEntry entry;
};

class MessageListModel : public QAbstractTableModel {
 public:
  enum Column { Folder, From, Subject, Date, Size, Read, ColumnCount };
  static constexpr int kSortRole = Qt::UserRole;

  explicit MessageListModel(bool withFolder, QObject* parent = nullptr)
      : QAbstractTableModel(parent), withFolder_(withFolder) {}

  void SetMessages(std::vector<ListedMessage> messages);
  const ListedMessage& message(int row) const { return messages_.at(static_cast<size_t>(row)); }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  // The model's column shown at a view's column.
  Column ColumnAt(int section) const { return static_cast<Column>(withFolder_ ? section : section + 1); }

  bool withFolder_;
  std::vector<ListedMessage> messages_;
  std::vector<QString> from_, subject_;  // the texts as Qt shows them, made once
};

// A view of model, sorted through proxy: whole rows selected, the newest first until the user sorts.
QTreeView* MakeMessageView(QSortFilterProxyModel& proxy, QWidget* parent);

}  // namespace vendrel::ui
