// SPDX-License-Identifier: MIT
#include "shell/Frame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <algorithm>
#include <QKeyEvent>
#include <QIcon>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QShortcut>
#include <QStatusBar>
#include <cstdio>

#include "shell/InfoDialogs.h"
#include "shell/LinkDialogs.h"
#include "shell/WindowList.h"
#include "windows/DisplayPalette.h"
#include "windows/FitIntoScreen.h"
#include "windows/ModalRunner.h"
#include "windows/PermanentWindows.h"

namespace lumarel {
namespace {

ChildWindow* ChildOf(QMdiSubWindow* window) {
  return window ? qobject_cast<ChildWindow*>(window->widget()) : nullptr;
}

// The permanent children have no Close in their window menu and no close box.
void RemoveCloseItem(QMdiSubWindow* window) {
  window->setWindowFlags(Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowMinMaxButtonsHint);
  if (QMenu* menu = window->systemMenu()) {
    for (QAction* action : menu->actions()) {
      if (action->shortcut() == QKeySequence::Close || action->text().contains("Close")) {
        menu->removeAction(action);
      }
    }
  }
}

}  // namespace

Frame::Frame(FrameLink& link, const StartupEnvironment& environment, QWidget* parent)
    : QMainWindow(parent),
      link_(link),
      notifier_(this),
      timers_([this](int id) { link_.OnFrameTimer(id); }) {
  setObjectName("qdserver");
  setWindowTitle("Lumarel");
  setWindowIcon(QIcon(":/icons/FRAME_ICON.png"));
  resize(kWidth, kHeight);
  menus_ = std::make_unique<MenuSet>(this, [this](int id) { Command(id); });

  mdi_ = new QMdiArea(this);
  mdi_->setObjectName("MDICLIENT");
  mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  mdi_->setBackground(QColor(128, 128, 128));
  // A window that closes hands the activation back to the one active before
  // it (the window the user came from), not to the next one created.
  mdi_->setActivationOrder(QMdiArea::ActivationHistoryOrder);
  setCentralWidget(mdi_);
  windowList_ = new WindowList(mdi_, this);
  for (MenuKind kind : {MenuKind::Preview, MenuKind::Capture, MenuKind::Imagefile,
                        MenuKind::Liveimage}) {
    windowList_->Attach(menus_->WindowPopup(kind));
  }
  connect(mdi_, &QMdiArea::subWindowActivated, this, &Frame::OnSubWindowActivated);

  // Notes about an opened picture (cut to fit, rows missing) show in the
  // status bar for a while instead of stopping the user with a box.
  notifier_.SetNoteSink([this](const std::string& text) {
    statusBar()->showMessage(QString::fromStdString(text), kNoteMilliseconds);
  });
  state_.Prepare(environment, notifier_);
  StartPaletteDisplay();
  link_.Start(LinkStartContext{*this, timers_, state_});
  timers_.Start(kLinkStartTimerId, kLinkStartMilliseconds);

  CreateChildren();
  CreateBars();
  // No child takes input until the picture list has arrived or a file is opened.
  EnableMdiClient(false);
  qApp->installEventFilter(this);

  help_.SetOwner(this);
  CreateRecentFilesMenu();
  setAcceptDrops(true);
  auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
  connect(f1, &QShortcut::activated, this, [this] { OpenHelp(HelpTopic::Contents); });
  CreateWindowKeys();
  ShowMenu(ActiveChild() ? ActiveChild()->Menu() : MenuKind::Frame);
}

Frame::~Frame() {
  qApp->removeEventFilter(this);
  // The children go with the QWidget base; their activations must not reach this class.
  disconnect(mdi_, nullptr, this, nullptr);
  if (!shutDown_) {
    timers_.SetHandler({});
    state_.DeleteTempFiles();
    SharedDisplayPalette().Release();
  }
}

// On palette displays the shared palette is made from the default palette at
// once; the windows remake it from their own copies as they become active.
void Frame::StartPaletteDisplay() {
  DisplayPalette& palette = SharedDisplayPalette();
  palette.Release();
  palette.SetEnabled(state_.PaletteDisplay);
  if (state_.PaletteDisplay && state_.CurrentPalette) palette.Remake(state_.CurrentPalette.bytes());
}

void Frame::CreateChildren() {
  auto* live = new LiveWindow(*this);
  live_ = live;
  AddChild(live, QRect(5, 5, 340, 435));
  auto* preview = new PreviewWindow(*this);
  preview_ = preview;
  AddChild(preview, QRect(30, 30, 590, 475));
}

void Frame::CreateBars() {
  status_ = new QLabel("Ready", this);
  status_->setObjectName("status");
  statusBar()->setObjectName("101");
  statusBar()->setSizeGripEnabled(true);
  statusBar()->addWidget(status_, 1);
  progress_ = new QProgressBar(this);
  progress_->setObjectName("progress");
  progress_->setTextVisible(false);
  progress_->hide();
  progress_->setGeometry(150, height() - 15, 200, 12);
}

// The multiple-document keys; like every other key they do nothing while the
// MDI client is disabled.
void Frame::CreateWindowKeys() {
  const struct {
    QKeySequence keys;
    std::function<void()> run;
  } keys[] = {{QKeySequence(Qt::CTRL | Qt::Key_F6), [this] { ActivateNextWindow(1); }},
              {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F6), [this] { ActivateNextWindow(-1); }},
              {QKeySequence(Qt::CTRL | Qt::Key_F4), [this] { CloseActiveWindow(); }}};
  for (const auto& key : keys) {
    auto* shortcut = new QShortcut(key.keys, this);
    connect(shortcut, &QShortcut::activated, this, [this, run = key.run] {
      if (mdiEnabled_) run();
    });
  }
}

void Frame::ActivateNextWindow(int step) {
  const QList<QMdiSubWindow*> windows = mdi_->subWindowList(QMdiArea::CreationOrder);
  if (windows.size() < 2) return;
  const int count = static_cast<int>(windows.size());
  const int current = static_cast<int>(windows.indexOf(mdi_->activeSubWindow()));
  int index = current < 0 ? 0 : current;
  for (int tries = 0; tries < count; ++tries) {
    index = ((index + step) % count + count) % count;
    if (!windows[index]->isHidden()) break;
  }
  QMdiSubWindow* next = windows[index];
  if (next->isMinimized()) next->showNormal();
  mdi_->setActiveSubWindow(next);
}

void Frame::CloseActiveWindow() {
  if (QMdiSubWindow* window = mdi_->activeSubWindow()) window->close();
}

QMdiSubWindow* Frame::AddChild(ChildWindow* child, std::optional<QRect> geometry) {
  QMdiSubWindow* window = mdi_->addSubWindow(child);
  window->setAttribute(Qt::WA_DeleteOnClose);
  if (child->IsPermanent()) RemoveCloseItem(window);
  // The window keys are the frame's (Ctrl+F4 among them); the window menu's
  // own shortcuts act only while that menu is open, so no key means two things.
  if (QMenu* menu = window->systemMenu()) {
    for (QAction* action : menu->actions()) action->setShortcutContext(Qt::WidgetShortcut);
  }
  if (geometry) window->setGeometry(*geometry);
  window->show();
  mdi_->setActiveSubWindow(window);
  return window;
}

ChildWindow* Frame::ActiveChild() const { return ChildOf(mdi_->activeSubWindow()); }

void Frame::Activate(ChildWindow* child) {
  for (QMdiSubWindow* window : mdi_->subWindowList()) {
    if (window->widget() == child) mdi_->setActiveSubWindow(window);
  }
}

bool Frame::eventFilter(QObject* watched, QEvent* event) {
  // Only widgets' events matter here. Other objects' events may have been made
  // on another thread (the receive thread's hand-over) and are not looked at.
  if (!watched->isWidgetType()) return QMainWindow::eventFilter(watched, event);
  // F1 in a modal dialog (Image Adjustment, the link dialogs): the frame's own
  // F1 key does not reach past the dialog.
  if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1) {
    QWidget* modal = QApplication::activeModalWidget();
    auto* widget = static_cast<QWidget*>(watched);
    if (modal && (widget == modal || modal->isAncestorOf(widget))) {
      OpenHelp(HelpTopic::Contents);
      return true;
    }
  }
  if (mdiEnabled_) return QMainWindow::eventFilter(watched, event);
  const QEvent::Type type = event->type();
  const bool mouse = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
                     type == QEvent::MouseButtonDblClick || type == QEvent::MouseMove ||
                     type == QEvent::Wheel;
  const bool key = type == QEvent::KeyPress || type == QEvent::KeyRelease;
  if ((!mouse && !key) || !mdi_->isAncestorOf(static_cast<QWidget*>(watched))) {
    return QMainWindow::eventFilter(watched, event);
  }
  // F1 still opens the help, as it does in the frame itself.
  if (type == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1) {
    OpenHelp(HelpTopic::Contents);
  }
  return true;
}

void Frame::OnSubWindowActivated(QMdiSubWindow* window) {
  ChildWindow* child = ChildOf(window);
  ShowMenu(child ? child->Menu() : MenuKind::Frame);
  if (child) child->Activated();
}

void Frame::ShowMenu(MenuKind kind) {
  menuBar()->clear();
  for (QMenu* popup : menus_->Popups(kind)) menuBar()->addMenu(popup);
  currentMenu_ = kind;
}

void Frame::Command(int id) {
  if (FrameCommand(id)) return;
  if (ChildWindow* child = ActiveChild()) child->Command(id);
}

bool Frame::FrameCommand(int id) {
  switch (id) {
    case kCmdCloseAllChildren:
      CloseAllChildren();
      return true;
    case kCmdOpen:
      if (onOpen_) onOpen_();
      return true;
    case kCmdExit:
      close();
      return true;
    case kCmdCommunication: {
      ComSetupDialog dialog(link_.Port(), this);
      RunModal(dialog);
      return true;
    }
    case kCmdFlashErase:
      // The link asks, and refuses a write-protected card before asking.
      link_.EraseAll();
      return true;
    case kCmdHelp:
      OpenHelp(HelpTopic::Contents);
      return true;
    case kCmdAbout: {
      AboutDialog dialog(this);
      RunModal(dialog);
      return true;
    }
    case kCmdCloseImage:
      CloseImageWindows();
      return true;
    default:
      return false;
  }
}

namespace {

// Restores the window and asks its child whether it may close now; a picture
// window with unsaved changes asks the user (and may run Save As).
bool AgreesToClose(QMdiSubWindow* window) {
  if (window->isMinimized() || window->isMaximized()) window->showNormal();
  ChildWindow* child = ChildOf(window);
  return !child || child->QueryEndSession();
}

}  // namespace

void Frame::CloseChildren(const std::function<bool(ChildWindow&)>& include) {
  // A question may run a dialog, during which windows can go away.
  QList<QPointer<QMdiSubWindow>> windows;
  for (QMdiSubWindow* window : mdi_->subWindowList()) windows.push_back(window);
  for (const QPointer<QMdiSubWindow>& window : windows) {
    if (!window) continue;
    ChildWindow* child = ChildOf(window);
    if (child && !include(*child)) continue;
    if (AgreesToClose(window)) delete window.data();
  }
}

bool Frame::CloseAllChildren() {
  QList<QPointer<QMdiSubWindow>> windows;
  for (QMdiSubWindow* window : mdi_->subWindowList()) windows.push_back(window);
  auto permanent = [](QMdiSubWindow* window) {
    ChildWindow* child = ChildOf(window);
    return child && child->IsPermanent();
  };
  // Every question first: one refusal (a cancelled save) leaves every window open.
  for (const QPointer<QMdiSubWindow>& window : windows) {
    if (window && !permanent(window) && !AgreesToClose(window)) return false;
  }
  for (bool permanentPass : {false, true}) {
    for (const QPointer<QMdiSubWindow>& window : windows) {
      if (!window || permanent(window) != permanentPass) continue;
      if (permanentPass && !AgreesToClose(window)) continue;  // the exit is not confirmed
      delete window.data();
    }
  }
  return true;
}

void Frame::CloseImageWindows() {
  CloseChildren([](ChildWindow& child) { return !child.IsPermanent(); });
}

void Frame::CloseForReconnect() { CloseImageWindows(); }

void Frame::closeEvent(QCloseEvent* event) {
  if (!exitConfirmed_) {
    if (link_.LiveRunning() && live_) live_->PressLiveButton();
    if (notifier_.Show("Exit Lumarel?", "Lumarel", MessageButtons::OkCancel,
                       MessageIcon::Exclamation) != MessageAnswer::Ok) {
      event->ignore();
      return;
    }
  }
  exitConfirmed_ = true;
  CloseAllChildren();
  if (!mdi_->subWindowList().isEmpty()) {
    event->ignore();
    return;
  }
  ShutDown();
  event->accept();
}

// The link goes first: once the timers are silenced, the receive thread has
// ended and the port is closed, no camera answer or link timer can reach the
// buffers, the picture list or the scratch files released after it.
void Frame::ShutDownOnSignal() {
  if (shutDown_) return;
  timers_.SetHandler({});
  link_.StopReceiveThread();
  link_.ClosePort();
  RememberGeometry();
  SaveSettings();
}

std::optional<std::string> Frame::SaveSettings() {
  std::string reason;
  if (state_.WriteSettings(&reason)) return std::nullopt;
  const std::string text = SettingsNotWritten(state_.SettingsPath, reason);
  std::fprintf(stderr, "lumarel: %s\n", text.c_str());
  return text;
}

void Frame::ShutDown() {
  if (shutDown_) return;
  shutDown_ = true;
  RememberGeometry();
  link_.SendReset();
  timers_.SetHandler({});
  const bool threadEnded = link_.StopReceiveThread();
  link_.ClosePort();
  if (!threadEnded) {
    notifier_.Show("closing handle(hReceive_packet) fails.", "THREAD INFO (EXIT)",
                   MessageButtons::Ok, MessageIcon::Exclamation);
  }
  state_.ReleaseBuffers();
  link_.ReleasePreviewStore();
  SharedDisplayPalette().Release();
  help_.Release();
  if (const std::optional<std::string> failure = SaveSettings()) {
    notifier_.Show(*failure, "ERROR", MessageButtons::Ok, MessageIcon::Exclamation);
  }
  state_.DeleteTempFiles();
}

void Frame::OpenFiles(const std::vector<std::string>& paths) {
  if (onOpenFiles_ && !paths.empty()) onOpenFiles_(paths);
}

void Frame::CreateRecentFilesMenu() {
  recentMenu_ = new QMenu("Recent &Files", this);
  recentMenu_->setObjectName("recentFiles");
  connect(recentMenu_, &QMenu::aboutToShow, this, &Frame::FillRecentFilesMenu);
  // After Open and Save As, in every File menu that can open a file.
  for (MenuKind kind : {MenuKind::Frame, MenuKind::Preview, MenuKind::Capture,
                        MenuKind::Imagefile}) {
    QAction* open = menus_->Item(kind, kCmdOpen);
    QMenu* file = open ? qobject_cast<QMenu*>(open->parent()) : nullptr;
    if (!file) continue;
    const QList<QAction*> actions = file->actions();
    const auto separator = std::find_if(actions.begin(), actions.end(),
                                        [](QAction* a) { return a->isSeparator(); });
    file->insertMenu(separator == actions.end() ? nullptr : *separator, recentMenu_);
    // Filled as the File menu opens: a grayed popup would never announce itself.
    connect(file, &QMenu::aboutToShow, this, &Frame::FillRecentFilesMenu);
  }
  FillRecentFilesMenu();
}

void Frame::FillRecentFilesMenu() {
  recentMenu_->clear();
  int number = 1;
  for (const std::string& path : state_.RecentFiles) {
    const QString name = QString::fromStdString(path);
    QAction* action = recentMenu_->addAction(QString("&%1 %2").arg(number++).arg(name));
    connect(action, &QAction::triggered, this, [this, path] { OpenFiles({path}); });
  }
  recentMenu_->setEnabled(!state_.RecentFiles.empty());
  recentMenu_->menuAction()->setEnabled(!state_.RecentFiles.empty());
}

void Frame::dragEnterEvent(QDragEnterEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); })) {
    event->acceptProposedAction();
  }
}

void Frame::dropEvent(QDropEvent* event) {
  std::vector<std::string> paths;
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
  }
  if (paths.empty()) return;
  event->acceptProposedAction();
  OpenFiles(paths);
}

void Frame::ShowRemembered() {
  const FrameGeometry& remembered = state_.Frame;
  if (remembered.known) {
    setGeometry(FitIntoScreen(
        QRect(remembered.x, remembered.y, remembered.width, remembered.height), *this));
  } else {  // the window manager places it; it only has to fit
    const QRect area = AvailableArea(*this);
    if (area.isValid()) resize(FitRect(QRect(area.topLeft(), size()), area).size());
  }
  if (remembered.known && remembered.maximized) {
    showMaximized();
  } else {
    show();
  }
}

void Frame::RememberGeometry() {
  const QRect normal = isMaximized() || isMinimized() ? normalGeometry() : geometry();
  if (!normal.isValid()) return;
  state_.Frame = {true, normal.x(), normal.y(), normal.width(), normal.height(), isMaximized()};
}

void Frame::BringToFront() {
  if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
  show();
  raise();
  activateWindow();
}

void Frame::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  if (progress_) {
    progress_->setGeometry(150, height() - 15, 200, 12);
    progress_->raise();
  }
}

QString Frame::StatusText() const { return status_->text(); }

void Frame::SetStatusText(const QString& text) { status_->setText(text); }

void Frame::HideProgress() { progress_->hide(); }

void Frame::SetMenuItemEnabled(MenuKind menu, int id, bool enabled) {
  if (QAction* item = menus_->Item(menu, id)) item->setEnabled(enabled);
}

void Frame::SetCurrentMenuItemEnabled(int id, bool enabled) {
  SetMenuItemEnabled(currentMenu_, id, enabled);
}

int Frame::OpenDisconnectDialog() {
  LinkLostDialog::Actions actions{[this] { link_.Reconnect(); },
                                  [this] { OpenHelp(HelpTopic::Context1); }, nullptr};
  LinkLostDialog dialog(LinkLostDialog::Kind::Disconnected, std::move(actions), this,
                        link_.Port().problems);
  return RunModal(dialog);
}

int Frame::OpenReconnectDialog() {
  link_.OnReconnectDialogOpened();
  LinkLostDialog::Actions actions{[this] { link_.RetryConnect(); },
                                  [this] { OpenHelp(HelpTopic::Context2); }, nullptr};
  LinkLostDialog dialog(LinkLostDialog::Kind::Reconnect, std::move(actions), this,
                        link_.Port().problems);
  return RunModal(dialog);
}

}  // namespace lumarel
