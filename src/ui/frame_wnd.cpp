#include "ui/frame_wnd.h"

#include <filesystem>

#include <QCloseEvent>
#include <QDockWidget>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QToolBar>
#include <filesystem>

#include "controllers/geometry.h"
#include "platform/format.h"
#include "platform/status_text.h"
#include "ui/about_box.h"
#include "ui/explorer_wnd.h"
#include "ui/help_window.h"
#include "ui/image_drawing.h"
#include "ui/qt_geometry.h"

namespace vendrel::ui {

namespace {

constexpr QSize kToolbarImageSize{20, 20};
constexpr QSize kFirstSize{1000, 700};
constexpr const char* kGeometryKey = "frameGeometry";
constexpr const char* kMessagePaneKey = "messagePane";
constexpr const char* kLayoutKey = "frameLayout";  // the docks' and the toolbar's places and sizes

struct Shortcut {
  int command;
  QKeySequence keys;
};

// The keys of the commands, as a Qt application has them; the first of a command's is shown in menus.
std::vector<Shortcut> Shortcuts() {
  return {{kCmdOpen, QKeySequence(QKeySequence::Open)},
          {kCmdExit, QKeySequence(Qt::CTRL | Qt::Key_Q)},
          {kCmdHelpContents, QKeySequence(Qt::Key_F1)},
          {kCmdFind, QKeySequence(QKeySequence::Find)},
          {kCmdCloseWindow, QKeySequence(Qt::CTRL | Qt::Key_W)},
          {kCmdCloseWindow, QKeySequence(Qt::CTRL | Qt::Key_F4)},
          // Character accelerators: Alt with '?' (however the keyboard makes it) or '/'.
          {kCmdAbout, QKeySequence(Qt::ALT | Qt::Key_Question)},
          {kCmdAbout, QKeySequence(Qt::ALT | Qt::SHIFT | Qt::Key_Question)},
          {kCmdAbout, QKeySequence(Qt::ALT | Qt::Key_Slash)}};
}

QAction* FindAction(const QList<QAction*>& actions, int command) {
  for (QAction* action : actions) {
    if (CommandOf(action) == command) return action;
  }
  return nullptr;
}

Rect AreaRect(const QMdiArea* area) {
  return {0, 0, area->viewport()->width(), area->viewport()->height()};
}

}  // namespace

FrameWnd::FrameWnd()
    : mdi_(new QMdiArea(this)),
      toolbar_(new QToolBar("Toolbar", this)),
      statusLine_(new QLabel(this)),
      messagePane_(new MessagePane),
      messageDock_(new QDockWidget("Message", this)) {
  setWindowTitle("Vendrel");
  setWindowIcon(ProgramIcon());
  setCentralWidget(mdi_);
  mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  statusBar()->addWidget(statusLine_, 1);
  messageDock_->setObjectName("message");
  messageDock_->setWidget(messagePane_);
  messageDock_->toggleViewAction()->setText("Message pane");
  addDockWidget(Qt::BottomDockWidgetArea, messageDock_);
  setAcceptDrops(true);

  // What an operation leaves for later runs from the event loop, once the operation's frames are gone.
  gate_.SetScheduler([this](std::function<void()> action) {
    QMetaObject::invokeMethod(this, std::move(action), Qt::QueuedConnection);
  });
  desktop_ =
      std::make_unique<QtDesktop>(this, statusLine_, gate_, [this] { controller_->Command(kCmdStop); });
  gatedDesktop_ = std::make_unique<GatedDesktop>(*desktop_, gate_);
  installedDesktop_.emplace(*gatedDesktop_);

  BuildToolbar();
  toolbarStates_ = std::make_unique<ActionStates>(toolbar_->actions());
  controller_ = std::make_unique<FrameController>(*this, *toolbarStates_, gate_, settings_);
  BuildMenus();
  ShowMenu(MenuId::Frame);
  // The frame's own shortcuts, whichever menu shows: two menus hold the same commands.
  // An MDI window closes itself with the platform's keys for Close: the same keys here would be taken
  // by neither.
  const QList<QKeySequence> closeKeys = QKeySequence::keyBindings(QKeySequence::Close);
  for (const Shortcut& shortcut : Shortcuts()) {
    if (closeKeys.contains(shortcut.keys)) continue;
    connect(new QShortcut(shortcut.keys, this), &QShortcut::activated, this,
            [this, command = shortcut.command] { controller_->Command(command); });
  }
  connect(mdi_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* window) {
    auto* explorer = window != nullptr ? dynamic_cast<ExplorerWnd*>(window->widget()) : nullptr;
    controller_->OnActiveExplorerChanged(explorer != nullptr ? &explorer->controller() : nullptr);
    UpdateMessagePane();
  });
  // Kept only when the user switches it: the pane also hides when the frame closes.
  connect(messageDock_->toggleViewAction(), &QAction::triggered, this,
          [this](bool shown) {
            settings_.Set(kMessagePaneKey, {shown ? "1" : "0"});
            UpdateMessagePane();
          });
  controller_->Start();
  // Where the user left it; the first time as designed, but never larger than the screen.
  const std::vector<std::string> geometry = settings_.Get(kGeometryKey);
  if (geometry.empty() || !restoreGeometry(QByteArray::fromStdString(geometry[0]))) {
    const QSize room = screen() != nullptr ? screen()->availableSize() * 9 / 10 : kFirstSize;
    resize(kFirstSize.boundedTo(room));
  }
  const std::vector<std::string> layout = settings_.Get(kLayoutKey);
  if (layout.empty() || !restoreState(QByteArray::fromStdString(layout[0])))
    resizeDocks({messageDock_}, {height() / 3}, Qt::Vertical);  // the windows keep most of the room
  // Shown unless the user hid it last time: kept when switched, so it holds also where the layout,
  // kept when the frame closes, is older.
  const std::vector<std::string> paneShown = settings_.Get(kMessagePaneKey);
  messageDock_->setVisible(paneShown.empty() || paneShown[0] != "0");
}

FrameWnd::~FrameWnd() {
  // Every window's items go while the desktop they may still speak to exists.
  for (QMdiSubWindow* window : mdi_->subWindowList()) delete window;
  installedDesktop_.reset();
}

void FrameWnd::BuildToolbar() {
  toolbar_->setIconSize(kToolbarImageSize);
  toolbar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  toolbar_->setObjectName("toolbar");  // named, for the saved layout
  for (const ToolbarButton& button : ToolbarButtons()) {
    if (button.command < 0) {
      toolbar_->addSeparator();
      continue;
    }
    QAction* action = toolbar_->addAction(ToolbarImage(button.image),
                                          QString::fromUtf8(button.label.data(), button.label.size()));
    action->setIconText(action->text());  // else Qt drops a trailing "..." from the caption
    action->setToolTip(
        QString::fromUtf8(button.tooltip.data(), static_cast<qsizetype>(button.tooltip.size())));
    action->setData(button.command);
    action->setEnabled(false);
    connect(action, &QAction::triggered, this,
            [this, command = button.command] { controller_->Command(command); });
  }
  addToolBar(Qt::TopToolBarArea, toolbar_);
}

QMenu* FrameWnd::BuildPopup(const MenuPopup& popup) {
  auto* menu =
      new QMenu(QString::fromUtf8(popup.label.data(), static_cast<qsizetype>(popup.label.size())), this);
  if (popup.listsWindows) {
    menu->addAction(messageDock_->toggleViewAction());
    menu->addSeparator();
  }
  for (const MenuItem& item : popup.items) {
    if (item.command == 0) {
      menu->addSeparator();
      continue;
    }
    QString label = QString::fromUtf8(item.label.data(), static_cast<qsizetype>(item.label.size()));
    // The key beside the label, as a menu shows a shortcut.
    for (const Shortcut& shortcut : Shortcuts()) {
      if (shortcut.command != item.command) continue;
      label += "\t" + shortcut.keys.toString(QKeySequence::NativeText);
      break;
    }
    QAction* action = menu->addAction(label);
    action->setData(item.command);
    connect(action, &QAction::triggered, this,
            [this, command = item.command] { controller_->Command(command); });
    if (item.command == kCmdOpen) AddRecentFiles(menu);
  }
  connect(menu, &QMenu::aboutToShow, this, [this, menu, listsWindows = popup.listsWindows] {
    if (listsWindows) FillWindowList(menu);
    ActionStates states(menu->actions());
    controller_->OnMenuPopup(states);
  });
  return menu;
}

void FrameWnd::AddRecentFiles(QMenu* menu) {
  QMenu* recent = menu->addMenu("Recent files");
  connect(recent, &QMenu::aboutToShow, this, [this, recent] {
    recent->clear();
    const std::vector<std::string> files = controller_->RecentFiles();
    for (size_t i = 0; i < files.size(); ++i) {
      QAction* action = recent->addAction(QString("&%1 %2").arg(i + 1).arg(QFile::decodeName(files[i].c_str())));
      connect(action, &QAction::triggered, this,
              [this, command = kCmdRecentFile1 + static_cast<int>(i)] { controller_->Command(command); });
    }
    if (files.empty()) recent->addAction("(none)")->setEnabled(false);
  });
}

void FrameWnd::BuildMenus() {
  for (const MenuPopup& popup : MenuPopups(MenuId::Frame)) frameMenus_.push_back(BuildPopup(popup));
  for (const MenuPopup& popup : MenuPopups(MenuId::Explorer)) explorerMenus_.push_back(BuildPopup(popup));
}

void FrameWnd::FillWindowList(QMenu* menu) {
  // The fixed items stay; the list of windows after them is made anew each time the menu opens.
  for (QAction* action : menu->actions()) {
    if (action->property("windowList").toBool()) delete action;
  }
  const QList<QMdiSubWindow*> windows = mdi_->subWindowList();
  if (windows.isEmpty()) return;
  QAction* separator = menu->addSeparator();
  separator->setProperty("windowList", true);
  int number = 1;
  for (QMdiSubWindow* window : windows) {
    QAction* action = menu->addAction(QString("&%1 %2").arg(number++).arg(window->windowTitle()));
    action->setProperty("windowList", true);
    action->setCheckable(true);
    action->setChecked(window == mdi_->currentSubWindow());
    connect(action, &QAction::triggered, mdi_, [this, window] { mdi_->setActiveSubWindow(window); });
  }
}

QAction* FrameWnd::ToolbarAction(int command) const {
  return FindAction(toolbar_->actions(), command);
}

QAction* FrameWnd::MenuAction(int command) const {
  for (QMenu* menu : shown_ == MenuId::Frame ? frameMenus_ : explorerMenus_) {
    if (QAction* action = FindAction(menu->actions(), command)) return action;
  }
  return nullptr;
}

void FrameWnd::ShowMenu(MenuId menu) {
  shown_ = menu;
  menuBar()->clear();
  for (QMenu* popup : menu == MenuId::Frame ? frameMenus_ : explorerMenus_) menuBar()->addMenu(popup);
}

QMdiSubWindow* FrameWnd::SubWindowOf(const ExplorerController& explorer) const {
  for (QMdiSubWindow* window : mdi_->subWindowList()) {
    auto* explorerWnd = dynamic_cast<ExplorerWnd*>(window->widget());
    if (explorerWnd != nullptr && &explorerWnd->controller() == &explorer) return window;
  }
  return nullptr;
}

ExplorerWnd* FrameWnd::ExplorerWindowOf(const ExplorerController& explorer) const {
  QMdiSubWindow* window = SubWindowOf(explorer);
  return window != nullptr ? dynamic_cast<ExplorerWnd*>(window->widget()) : nullptr;
}

ExplorerController* FrameWnd::CreateExplorerWindow(const std::string& caption) {
  auto* explorer = new ExplorerWnd(gate_, toolbarStates_.get(), &settings_);
  auto* window = new QMdiSubWindow;
  window->setWidget(explorer);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->setWindowTitle(QString::fromStdString(caption));
  window->setWindowIcon(ExplorerWindowIcon());
  window->installEventFilter(this);
  connect(explorer->treeWidget(), &QTreeWidget::currentItemChanged, this, [this] { UpdateMessagePane(); });
  mdi_->addSubWindow(window);
  return &explorer->controller();
}

void FrameWnd::ShowExplorerWindow(ExplorerController& explorer) {
  QMdiSubWindow* window = SubWindowOf(explorer);
  if (window == nullptr) return;
  // Each new window a step below and right of the one before, as the window system places them; shown
  // maximized when the active one is, and restored to that place.
  const QMdiSubWindow* active = mdi_->activeSubWindow();
  const int count = static_cast<int>(mdi_->subWindowList().size());
  window->setGeometry(ToQRect(CascadeRects(count, AreaRect(mdi_)).back()));
  if (active != nullptr && active->isMaximized()) {
    window->showMaximized();
  } else {
    window->show();
  }
  mdi_->setActiveSubWindow(window);
}

void FrameWnd::UpdateMessagePane() {
  const ExplorerController* active = ActiveExplorer();
  messagePane_->Show(active != nullptr && !messageDock_->isHidden() ? active->SelectedMessageSource()
                                                                    : std::nullopt);
}

void FrameWnd::DestroyExplorerWindow(ExplorerController& explorer) {
  delete SubWindowOf(explorer);
}

ExplorerController* FrameWnd::ActiveExplorer() const {
  QMdiSubWindow* window = mdi_->currentSubWindow();
  auto* explorer = window != nullptr ? dynamic_cast<ExplorerWnd*>(window->widget()) : nullptr;
  return explorer != nullptr ? &explorer->controller() : nullptr;
}

std::vector<ExplorerController*> FrameWnd::Explorers() const {
  std::vector<ExplorerController*> explorers;
  for (QMdiSubWindow* window : mdi_->subWindowList()) {
    if (auto* explorer = dynamic_cast<ExplorerWnd*>(window->widget()))
      explorers.push_back(&explorer->controller());
  }
  return explorers;
}

void FrameWnd::ArrangeWindows(int command) {
  // Cascaded from the back to the front, so that the active window ends on top, furthest down.
  const bool cascade = command == kCmdCascade;
  QList<QMdiSubWindow*> windows;
  for (QMdiSubWindow* window :
       mdi_->subWindowList(cascade ? QMdiArea::StackingOrder : QMdiArea::CreationOrder)) {
    if (window->isVisible() && !window->isMinimized()) windows.push_back(window);
  }
  const int count = static_cast<int>(windows.size());
  const std::vector<Rect> places = cascade ? CascadeRects(count, AreaRect(mdi_))
                                           : TileRects(count, AreaRect(mdi_), command == kCmdTileVertically);
  for (qsizetype i = 0; i < windows.size(); ++i) {
    windows[i]->showNormal();
    windows[i]->setGeometry(ToQRect(places[static_cast<size_t>(i)]));
    windows[i]->raise();
  }
}

void FrameWnd::ShowAbout() {
  CommandGate::ModalLoop loop(gate_);
  ShowAboutBox(this);
}

void FrameWnd::ShowHelp() {
  ShowHelpWindow(this);
}

void FrameWnd::ShowFind() {
  if (find_ == nullptr) {
    find_ = new FindDialog(
        gate_,
        [this] {
          std::vector<std::string> paths;
          for (const ExplorerController* explorer : Explorers()) paths.push_back(explorer->path());
          return paths;
        },
        [this](const ListedMessage& message) { GoToMessage(message); }, this);
  }
  find_->show();
  find_->raise();
  find_->activateWindow();
  find_->field(FindDialog::From)->setFocus();
}

QDialog* FrameWnd::findDialog() const {
  return find_;
}

void FrameWnd::GoToMessage(const ListedMessage& message) {
  const auto showing = [&]() -> ExplorerController* {
    for (ExplorerController* explorer : Explorers()) {
      std::error_code error;
      if (std::filesystem::equivalent(explorer->path(), message.database, error)) return explorer;
    }
    return nullptr;
  };
  ExplorerController* explorer = showing();
  if (explorer == nullptr && controller_->OpenFile(message.database)) explorer = showing();
  if (explorer == nullptr) return;  // the file no longer opens: the status line says why
  mdi_->setActiveSubWindow(SubWindowOf(*explorer));
  if (!explorer->SelectRecord(message.entry.record)) {
    SetStatusText(Format("The record at %08X is no longer in the tree of messages", message.entry.record));
    return;
  }
  ExplorerWindowOf(*explorer)->treeWidget()->setFocus();
}

void FrameWnd::Exit() {
  close();
}

bool FrameWnd::eventFilter(QObject* watched, QEvent* event) {
  // A window closed while an operation runs (from inside its event loop) goes once it has ended.
  if (event->type() == QEvent::Close && gate_.Running()) {
    auto* window = qobject_cast<QMdiSubWindow*>(watched);
    auto* explorer = window != nullptr ? dynamic_cast<ExplorerWnd*>(window->widget()) : nullptr;
    if (explorer != nullptr) {
      event->ignore();
      controller_->CloseExplorer(explorer->controller());
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void FrameWnd::closeEvent(QCloseEvent* event) {
  if (gate_.Running()) {
    event->ignore();
    gate_.WhenIdle([this] { close(); });
    return;
  }
  for (QMdiSubWindow* window : mdi_->subWindowList()) delete window;
  settings_.Set(kGeometryKey, {saveGeometry().toStdString()});
  settings_.Set(kLayoutKey, {saveState().toStdString()});
  event->accept();
}

void FrameWnd::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void FrameWnd::dropEvent(QDropEvent* event) {
  std::vector<std::string> paths;
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile()) paths.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
  }
  event->acceptProposedAction();
  controller_->OpenFiles(paths);
}

}  // namespace vendrel::ui
