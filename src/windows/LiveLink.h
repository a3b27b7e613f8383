// SPDX-License-Identifier: MIT
// What the Live window asks of the camera link: the button logic behind its
// two owner-drawn buttons, the frame request of each paint, activation and
// stopping, and the few link facts the window reads. The camera link provides
// it (LiveControlLink); tests may script it.
#pragma once

#include <optional>

#include "platform/Clock.h"

namespace lumarel {

// Identifiers of the Live window's buttons.
inline constexpr int kZoomButtonId = 1;
inline constexpr int kLiveButtonId = 2;

class LiveLink {
 public:
  virtual ~LiveLink() = default;
  // An owner-draw notification of button `id` (press or release).
  virtual void ButtonNotified(int id, bool selected, bool selectionChanged) = 0;
  // The bitmap id button `id` shows now.
  virtual int Face(int id) const = 0;
  // The live frame has been painted: the next frame is asked for if live runs.
  virtual void FramePainted() = 0;
  // A frame has been asked for and has not fully arrived.
  virtual bool FrameInFlight() const = 0;
  virtual void Activated() = 0;
  // Deactivation or maximizing: both transfers stop. True when a zoom was stopped.
  virtual bool StopStream() = 0;
  virtual bool LiveRunning() const = 0;
  virtual bool ModelVariant() const = 0;  // the camera shows only 120 live columns
  virtual bool IndexLoaded() const = 0;
  // When the still now shown arrived (its Exif DateTimeOriginal); nothing
  // when no still has arrived or it is not known.
  virtual std::optional<LocalTime> StillTakenAt() const { return std::nullopt; }
};

}  // namespace lumarel
