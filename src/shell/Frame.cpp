#include "shell/Frame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QIcon>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QProgressBar>
#include <QShortcut>
#include <QStatusBar>
#include <cstdio>

#include "shell/InfoDialogs.h"
#include "shell/LinkDialogs.h"
#include "windows/DisplayPalette.h"
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
  setCentralWidget(mdi_);
  connect(mdi_, &QMdiArea::subWindowActivated, this, &Frame::OnSubWindowActivated);

  state_.Prepare(environment, notifier_);
  StartPaletteDisplay();
  link_.Start(LinkStartContext{*this, timers_, state_});
  timers_.Start(kLinkStartTimerId, kLinkStartMilliseconds);

  CreateChildren();
  CreateBars();
  // No child takes input until the picture list has arrived or a file is opened.
  EnableMdiClient(false);
  qApp->installEventFilter(this);

  auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
  connect(f1, &QShortcut::activated, this, [this] { OpenHelp(HelpTopic::Contents); });
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

QMdiSubWindow* Frame::AddChild(ChildWindow* child, std::optional<QRect> geometry) {
  QMdiSubWindow* window = mdi_->addSubWindow(child);
  window->setAttribute(Qt::WA_DeleteOnClose);
  if (child->IsPermanent()) RemoveCloseItem(window);
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
  if (mdiEnabled_ || !watched->isWidgetType()) return QMainWindow::eventFilter(watched, event);
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
      if (notifier_.Show("Delete all Flash memory?", "ALL ERASE", MessageButtons::OkCancel,
                         MessageIcon::Question) == MessageAnswer::Ok) {
        link_.EraseAll();
      }
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

void Frame::CloseChildren(const std::function<bool(ChildWindow&)>& include) {
  for (QMdiSubWindow* window : mdi_->subWindowList()) {
    ChildWindow* child = ChildOf(window);
    if (child && !include(*child)) continue;
    if (window->isMinimized() || window->isMaximized()) window->showNormal();
    if (child && !child->QueryEndSession()) continue;
    delete window;
  }
}

void Frame::CloseAllChildren() {
  CloseChildren([](ChildWindow&) { return true; });
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
void Frame::ShutDown() {
  if (shutDown_) return;
  shutDown_ = true;
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
  std::string reason;
  if (!state_.WriteSettings(&reason)) {
    const std::string text = SettingsNotWritten(state_.SettingsPath, reason);
    std::fprintf(stderr, "lumarel: %s\n", text.c_str());
    notifier_.Show(text, "ERROR", MessageButtons::Ok, MessageIcon::Exclamation);
  }
  state_.DeleteTempFiles();
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
  LinkLostDialog dialog(LinkLostDialog::Kind::Disconnected, std::move(actions), this);
  return RunModal(dialog);
}

int Frame::OpenReconnectDialog() {
  link_.OnReconnectDialogOpened();
  LinkLostDialog::Actions actions{[this] { link_.RetryConnect(); },
                                  [this] { OpenHelp(HelpTopic::Context2); }, nullptr};
  LinkLostDialog dialog(LinkLostDialog::Kind::Reconnect, std::move(actions), this);
  return RunModal(dialog);
}

}  // namespace lumarel
