// SPDX-License-Identifier: MIT
// The camera link with the simulated camera behind the Live window, seen
// through a narrow facade: this header names neither the link's types nor the
// picture types of the windows, so each side stays in its own translation unit.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/Notifier.h"
#include "windows/LiveLink.h"

class QWidget;

namespace lumarel::testing {

class LiveSimLink {
 public:
  // busyDuringLive: the camera answers the third frame of each live run with StatusBusy.
  LiveSimLink(bool busyDuringLive, const std::string& scratchDirectory, Notifier& notifier);
  ~LiveSimLink();

  LiveLink& Live();
  // The window the link's repaints go to.
  void SetLiveWindow(QWidget* window);
  // Starts the link and waits until the camera's picture list has arrived.
  bool Connect();
  void ClosePort();

  bool LiveActive() const;
  bool ZoomActive() const;
  int FramesShown() const;  // live frames that asked for their repaint
  bool MenuEnabled(int id) const;
  std::string Status() const;
  std::span<std::uint8_t> LiveFrame();
  std::span<std::uint8_t> LivePhoto();
  // The camera's log ("rx CmdLiveStop at 115200", ...).
  std::vector<std::string> Log() const;
  bool Logged(const std::string& line) const;

 private:
  struct Core;
  std::unique_ptr<Core> core_;
};

}  // namespace lumarel::testing
