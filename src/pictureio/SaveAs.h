// SPDX-License-Identifier: MIT
// Saving a 24-bit picture as each window's Save As does, without the dialog:
// an Exif JPEG file, a 24-bit BMP file or a 256-colour BMP file, with the
// free-space check and the message of the window the save belongs to.
//
//   Capture window (a downloaded picture): JPEG "2x1,1x1,1x1" quality 75 made
//     into an Exif file; needs the trial JPEG's size + 40960 bytes, 3WH + 54 for
//     both BMP types; "Disk is full." / "CARD LINK".
//   File window (an opened file, 640 x 480): as the Capture window, but the JPEG
//     check says "Disk is full." / "Lumarel" and the 256-colour file needs its
//     own size.
//   Live window (a zoom still): JPEG "4x1,1x1,1x1" quality 75 without Exif,
//     needing the trial JPEG's size; "Disk is full." / "Lumarel" for all types.
//
// The file is written through the one atomic writer (platform/AtomicFile.h):
// a save that fails leaves the destination as it was, a file replaced keeps
// its mode and owner, and a device, FIFO or folder is never replaced ("PATH is
// not a regular file"). A write that runs out of room reports "Disk is full."
// like the free-space check.
//
// UI-free; shared by every front end.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "imagefile/ExifFile.h"
#include "platform/AtomicFile.h"
#include "platform/Clock.h"
#include "platform/Notifier.h"

namespace lumarel {

enum class SaveFileType { Jpeg = 1, FullColourBmp = 2, Bmp256 = 3 };  // filter index
enum class SaveWindow { Capture, File, Live };

enum class SaveResult {
  Saved,
  DiskFull,         // "Disk is full." shown; path as it was
  NotEnoughMemory,  // "Not enough memory." shown
  Failed,           // a file could not be written, or encoding failed; path as it was
};

struct SaveServices {
  Notifier* notifier = nullptr;
  Clock* clock = nullptr;  // the time of saving: Exif DateTime
  // Scratch files for the 24-bit BMP and the trial JPEG.
  std::string tempPathA;
  std::string tempPathB;
  FreeSpaceQuery freeSpace;  // empty: the file system's own figure
  // When the picture was taken (DateTimeOriginal, DateTimeDigitized); an
  // unknown date is written as unknown, never as the time of saving.
  PictureDates taken = {};
};

// Saves `picture` (a 24-bit DIB: header and rows) at path, replacing a
// regular file there (or the file a symbolic link there names).
SaveResult SavePictureFile(std::span<const std::uint8_t> picture, const std::string& path,
                           SaveFileType type, SaveWindow window, const SaveServices& services);

// The same into target's temporary file, which the caller commits (with the
// mode and name it chose); the free space is asked for target.Target().
SaveResult SavePictureInto(std::span<const std::uint8_t> picture, AtomicFile& target,
                           SaveFileType type, SaveWindow window, const SaveServices& services);

// The 14-byte-header BMP of a 24-bit picture: exactly its header and rows.
bool WriteFullColourBmp(std::span<const std::uint8_t> picture, const std::string& path);

}  // namespace lumarel
