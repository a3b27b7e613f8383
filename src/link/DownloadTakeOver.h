// SPDX-License-Identifier: MIT
// The end of a picture download: the collected JPEG bytes are decoded through
// the two scratch files into the Capture window's picture, post-processed as
// the picture's quality byte asks, given a display palette on 8-bit screens,
// and handed to the window (repaint, Save As, automatic save or the next
// picture of a multi-picture download).
#pragma once

#include <cstdint>
#include <span>

#include "link/CameraLink.h"
#include "link/TransferServices.h"

namespace lumarel {

class DownloadTakeOver {
 public:
  DownloadTakeOver(CameraLink& link, const TransferServices& services);

  // The Capture window being filled; nullptr when none.
  void SetTarget(DownloadTarget* target) { target_ = target; }
  DownloadTarget* Target() const { return target_; }

  // All packets of the picture arrived: `jpegSize` bytes of the picture buffer
  // are its JPEG data. Returns true when the picture reached the window.
  bool Run(std::uint32_t jpegSize);

  // A download that cannot go on: the message, then the wait dialog closes and
  // a multi-picture download stops; a running download operation ends as bad
  // data when there is a message.
  void Abandon(const char* message);

 private:
  // Decodes into the target's picture; the message shown when the result is
  // not a bitmap of the listed size or does not fit the block, else nullptr.
  const char* Decode(std::uint32_t jpegSize, const PictureEntry& entry, std::span<std::uint8_t> picture);
  void EmptyPictureBuffer(std::uint32_t bytes);

  CameraLink& link_;
  const TransferServices& services_;
  DownloadTarget* target_ = nullptr;
};

}  // namespace lumarel
