// SPDX-License-Identifier: MIT
// What identifies a picture on the camera, whatever its position: the date
// and quality the list gives, the picture's size, and a fingerprint of its
// preview. Positions change when a picture before it is deleted (on the
// camera or by the program) and after every reload; a key does not, so work
// started on a picture is checked against the key before it touches the
// camera or a file again.
#pragma once

#include <cstdint>
#include <span>

#include "link/PictureList.h"
#include "platform/Clock.h"

namespace lumarel {

struct PictureKey {
  LocalTime time;             // seconds 0
  std::uint8_t quality = 0;   // the list's quality byte
  std::uint16_t width = 0;
  std::uint16_t height = 0;
  std::uint64_t previewHash = 0;
  bool operator==(const PictureKey&) const = default;
};

// 64-bit FNV-1a: not a defence against forgery, a fingerprint that tells two
// pictures of the same minute apart.
std::uint64_t PreviewHash(std::span<const std::uint8_t> bytes);

// The bytes a preview slot's picture is known by: its 40-byte information
// header and width x height x 3 pixel bytes (clamped to the slot). The rest
// of the slot is never part of it: a smaller preview leaves the pixels of
// whatever the slot held before there.
std::span<const std::uint8_t> PreviewBytes(const std::uint8_t* slot);

// The key of list entry k (0-based); the preview part is 0 when the store has
// no slot for it.
PictureKey KeyOf(const PictureList& list, int k);

// The 0-based position of the picture with this key among the received
// entries, -1 when it is not there. Of several equal pictures the one nearest
// to `hint` (its position when the key was taken).
int FindPicture(const PictureList& list, const PictureKey& key, int hint = 0);

}  // namespace lumarel
