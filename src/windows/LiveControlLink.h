// SPDX-License-Identifier: MIT
// The Live window's LiveLink over the link's operations. Header-only, so that
// the windows library itself does not depend on the link library.
#pragma once

#include <memory>
#include <optional>

#include "link/CameraLink.h"
#include "link/LinkOperations.h"
#include "windows/LiveLink.h"

namespace lumarel {

class LiveControlLink final : public LiveLink {
 public:
  LiveControlLink(const LinkState& state, LinkOperations& operations, Clock& clock = SystemClock())
      : state_(state), operations_(operations), clock_(clock) {}

  void ButtonNotified(int id, bool selected, bool selectionChanged) override {
    if (id == kLiveButtonId) operations_.LiveButton(selected, selectionChanged);
    // The still arrives in the Live window through the link's repaint; the
    // link shows whatever went wrong on the way. Its arrival is its date.
    if (id == kZoomButtonId) {
      operations_.ZoomButton(selected, selectionChanged,
                             [taken = stillTakenAt_, &clock = clock_](const LinkOutcome& o) {
                               *taken = o.Ok() ? std::optional<LocalTime>(clock.Now())
                                               : std::nullopt;
                             });
    }
  }
  int Face(int id) const override {
    const LiveFaces& faces = operations_.LiveButtonFaces();
    return id == kLiveButtonId ? faces.live : faces.zoom;
  }
  void FramePainted() override { operations_.LivePainted(); }
  bool FrameInFlight() const override { return operations_.LiveFrameOutstanding(); }
  void Activated() override { operations_.LiveActivated(); }
  bool StopStream() override { return operations_.StopLive(); }
  bool LiveRunning() const override { return state_.liveActive || state_.zoomActive; }
  bool ModelVariant() const override { return state_.modelVariant; }
  bool IndexLoaded() const override { return state_.indexLoaded; }
  std::optional<LocalTime> StillTakenAt() const override { return *stillTakenAt_; }

 private:
  const LinkState& state_;
  LinkOperations& operations_;
  Clock& clock_;
  // Shared with the operation's callback, which may outlive a press.
  std::shared_ptr<std::optional<LocalTime>> stillTakenAt_ =
      std::make_shared<std::optional<LocalTime>>();
};

}  // namespace lumarel
