// The explorer's list as a virtual Qt model: a callback row asks its item for the four texts and the
// image only when the view first shows it, and keeps the answer; plain rows hold their texts. Each
// callback row holds its item's reference as an ItemRef.
#pragma once

#include <QAbstractTableModel>
#include <QPointer>
#include <vector>

#include "items/control_views.h"
#include "items/explorer_item.h"
#include "items/item_ref.h"

class QAbstractItemView;

namespace vendrel::ui {

class QtListView : public QAbstractTableModel, public ListView {
 public:
  // The Value column wide enough for a date or an address; the user widens the others as needed.
  static constexpr int kColumnWidths[kListColumns] = {120, 80, 240, 500};

  QtListView() = default;

  // The view whose selection is the list's.
  void SetView(QAbstractItemView* view);

  int RowCount() const override { return static_cast<int>(rows_.size()); }
  int InsertRow(int index, const std::string& text, int image) override;
  int InsertCallbackRow(int index, ExplorerItem* item) override;
  bool SetRowText(int row, int column, const std::string& text) override;
  void DeleteAllRows() override;
  ExplorerItem* ItemOf(int row) const override;
  ColumnTexts RowTexts(int row) override;
  std::vector<int> SelectedRows() const override;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  struct Row {
    ColumnTexts texts;
    int image = -1;
    ItemRef<ExplorerItem> item;
    bool answered = false;
  };

  int Insert(int index, Row row);
  // The row as shown: its item asked the first time.
  const Row& Shown(int row) const;

  // Answers are kept as they come, from inside the const questions of the view.
  mutable std::vector<Row> rows_;
  QPointer<QAbstractItemView> view_;
};

}  // namespace vendrel::ui
