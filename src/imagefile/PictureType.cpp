// SPDX-License-Identifier: MIT
#include "imagefile/PictureType.h"

namespace lumarel {

PictureType SniffPictureType(std::span<const std::uint8_t> firstBytes) {
  if (firstBytes.size() >= 3 && firstBytes[0] == 0xFF && firstBytes[1] == 0xD8 &&
      firstBytes[2] == 0xFF) {
    return PictureType::Jpeg;
  }
  if (firstBytes.size() >= 3 && firstBytes[0] == 'B' && firstBytes[1] == 'M') {
    return PictureType::Bmp;
  }
  return PictureType::Unknown;
}

}  // namespace lumarel
