// SPDX-License-Identifier: MIT
// Save As of the Live window's zoom still: the shared save dialog with the
// three file types and the proposed date-and-time name, then the photo brought
// into the workspace and written as a plain JPEG (4x1 sampling, no Exif), a
// 24-bit BMP or a 256-colour BMP, with the free-space check of the chosen
// file system.
#pragma once

#include <QWidget>
#include <cstdint>
#include <optional>
#include <span>

#include "pictureio/SaveAs.h"
#include "shell/OpenDialogRecord.h"

namespace lumarel {

struct LiveSaveContext {
  FileDialogRecord* record = nullptr;  // the shared record; its initial directory is updated
  SaveServices save;                   // messages, scratch files, free-space query
  Clock* clock = nullptr;              // the proposed name; null: the system clock
  QWidget* owner = nullptr;
};

// Nothing when the dialog was cancelled or chose no file type; else what the save did.
std::optional<SaveResult> RunLiveSaveAs(std::span<const std::uint8_t> photo,
                                        std::span<std::uint8_t> workspace, bool modelVariant,
                                        LiveSaveContext& context);

}  // namespace lumarel
