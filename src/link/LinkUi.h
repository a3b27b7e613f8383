// SPDX-License-Identifier: MIT
// Everything the camera link does to windows and dialogs. The GUI implements it
// with widgets, lumarel-cli headlessly, tests with a recorder. Message boxes go
// through the separate Notifier. All calls come on the event-loop thread.
#pragma once

#include <optional>
#include <string>

namespace lumarel {

// Command identifiers of the menu items the link enables and grays.
namespace menu {
inline constexpr int kSaveAs = 40003;
inline constexpr int kDataIn = 40005;
inline constexpr int kFineMode = 40006;
inline constexpr int kNormalMode = 40009;
inline constexpr int kDeletePage = 40010;
inline constexpr int kDeleteAll = 40013;
inline constexpr int kLivePhotoZoom = 40014;
inline constexpr int kReload = 40019;
}  // namespace menu

// Whose menu an item belongs to: the frame's current menu or a window kind's menu.
enum class MenuOwner { Frame, Preview, Openfile };

// Windows the link addresses.
enum class LinkWindow {
  Frame,
  Preview,
  Live,
  ActiveChild,  // the active MDI child (the Capture window of a download)
};

enum class WaitDialogKind {
  DataTransfer,  // DATA_TRANS: downloads and uploads
  Erase,         // PERASE_PROC: deletes
};

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const Rect&) const = default;
};

class LinkUi {
 public:
  virtual ~LinkUi() = default;

  // Status bar part 0.
  virtual void SetStatusText(const std::string& text) = 0;

  // Progress bar.
  virtual void ShowProgress(bool visible) = 0;
  virtual void SetProgressRange(int maximum) = 0;  // 0 .. maximum
  virtual void SetProgressPosition(int position) = 0;

  // Enables (true) or grays (false) the item commandId of owner's menu.
  virtual void EnableMenuItem(MenuOwner owner, int commandId, bool enabled) = 0;
  // Enables or disables the MDI client (all child windows).
  virtual void EnableMdiClient(bool enabled) = 0;

  // Repaint request for a window: the whole client area, or one area of it.
  virtual void Repaint(LinkWindow window, std::optional<Rect> area) = 0;

  // Preview window scroll bar (rows of four thumbnails).
  virtual void SetPreviewScrollRange(int maximum) = 0;
  virtual void SetPreviewScrollPosition(int position) = 0;
  virtual void ScrollPreviewLines(int lines) = 0;  // scrolls the contents down by lines rows
  virtual void ResetPreviewScroll() = 0;          // range and position back to the top

  // Activation of child windows.
  virtual bool IsActive(LinkWindow window) = 0;
  virtual void Activate(LinkWindow window) = 0;
  // Closes every image window except the Preview and Live windows.
  virtual void CloseImageWindows() = 0;
  // Destroys the Capture window that a download was filling (the download was abandoned).
  virtual void DestroyDownloadWindow() = 0;

  // Sends a menu command id to a window, as if chosen from its menu.
  virtual void SendCommand(LinkWindow window, int commandId) = 0;

  // Wait dialogs (the link keeps their state; see WaitDialog.h).
  virtual void OpenWaitDialog(WaitDialogKind kind) = 0;
  virtual void SetWaitDialogText(const std::string& text) = 0;
  virtual void CloseWaitDialog() = 0;

  // Link dialogs. The dialog forwards its button ids to CameraLink, which
  // says whether it closes.
  virtual void OpenDisconnectDialog() = 0;  // COM_DISCONNECT, "The line is disconnected."
  virtual void OpenReconnectDialog() = 0;   // COM_RECONNECT, "Please check PC/VIDMARELLE Connection."
  // COM_CANCELOK (modal); true when it was left with OK.
  virtual bool AskCancelOk() = 0;
  // Opens the help file at a context number (1: disconnect, 2: reconnect).
  virtual void ShowHelp(int context) = 0;
};

}  // namespace lumarel
