// SPDX-License-Identifier: MIT
#include "imageproc/Resample.h"

#include <cstring>

#include "imagefile/DibImage.h"
#include "imageproc/PictureRows.h"

namespace lumarel {
namespace {

// Writes the header of a width x height 24-bit picture into `out` and gives
// its rows, when they fit.
std::optional<Rows24> Output(std::span<std::uint8_t> out, int width, int height) {
  if (width <= 0 || height <= 0) return std::nullopt;
  auto rows = RawRows24(out, kDibInfoHeaderSize, width, height);
  if (rows) WriteDibHeader(out, width, height, 24);
  return rows;
}

template <typename RowStretch>
bool StretchPhoto(std::span<const std::uint8_t> photo, std::span<std::uint8_t> out,
                  RowStretch stretch) {
  const auto in = Rows24Of(photo);
  if (!in || in->width != kPhotoWidth || in->height != kPhotoHeight) return false;
  const std::size_t pixelOffset = static_cast<std::size_t>(in->first - photo.data());
  auto rows = RawRows24(out, pixelOffset, kPhotoWidth, kPhotoHeight);
  if (!rows) return false;
  std::memcpy(out.data(), photo.data(), pixelOffset);
  for (int y = 0; y < kPhotoHeight; ++y) stretch(in->Row(y), rows->Row(y));
  return true;
}

}  // namespace

bool MakeHalfSizePicture(std::span<const std::uint8_t> picture, std::span<std::uint8_t> out) {
  const auto in = Rows24Of(picture);
  if (!in) return false;
  const auto rows = Output(out, in->width / 2, in->height / 2);
  if (!rows) return false;
  for (int y = 0; y < rows->height; ++y) {
    const std::uint8_t* a = in->Row(2 * y);
    const std::uint8_t* b = in->Row(2 * y + 1);
    std::uint8_t* o = rows->Row(y);
    for (int k = 0; k < 3 * rows->width; ++k) {
      const int x = 6 * (k / 3) + k % 3;  // byte of pixel 2x, same component
      o[k] = static_cast<std::uint8_t>((a[x] + a[x + 3] + b[x] + b[x + 3]) / 4);
    }
  }
  return true;
}

bool MakeQuarterThumbnail(std::span<const std::uint8_t> picture, std::span<std::uint8_t> out) {
  const auto in = Rows24Of(picture);
  if (!in) return false;
  const auto rows = Output(out, in->width / 4, in->height / 4);
  if (!rows) return false;
  for (int y = 0; y < rows->height; ++y) {
    const std::uint8_t* r0 = in->Row(4 * y);
    const std::uint8_t* r2 = in->Row(4 * y + 2);
    std::uint8_t* o = rows->Row(y);
    for (int k = 0; k < 3 * rows->width; ++k) {
      const int x = 12 * (k / 3) + k % 3;
      const int a = (r0[x] + r0[x + 3] + r0[x + 6] + r0[x + 9]) / 4;
      const int b = (r2[x] + r2[x + 3] + r2[x + 6] + r2[x + 9]) / 4;
      o[k] = static_cast<std::uint8_t>((a + b) / 2);
    }
  }
  return true;
}

void InterpolateRow(const std::uint8_t* source, std::uint8_t* out) {
  int i = 3;
  int f = 0;
  for (int x = 0; x < kPhotoWidth; ++x) {
    f += 202;
    if (f > 256) {
      f -= 256;
      ++i;
    }
    const std::uint8_t* s = source + 3 * i;
    for (int k = 0; k < 3; ++k) {
      out[3 * x + k] = static_cast<std::uint8_t>((s[k] * (256 - f) + s[3 + k] * f) / 256);
    }
  }
}

void GroupStretchRow(const std::uint8_t* source, std::uint8_t* out) {
  for (int group = 0; group < 128; ++group) {
    const std::uint8_t* p = source + 12 * group;  // p0..p3, then p4 of the next group
    std::uint8_t* o = out + 15 * group;
    for (int k = 0; k < 3; ++k) {
      const int p0 = p[k], p1 = p[3 + k], p2 = p[6 + k], p3 = p[9 + k], p4 = p[12 + k];
      o[k] = static_cast<std::uint8_t>(p0);
      o[3 + k] = static_cast<std::uint8_t>((p0 + 4 * p1) / 5);
      o[6 + k] = static_cast<std::uint8_t>((2 * p1 + 3 * p2) / 5);
      o[9 + k] = static_cast<std::uint8_t>((3 * p2 + 2 * p3) / 5);
      o[12 + k] = static_cast<std::uint8_t>((4 * p3 + p4) / 5);
    }
  }
}

bool InterpolatePhoto(std::span<const std::uint8_t> photo, std::span<std::uint8_t> out) {
  return StretchPhoto(photo, out, InterpolateRow);
}

bool GroupStretchPhoto(std::span<const std::uint8_t> photo, std::span<std::uint8_t> out) {
  return StretchPhoto(photo, out, GroupStretchRow);
}

}  // namespace lumarel
