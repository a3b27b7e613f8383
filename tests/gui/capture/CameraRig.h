// SPDX-License-Identifier: MIT
// The camera link with its transfers over the in-process simulated camera,
// on the Qt event loop (receive thread, QtDispatcher, QtTimers), for the
// picture windows' tests. Only forward declarations here: the link's and the
// simulator's headers stay in CameraRig.cpp.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace lumarel {
class CameraLink;
class LinkOperations;
class Clock;
}  // namespace lumarel

namespace lumarel::testing {

struct CameraRigSettings {
  int pictures = 2;
  bool writeProtected = false;
  int memoryFullAfter = -1;
};

class CameraRig {
 public:
  CameraRig(const std::string& scratchDir, CameraRigSettings settings);
  ~CameraRig();

  // Connects and reads the picture list; false after the timeout.
  bool Connect(int timeoutMs = 60000);
  // Runs the Qt event loop until done() holds or the timeout passes.
  static bool WaitFor(const std::function<bool()>& done, int timeoutMs);

  CameraLink* Link();
  LinkOperations* Operations();
  Clock& RigClock();

  // Picture list and link state.
  int ReceivedEntries() const;
  int PictureCount() const;
  std::string EntryLabel(int p) const;
  bool DownloadActive() const;
  bool UploadRunning();
  int CurrentPicture() const;
  int SelectedCount() const;
  int DownloadsPending() const;
  void SelectOnly(int p);
  // Several pictures selected, the last one clicked last.
  void Select(std::initializer_list<int> pictures);
  bool AutoSaveMode() const;
  // Commands the link sends to windows: window 1 Preview, 2 the active child.
  void SetCommandRoute(std::function<void(int window, int id)> route);
  // Packets of the current item received so far.
  int PicturePacketCounter() const;

  // The simulated card.
  std::size_t CameraPictures() const;
  std::vector<std::uint8_t> CameraPictureJpeg(std::size_t i) const;
  std::vector<std::uint8_t> WrittenBytes() const;

  // What the link did to windows and said.
  bool UiHas(const std::string& line) const;
  std::vector<std::string> Messages() const;

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

}  // namespace lumarel::testing
