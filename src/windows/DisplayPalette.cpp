#include "windows/DisplayPalette.h"

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

QImage DisplayPalette::Render(const QImage& image) const {
  if (!enabled_ || colours_.isEmpty() || image.isNull()) return image;
  return image.convertToFormat(QImage::Format_Indexed8, colours_, Qt::ThresholdDither);
}

DisplayPalette& SharedDisplayPalette() {
  static DisplayPalette palette;
  return palette;
}

}  // namespace lumarel
