// SPDX-License-Identifier: MIT
// One camera link with its transfers, put together the same way by every
// front end: the program, lumarel-cli, the benchmarks and the test rigs. The
// caller brings what differs (port opener and ports, message and window
// sides, event loop, and how timers are made on that loop); the assembly
// makes the timers the link and the transfers run on, keeps mid-grey live
// pictures when the caller has none of its own, and takes the parts down in
// order (the transfers before the link they use).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "link/CameraLink.h"
#include "link/LinkTransfers.h"
#include "link/TransferServices.h"

namespace lumarel {

class EventLoop;
class LinkOperations;

// Makes a set of timers whose expiries call the handler on the caller's loop.
using TimerMaker = std::function<std::unique_ptr<Timers>(std::function<void(int)>)>;

struct LinkParts {
  // Timers left null are made with makeTimers; an empty decodeJpeg decodes
  // with the program's own JPEG decoder.
  LinkServices link;
  // A null clock is the system clock; null live timers are made here; empty
  // live pictures are replaced by the assembly's own, mid grey.
  TransferServices transfers;
  TimerMaker makeTimers;
};

class LinkAssembly {
 public:
  explicit LinkAssembly(LinkParts parts);
  ~LinkAssembly();
  LinkAssembly(const LinkAssembly&) = delete;
  LinkAssembly& operator=(const LinkAssembly&) = delete;

  CameraLink& Link() { return *link_; }
  LinkTransfers& Transfers() { return *transfers_; }
  LinkOperations& Operations() { return transfers_->Operations(); }
  std::span<std::uint8_t> LiveFrame() { return liveFrame_; }
  std::span<std::uint8_t> LivePhoto() { return livePhoto_; }

  // Shut-down: the receive thread ends, the port closes, and no timer made
  // here calls into the link any more (the caller may be releasing what the
  // link shows pictures in).
  void Stop();

 private:
  bool stopped_ = false;
  std::unique_ptr<Timers> frameTimers_, previewTimers_, waitTimers_, liveTimers_;
  std::vector<std::uint8_t> ownFrame_, ownPhoto_;
  std::span<std::uint8_t> liveFrame_, livePhoto_;
  std::unique_ptr<CameraLink> link_;
  std::unique_ptr<LinkTransfers> transfers_;
};

// Timers on an EventLoop, for the front ends without Qt.
TimerMaker TimersOn(EventLoop& loop);

// COM1 at `device`; COM2..COM4 at paths under `absentDir` that do not exist,
// so that a search of the ports finds the camera on COM1 only.
PortMap PortMapWithCom1(const std::string& device, const std::string& absentDir);

}  // namespace lumarel
