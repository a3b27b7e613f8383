// SPDX-License-Identifier: MIT
// The reference for the line figures: the least a client can do on the same
// line. It speaks the protocol with no handlers, no thread hand-off, no files
// and no decoding: each packet is read and the next command written at once.
// Its writes are paced like the program's.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "TermiosClient.h"

namespace lumarel::bench {

struct BareTransfer {
  bool ok = false;
  double ms = 0;                // first command written .. last packet read
  std::uint64_t bytes = 0;      // both ways
  std::uint64_t packets = 0;    // received
};

struct BareEntry {
  std::uint8_t quality = 0;
  std::uint16_t width = 0;
  std::uint16_t height = 0;
};

class BareClient {
 public:
  explicit BareClient(bool pace) : pace_(pace) {}
  // Wake, identify, 115200, confirm. False when the camera did not become ready.
  bool Connect(const std::string& device);
  // The picture list from number 000; fills Entries().
  BareTransfer ReadIndex();
  BareTransfer Download(int n);
  const std::vector<BareEntry>& Entries() const { return entries_; }

 private:
  void Send(std::uint8_t command, BareTransfer& t);
  std::vector<std::uint8_t> Receive(BareTransfer& t);
  bool Address(int n, BareTransfer& t);
  // Header packet already read: acknowledges it and reads the item's data
  // packets; the last one is answered by `closing` (0: nothing).
  bool ReadItem(const std::vector<std::uint8_t>& header, std::uint8_t closing, BareTransfer& t);

  sim::TermiosClient line_;
  bool pace_;
  std::uint32_t speed_ = 9600;
  std::vector<BareEntry> entries_;
};

}  // namespace lumarel::bench
