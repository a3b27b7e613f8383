// SPDX-License-Identifier: MIT
// Small picture-block helpers for the camera commands, kept apart so that the
// code that includes the link headers needs no image-file headers.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace lumarel::cli {

std::int32_t PictureWidth(std::span<const std::uint8_t> dib);
std::int32_t PictureHeight(std::span<const std::uint8_t> dib);

// The live photo brought to full width for saving, as the Live window's Save
// As does: copied for model variant 0, each row's first 512 pixels stretched
// to 640 for variant 1. Empty when the photo is not 640 x 480 x 24.
std::vector<std::uint8_t> PhotoForSaving(std::span<const std::uint8_t> photo, bool variant1);

// Writes the DIB in `block` (header, colour table, rows; spare bytes after
// them are left out) as a BMP file. False when the header is unreadable or
// the file cannot be written.
bool WriteDibAsBmp(std::span<const std::uint8_t> block, const std::string& path);

}  // namespace lumarel::cli
