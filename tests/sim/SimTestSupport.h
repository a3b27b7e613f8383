// SPDX-License-Identifier: MIT
// Helpers for driving the simulated camera in-process: a program that always
// runs its port at the camera's speed, and small pictures with known bytes.
#pragma once

#include <cstdint>
#include <vector>

#include "Packets.h"
#include "Pictures.h"
#include "SimCamera.h"

namespace lumarel::sim::testing {

// A stored picture whose data are `size` bytes counting up from `seed`
// (not a JPEG: the camera sends picture data as they are).
inline StoredPicture RawPicture(std::size_t size, std::uint8_t seed = 0,
                                std::size_t previewSize = 300) {
  StoredPicture picture;
  for (std::size_t i = 0; i < size; ++i) picture.jpeg.push_back(static_cast<std::uint8_t>(seed + i));
  for (std::size_t i = 0; i < previewSize; ++i)
    picture.preview.push_back(static_cast<std::uint8_t>(seed * 3 + i));
  picture.quality = 0x41;
  picture.width = 640;
  picture.height = 480;
  picture.previewWidth = 160;
  picture.previewHeight = 120;
  picture.taken = {2001, 2, 3, 4, 5};
  return picture;
}

inline std::vector<StoredPicture> RawPictures(int count) {
  std::vector<StoredPicture> pictures;
  for (int i = 0; i < count; ++i)
    pictures.push_back(RawPicture(200 + 50 * i, static_cast<std::uint8_t>(i)));
  return pictures;
}

// Sends commands with the line at the camera's own speed (a program that follows).
struct Driver {
  SimCamera& camera;

  std::vector<Transmission> Send(std::uint8_t command) {
    return camera.Receive(command, camera.Speed());
  }
  std::vector<Transmission> Send(const std::vector<std::uint8_t>& bytes) {
    return camera.Receive(bytes.data(), bytes.size(), camera.Speed());
  }
  // The one packet answering `command`; empty bytes when there was not exactly one.
  std::vector<std::uint8_t> One(std::uint8_t command) {
    const std::vector<Transmission> answers = Send(command);
    return answers.size() == 1 ? answers[0].bytes : std::vector<std::uint8_t>{};
  }
  // Identification, 115200 and camera ready.
  void Connect() {
    Send(CmdIdentify);
    Send(CmdSpeed115200);
    Send(CmdSpeedConfirm);
  }
  void Address(unsigned number) {
    Send(static_cast<std::uint8_t>(CmdDigitOnes + number % 10));
    Send(static_cast<std::uint8_t>(CmdDigitTens + number / 10 % 10));
    Send(static_cast<std::uint8_t>(CmdDigitHundreds + number / 100 % 10));
  }
  // Header then every data packet of an item started by `command`, acknowledged.
  std::vector<std::vector<std::uint8_t>> Item(std::uint8_t command) {
    std::vector<std::vector<std::uint8_t>> packets{One(command)};
    const std::uint32_t count = PacketsForSize(GetBe32(&packets[0][4]));
    for (std::uint32_t k = 1; k <= count; ++k) packets.push_back(One(CmdAck));
    return packets;
  }
};

inline bool IsStatus(const std::vector<std::uint8_t>& packet, std::uint8_t status) {
  return packet.size() == kPacketSize && packet[0] == kStatusMarker && packet[8] == status &&
         packet[114] == kStatusTail;
}

// The data an item's packets carry, cut to the header's size.
inline std::vector<std::uint8_t> ItemData(const std::vector<std::vector<std::uint8_t>>& packets) {
  std::vector<std::uint8_t> data;
  for (std::size_t k = 1; k < packets.size(); ++k)
    data.insert(data.end(), packets[k].begin() + 3, packets[k].begin() + 115);
  data.resize(GetBe32(&packets[0][4]));
  return data;
}

}  // namespace lumarel::sim::testing
