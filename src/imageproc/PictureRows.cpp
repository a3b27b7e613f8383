// SPDX-License-Identifier: MIT
#include "imageproc/PictureRows.h"

namespace lumarel {
namespace {

template <typename Byte>
std::optional<BasicRows<Byte>> RowsOf(std::span<Byte> dib) {
  std::span<const std::uint8_t> header(dib.data(), dib.size());
  if (dib.size() < kDibInfoHeaderSize || DibBitCount(header) != 24) return std::nullopt;
  const std::int32_t width = DibWidth(header);
  const std::int32_t height = DibHeight(header);
  const std::size_t content = DibContentSize(header);
  if (width <= 0 || height <= 0 || content == 0 || content > dib.size()) return std::nullopt;
  BasicRows<Byte> rows;
  rows.first = dib.data() + DibPixelOffset(header);
  rows.width = width;
  rows.height = height;
  rows.stride = DibStride(static_cast<std::size_t>(width), 24);
  return rows;
}

}  // namespace

std::optional<Rows24> Rows24Of(std::span<std::uint8_t> dib) { return RowsOf(dib); }
std::optional<ConstRows24> Rows24Of(std::span<const std::uint8_t> dib) { return RowsOf(dib); }

std::optional<Rows24> RawRows24(std::span<std::uint8_t> block, std::size_t pixelOffset,
                                int width, int height) {
  if (width <= 0 || height <= 0) return std::nullopt;
  const std::size_t stride = DibStride(static_cast<std::size_t>(width), 24);
  if (pixelOffset > block.size() ||
      stride * static_cast<std::size_t>(height) > block.size() - pixelOffset) {
    return std::nullopt;
  }
  return Rows24{block.data() + pixelOffset, width, height, stride};
}

}  // namespace lumarel
