// SPDX-License-Identifier: MIT
// The whole program (frame, Preview window, camera link) against the simulated
// camera on a pseudo-terminal, with scripted message boxes and dialogs and a
// record of every command the camera received.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "GuiTestSupport.h"
#include "PtyTransport.h"
#include "SimCamera.h"
#include "link/PictureList.h"
#include "shell/CameraFrameLink.h"
#include "shell/Frame.h"

namespace lumarel::testing {

class PreviewRig {
 public:
  explicit PreviewRig(int pictures, sim::CameraSettings settings = {});
  ~PreviewRig();

  // Builds the frame as the program does and waits for the picture list.
  bool StartAndLoad();
  bool WaitFor(const std::function<bool()>& done, int milliseconds = 60000);

  PreviewWindow& Preview() { return *frame->Preview(); }
  PreviewModel& Model() { return *frame->Preview()->Model(); }
  PictureList& List();
  bool MenuEnabled(int id) const;
  // Clicks the thumbnail of picture `index` (visible at scroll row 0).
  void ClickPicture(int index, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
  // Commands the camera received since the last Mark(), in order ("CmdReset", ...).
  std::vector<std::string> Received() const;
  void Mark();
  int Count(const std::string& command) const;
  std::vector<std::string> MessageTexts() const;

  ScriptedMessages messages;
  ScriptedDialogs dialogs;
  ScratchEnvironment scratch;
  std::unique_ptr<sim::SimCamera> camera;
  std::unique_ptr<sim::PtyTransport> transport;
  std::unique_ptr<CameraFrameLink> link;
  std::unique_ptr<Frame> frame;

 private:
  std::thread server_;
  mutable std::mutex mutex_;
  std::vector<std::string> received_;
  std::size_t mark_ = 0;
};

}  // namespace lumarel::testing
