// SPDX-License-Identifier: MIT
// The 116-byte packets of an upload: the picture header (quality, size, local
// date and time), the preview header (quality, size) and the data packets
// (sequence byte, its two's complement, 112 data bytes).
#pragma once

#include <cstdint>
#include <span>

#include "link/Protocol.h"
#include "platform/Clock.h"

namespace lumarel {

CameraPacket UploadPictureHeader(bool fine, std::uint32_t size, const LocalTime& time);
CameraPacket UploadPreviewHeader(bool fine, std::uint32_t size);
// Data packet k (k >= 1): data bytes (k - 1) x 112 onwards; bytes past the end
// of `data` are sent as 0.
CameraPacket UploadDataPacket(std::span<const std::uint8_t> data, std::uint32_t k);

}  // namespace lumarel
