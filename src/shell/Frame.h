// SPDX-License-Identifier: MIT
// The frame window: the MDI client with its children, the five menus switched
// on child activation, the status bar and the hidden progress bar, command
// routing (the frame first, then the active child), the exit confirmation and
// the shut-down order.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "shell/FrameLink.h"
#include "shell/HelpWindow.h"
#include "shell/Menus.h"
#include "shell/Startup.h"
#include "windows/ChildWindow.h"
#include "windows/PermanentWindows.h"
#include "windows/QtNotifier.h"
#include "windows/QtTimers.h"

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QProgressBar;

namespace lumarel {

class WindowList;

class Frame final : public QMainWindow, public ChildHost {
  Q_OBJECT
 public:
  static constexpr int kWidth = 745;
  static constexpr int kHeight = 605;
  static constexpr int kNoteMilliseconds = 20000;  // a note's time in the status bar
  static constexpr int kLinkStartTimerId = 2;
  static constexpr int kLinkStartMilliseconds = 300;

  Frame(FrameLink& link, const StartupEnvironment& environment, QWidget* parent = nullptr);
  ~Frame() override;

  // Routes a menu command: the frame's own handler first, then the active child.
  void Command(int id);
  // True when the frame handled the command itself.
  bool FrameCommand(int id);

  // Adds a child; geometry null means the default position.
  QMdiSubWindow* AddChild(ChildWindow* child, std::optional<QRect> geometry = std::nullopt);
  ChildWindow* ActiveChild() const;
  void Activate(ChildWindow* child);
  // 33, and the exit: every picture window is asked first; nothing closes
  // unless all of them agree. The Preview and Live windows then close only
  // once the exit has been confirmed. True when no picture window refused.
  bool CloseAllChildren();
  void CloseImageWindows();  // Close Image: all but the Preview and Live windows
  void CloseForReconnect();
  // Ctrl+F6 (step 1) and Ctrl+Shift+F6 (step -1): the next or previous window
  // in the order of the window list. Ctrl+F4: closes the active window as its
  // close box would.
  void ActivateNextWindow(int step);
  void CloseActiveWindow();
  // The open windows at the end of each "&Window" popup.
  WindowList& Windows() { return *windowList_; }
  // A disabled MDI client keeps its children from taking mouse and keyboard
  // input; they still activate and repaint when the program asks.
  void EnableMdiClient(bool enabled) { mdiEnabled_ = enabled; }
  bool MdiClientEnabled() const { return mdiEnabled_; }

  MenuKind CurrentMenu() const { return currentMenu_; }
  QAction* MenuItem(MenuKind kind, int id) const { return menus_->Item(kind, id); }
  const MenuSet& Menus() const { return *menus_; }
  QMdiArea* MdiClient() const { return mdi_; }
  QProgressBar* Progress() const { return progress_; }
  QString StatusText() const;
  PreviewWindow* Preview() const { return preview_.data(); }
  LiveWindow* Live() const { return live_.data(); }
  AppState& State() { return state_; }
  QtTimers& FrameTimers() { return timers_; }
  Help& HelpSystem() { return help_; }
  FrameLink& Link() { return link_; }
  void SetOpenHandler(std::function<void()> handler) { onOpen_ = std::move(handler); }
  // Files from outside the Open dialog: drops, the recent files, another
  // `lumarel` handing its files over. Each opens in a window of its own.
  using OpenFilesHandler = std::function<void(const std::vector<std::string>& paths)>;
  void SetOpenFilesHandler(OpenFilesHandler handler) { onOpenFiles_ = std::move(handler); }
  void OpenFiles(const std::vector<std::string>& paths);
  // The File menus' "Recent Files" popup (the last five files opened).
  QMenu* RecentFilesMenu() const { return recentMenu_; }
  // Shows the frame at its remembered place and size (maximised when it was),
  // fitted into the screen's available area.
  void ShowRemembered();
  // Raises the frame above other programs' windows.
  void BringToFront();
  // SIGTERM or SIGINT: the link stops and the settings are written (a failure
  // goes to standard error only), without questions. Buffers stay until the
  // frame is destroyed: a message box or dialog may still be open below.
  void ShutDownOnSignal();

  // Link dialogs, modal; their buttons act through the link.
  int OpenDisconnectDialog();
  int OpenReconnectDialog();

  // ChildHost
  bool ExitConfirmed() const override { return exitConfirmed_; }
  void OpenHelp(HelpTopic topic) override { help_.Open(topic); }
  void SetStatusText(const QString& text) override;
  void HideProgress() override;
  void SetMenuItemEnabled(MenuKind menu, int id, bool enabled) override;
  void SetCurrentMenuItemEnabled(int id, bool enabled) override;
  Notifier& Messages() override { return notifier_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void StartPaletteDisplay();
  void CreateChildren();
  void CreateBars();
  void CreateWindowKeys();
  void ShowMenu(MenuKind kind);
  void OnSubWindowActivated(QMdiSubWindow* window);
  // Asks every child that passes `include`; destroys those that agree.
  void CloseChildren(const std::function<bool(ChildWindow&)>& include);
  void CreateRecentFilesMenu();
  void FillRecentFilesMenu();
  void RememberGeometry();
  void ShutDown();
  // Writes the settings; when that failed, the message, already printed on standard error.
  std::optional<std::string> SaveSettings();

  FrameLink& link_;
  QtNotifier notifier_;
  QtTimers timers_;
  AppState state_;
  Help help_;
  std::unique_ptr<MenuSet> menus_;
  WindowList* windowList_ = nullptr;
  MenuKind currentMenu_ = MenuKind::Frame;
  QMdiArea* mdi_ = nullptr;
  QLabel* status_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QPointer<PreviewWindow> preview_;
  QPointer<LiveWindow> live_;
  std::function<void()> onOpen_;
  OpenFilesHandler onOpenFiles_;
  QMenu* recentMenu_ = nullptr;
  bool mdiEnabled_ = true;
  bool exitConfirmed_ = false;  // set once, never reset
  bool shutDown_ = false;
};

}  // namespace lumarel
