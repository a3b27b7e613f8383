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

struct FaultSettings {
  int garbleEvery = 0;  // every Nth packet garbled; 0: never
  int dropEvery = 0;    // every Nth packet not sent; 0: never
  int silentAfter = -1; // after N packets nothing more is sent; -1: never
};

enum class FaultAction { Send, Garble, Drop, Silent };

// Counts the 116-byte packets the camera sends (upload reply bytes are not
// counted and never faulted) and says what becomes of each.
class FaultInjector {
 public:
  explicit FaultInjector(FaultSettings settings) : settings_(settings) {}
  FaultAction Next(const std::vector<std::uint8_t>& bytes);

 private:
  FaultSettings settings_;
  long sent_ = 0;
};

}  // namespace lumarel::sim
