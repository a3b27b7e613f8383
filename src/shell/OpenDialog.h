// SPDX-License-Identifier: MIT
// The Open command: a non-native file dialog with the preview pane beside it,
// then the chosen JPEG or BMP file read into the 640 x 480 picture workspace
// (centred on black, or cut to its centre) and handed back as the blocks of a
// new Openfile window. The file's first bytes decide how it is read (a BMP
// named .JPG opens as the BMP it is); the filter the user left selected only
// picks the reader for a file that is neither.
#pragma once

#include <QFileDialog>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/Notifier.h"
#include "shell/OpenDialogRecord.h"
#include "shell/OpenPreview.h"
#include "shell/Startup.h"
#include "windows/ImageDoc.h"

namespace lumarel {

// Filter indices of the open list.
inline constexpr int kOpenFilterJpeg = 1;
inline constexpr int kOpenFilterBitmap = 2;

// Size of an Openfile window and the view size its record keeps (640 - 4, 480 - 2).
inline constexpr int kOpenfileWindowWidth = 644;
inline constexpr int kOpenfileWindowHeight = 510;
inline constexpr std::uint16_t kOpenfileViewWidth = 636;
inline constexpr std::uint16_t kOpenfileViewHeight = 478;

class OpenDialog final : public QFileDialog {
  Q_OBJECT
 public:
  // Fills `record` with the open filters and sets the dialog up from it.
  OpenDialog(AppState& state, FileDialogRecord& record, Notifier& notifier,
             QWidget* owner = nullptr);
  OpenPreview& Preview() { return *preview_; }

 private:
  OpenPreview* preview_ = nullptr;
};

// A picture read from a file, ready for a new Openfile window: its record
// (picture block holding a copy of the workspace, palette block on palette
// displays), the window title (the file name) and the chosen path.
struct OpenedPicture {
  ImageDocInit init;
  std::string title;
  std::string path;
};

// Reads `path` into the 24-bit 640 x 480 `canvas` as its first bytes say
// (FF D8 FF a JPEG, decoded through `tempPath`; "BM" a BMP); a file that is
// neither is read as filter `filterIndex` says (1 JPEG, 2 BMP, anything else
// refused as not found), so its refusal names the type the user chose. Shows
// every message itself; returns 1 on success. `taken`, when given, receives a
// JPEG's own Exif dates.
int ReadFileIntoCanvas(int filterIndex, const std::string& path, const std::string& tempPath,
                       std::span<std::uint8_t> canvas, Notifier& notifier,
                       PictureDates* taken = nullptr);

// After an accepted dialog (record holds path, title, filter index): reads the
// file into the workspace and allocates the window's blocks. Nothing when a
// message refused the file or memory is short.
std::optional<OpenedPicture> LoadChosenPicture(const FileDialogRecord& record, AppState& state,
                                               Notifier& notifier);

// The whole Open command: dialog, then LoadChosenPicture. Nothing when the
// dialog was cancelled or the file refused; the caller opens the window.
std::optional<OpenedPicture> RunOpenCommand(AppState& state, FileDialogRecord& record,
                                            Notifier& notifier, QWidget* owner);

}  // namespace lumarel
