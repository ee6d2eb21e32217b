#include "ui/qt_list_view.h"

#include <QAbstractItemView>
#include <QItemSelectionModel>
#include <algorithm>

#include "items/row_answer.h"
#include "ui/image_drawing.h"

namespace vendrel::ui {

namespace {

constexpr const char* kColumnNames[kListColumns] = {"Name", "RA", "Value", "Decsription"};

}  // namespace

void QtListView::SetView(QAbstractItemView* view) {
  view_ = view;
}

int QtListView::Insert(int index, Row row) {
  if (index < 0 || index > RowCount()) return -1;
  beginInsertRows({}, index, index);
  rows_.insert(rows_.begin() + index, std::move(row));
  endInsertRows();
  return index;
}

int QtListView::InsertRow(int index, const std::string& text, int image) {
  Row row;
  row.texts[0] = text;
  row.image = image;
  row.answered = true;
  return Insert(index, std::move(row));
}

int QtListView::InsertCallbackRow(int index, ExplorerItem* item) {
  if (item == nullptr) return -1;
  Row row;
  row.item = ItemRef<ExplorerItem>::Share(item);
  return Insert(index, std::move(row));
}

bool QtListView::SetRowText(int row, int column, const std::string& text) {
  if (row < 0 || row >= RowCount() || column < 0 || column >= kListColumns) return false;
  rows_[static_cast<size_t>(row)].texts[static_cast<size_t>(column)] = text;
  const QModelIndex cell = index(row, column);
  emit dataChanged(cell, cell);
  return true;
}

void QtListView::DeleteAllRows() {
  // Taken out first: a release may end an item, which then asks nothing more of this list.
  std::vector<Row> rows;
  beginResetModel();
  rows.swap(rows_);
  endResetModel();
}

ExplorerItem* QtListView::ItemOf(int row) const {
  return row >= 0 && row < RowCount() ? rows_[static_cast<size_t>(row)].item.get() : nullptr;
}

const QtListView::Row& QtListView::Shown(int row) const {
  Row& shown = rows_[static_cast<size_t>(row)];
  if (!shown.answered) {
    // Asking may end in the item's release elsewhere; the row keeps its own reference meanwhile.
    const ItemRef<ExplorerItem> item = shown.item;
    RowAnswer answer = AnswerRow(*item);
    Row& still = rows_[static_cast<size_t>(row)];
    still.answered = true;
    still.texts = std::move(answer.texts);
    still.image = answer.image;
    return still;
  }
  return shown;
}

ColumnTexts QtListView::RowTexts(int row) {
  if (row < 0 || row >= RowCount()) return {};
  return Shown(row).texts;
}

std::vector<int> QtListView::SelectedRows() const {
  std::vector<int> rows;
  if (view_ == nullptr || view_->selectionModel() == nullptr) return rows;
  for (const QModelIndex& selected : view_->selectionModel()->selectedRows()) rows.push_back(selected.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

int QtListView::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : RowCount();
}

int QtListView::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kListColumns;
}

QVariant QtListView::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= RowCount() || index.column() >= kListColumns) return {};
  if (role != Qt::DisplayRole && role != Qt::DecorationRole && role != Qt::ToolTipRole) return {};
  const Row& row = Shown(index.row());
  if (role == Qt::DecorationRole) return index.column() == 0 ? QVariant(SharedImage(row.image)) : QVariant();
  return QString::fromStdString(row.texts[static_cast<size_t>(index.column())]);
}

QVariant QtListView::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kListColumns) {
    return {};
  }
  return QString::fromLatin1(kColumnNames[section]);
}

}  // namespace vendrel::ui
