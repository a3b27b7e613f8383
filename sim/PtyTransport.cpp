// SPDX-License-Identifier: MIT
#include "PtyTransport.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace lumarel::sim {
namespace {

constexpr int kWriteTimeoutMs = 2000;

std::string Errno(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

bool SetRaw9600(int fd) {
  termios settings{};
  if (::tcgetattr(fd, &settings) != 0) return false;
  ::cfmakeraw(&settings);
  settings.c_cflag |= CLOCAL | CREAD;
  ::cfsetispeed(&settings, B9600);
  ::cfsetospeed(&settings, B9600);
  return ::tcsetattr(fd, TCSANOW, &settings) == 0;
}

}  // namespace

std::uint32_t BaudToSpeed(unsigned baud) {
  switch (baud) {
    case B1200: return 1200;
    case B2400: return 2400;
    case B4800: return 4800;
    case B9600: return 9600;
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    case B115200: return 115200;
    case B230400: return 230400;
    default: return 0;
  }
}

PtyTransport::PtyTransport(SimCamera& camera, TransportSettings settings)
    : camera_(camera), settings_(std::move(settings)), faults_(settings_.faults),
      random_(settings_.seed) {}

PtyTransport::~PtyTransport() {
  if (linked_) {
    char target[PATH_MAX] = {};
    const ssize_t length = ::readlink(settings_.linkPath.c_str(), target, sizeof target - 1);
    if (length > 0 && slavePath_ == std::string(target, static_cast<std::size_t>(length)))
      ::unlink(settings_.linkPath.c_str());
  }
  for (int fd : {master_, slave_, wakeRead_, wakeWrite_})
    if (fd >= 0) ::close(fd);
}

bool PtyTransport::Open(std::string& error) {
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) return error = Errno("pipe"), false;
  wakeRead_ = pipeFds[0];
  wakeWrite_ = pipeFds[1];
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0) return error = Errno("posix_openpt"), false;
  if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return error = Errno("grantpt"), false;
  char name[128];
  if (::ptsname_r(master_, name, sizeof name) != 0) return error = Errno("ptsname"), false;
  slavePath_ = name;
  ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
  slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave_ < 0 || !SetRaw9600(slave_)) return error = Errno("slave set-up"), false;
  if (settings_.linkPath.empty()) return true;
  struct stat existing {};
  if (::lstat(settings_.linkPath.c_str(), &existing) == 0) {
    if (!S_ISLNK(existing.st_mode))
      return error = settings_.linkPath + " exists and is not a symbolic link", false;
    ::unlink(settings_.linkPath.c_str());
  }
  if (::symlink(name, settings_.linkPath.c_str()) != 0) return error = Errno("symlink"), false;
  linked_ = true;
  return true;
}

std::uint32_t PtyTransport::LineSpeed() const {
  termios settings{};
  if (::tcgetattr(master_, &settings) != 0 && ::tcgetattr(slave_, &settings) != 0) return 0;
  return BaudToSpeed(::cfgetospeed(&settings));
}

void PtyTransport::Stop() {
  stop_ = true;
  Wake();
}

void PtyTransport::RequestPhotoMode() {
  photoRequested_ = true;
  Wake();
}

void PtyTransport::RequestToggleWriteProtect() {
  toggleRequested_ = true;
  Wake();
}

void PtyTransport::Wake() {
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = ::write(wakeWrite_, &byte, 1);
}

void PtyTransport::ApplyRequests() {
  char drain[64];
  while (::read(wakeRead_, drain, sizeof drain) > 0) {
  }
  if (photoRequested_.exchange(false)) {
    camera_.SetMode(CameraMode::Photo);
    Log("control: photo mode, card present");
  }
  if (toggleRequested_.exchange(false)) {
    camera_.SetWriteProtected(!camera_.WriteProtected());
    Log(std::string("control: card ") + (camera_.WriteProtected() ? "write-protected" : "writable"));
  }
}

void PtyTransport::Run() {
  std::uint8_t buffer[4096];
  while (!stop_) {
    pollfd fds[2] = {{master_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
    const int ready = ::poll(fds, 2, camera_.Uploading() ? settings_.uploadIdleMs : 1000);
    if (ready < 0 && errno != EINTR) break;
    if (fds[1].revents & POLLIN) ApplyRequests();
    if (stop_) break;
    if (ready == 0) {
      for (const Transmission& tx : camera_.LineIdle()) Deliver(tx);
      continue;
    }
    if (!(fds[0].revents & (POLLIN | POLLHUP | POLLERR))) continue;
    const ssize_t count = ::read(master_, buffer, sizeof buffer);
    readAt_ = std::chrono::steady_clock::now();
    if (count <= 0) {
      if (count < 0 && errno != EAGAIN && errno != EINTR && errno != EIO) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));  // no reader on the slave side
      continue;
    }
    for (const Transmission& tx : camera_.Receive(buffer, static_cast<std::size_t>(count), LineSpeed()))
      Deliver(tx);
  }
}

// The program switches its own speed some time after sending a speed command;
// the answer waits for that (or for the settle time to pass).
bool PtyTransport::WaitForLineSpeed(std::uint32_t speed) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(settings_.speedSettleMs);
  while (LineSpeed() != speed && std::chrono::steady_clock::now() < deadline) {
    if (stop_) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

FaultCounts PtyTransport::Faults() const {
  std::lock_guard<std::mutex> lock(faultsMutex_);
  return faults_.Counts();
}

// The line says nothing for `ms`: what the program writes meanwhile waits in
// the terminal and is read afterwards. Stop() ends the silence early.
void PtyTransport::KeepSilent(int ms) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!stop_) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        until - std::chrono::steady_clock::now()).count();
    if (left <= 0) break;
    pollfd fd{wakeRead_, POLLIN, 0};
    if (::poll(&fd, 1, static_cast<int>(left)) > 0) ApplyRequests();
  }
}

void PtyTransport::Deliver(const Transmission& tx) {
  if (master_ < 0) return;  // hung up
  if (tx.afterSpeedChange && !WaitForLineSpeed(tx.speed)) return;
  FaultAction action = FaultAction::Send;
  int silenceMs = 0;
  if (faultsEnabled_) {
    std::lock_guard<std::mutex> lock(faultsMutex_);
    action = faults_.Next(tx.bytes);
    silenceMs = faults_.SilenceMs();
  }
  if (silenceMs > 0) {
    Log("silence " + std::to_string(silenceMs) + " ms before " + tx.description);
    KeepSilent(silenceMs);
    if (stop_) return;
  }
  if (action == FaultAction::Silent || action == FaultAction::Drop) {
    Log("tx " + tx.description + (action == FaultAction::Drop ? " [dropped]" : " [silent]"));
    return;
  }
  std::vector<std::uint8_t> bytes = tx.bytes;
  std::string note;
  if (action == FaultAction::Garble) {
    GarblePacket(bytes);
    note = " [garbled]";
  }
  const std::uint32_t lineSpeed = LineSpeed();
  if (lineSpeed != tx.speed) {
    bytes = SpeedMismatch(bytes, tx.speed, lineSpeed, random_);
    note += " [noise: camera at " + std::to_string(tx.speed) + ", line at " + std::to_string(lineSpeed) + "]";
  }
  if (settings_.realtime && tx.speed > 0) PaceLikeTheLine(tx.bytes.size(), tx.speed);
  Log("tx " + tx.description + " at " + std::to_string(tx.speed) + note);
  const bool written = settings_.adapterLatencyMs > 0 ? WriteThroughAdapter(bytes) : WriteAll(bytes);
  if (!written) Log("tx failed: the program does not read");
  if (tx.pictureData && settings_.faults.hangupAfter >= 0 &&
      ++pictureDataSent_ >= settings_.faults.hangupAfter) {
    HangUp();
  }
}

// Both ends of the pseudo-terminal close: the program's side then reports a
// hang-up (POLLHUP, EIO on read), as with a USB-serial adapter pulled out.
void PtyTransport::HangUp() {
  Log("hang-up: the line is closed");
  if (master_ >= 0) ::close(master_);
  if (slave_ >= 0) ::close(slave_);
  master_ = slave_ = -1;
  if (linked_) {
    ::unlink(settings_.linkPath.c_str());
    linked_ = false;
  }
  stop_ = true;
}

// A USB-serial adapter sends a USB frame when it holds 62 received bytes; a
// shorter rest waits in the chip until its latency timer expires. With the
// 16 ms default that wait dominates a 116-byte packet at 115200 bit/s.
bool PtyTransport::WriteThroughAdapter(const std::vector<std::uint8_t>& bytes) {
  const std::size_t full = bytes.size() / kUsbFramePayload * kUsbFramePayload;
  if (full > 0 && !WriteAll(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + full)))
    return false;
  if (full == bytes.size()) return true;
  KeepSilent(settings_.adapterLatencyMs);
  if (stop_) return true;
  return WriteAll(std::vector<std::uint8_t>(bytes.begin() + full, bytes.end()));
}

// Holds a response back until the line would have carried it (10 bits a byte),
// counted from the command that asked for it or from the end of the previous
// response. Sleeps most of the way and spins the last moment: a plain sleep
// overshoots by a scheduling quantum, which would be charged to the program.
void PtyTransport::PaceLikeTheLine(std::size_t bytes, std::uint32_t speed) {
  using namespace std::chrono;
  const auto wire = microseconds(bytes * 10 * 1000000ull / speed);
  const auto due = std::max(readAt_, lineFreeUntil_) + wire;
  const auto spin = microseconds(200);
  if (steady_clock::now() + spin < due) std::this_thread::sleep_until(due - spin);
  while (steady_clock::now() < due) {
  }
  lineFreeUntil_ = due;
}

bool PtyTransport::WriteAll(const std::vector<std::uint8_t>& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t count = ::write(master_, bytes.data() + done, bytes.size() - done);
    if (count > 0) {
      done += static_cast<std::size_t>(count);
      continue;
    }
    if (count < 0 && errno != EAGAIN && errno != EINTR) return false;
    pollfd fd{master_, POLLOUT, 0};
    if (::poll(&fd, 1, kWriteTimeoutMs) <= 0) return false;
  }
  return true;
}

void PtyTransport::Log(const std::string& line) const {
  if (settings_.log) settings_.log(line);
}

}  // namespace lumarel::sim
