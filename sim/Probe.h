// SPDX-License-Identifier: MIT
// A small client of the camera line, run by `vidmarelle-sim --probe PATH`:
// it wakes and identifies the camera at 9600, negotiates the fastest speed,
// reads the picture list with its previews (decoding each with libjpeg) and
// ends the conversation with CmdReset.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "Packets.h"

namespace lumarel::sim {

struct ProbeEntry {
  std::uint8_t quality = 0;
  std::uint16_t width = 0;
  std::uint16_t height = 0;
  std::uint16_t previewWidth = 0;
  std::uint16_t previewHeight = 0;
  PictureTime taken;
  std::vector<std::uint8_t> preview;  // the JPEG bytes, padding removed
  int decodedWidth = 0;               // 0 when the preview did not decode
  int decodedHeight = 0;
};

struct ProbeResult {
  bool identified = false;
  std::string model;
  bool writeProtected = false;
  std::uint32_t capacity = 0;
  std::uint16_t pictureCount = 0;
  std::uint32_t speed = 0;         // negotiated; 0 when no speed was answered
  std::uint8_t readyStatus = 0;    // the answer to CmdSpeedConfirm
  bool indexComplete = false;      // end marker or empty-card header seen
  std::vector<ProbeEntry> entries;
  std::string error;               // empty on success
};

ProbeResult ProbeCamera(const std::string& path, bool readIndex = true);
void PrintProbe(const ProbeResult& result, std::ostream& out);

}  // namespace lumarel::sim
