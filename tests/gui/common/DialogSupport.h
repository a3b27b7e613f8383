// SPDX-License-Identifier: MIT
// Shared pieces of the dialog tests: a prepared process state inside a scratch
// directory, pictures made with ImageMagick, pixel access and screenshots.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QWidget>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "GuiTestSupport.h"
#include "PlatformFakes.h"
#include "imagefile/DibImage.h"
#include "shell/Startup.h"

namespace lumarel::testing {

// A start-up state whose settings, scratch files and buffers live in a fresh
// directory (ScratchEnvironment's).
struct PreparedState : ScratchEnvironment {
  PreparedState() {
    state.Prepare(env, notifier);
    notifier.shown.clear();
  }
  ~PreparedState() { state.DeleteTempFiles(); }
  std::string Path(const std::string& name) const { return dir / name; }
  RecordingNotifier notifier;
  AppState state;
};

// Runs ImageMagick's convert with `arguments`; true when it succeeded.
inline bool Convert(const std::string& arguments) {
  const std::string command = "convert " + arguments + " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

// Blue, green, red of pixel (x, y) counted from the top-left of a 24-bit DIB.
inline std::array<int, 3> PixelAt(std::span<const std::uint8_t> dib, int x, int y) {
  const int w = DibWidth(dib);
  const int h = DibHeight(dib);
  const std::uint8_t* p =
      DibPixels(dib) + DibStride(static_cast<std::size_t>(w), 24) * static_cast<std::size_t>(h - 1 - y) +
      3 * static_cast<std::size_t>(x);
  return {p[0], p[1], p[2]};
}

inline bool IsBlack(const std::array<int, 3>& bgr) { return bgr == std::array<int, 3>{0, 0, 0}; }

// Saves a picture of the widget beside the test binary for a look by eye.
inline void Screenshot(QWidget& widget, const char* name) {
  widget.grab().save(QString(LUMAREL_BINARY_DIR) + "/" + name);
}

}  // namespace lumarel::testing
