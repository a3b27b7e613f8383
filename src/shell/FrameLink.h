// SPDX-License-Identifier: MIT
// What the frame asks of the camera link: its timers, the port shown in COM
// SETUP, the flash erase, the reconnect buttons of the link dialogs and the
// steps of the shut-down. The link library provides the real implementation;
// NullFrameLink stands in where no camera link is wired (and in tests).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Timers.h"

namespace lumarel {

class AppState;
class Frame;

// What the link is handed when the frame starts it: the frame (still being
// built: its children do not exist yet), its timers and the paths and buffers
// prepared at start-up (scratch files, shared buffers).
struct LinkStartContext {
  Frame& frame;
  Timers& frameTimers;
  AppState& state;
};

struct PortView {
  int portId = 1001;          // 1001, 1002, 1042, 1043 for COM1..COM4
  std::uint32_t speed = 9600;  // line speed shown to the user, bit/s
  bool identifying = true;    // LinkPhase 1: no port and no speed are shown
  // Why ports did not open ("COM1 (/dev/ttyS0): permission denied ...") and
  // advice on slow USB-serial adapters; one line each.
  std::vector<std::string> problems;
};

class FrameLink {
 public:
  virtual ~FrameLink() = default;
  // Initial link state at start-up; the frame then starts its timer 2 (300 ms).
  virtual void Start(const LinkStartContext& context) = 0;
  // A frame timer expired (ids 1..4 drive the set-up and the reconnect).
  virtual void OnFrameTimer(int id) = 0;
  virtual PortView Port() const = 0;
  virtual void EraseAll() = 0;           // Flash All Erase: asks, refuses a write-protected card
  virtual bool LiveRunning() const = 0;  // a live picture is streaming
  virtual void Reconnect() = 0;          // Reconnect in COM_DISCONNECT
  virtual void RetryConnect() = 0;       // Retry in COM_RECONNECT
  virtual void OnReconnectDialogOpened() = 0;  // restores the saved speed while reconnecting
  // Shut-down steps, in the order the frame calls them: the link stops before
  // any buffer it writes into is released.
  virtual void SendReset() = 0;             // CmdReset
  virtual bool StopReceiveThread() = 0;     // false when the thread could not be ended
  virtual void ClosePort() = 0;             // port, events and the link's timers
  virtual void ReleasePreviewStore() = 0;   // the picture list's previews
};

class NullFrameLink final : public FrameLink {
 public:
  void Start(const LinkStartContext&) override {}
  void OnFrameTimer(int) override {}
  PortView Port() const override { return {}; }
  void EraseAll() override {}
  bool LiveRunning() const override { return false; }
  void Reconnect() override {}
  void RetryConnect() override {}
  void OnReconnectDialogOpened() override {}
  void SendReset() override {}
  bool StopReceiveThread() override { return true; }
  void ClosePort() override {}
  void ReleasePreviewStore() override {}
};

}  // namespace lumarel
