#include "ui/explorer_wnd.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>

#include "controllers/commands.h"
#include "export/export_watcher.h"
#include "platform/desktop.h"
#include "platform/format.h"
#include "platform/status_text.h"
#include "ui/action_states.h"

#include "ui/qt_geometry.h"

namespace vendrel::ui {

namespace {

constexpr QSize kImageSize{16, 16};
constexpr const char* kSplitKey = "split";
constexpr const char* kColumnsKey = "listColumns";

QTreeWidget* MakeTree(QWidget* parent) {
  auto* tree = new QTreeWidget(parent);
  tree->setHeaderHidden(true);
  tree->setIconSize(kImageSize);
  tree->setUniformRowHeights(true);
  return tree;
}

QTreeView* MakeList(QWidget* parent, QtListView& model) {
  auto* list = new QTreeView(parent);
  list->setRootIsDecorated(false);
  list->setItemsExpandable(false);
  list->setUniformRowHeights(true);
  list->setAllColumnsShowFocus(true);
  list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list->setIconSize(kImageSize);
  list->setModel(&model);
  for (int column = 0; column < kListColumns; ++column) {
    list->header()->resizeSection(column, QtListView::kColumnWidths[column]);
  }
  list->header()->setStretchLastSection(false);
  model.SetView(list);
  return list;
}

}  // namespace

ExplorerWnd::ExplorerWnd(CommandGate& gate, CommandStates* toolbar, Settings* settings, QWidget* parent)
    : QWidget(parent),
      tree_(MakeTree(this)),
      list_(MakeList(this, listView_)),
      band_(new QWidget(this)),
      treeView_(tree_),
      controller_(*this, treeView_, listView_, gate, toolbar),
      settings_(settings),
      views_(new QTabBar(this)),
      messageView_((sortedMessages_.setSourceModel(&messages_), MakeMessageView(sortedMessages_, this))),
      gate_(gate) {
  views_->addTab("Rows");
  views_->addTab("Messages");
  views_->setToolTip("Ctrl+M: the designed rows or the database's messages");
  views_->setDrawBase(false);
  views_->setExpanding(false);
  views_->hide();
  messageView_->hide();
  connect(views_, &QTabBar::currentChanged, this, [this] { UpdateMessageView(); });
  connect(tree_, &QTreeWidget::currentItemChanged, this, [this] {
    if (showingRecord_) return;
    chosenFromList_ = false;
    UpdateMessageView();
  });
  connect(messageView_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& row) { ShowMessageRecord(row); });
  connect(messageView_, &QAbstractItemView::activated, this, [this] { tree_->setFocus(); });
  messageView_->installEventFilter(this);
  band_->setAutoFillBackground(true);
  band_->setBackgroundRole(QPalette::Dark);
  band_->hide();
  setMouseTracking(true);
  for (QWidget* watched :
       {static_cast<QWidget*>(tree_), tree_->viewport(), static_cast<QWidget*>(list_), list_->viewport()}) {
    watched->installEventFilter(this);
  }
  connect(list_, &QAbstractItemView::doubleClicked, this, [this] { controller_.GoToRow(); });
  connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { controller_.OnStateChanged(); });
  for (QAbstractItemView* pane : {static_cast<QAbstractItemView*>(tree_), static_cast<QAbstractItemView*>(list_)}) {
    pane->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(pane, &QWidget::customContextMenuRequested, this,
            [this, pane](const QPoint& at) { ShowContextMenu(pane, at); });
  }
  if (settings_ == nullptr) return;
  // What the user made of the last window: the splitter's place and the columns' widths.
  const std::vector<std::string> split = settings_->Get(kSplitKey);
  if (!split.empty()) controller_.SetFirstSplit(std::atof(split[0].c_str()));
  const std::vector<std::string> widths = settings_->Get(kColumnsKey);
  for (size_t column = 0; column < widths.size() && column < kListColumns; ++column) {
    const int width = std::atoi(widths[column].c_str());
    if (width > 0) list_->header()->resizeSection(static_cast<int>(column), width);
  }
  // Kept once a drag has come to rest (a drag resizes at every pixel), and when the window goes.
  keepColumns_.setSingleShot(true);
  keepColumns_.setInterval(500);
  connect(&keepColumns_, &QTimer::timeout, this, [this] { KeepColumnWidths(); });
  connect(list_->header(), &QHeaderView::sectionResized, this, [this] { keepColumns_.start(); });
}

void ExplorerWnd::KeepColumnWidths() {
  std::vector<std::string> kept;
  for (int column = 0; column < kListColumns; ++column)
    kept.push_back(std::to_string(list_->header()->sectionSize(column)));
  settings_->Set(kColumnsKey, kept);
}

void ExplorerWnd::UpdateMessageView() {
  const std::optional<std::string> database = controller_.MessageListDatabase();
  const bool offered = database.has_value() || chosenFromList_;
  views_->setVisible(offered);
  bool shown = offered && views_->currentIndex() == Messages;
  if (shown && database) {
    const auto operation = gate_.Begin();
    if (!operation) return;  // another job waits in its dialog
    CurrentDesktop().NameNextProgress("Listing messages...");
    DesktopWatcher watcher;
    std::string failure;
    const std::shared_ptr<const mail::MessageCatalog> catalog = mail::SessionCatalogs().Get(*database, watcher, failure);
    if (catalog == nullptr) {
      SetStatusText("Cannot list the messages of " + failure);
      shown = false;
    } else {
      if (catalog != listed_) {
        listed_ = catalog;
        std::vector<ListedMessage> rows;
        rows.reserve(catalog->entries.size());
        for (const mail::CatalogEntry& entry : catalog->entries) rows.push_back({{}, *database, entry});
        messages_.SetMessages(std::move(rows));
      }
      std::string said = Format("%zu messages", catalog->entries.size());
      if (catalog->stopped) said += "; stopped before the end";
      if (!catalog->problems.empty()) said += "; left out: " + catalog->problems.front();
      SetStatusText(said);
    }
  }
  messageView_->setVisible(shown);
  list_->setVisible(!shown);
  MovePanes(panes_);
}

void ExplorerWnd::ShowMessageRecord(const QModelIndex& row) {
  if (!row.isValid()) return;
  const ListedMessage& message = messages_.message(sortedMessages_.mapToSource(row).row());
  showingRecord_ = true;
  chosenFromList_ = controller_.SelectRecord(message.entry.record);
  if (!chosenFromList_)
    SetStatusText(Format("The record at %08X is not in the tree of messages", message.entry.record));
  showingRecord_ = false;
}

void ExplorerWnd::RememberSplit() {
  if (settings_ != nullptr) settings_->Set(kSplitKey, {std::to_string(controller_.SplitFraction())});
}

void ExplorerWnd::ShowContextMenu(QAbstractItemView* pane, const QPoint& at) {
  const QModelIndex index = pane->indexAt(at);
  if (!index.isValid()) return;
  // The menu acts on the row under the mouse, alone selected (the commands act on the first selected row);
  // in the tree, the node is explored as a click does.
  pane->setCurrentIndex(index);
  pane->setFocus();
  QMenu menu(this);
  for (const MenuItem& item : ContextMenuItems()) {
    if (item.command == 0) {
      menu.addSeparator();
      continue;
    }
    menu.addAction(QString::fromUtf8(item.label.data(), static_cast<qsizetype>(item.label.size())))
        ->setData(item.command);
  }
  ActionStates states(menu.actions());
  controller_.UpdateCommandState(&states);
  const QAction* chosen = menu.exec(pane->viewport()->mapToGlobal(at));
  if (chosen != nullptr) controller_.Command(chosen->data().toInt());
}

ExplorerWnd::~ExplorerWnd() {
  if (keepColumns_.isActive()) KeepColumnWidths();
  // The items go before any widget does, rows first: the order is this program's, not Qt's. The frame,
  // which follows the tree's selection, hears nothing of nodes going with a window that is half gone.
  tree_->blockSignals(true);
  controller_.Close();
}

Pane ExplorerWnd::FocusedPane() const {
  if (tree_->hasFocus()) return Pane::Tree;
  if (list_->hasFocus()) return Pane::List;
  return Pane::Other;
}

void ExplorerWnd::FocusPane(Pane pane) {
  if (pane == Pane::Tree) tree_->setFocus();
  if (pane == Pane::List) list_->setFocus();
}

Rect ExplorerWnd::ClientRect() const {
  return {0, 0, width(), height()};
}

void ExplorerWnd::MovePanes(const Panes& panes) {
  panes_ = panes;
  tree_->setGeometry(ToQRect(panes.tree));
  QRect list = ToQRect(panes.list);
  if (!views_->isHidden()) {
    const int tabs = std::min(views_->sizeHint().height(), list.height());
    views_->setGeometry(list.x(), list.y(), list.width(), tabs);
    list.setTop(list.top() + tabs);
  }
  list_->setGeometry(list);
  messageView_->setGeometry(list);
}

void ExplorerWnd::ShowDragBand(const std::optional<Rect>& band) {
  if (!band) {
    band_->hide();
    return;
  }
  band_->setGeometry(ToQRect(*band));
  band_->raise();
  band_->show();
}

void ExplorerWnd::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  controller_.Layout();
}

bool ExplorerWnd::eventFilter(QObject* watched, QEvent* event) {
  // Ctrl+M in any pane: the rows or the messages, where both are offered.
  if (event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->keyCombination() == QKeyCombination(Qt::ControlModifier, Qt::Key_M)) {
    if (!views_->isHidden()) views_->setCurrentIndex(views_->currentIndex() == Rows ? Messages : Rows);
    return true;
  }
  if (watched == messageView_) return false;
  const bool fromList = watched == list_ || watched == list_->viewport();
  switch (event->type()) {
    case QEvent::KeyPress:
      return OnPaneKey(static_cast<QKeyEvent*>(event), fromList);
    case QEvent::FocusIn:
      controller_.OnStateChanged();
      return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
      return OnPaneMouse(static_cast<QWidget*>(watched), static_cast<QMouseEvent*>(event));
    default:
      return false;
  }
}

bool ExplorerWnd::OnPaneKey(QKeyEvent* key, bool fromList) {
  // Qt's own would copy one cell: the command copies the rows, or the caption.
  if (key->matches(QKeySequence::Copy)) {
    controller_.Command(kCmdCopy);
    return true;
  }
  switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (!fromList) return false;
      controller_.OnKey(ExplorerKey::Enter, true);
      return true;
    case Qt::Key_F4:
      controller_.OnKey(ExplorerKey::F4, fromList);
      return true;
    case Qt::Key_F5:
      controller_.OnKey(ExplorerKey::F5, fromList);
      return true;
    case Qt::Key_Asterisk:  // Qt's own would rebuild each node once per level below it
      if (fromList) return false;
      controller_.OnKey(ExplorerKey::Star, false);
      return true;
    default:
      return false;
  }
}

bool ExplorerWnd::OnPaneMouse(QWidget* pane, QMouseEvent* mouse) {
  const QPoint point = pane->mapTo(this, mouse->position().toPoint());
  if (mouse->type() == QEvent::MouseButtonPress) {
    return mouse->button() == Qt::LeftButton && controller_.OnMouseDown(point.x(), point.y());
  }
  if (!controller_.Dragging()) return false;
  if (mouse->type() == QEvent::MouseMove) {
    controller_.OnMouseMove(point.x());
  } else {
    controller_.OnMouseUp(point.x());
    RememberSplit();
  }
  return true;
}

void ExplorerWnd::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    controller_.OnMouseDown(event->position().toPoint().x(), event->position().toPoint().y());
  }
  QWidget::mousePressEvent(event);
}

void ExplorerWnd::mouseMoveEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  controller_.OnMouseMove(point.x());
  setCursor(controller_.CursorOverSplitter(point.x(), point.y()) || controller_.Dragging() ? Qt::SplitHCursor
                                                                                           : Qt::ArrowCursor);
  QWidget::mouseMoveEvent(event);
}

void ExplorerWnd::mouseReleaseEvent(QMouseEvent* event) {
  const bool dragged = controller_.Dragging();
  controller_.OnMouseUp(event->position().toPoint().x());
  if (dragged) RememberSplit();
  QWidget::mouseReleaseEvent(event);
}

}  // namespace vendrel::ui
