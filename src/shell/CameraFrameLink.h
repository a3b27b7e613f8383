// SPDX-License-Identifier: MIT
// The camera link behind the frame: a CameraLink over the POSIX serial ports
// named in the settings file's "Ports" section, with the frame's timers, the
// link's view of the windows (GuiLinkUi) and the Preview window's picture list.

#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/Notifier.h"
#include "shell/FrameLink.h"

namespace lumarel {

class CameraLink;
class LinkOperations;
class LiveLink;
class PreviewLinkCommands;
class PreviewModel;
struct CameraFrameLinkCore;
struct FileDialogRecord;
struct PictureWindowContext;

// What the link needs from the frame, as plain values.
struct LinkWiring {
  Frame& frame;
  Notifier& notifier;
  Timers& frameTimers;
  std::string settingsPath;  // its "Ports" section maps COM1..COM4 to devices
  std::string tempPathA;
  std::string tempPathB;
  // The transfers' share of the start-up buffers and palette state.
  bool paletteDisplay = false;
  std::span<std::uint8_t> currentPalette;
  std::span<std::uint8_t> liveFrame;
  std::span<std::uint8_t> livePhoto;
};

class CameraFrameLink final : public FrameLink {
 public:
  CameraFrameLink();
  ~CameraFrameLink() override;
  // Gives the Preview window the picture list; call once the frame exists.
  void AttachPreview();
  // Opens each picture file in its own Openfile window, read as what its
  // content is (JPEG or BMP, whatever its name); a file that is refused shows
  // its message and the next one follows.
  void OpenFiles(const std::vector<std::string>& paths);
  // Called once the first picture list has been read (the link's start
  // operation ended well).
  void OnFirstListLoaded(std::function<void()> loaded) { firstListLoaded_ = std::move(loaded); }
  // The one link and its one set of transfers (download, upload, delete, live
  // and zoom) for every window; null before Start.
  CameraLink* Link();
  LinkOperations* Operations();
  // The live transfer as the Live window sees it; null before Start.
  LiveLink* LiveSide();

  void Start(const LinkStartContext& context) override;
  void OnFrameTimer(int id) override;
  PortView Port() const override;
  void EraseAll() override;
  bool LiveRunning() const override;
  void Reconnect() override;
  void RetryConnect() override;
  void OnReconnectDialogOpened() override {}
  void SendReset() override;
  // The link stops its receive thread only together with its port: the thread
  // ends first, then the port is closed.
  bool StopReceiveThread() override;
  void ClosePort() override;
  void ReleasePreviewStore() override;

 private:
  void StartCore(const LinkWiring& wiring);
  PreviewModel* Model();
  PreviewLinkCommands* PreviewCommands();
  // Open creates Openfile windows; the Preview window's Data in and Save As
  // create Capture windows.
  void AttachPictureWindows();

  Frame* frame_ = nullptr;
  std::unique_ptr<CameraFrameLinkCore> core_;
  std::shared_ptr<FileDialogRecord> fileDialog_;     // shared by Open and every Save As
  std::shared_ptr<PictureWindowContext> pictures_;  // what the picture windows use
  std::function<void()> firstListLoaded_;
};

}  // namespace lumarel
