// SPDX-License-Identifier: MIT
// A pseudo-terminal line to a SimCamera whose fault injection (the simulator's
// own FaultInjector and GarblePacket, as --garble-every / --drop-every use
// them) can be switched on once the link is up, so that the faults land on the
// transfer under test rather than on the set-up and the index.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "LineFaults.h"
#include "PtyTransport.h"
#include "SimCamera.h"

namespace lumarel::testing {

class SwitchedFaultLine {
 public:
  SwitchedFaultLine(const std::string& linkPath, std::vector<sim::StoredPicture> pictures)
      : pictures_(std::move(pictures)), camera_({}, pictures_) {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[128] = {};
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
        ::ptsname_r(master_, name, sizeof name) != 0) {
      return;
    }
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tio{};
    ::tcgetattr(slave_, &tio);
    ::cfmakeraw(&tio);
    ::cfsetspeed(&tio, B9600);
    ::tcsetattr(slave_, TCSANOW, &tio);
    ::unlink(linkPath.c_str());
    linkPath_ = linkPath;
    opened_ = ::symlink(name, linkPath.c_str()) == 0;
    if (opened_) thread_ = std::thread([this] { Run(); });
  }
  ~SwitchedFaultLine() {
    Stop();
    ::unlink(linkPath_.c_str());
    for (int fd : {master_, slave_}) {
      if (fd >= 0) ::close(fd);
    }
  }
  bool Opened() const { return opened_; }
  void EnableFaults(sim::FaultSettings faults) {
    pending_ = faults;
    enable_ = true;
  }
  void Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  const std::vector<sim::StoredPicture>& Source() const { return pictures_; }

 private:
  std::uint32_t LineSpeed() const {
    termios tio{};
    if (::tcgetattr(slave_, &tio) != 0) return 0;
    return sim::BaudToSpeed(::cfgetospeed(&tio));
  }

  void Run() {
    std::uint8_t buffer[4096];
    while (!stop_) {
      if (enable_.exchange(false)) injector_.emplace(pending_);
      pollfd fd{master_, POLLIN, 0};
      if (::poll(&fd, 1, 50) <= 0) continue;
      const ssize_t count = ::read(master_, buffer, sizeof buffer);
      if (count <= 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        continue;
      }
      for (const sim::Transmission& tx :
           camera_.Receive(buffer, static_cast<std::size_t>(count), LineSpeed())) {
        Deliver(tx);
      }
    }
  }

  void Deliver(const sim::Transmission& tx) {
    if (tx.afterSpeedChange) {
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(400);
      while (LineSpeed() != tx.speed && std::chrono::steady_clock::now() < deadline && !stop_) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
      if (LineSpeed() != tx.speed) return;  // the program did not follow: nothing it could read
    }
    std::vector<std::uint8_t> bytes = tx.bytes;
    if (injector_) {
      const sim::FaultAction action = injector_->Next(bytes);
      if (action == sim::FaultAction::Drop || action == sim::FaultAction::Silent) return;
      if (action == sim::FaultAction::Garble) sim::GarblePacket(bytes);
    }
    std::size_t done = 0;
    while (done < bytes.size() && !stop_) {
      const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
      if (n > 0) {
        done += static_cast<std::size_t>(n);
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    }
  }

  std::vector<sim::StoredPicture> pictures_;
  sim::SimCamera camera_;
  int master_ = -1;
  int slave_ = -1;
  std::string linkPath_;
  bool opened_ = false;
  std::atomic<bool> stop_{false};
  std::atomic<bool> enable_{false};
  sim::FaultSettings pending_{};  // written before enable_ is set, read after it is taken
  std::optional<sim::FaultInjector> injector_;
  std::thread thread_;
};

}  // namespace lumarel::testing
