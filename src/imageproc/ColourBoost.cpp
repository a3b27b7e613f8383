// SPDX-License-Identifier: MIT
#include "imageproc/ColourBoost.h"

#include "imageproc/ColourReduction.h"

namespace lumarel {
namespace {

// Y, V, U of one pixel, boosted.
void Boost(const std::uint8_t* bgr, std::int16_t* yvu) {
  const int b = bgr[0], g = bgr[1], r = bgr[2];
  const int y = (30 * r + 59 * g + 11 * b) / 100;
  const int v = (100 * (r - y) + 3 * (b - y)) / 100;
  const int u = (100 * (b - y) - 3 * (r - y)) / 100;
  yvu[0] = static_cast<std::int16_t>(13 * y / 10);
  yvu[1] = static_cast<std::int16_t>(12 * v / 10);
  yvu[2] = static_cast<std::int16_t>(12 * u / 10);
}

// Back to blue, green, red. The components are 16-bit values; the sums are
// formed at int width (100 x Y' exceeds 16 bits for bright pixels).
void Restore(const std::int16_t* yvu, std::uint8_t* bgr) {
  const int y = yvu[0], v = yvu[1], u = yvu[2];
  bgr[0] = ClampToByte(static_cast<std::int16_t>(y + u));
  bgr[1] = ClampToByte(static_cast<std::int16_t>((100 * y - 51 * v - 19 * u) / 100));
  bgr[2] = ClampToByte(static_cast<std::int16_t>(y + v));
}

std::uint16_t AbsDifference16(int a, int b) {
  const auto d = static_cast<std::int16_t>(a - b);
  return static_cast<std::uint16_t>(d < 0 ? -d : d);
}

// Threshold from the mean positive diagonal Laplacian on every other pixel
// of every other row; 0 when the picture is too small for one term.
unsigned EdgeThreshold(const std::int16_t* plane, int width, int height, int step) {
  auto at = [&](int x, int y) { return plane[(static_cast<std::size_t>(y) * width + x) * step]; };
  std::uint32_t sum = 0;
  std::uint32_t terms = 0;
  for (int i = 1; i <= (height - 1) / 2 - 1; ++i) {
    for (int j = 1; j <= (width - 1) / 2 - 1; ++j) {
      const auto e = static_cast<std::int16_t>(
          4 * at(2 * j, 2 * i) - at(2 * j + 2, 2 * i - 2) - at(2 * j + 2, 2 * i + 2) -
          at(2 * j - 2, 2 * i - 2) - at(2 * j - 2, 2 * i + 2));
      if (e > 0) sum += static_cast<std::uint32_t>(e);
      ++terms;
    }
  }
  if (terms == 0) return 0;
  return (sum / terms + 5) * 6;
}

}  // namespace

PostProcessing PostProcessingFor(std::uint8_t quality) {
  const int level = quality >> 4;
  if (level == 0) return PostProcessing::None;
  return level < 5 ? PostProcessing::Boost : PostProcessing::BoostAndSmooth;
}

void SmoothLuminance(std::int16_t* plane, int width, int height, int step) {
  const unsigned threshold = EdgeThreshold(plane, width, height, step);
  if (threshold == 0) return;
  const std::size_t row = static_cast<std::size_t>(width) * step;
  for (int y = 1; y < height - 1; ++y) {
    for (int x = 1; x < width - 1; ++x) {
      std::int16_t* p = plane + y * row + static_cast<std::size_t>(x) * step;
      const int up = p[-static_cast<std::ptrdiff_t>(row)], down = p[row];
      const int left = p[-step], right = p[step];
      const int upLeft = p[-static_cast<std::ptrdiff_t>(row) - step];
      const int upRight = p[-static_cast<std::ptrdiff_t>(row) + step];
      const int downLeft = p[row - step], downRight = p[row + step];
      const auto activity = static_cast<std::uint16_t>(
          AbsDifference16(up, down) + AbsDifference16(left, right) +
          AbsDifference16(upLeft, downRight) + AbsDifference16(upRight, downLeft));
      const auto sum = static_cast<std::uint16_t>(*p + up + down + right + left);
      const int average = sum / 5;
      int g = static_cast<int>(100u * activity / threshold) - 50;
      g = g < 0 ? 0 : (g > 100 ? 100 : g);
      *p = static_cast<std::int16_t>(((100 - g) * average + g * *p) / 100);
    }
  }
}

bool ApplyQualityPostProcessing(std::span<std::uint8_t> picture, std::uint8_t quality,
                                Notifier& notifier) {
  const PostProcessing mode = PostProcessingFor(quality);
  if (mode == PostProcessing::None) return true;
  const auto rows = Rows24Of(picture);
  if (!rows) return false;
  const std::size_t pixels = static_cast<std::size_t>(rows->width) * rows->height;
  MemoryBlock buffer = AllocateBlock(pixels * 3 * sizeof(std::int16_t));
  if (!buffer) {
    ShowNotEnoughMemory(notifier);
    return false;
  }
  // Zero-filled bytes from new[] hold the implicitly created 16-bit values.
  auto* components = reinterpret_cast<std::int16_t*>(buffer.data());
  std::int16_t* c = components;
  for (int y = 0; y < rows->height; ++y) {
    const std::uint8_t* p = rows->Row(y);
    for (int x = 0; x < rows->width; ++x, p += 3, c += 3) Boost(p, c);
  }
  if (mode == PostProcessing::BoostAndSmooth) {
    SmoothLuminance(components, rows->width, rows->height, 3);
  }
  c = components;
  for (int y = 0; y < rows->height; ++y) {
    std::uint8_t* p = rows->Row(y);
    for (int x = 0; x < rows->width; ++x, p += 3, c += 3) Restore(c, p);
  }
  return true;
}

}  // namespace lumarel
