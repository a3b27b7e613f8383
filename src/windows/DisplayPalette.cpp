// SPDX-License-Identifier: MIT
#include "windows/DisplayPalette.h"

#include <QHash>
#include <limits>

namespace lumarel {

void DisplayPalette::Remake(std::span<const std::uint8_t> logicalPalette) {
  colours_.clear();
  ++remakes_;
  if (logicalPalette.size() < 4) return;
  const std::size_t count = logicalPalette[2] | (logicalPalette[3] << 8);
  const std::size_t fits = (logicalPalette.size() - 4) / 4;
  for (std::size_t i = 0; i < count && i < fits && i < 256; ++i) {
    const std::uint8_t* e = logicalPalette.data() + 4 + 4 * i;
    colours_.push_back(qRgb(e[0], e[1], e[2]));
  }
}

void DisplayPalette::Release() {
  enabled_ = false;
  colours_.clear();
}

int NearestColour(QRgb colour, const QList<QRgb>& colours) {
  int best = -1;
  int bestDistance = std::numeric_limits<int>::max();
  for (int i = 0; i < colours.size(); ++i) {
    const int dr = qRed(colour) - qRed(colours[i]);
    const int dg = qGreen(colour) - qGreen(colours[i]);
    const int db = qBlue(colour) - qBlue(colours[i]);
    const int distance = dr * dr + dg * dg + db * db;
    if (distance < bestDistance) {
      bestDistance = distance;
      best = i;
      if (distance == 0) break;
    }
  }
  return best;
}

QImage DisplayPalette::Render(const QImage& image) const {
  if (!enabled_ || colours_.isEmpty() || image.isNull()) return image;
  // Indexed pictures are mapped through their own colours like any other.
  const QImage source = image.convertToFormat(QImage::Format_RGB32);
  QImage shown(source.size(), QImage::Format_RGB32);
  // A picture repeats its colours: each distinct one is searched once.
  QHash<QRgb, QRgb> nearest;
  for (int y = 0; y < source.height(); ++y) {
    const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
    auto* out = reinterpret_cast<QRgb*>(shown.scanLine(y));
    for (int x = 0; x < source.width(); ++x) {
      const QRgb colour = in[x] | 0xFF000000u;
      auto found = nearest.constFind(colour);
      if (found == nearest.constEnd()) {
        found = nearest.insert(colour, colours_[NearestColour(colour, colours_)] | 0xFF000000u);
      }
      out[x] = *found;
    }
  }
  return shown;
}

DisplayPalette& SharedDisplayPalette() {
  static DisplayPalette palette;
  return palette;
}

}  // namespace lumarel
