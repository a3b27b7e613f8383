// SPDX-License-Identifier: MIT
// The Live window's LiveLink over the camera link's live transfer. Header-only,
// so that the windows library itself does not depend on the link library.
#pragma once

#include "link/CameraLink.h"
#include "link/LiveButtons.h"
#include "windows/LiveLink.h"

namespace lumarel {

class LiveControlLink final : public LiveLink {
 public:
  LiveControlLink(CameraLink& link, LiveControl& control) : link_(link), control_(control) {}

  void ButtonNotified(int id, bool selected, bool selectionChanged) override {
    if (id == kLiveButtonId) control_.LiveButtonNotified(selected, selectionChanged);
    if (id == kZoomButtonId) control_.ZoomButtonNotified(selected, selectionChanged);
  }
  int Face(int id) const override {
    return id == kLiveButtonId ? control_.Faces().live : control_.Faces().zoom;
  }
  void FramePainted() override { control_.Painted(); }
  bool FrameInFlight() const override { return control_.FrameOutstanding(); }
  void Activated() override { control_.Activated(); }
  bool StopStream() override { return control_.StopStream(); }
  bool LiveRunning() const override { return link_.State().liveActive || link_.State().zoomActive; }
  bool ModelVariant() const override { return link_.State().modelVariant; }
  bool IndexLoaded() const override { return link_.State().indexLoaded; }

 private:
  CameraLink& link_;
  LiveControl& control_;
};

}  // namespace lumarel
