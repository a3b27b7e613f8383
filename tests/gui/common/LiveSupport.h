// SPDX-License-Identifier: MIT
// Shared pieces of the Live window tests: a frame stand-in (ChildHost), a
// scripted camera link behind the window, and picture helpers.
#pragma once

#include <QColor>
#include <QImage>
#include <map>
#include <string>
#include <vector>

#include "PlatformFakes.h"
#include "imagefile/DibImage.h"
#include "windows/ChildWindow.h"
#include "windows/LiveLink.h"

namespace lumarel::testing {

class TestHost final : public ChildHost {
 public:
  bool ExitConfirmed() const override { return exitConfirmed; }
  void OpenHelp(HelpTopic) override { ++helpOpened; }
  void SetStatusText(const QString& text) override { status = text.toStdString(); }
  void HideProgress() override {}
  void SetMenuItemEnabled(MenuKind, int id, bool enabled) override { menu[id] = enabled; }
  void SetCurrentMenuItemEnabled(int id, bool enabled) override { menu[id] = enabled; }
  Notifier& Messages() override { return notifier; }

  bool exitConfirmed = false;
  int helpOpened = 0;
  std::string status;
  std::map<int, bool> menu;
  RecordingNotifier notifier;
};

class ScriptedLiveLink final : public LiveLink {
 public:
  struct Notification {
    int id;
    bool selected;
    bool operator==(const Notification&) const = default;
  };
  void ButtonNotified(int id, bool selected, bool changed) override {
    if (changed) notifications.push_back({id, selected});
  }
  int Face(int id) const override { return id == kLiveButtonId ? liveFace : zoomFace; }
  void FramePainted() override { ++framesAsked; }
  bool FrameInFlight() const override { return inFlight; }
  void Activated() override { ++activations; }
  bool StopStream() override {
    ++stops;
    return zoomRunning;
  }
  bool LiveRunning() const override { return false; }
  bool ModelVariant() const override { return variant; }
  bool IndexLoaded() const override { return indexLoaded; }

  std::vector<Notification> notifications;
  int liveFace = 107, zoomFace = 109;
  int framesAsked = 0, activations = 0, stops = 0;
  bool inFlight = false, zoomRunning = false, variant = false, indexLoaded = true;
};

// A width x height 24-bit DIB in a block of `blockSize` bytes whose pixel at
// (x, y from the top) is colour(x, y).
template <typename Colour>
std::vector<std::uint8_t> MakeDib(int width, int height, std::size_t blockSize, Colour colour) {
  std::vector<std::uint8_t> dib(blockSize, 0);
  WriteDibHeader(dib, width, height, 24);
  const std::size_t stride = DibStride(static_cast<std::size_t>(width), 24);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = dib.data() + kDibInfoHeaderSize + stride * std::size_t(height - 1 - y);
    for (int x = 0; x < width; ++x) {
      const QColor c = colour(x, y);
      row[3 * x] = std::uint8_t(c.blue());
      row[3 * x + 1] = std::uint8_t(c.green());
      row[3 * x + 2] = std::uint8_t(c.red());
    }
  }
  return dib;
}

}  // namespace lumarel::testing
