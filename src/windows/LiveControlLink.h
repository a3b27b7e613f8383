// SPDX-License-Identifier: MIT
// The Live window's LiveLink over the link's operations. Header-only, so that
// the windows library itself does not depend on the link library.
#pragma once

#include "link/CameraLink.h"
#include "link/LinkOperations.h"
#include "windows/LiveLink.h"

namespace lumarel {

class LiveControlLink final : public LiveLink {
 public:
  LiveControlLink(const LinkState& state, LinkOperations& operations)
      : state_(state), operations_(operations) {}

  void ButtonNotified(int id, bool selected, bool selectionChanged) override {
    if (id == kLiveButtonId) operations_.LiveButton(selected, selectionChanged);
    // The still arrives in the Live window through the link's repaint; the
    // link shows whatever went wrong on the way.
    if (id == kZoomButtonId) operations_.ZoomButton(selected, selectionChanged, nullptr);
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

 private:
  const LinkState& state_;
  LinkOperations& operations_;
};

}  // namespace lumarel
