// SPDX-License-Identifier: MIT
// The simulated camera behind the program's own SerialPort interface, in the
// same process: no pseudo-terminal, no timing. Bytes the program writes reach
// the camera at once; its answers wait in a receive queue. An answer to a speed
// command is held until the program next sets its line speed, as the real line
// makes it wait for the switch; answers arriving at a speed other than the
// port's are turned into noise. Thread-safe: a receive thread may wait and
// read while another thread writes.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <random>
#include <vector>

#include "LineFaults.h"
#include "SimCamera.h"
#include "platform/SerialPort.h"

namespace lumarel::sim {

class SimSerialPort final : public SerialPort {
 public:
  explicit SimSerialPort(SimCamera& camera, FaultSettings faults = {}, unsigned seed = 1)
      : camera_(camera), faults_(faults), random_(seed) {}

  // An in-process line: no adapter, no system errors and no hang-up.
  AdapterLatency RequestLowLatency() override { return {}; }
  std::string LastError() const override { return {}; }
  std::string HangUpReason() const override { return {}; }
  bool GetSpeed(std::uint32_t& speed) override;
  bool SetLine(std::uint32_t speed) override;
  void Purge() override;
  std::size_t ClearErrors() override;
  PortWait WaitForCharacter() override;
  void Wake() override;
  std::size_t Read(std::uint8_t* data, std::size_t size) override;
  bool Write(const std::uint8_t* data, std::size_t size) override;

  // For tests: every byte the program has written, and the answers still held.
  std::vector<std::uint8_t> Written() const;
  std::size_t HeldAnswers() const;

 private:
  void DeliverLocked(const Transmission& tx);

  SimCamera& camera_;
  FaultInjector faults_;
  std::mt19937 random_;
  mutable std::mutex mutex_;
  std::condition_variable arrived_;
  std::uint32_t speed_ = kBaseSpeed;
  std::deque<std::uint8_t> received_;
  std::vector<Transmission> held_;
  std::vector<std::uint8_t> written_;
  bool woken_ = false;
};

}  // namespace lumarel::sim
