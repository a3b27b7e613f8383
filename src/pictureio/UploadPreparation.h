// SPDX-License-Identifier: MIT
// What "Data out to camera" prepares before the link sends anything: the
// picture as an Exif JPEG (640 x 480 for Fine, the 2 x 2 box-averaged 320 x 240
// for Normal, quality 70 with the Exif recode quality chosen by size), the
// 160 x 120 thumbnail bitmap for the list, and that thumbnail as a quality-10
// JPEG for the camera's own index. Any failure stops the upload before a
// command is sent.
//
// UI-free; shared by every front end.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/Notifier.h"

namespace lumarel {

struct PreparedUpload {
  bool ok = false;
  std::vector<std::uint8_t> picture;    // Exif JPEG file bytes
  std::vector<std::uint8_t> preview;    // thumbnail JPEG file bytes
  std::vector<std::uint8_t> thumbnail;  // 59392-byte slot: 160 x 120 24-bit DIB
};

// The Exif recode quality for an encoding of `size` bytes.
int UploadRecodeQuality(bool fine, std::uint64_t size);

// canvas: the 640 x 480 24-bit picture. tempPathA and tempPathB are scratch files.
PreparedUpload PrepareUpload(std::span<const std::uint8_t> canvas, bool fine,
                             const std::string& tempPathA, const std::string& tempPathB,
                             Notifier& notifier, Clock& clock);

}  // namespace lumarel
