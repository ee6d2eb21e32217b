#include "ui/qt_tree_view.h"

#include <QSignalBlocker>

#include "items/explorer_item.h"
#include "ui/image_drawing.h"

namespace vendrel::ui {

namespace {

constexpr int kHandleRole = Qt::UserRole;

// Sets a flag for its lifetime and restores what it was.
class Quiet {
 public:
  explicit Quiet(bool& flag) : flag_(flag), previous_(flag) { flag_ = true; }
  ~Quiet() { flag_ = previous_; }
  Quiet(const Quiet&) = delete;
  Quiet& operator=(const Quiet&) = delete;

 private:
  bool& flag_;
  bool previous_;
};

}  // namespace

QtTreeView::QtTreeView(QTreeWidget* widget) : widget_(widget) {
  QObject::connect(widget, &QTreeWidget::itemExpanded, this, &QtTreeView::OnExpanded);
  QObject::connect(widget, &QTreeWidget::currentItemChanged, this,
                   [this](QTreeWidgetItem* current) { OnCurrentChanged(current); });
}

QtTreeView::~QtTreeView() {
  // Normally the window has deleted every node already; whatever is left goes here, children first,
  // and the widget's own items are left to the widget.
  if (widget_ != nullptr) {
    Quiet quiet(quiet_);
    DeleteChildren(kTreeRoot);
  }
  nodes_.clear();
}

QTreeWidgetItem* QtTreeView::WidgetItem(TreeNodeHandle node) const {
  const auto it = nodes_.find(node);
  return it != nodes_.end() ? it->second.widgetItem : nullptr;
}

TreeNodeHandle QtTreeView::HandleOf(const QTreeWidgetItem* item) const {
  return item != nullptr ? item->data(0, kHandleRole).toULongLong() : kNoTreeNode;
}

QTreeWidgetItem* QtTreeView::Container(TreeNodeHandle node) const {
  if (widget_ == nullptr) return nullptr;
  return node == kTreeRoot ? widget_->invisibleRootItem() : WidgetItem(node);
}

TreeNodeHandle QtTreeView::InsertNode(TreeNodeHandle parent, const std::string& text, int image,
                                      ExplorerItem* item) {
  QTreeWidgetItem* container = Container(parent);
  if (container == nullptr) return kNoTreeNode;
  if (next_ == kTreeRoot) ++next_;
  const TreeNodeHandle node = next_++;
  auto* widgetItem = new QTreeWidgetItem;
  widgetItem->setText(0, QString::fromStdString(text));
  widgetItem->setIcon(0, SharedImage(image));
  widgetItem->setData(0, kHandleRole, QVariant::fromValue<qulonglong>(node));
  nodes_.emplace(node, Node{widgetItem, ItemRef<ExplorerItem>::Adopt(item)});
  Quiet quiet(quiet_);
  container->addChild(widgetItem);
  return node;
}

bool QtTreeView::SetNode(TreeNodeHandle node, const std::string& text, int image, ExplorerItem* item) {
  const auto it = nodes_.find(node);
  // The node keeps the reference it holds: only its own item may be named again.
  if (it == nodes_.end() || it->second.item.get() != item) return false;
  it->second.widgetItem->setText(0, QString::fromStdString(text));
  it->second.widgetItem->setIcon(0, SharedImage(image));
  return true;
}

bool QtTreeView::Forget(QTreeWidgetItem* top, bool withRoot) {
  const TreeNodeHandle selected = Selected();
  bool selectedGone = false;
  // Deepest first, iteratively: a text chain is a path thousands of nodes deep.
  std::vector<std::pair<QTreeWidgetItem*, bool>> pending = {{top, false}};
  while (!pending.empty()) {
    auto& [widgetItem, childrenDone] = pending.back();
    if (!childrenDone) {
      childrenDone = true;
      QTreeWidgetItem* parent = widgetItem;
      for (int i = parent->childCount() - 1; i >= 0; --i) pending.emplace_back(parent->child(i), false);
      continue;
    }
    QTreeWidgetItem* done = widgetItem;
    pending.pop_back();
    if (done == top && !withRoot) continue;
    const TreeNodeHandle handle = HandleOf(done);
    if (handle == selected) selectedGone = true;
    const auto it = nodes_.find(handle);
    if (it == nodes_.end()) continue;
    ItemRef<ExplorerItem> item = std::move(it->second.item);
    nodes_.erase(it);
    item.reset();
  }
  lastSibling_ = nullptr;
  return selectedGone && selected != kNoTreeNode;
}

bool QtTreeView::DeleteNode(TreeNodeHandle node) {
  QTreeWidgetItem* widgetItem = WidgetItem(node);
  if (widgetItem == nullptr || widget_ == nullptr) return false;
  bool selectedGone = false;
  {
    Quiet quiet(quiet_);
    selectedGone = Forget(widgetItem, true);
    if (selectedGone) widget_->setCurrentItem(nullptr);
    delete widgetItem;
  }
  if (selectedGone && events() != nullptr) events()->OnSelectedNodeDeleted();
  return true;
}

void QtTreeView::DeleteChildren(TreeNodeHandle node) {
  QTreeWidgetItem* container = Container(node);
  if (container == nullptr) return;
  bool selectedGone = false;
  {
    Quiet quiet(quiet_);
    selectedGone = Forget(container, false);
    if (selectedGone) widget_->setCurrentItem(nullptr);
    // All at once: one removal for the view instead of one per child.
    qDeleteAll(container->takeChildren());
  }
  if (selectedGone && events() != nullptr) events()->OnSelectedNodeDeleted();
}

bool QtTreeView::SelectNode(TreeNodeHandle node) {
  if (widget_ == nullptr) return false;
  QTreeWidgetItem* widgetItem = node == kNoTreeNode ? nullptr : WidgetItem(node);
  if (node != kNoTreeNode && widgetItem == nullptr) return false;
  widget_->setCurrentItem(widgetItem);  // which scrolls it into sight
  return true;
}

bool QtTreeView::ExpandNode(TreeNodeHandle node) {
  QTreeWidgetItem* widgetItem = WidgetItem(node);
  if (widgetItem == nullptr) return false;
  // Expanding tells the window (OnExpanded), which may refuse.
  widgetItem->setExpanded(true);
  widgetItem = WidgetItem(node);
  return widgetItem != nullptr && widgetItem->isExpanded();
}

void QtTreeView::ShowExpanded(const std::vector<TreeNodeHandle>& deepestFirst) {
  if (deepestFirst.empty()) return;
  Quiet quiet(quiet_);
  // A node below a collapsed one is only marked; the view lays out rows when their parent opens. So,
  // with the top (the last) closed meanwhile, the whole subtree is laid out once, when the top opens.
  if (QTreeWidgetItem* top = WidgetItem(deepestFirst.back())) top->setExpanded(false);
  for (const TreeNodeHandle node : deepestFirst) {
    if (QTreeWidgetItem* widgetItem = WidgetItem(node)) widgetItem->setExpanded(true);
  }
}

void QtTreeView::OnExpanded(QTreeWidgetItem* widgetItem) {
  if (quiet_ || events() == nullptr) return;
  const TreeNodeHandle node = HandleOf(widgetItem);
  if (events()->OnExpanding(node)) return;
  // Refused: the node must not stay open. It may have gone meanwhile.
  if (QTreeWidgetItem* still = WidgetItem(node)) {
    Quiet quiet(quiet_);
    still->setExpanded(false);
  }
}

void QtTreeView::OnCurrentChanged(QTreeWidgetItem* current) {
  if (quiet_ || events() == nullptr) return;
  events()->OnSelectionChanged(HandleOf(current));
}

TreeNodeHandle QtTreeView::FirstChild(TreeNodeHandle node) const {
  const QTreeWidgetItem* container = Container(node);
  if (container == nullptr || container->childCount() == 0) return kNoTreeNode;
  lastSibling_ = container->child(0);
  lastSiblingIndex_ = 0;
  return HandleOf(lastSibling_);
}

TreeNodeHandle QtTreeView::NextSibling(TreeNodeHandle node) const {
  QTreeWidgetItem* widgetItem = WidgetItem(node);
  if (widgetItem == nullptr || widget_ == nullptr) return kNoTreeNode;
  const QTreeWidgetItem* parent =
      widgetItem->parent() != nullptr ? widgetItem->parent() : widget_->invisibleRootItem();
  const int index = widgetItem == lastSibling_ ? lastSiblingIndex_ : parent->indexOfChild(widgetItem);
  if (index < 0 || index + 1 >= parent->childCount()) return kNoTreeNode;
  lastSibling_ = parent->child(index + 1);
  lastSiblingIndex_ = index + 1;
  return HandleOf(lastSibling_);
}

TreeNodeHandle QtTreeView::ParentNode(TreeNodeHandle node) const {
  const QTreeWidgetItem* widgetItem = WidgetItem(node);
  return widgetItem != nullptr ? HandleOf(widgetItem->parent()) : kNoTreeNode;
}

ExplorerItem* QtTreeView::ItemOf(TreeNodeHandle node) const {
  const auto it = nodes_.find(node);
  return it != nodes_.end() ? it->second.item.get() : nullptr;
}

TreeNodeHandle QtTreeView::Selected() const {
  return widget_ != nullptr ? HandleOf(widget_->currentItem()) : kNoTreeNode;
}

bool QtTreeView::IsExpanded(TreeNodeHandle node) const {
  const QTreeWidgetItem* widgetItem = WidgetItem(node);
  return widgetItem != nullptr && widgetItem->isExpanded();
}

}  // namespace vendrel::ui
