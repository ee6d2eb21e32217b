#include "ui/explorer_wnd.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

#include "ui/qt_geometry.h"

namespace vendrel::ui {

namespace {

constexpr QSize kImageSize{16, 16};

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

ExplorerWnd::ExplorerWnd(CommandGate& gate, CommandStates* toolbar, QWidget* parent)
    : QWidget(parent),
      tree_(MakeTree(this)),
      list_(MakeList(this, listView_)),
      band_(new QWidget(this)),
      treeView_(tree_),
      controller_(*this, treeView_, listView_, gate, toolbar) {
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
}

ExplorerWnd::~ExplorerWnd() {
  // The items go before any widget does, rows first: the order is this program's, not Qt's.
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
  tree_->setGeometry(ToQRect(panes.tree));
  list_->setGeometry(ToQRect(panes.list));
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
  controller_.OnMouseUp(event->position().toPoint().x());
  QWidget::mouseReleaseEvent(event);
}

}  // namespace vendrel::ui
