// SPDX-License-Identifier: MIT
// The live frame (ResponseKind 2): 60 data packets without a header, one
// camera line each, decoded straight into LiveFrame; the frame's end asks the
// Live window to repaint, whose paint requests the next frame. A camera busy
// report makes the Live window take a zoom still instead.
#pragma once

#include <cstdint>

#include "imageproc/LiveDecode.h"
#include "link/CameraLink.h"
#include "link/TransferServices.h"

namespace lumarel {

// Faces (bitmap resource numbers) of the Live window's two buttons.
namespace face {
inline constexpr int kLiveOff = 107;
inline constexpr int kLiveOn = 108;
inline constexpr int kCapture = 109;
inline constexpr int kCapturePressed = 110;
inline constexpr int kCancel = 105;
inline constexpr int kCancelPressed = 106;
}  // namespace face

struct LiveFaces {
  int live = face::kLiveOff;
  int zoom = face::kCapture;
};

inline constexpr Rect kLiveFrameArea{15, 15, 175, 135};
inline constexpr Rect kLivePhotoArea{5, 155, 325, 395};

class LiveHandler final : public ResponseHandler {
 public:
  LiveHandler(CameraLink& link, const TransferServices& services);
  void Handle(const CameraPacket& packet) override;
  void Reset() override;
  // Whether a good packet has been counted since the last recovery (timer 3).
  bool CountedSinceRecovery() const { return counted_ != countedAtRecovery_; }
  // CmdLiveFrame has been written: a frame is on its way until its last
  // packet or a recovery.
  void FrameAsked() { frameExpected_ = true; }
  bool FrameExpected() const { return frameExpected_; }

 private:
  void Reject();

  CameraLink& link_;
  const TransferServices& services_;
  LiveDecoderState decoder_;
  std::uint64_t counted_ = 0;
  std::uint64_t countedAtRecovery_ = 0;
  bool frameExpected_ = false;
};

// Shared by both live handlers: the status packets they know.
// Returns false when the status is not one of them (a bad packet).
bool HandleLiveStatus(CameraLink& link, Timers* liveTimers, const CameraPacket& packet);

}  // namespace lumarel
