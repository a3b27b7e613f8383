// SPDX-License-Identifier: MIT
// What happens to the camera's answers on the way to the program: noise when
// the two ends run at different speeds, and faults injected on demand.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace lumarel::sim {

// What the program receives when the camera sends `bytes` at cameraSpeed while
// the program's port runs at lineSpeed: noise, about as many bytes as the
// program's receiver would frame (fewer when the camera is faster), never a
// byte that starts a valid packet. Equal speeds give the bytes unchanged.
std::vector<std::uint8_t> SpeedMismatch(const std::vector<std::uint8_t>& bytes,
                                        std::uint32_t cameraSpeed, std::uint32_t lineSpeed,
                                        std::mt19937& random);

// Damages a 116-byte packet so that the program must reject it: a data packet
// gets a non-zero byte 115 and a flipped payload byte, a status packet loses its
// marker. Other sizes are left alone.
void GarblePacket(std::vector<std::uint8_t>& packet);

// The every-Nth faults are fixed and repeatable by count; the rates are drawn
// per packet from a generator seeded with `seed`, so a run repeats exactly for
// the same seed and the same conversation.
struct FaultSettings {
  int garbleEvery = 0;  // every Nth packet garbled; 0: never
  int dropEvery = 0;    // every Nth packet not sent; 0: never
  int silentAfter = -1; // after N packets nothing more is sent; -1: never
  int hangupAfter = -1; // the line closes after N picture data packets; -1: never
  double garbleRate = 0;   // chance that a packet is garbled
  double dropRate = 0;     // chance that a packet is not sent
  double silenceRate = 0;  // chance that the line goes quiet before a packet
  int silenceMinMs = 500;  // length of such a silence, drawn evenly from the range
  int silenceMaxMs = 2000;
  unsigned seed = 1;
};

enum class FaultAction { Send, Garble, Drop, Silent };

// What the injector has done so far.
struct FaultCounts {
  long packets = 0;   // packets judged (sent or not)
  long garbled = 0;
  long dropped = 0;
  long silences = 0;
  long silentMs = 0;  // their total length
  long Total() const { return garbled + dropped + silences; }
};

// Counts the 116-byte packets the camera sends (upload reply bytes are not
// counted and never faulted) and says what becomes of each.
class FaultInjector {
 public:
  explicit FaultInjector(FaultSettings settings);
  FaultAction Next(const std::vector<std::uint8_t>& bytes);
  // How long the line stays quiet before the packet Next() last judged; 0 mostly.
  int SilenceMs() const { return silenceMs_; }
  const FaultCounts& Counts() const { return counts_; }

 private:
  bool Chance(double rate);

  FaultSettings settings_;
  std::mt19937 random_;
  long sent_ = 0;
  int silenceMs_ = 0;
  FaultCounts counts_;
};

}  // namespace lumarel::sim
