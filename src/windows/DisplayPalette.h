// SPDX-License-Identifier: MIT
// The palette display mode. On an 8-bit screen every picture is drawn through
// one shared 256-colour palette, remade from the active window's own copy.
// Qt always paints in true colour, so in this mode pictures are mapped to the
// shared palette's colours before drawing, as an 8-bit screen would show them.
#pragma once

#include <QImage>
#include <QList>
#include <cstdint>
#include <span>

namespace lumarel {

// The logical palette layout is 16-bit version 0x300, 16-bit count, then
// 4-byte entries of red, green, blue, flags.
class DisplayPalette {
 public:
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled) { enabled_ = enabled; }

  // Deletes the palette object and makes a new one from a logical palette.
  // A block too short for its entry count gives only the entries it holds.
  void Remake(std::span<const std::uint8_t> logicalPalette);
  // Deletes the palette object and leaves the mode off (shut-down).
  void Release();
  const QList<QRgb>& Colours() const { return colours_; }
  int RemakeCount() const { return remakes_; }

  // The image as the screen shows it: unchanged in true colour (or without a
  // palette object), else each pixel replaced by its nearest palette colour.
  QImage Render(const QImage& image) const;

 private:
  bool enabled_ = false;
  QList<QRgb> colours_;
  int remakes_ = 0;
};

// The entry of `colours` nearest to `colour` by squared distance of red, green
// and blue; the first of equally near entries wins. -1 for an empty list.
int NearestColour(QRgb colour, const QList<QRgb>& colours);

// The one palette state of the process.
DisplayPalette& SharedDisplayPalette();

}  // namespace lumarel
