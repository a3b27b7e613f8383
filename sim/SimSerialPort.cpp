// SPDX-License-Identifier: MIT
#include "SimSerialPort.h"

namespace lumarel::sim {

bool SimSerialPort::GetSpeed(std::uint32_t& speed) {
  std::lock_guard lock(mutex_);
  speed = speed_;
  return true;
}

bool SimSerialPort::SetLine(std::uint32_t speed) {
  std::lock_guard lock(mutex_);
  speed_ = speed;
  for (const Transmission& tx : held_) DeliverLocked(tx);
  held_.clear();
  arrived_.notify_all();
  return true;
}

void SimSerialPort::Purge() {
  std::lock_guard lock(mutex_);
  received_.clear();
  held_.clear();
}

std::size_t SimSerialPort::ClearErrors() {
  std::lock_guard lock(mutex_);
  return received_.size();
}

PortWait SimSerialPort::WaitForCharacter() {
  std::unique_lock lock(mutex_);
  arrived_.wait(lock, [this] { return !received_.empty() || woken_; });
  if (!received_.empty()) return PortWait::Received;
  woken_ = false;
  return PortWait::Woken;
}

void SimSerialPort::Wake() {
  std::lock_guard lock(mutex_);
  woken_ = true;
  arrived_.notify_all();
}

std::size_t SimSerialPort::Read(std::uint8_t* data, std::size_t size) {
  std::lock_guard lock(mutex_);
  std::size_t count = 0;
  for (; count < size && !received_.empty(); ++count) {
    data[count] = received_.front();
    received_.pop_front();
  }
  return count;
}

bool SimSerialPort::Write(const std::uint8_t* data, std::size_t size) {
  std::lock_guard lock(mutex_);
  written_.insert(written_.end(), data, data + size);
  for (const Transmission& tx : camera_.Receive(data, size, speed_)) {
    if (tx.afterSpeedChange) held_.push_back(tx);
    else DeliverLocked(tx);
  }
  arrived_.notify_all();
  return true;
}

std::vector<std::uint8_t> SimSerialPort::Written() const {
  std::lock_guard lock(mutex_);
  return written_;
}

std::size_t SimSerialPort::HeldAnswers() const {
  std::lock_guard lock(mutex_);
  return held_.size();
}

void SimSerialPort::DeliverLocked(const Transmission& tx) {
  const FaultAction action = faults_.Next(tx.bytes);
  if (action == FaultAction::Drop || action == FaultAction::Silent) return;
  std::vector<std::uint8_t> bytes = tx.bytes;
  if (action == FaultAction::Garble) GarblePacket(bytes);
  if (tx.speed != speed_) bytes = SpeedMismatch(bytes, tx.speed, speed_, random_);
  received_.insert(received_.end(), bytes.begin(), bytes.end());
}

}  // namespace lumarel::sim
