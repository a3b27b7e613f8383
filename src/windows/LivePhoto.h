// SPDX-License-Identifier: MIT
// The Live window's zoom still outside the window: widened into the picture
// workspace for a file window or for saving, and the record of the file
// window that shows it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "platform/Notifier.h"
#include "windows/ImageDoc.h"

namespace lumarel {

// The photo into the workspace for a file window: the whole block when the
// camera shows all 640 columns, else columns 4..508 interpolated to 640.
// False (nothing written) when either block is too small for a 640 x 480 picture.
bool LivePhotoToFullWidth(std::span<const std::uint8_t> photo, std::span<std::uint8_t> workspace,
                          bool modelVariant);

// The photo into the workspace for Save As: the whole block, or each row's
// first 512 pixels stretched 4 to 5.
bool LivePhotoForSave(std::span<const std::uint8_t> photo, std::span<std::uint8_t> workspace,
                      bool modelVariant);

// The record of the "Live Image Photo" file window: blocks allocated (the
// palette block on palette displays), the picture block holding a copy of the
// workspace, index 0, Modified 1, view 636 x 478. Nothing when the picture
// block could not be allocated ("Not enough memory." shown).
std::optional<ImageDocInit> MakeLivePhotoDoc(std::span<const std::uint8_t> workspace,
                                             bool paletteDisplay, Notifier& notifier);

}  // namespace lumarel
