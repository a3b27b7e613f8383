// SPDX-License-Identifier: MIT
// Save As of a picture window: the shared save dialog with the three file
// types, then the picture written as the chosen type (Exif JPEG, 24-bit BMP,
// 256-colour BMP) with the free-space check of the window's kind, and the
// window's title changed to the chosen path.
#pragma once

#include <QString>
#include <optional>
#include <string>

#include "pictureio/SaveAs.h"
#include "shell/OpenDialogRecord.h"

class QWidget;

namespace lumarel {

class PictureWindow;

inline constexpr const char* kSaveDialogName = "SaveAs";

// The chosen name with the extension of the chosen file type (filter 1 JPEG,
// 2 and 3 BMP): a name with that type's extension is kept, the other type's
// extension is replaced, and any other name gets the type's extension added
// ("7F00-1-5(13-42)" -> "7F00-1-5(13-42).jpg"). Unknown filters keep the name.
std::string SaveNameForType(const std::string& path, int filterIndex);

// Runs the save dialog on `record`: the save filters, `defaultName` as the
// file name, the remembered filter and initial directory. The name's extension
// follows the chosen type (SaveNameForType), also for the dialog's question
// about replacing an existing file. True when a file was chosen; the record
// then holds path, title and filter index, and the chosen directory becomes
// the initial directory.
bool RunSaveDialog(FileDialogRecord& record, const std::string& defaultName, QWidget* owner);

struct SaveAsOutcome {
  // 0 when the dialog was cancelled or the file could not be written, else 1
  // (also after "Disk is full." or "Not enough memory.").
  int code = 0;
  bool written = false;  // the chosen file now holds the picture
};

// The whole Save As of `window`: dialog, file, title. A save that wrote the
// file clears the window's Modified flag. `taken`: when the picture was taken
// (a camera picture's date, a file's own Exif dates) for DateTimeOriginal and
// DateTimeDigitized, so photo managers sort it by when it was taken (as
// lumarel-cli get does); DateTime is the time of saving.
SaveAsOutcome SavePictureAs(PictureWindow& window, SaveWindow kind, const std::string& defaultName,
                            const PictureDates& taken = {});

}  // namespace lumarel
