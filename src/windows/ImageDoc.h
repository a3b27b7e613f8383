// SPDX-License-Identifier: MIT
// The record of every window that shows one picture (Capture and Openfile):
// its picture block, its palette block on palette displays, its size as the
// scroll logic sees it, and whether it holds changes worth saving.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "imagefile/DibImage.h"
#include "imagefile/ExifDates.h"
#include "platform/Notifier.h"

namespace lumarel {

// Filled by the code that opens a picture window and handed to the window,
// which takes the blocks over.
struct ImageDocInit {
  std::int32_t PictureIndex = 0;      // position in the camera's list; 0 for a file
  std::int32_t Modified = 0;          // nonzero: ask to save on close; a written save clears it
  std::uint16_t ViewWidth = 0;        // picture width - 4
  std::uint16_t ViewHeight = 0;       // picture height - 2
  std::int32_t FullClientHeight = 0;  // client height + horizontal bar height
  std::int32_t FullClientWidth = 0;   // client width + vertical bar width
  MemoryBlock PictureBlock;           // 24-bit DibImage
  MemoryBlock PaletteBlock;           // logical palette, palette displays only
  PictureDates Taken;                 // a file's own Exif dates, for its Save As
};

struct ImageDoc {
  std::int32_t PictureIndex = 0;
  std::int32_t Modified = 0;
  std::uint16_t ViewWidth = 0;
  std::uint16_t ViewHeight = 0;
  std::int32_t FullClientHeight = 0;
  std::int32_t FullClientWidth = 0;
  MemoryBlock PictureBlock;
  MemoryBlock PaletteBlock;
  PictureDates Taken;

  // The picture the window paints, prints, saves and adjusts.
  std::span<std::uint8_t> Picture() { return PictureBlock.bytes(); }
  std::span<const std::uint8_t> Picture() const { return PictureBlock.bytes(); }
  // The window's palette, or an empty span when there is none.
  std::span<const std::uint8_t> Palette() const { return PaletteBlock.bytes(); }
  bool HasPalette() const { return static_cast<bool>(PaletteBlock); }

  // The picture's true size: the view size with the 4 and the 2 added back.
  int PictureWidth() const { return ViewWidth + 4; }
  int PictureHeight() const { return ViewHeight + 2; }
};

// Makes the record from the creation record, taking its blocks over.
std::unique_ptr<ImageDoc> MakeImageDoc(ImageDocInit&& init);

// Allocates the blocks of a new picture window: a picture block of pictureSize
// bytes and, on palette displays, a logical-palette block. A failed picture
// block shows "Not enough memory." and returns false (no window opens); a
// failed palette block shows the same message and still returns true.
bool AllocateImageDocBlocks(ImageDocInit& init, std::size_t pictureSize, bool paletteDisplay,
                            Notifier& notifier);

// The block size of a Capture window's picture: width x height x 3 + 100.
std::size_t CapturePictureBlockSize(int width, int height);

}  // namespace lumarel
