// SPDX-License-Identifier: MIT
#include "link/UploadPackets.h"

#include <algorithm>

namespace lumarel {

namespace {
CameraPacket Header(bool fine, std::uint32_t size) {
  CameraPacket p{};
  p[0] = kDataMarker;
  p[3] = fine ? 1 : 0;
  WriteBigEndian32(&p[4], size);
  return p;
}
}  // namespace

CameraPacket UploadPictureHeader(bool fine, std::uint32_t size, const LocalTime& t) {
  CameraPacket p = Header(fine, size);
  p[22] = static_cast<std::uint8_t>(t.year - 1900);
  p[23] = static_cast<std::uint8_t>(t.month);
  p[24] = static_cast<std::uint8_t>(t.day);
  p[25] = static_cast<std::uint8_t>(t.hour);
  p[26] = static_cast<std::uint8_t>(t.minute);
  return p;
}

CameraPacket UploadPreviewHeader(bool fine, std::uint32_t size) { return Header(fine, size); }

CameraPacket UploadDataPacket(std::span<const std::uint8_t> data, std::uint32_t k) {
  const std::size_t start = std::size_t(k - 1) * kPayloadSize;
  const std::size_t available = start < data.size() ? data.size() - start : 0;
  return EncodeDataPacket(static_cast<std::uint16_t>(k), data.data() + std::min(start, data.size()),
                          std::min(available, kPayloadSize));
}

}  // namespace lumarel
