// SPDX-License-Identifier: MIT
#include "Scene.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace lumarel::sim {
namespace {

// Cheap integer hash, so that the texture noise needs no state.
unsigned Hash(unsigned x, unsigned y, unsigned salt) {
  unsigned h = x * 374761393u + y * 668265263u + salt * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return h ^ (h >> 16);
}

std::uint8_t Clamp(double value) {
  return static_cast<std::uint8_t>(std::clamp(value, 0.0, 255.0));
}

// 3 x 5 dot patterns of the digits, rows top to bottom, 3 bits per row.
constexpr unsigned char kDigitRows[10][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 1, 1}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7}};

void DrawLabel(RgbImage& image, int label) {
  const std::string text = std::to_string(label);
  const int dot = std::max(2, image.height / 40);
  for (std::size_t k = 0; k < text.size(); ++k) {
    const int digit = text[k] - '0';
    const int left = dot * 2 + static_cast<int>(k) * dot * 4;
    for (int row = 0; row < 5; ++row)
      for (int col = 0; col < 3; ++col) {
        if (!(kDigitRows[digit][row] & (4 >> col))) continue;
        for (int y = 0; y < dot; ++y)
          for (int x = 0; x < dot; ++x) {
            const int px = left + col * dot + x;
            const int py = dot * 2 + row * dot + y;
            if (px < image.width && py < image.height) {
              std::uint8_t* p = image.Pixel(px, py);
              p[0] = 255, p[1] = 240, p[2] = 40;
            }
          }
      }
  }
}

struct Palette {
  double skyTop[3], skyLow[3], hill[3], meadow[3], wall[3];
};

Palette PaletteFor(unsigned variant) {
  const double warm = (variant % 5) / 4.0;  // 0: clear noon .. 1: evening
  return {{40 + 80 * warm, 90 + 10 * warm, 200 - 90 * warm},
          {170 + 70 * warm, 200 - 40 * warm, 240 - 100 * warm},
          {70 + 30 * warm, 100 - 20 * warm, 120 - 40 * warm},
          {60 + 50 * warm, 150 - 30 * warm, 50},
          {200, 70 + 20.0 * (variant % 3), 50}};
}

void ShadePixel(std::uint8_t* p, double fx, double fy, const Palette& c, unsigned variant,
                unsigned frame, double sunX, double sunY, unsigned noise) {
  const double horizon = 0.55 + 0.05 * std::sin(variant * 1.7);
  const double hillTop = horizon - 0.12 - 0.08 * std::sin(fx * 9.0 + variant) -
                         0.04 * std::sin(fx * 23.0 + variant * 3.0);
  const double grain = (noise % 17) - 8.0;
  double rgb[3];
  if (fy < hillTop) {
    const double t = fy / std::max(hillTop, 0.01);
    for (int i = 0; i < 3; ++i) rgb[i] = c.skyTop[i] * (1 - t) + c.skyLow[i] * t;
    const double cloud = std::sin((fx + frame * 0.01) * 14.0 + variant) * std::sin(fy * 30.0);
    if (cloud > 0.6) for (double& v : rgb) v += (cloud - 0.6) * 300;
    const double d = std::hypot((fx - sunX) * 1.33, fy - sunY);
    if (d < 0.06) rgb[0] = 255, rgb[1] = 235, rgb[2] = 150;
    else if (d < 0.12) for (double& v : rgb) v += (0.12 - d) * 600;
  } else if (fy < horizon) {
    const double shade = 0.8 + 0.2 * std::sin(fx * 40.0 + fy * 30.0);
    for (int i = 0; i < 3; ++i) rgb[i] = c.hill[i] * shade + grain;
  } else {
    const double depth = (fy - horizon) / (1.0 - horizon);
    for (int i = 0; i < 3; ++i) rgb[i] = c.meadow[i] * (0.7 + 0.5 * depth) + grain * 2;
  }
  const double houseX = 0.55 + 0.2 * std::sin(variant * 2.3);
  if (fx > houseX && fx < houseX + 0.18 && fy > horizon - 0.1 && fy < horizon + 0.1) {
    const bool window = std::fmod((fx - houseX) * 50.0, 3.0) < 1.0 && fy < horizon + 0.03;
    for (int i = 0; i < 3; ++i) rgb[i] = window ? 230.0 - 60 * (i == 2) : c.wall[i];
  } else if (fx > houseX - 0.02 && fx < houseX + 0.2 && fy <= horizon - 0.1 &&
             fy > horizon - 0.1 - 0.1 * (1 - std::abs(fx - houseX - 0.09) / 0.11)) {
    rgb[0] = 120, rgb[1] = 40, rgb[2] = 30;
  }
  for (int i = 0; i < 3; ++i) p[i] = Clamp(rgb[i]);
}

}  // namespace

RgbImage RenderScene(int width, int height, unsigned variant, unsigned frame, int label) {
  RgbImage image(width, height);
  const Palette colours = PaletteFor(variant);
  const double sunX = 0.15 + 0.7 * ((variant * 37 + frame) % 100) / 100.0;
  const double sunY = 0.12 + 0.1 * std::sin(variant * 0.9);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const double fx = (x + 0.5) / width;
      const double fy = (y + 0.5) / height;
      const unsigned noise = Hash(x * 640 / width, y * 480 / height, variant);
      ShadePixel(image.Pixel(x, y), fx, fy, colours, variant, frame, sunX, sunY, noise);
    }
  if (label >= 0) DrawLabel(image, label);
  return image;
}

}  // namespace lumarel::sim
