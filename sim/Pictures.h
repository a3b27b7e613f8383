// SPDX-License-Identifier: MIT
// The pictures on the simulated card: each one's JPEG data, its preview JPEG
// and the facts the index and the picture header report.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Packets.h"

namespace lumarel::sim {

constexpr int kPreviewWidth = 160;
constexpr int kPreviewHeight = 120;
constexpr std::size_t kLargestPicture = 925696;  // the program's picture buffer
constexpr int kLargestWidth = 640;
constexpr int kLargestHeight = 480;

struct StoredPicture {
  std::vector<std::uint8_t> jpeg;
  std::vector<std::uint8_t> preview;  // JPEG, previewWidth x previewHeight
  std::uint8_t quality = 0x01;        // low 4 bits: Fine when not 0; high 4 bits: post-processing
  std::uint16_t width = 0;
  std::uint16_t height = 0;
  std::uint16_t previewWidth = 0;
  std::uint16_t previewHeight = 0;
  PictureTime taken;

  std::size_t CardBytes() const { return jpeg.size() + preview.size(); }
};

// Stores a picture from its JPEG data, making the 160 x 120 preview by decoding,
// scaling and encoding it. Empty message on success, else why it was refused.
std::string MakeStoredPicture(std::vector<std::uint8_t> jpeg, std::uint8_t quality,
                              const PictureTime& taken, StoredPicture& picture);

// Every *.jpg / *.jpeg file of a folder, by name. Files that are no readable
// JPEG, larger than 640 x 480 or than 925696 bytes are skipped with a warning
// in `warnings`. Pictures 640 wide and more are Fine (0x01), others Normal.
std::vector<StoredPicture> LoadPictureFolder(const std::string& folder,
                                             std::vector<std::string>& warnings);

// `count` deterministic pictures: even ones 640 x 480 Fine, odd ones 320 x 240
// Normal; quality high nibbles cycle 0, 4, 5; dates from 30 Dec 1999 onwards.
std::vector<StoredPicture> GeneratePictures(int count, unsigned seed);

}  // namespace lumarel::sim
