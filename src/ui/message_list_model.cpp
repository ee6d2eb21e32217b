#include "ui/message_list_model.h"

#include <QDateTime>
#include <QHeaderView>
#include <QLocale>

namespace vendrel::ui {

void MessageListModel::SetMessages(std::vector<ListedMessage> messages) {
  beginResetModel();
  messages_ = std::move(messages);
  from_.clear();
  subject_.clear();
  from_.reserve(messages_.size());
  subject_.reserve(messages_.size());
  for (const ListedMessage& message : messages_) {
    from_.push_back(QString::fromStdString(message.entry.headers.from));
    subject_.push_back(QString::fromStdString(message.entry.headers.subject));
  }
  endResetModel();
}

int MessageListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(messages_.size());
}

int MessageListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : (withFolder_ ? ColumnCount : ColumnCount - 1);
}

QVariant MessageListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const size_t row = static_cast<size_t>(index.row());
  const ListedMessage& message = messages_[row];
  const mail::CatalogEntry& entry = message.entry;
  const Column column = ColumnAt(index.column());
  if (role == Qt::TextAlignmentRole && column == Size) return QVariant(Qt::AlignRight | Qt::AlignVCenter);
  if (role == Qt::FontRole && !entry.read) {
    QFont bold;
    bold.setBold(true);
    return bold;
  }
  if (role != Qt::DisplayRole && role != kSortRole) return {};
  const bool sorting = role == kSortRole;
  switch (column) {
    case Folder:
      return message.folder;
    case From:
      return from_[row];
    case Subject:
      return subject_[row];
    case Date:
      if (!entry.headers.date) return sorting ? QVariant(qint64{0}) : QVariant();
      if (sorting) return QVariant(static_cast<qint64>(*entry.headers.date));
      return QLocale().toString(QDateTime::fromSecsSinceEpoch(*entry.headers.date), QLocale::ShortFormat);
    case Size:
      if (sorting) return QVariant(static_cast<qulonglong>(entry.size));
      return QLocale().formattedDataSize(static_cast<qint64>(entry.size), 1, QLocale::DataSizeTraditionalFormat);
    case Read:
      return sorting ? QVariant(entry.read) : QVariant(entry.read ? QString() : QStringLiteral("unread"));
    case ColumnCount:
      break;
  }
  return {};
}

QVariant MessageListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  static const char* const kTitles[] = {"Folder", "From", "Subject", "Date", "Size", "Read"};
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= columnCount()) return {};
  return QString(kTitles[ColumnAt(section)]);
}

QTreeView* MakeMessageView(QSortFilterProxyModel& proxy, QWidget* parent) {
  auto* view = new QTreeView(parent);
  proxy.setSortRole(MessageListModel::kSortRole);
  proxy.setSortCaseSensitivity(Qt::CaseInsensitive);
  proxy.setSortLocaleAware(false);
  view->setModel(&proxy);
  view->setRootIsDecorated(false);
  view->setUniformRowHeights(true);
  view->setAllColumnsShowFocus(true);
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setSelectionMode(QAbstractItemView::SingleSelection);
  view->setSortingEnabled(true);
  view->header()->setSortIndicator(
      proxy.sourceModel()->columnCount() == MessageListModel::ColumnCount ? MessageListModel::Date : MessageListModel::Date - 1,
      Qt::DescendingOrder);
  view->header()->setStretchLastSection(false);
  const bool withFolder = proxy.sourceModel()->columnCount() == MessageListModel::ColumnCount;
  const int widths[] = {120, 170, 280, 130, 70, 60};
  for (int column = withFolder ? 0 : 1; column < MessageListModel::ColumnCount; ++column)
    view->header()->resizeSection(withFolder ? column : column - 1, widths[column]);
  return view;
}

}  // namespace vendrel::ui
