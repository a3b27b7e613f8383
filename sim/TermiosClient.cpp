// SPDX-License-Identifier: MIT
#include "TermiosClient.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <algorithm>
#include <cstring>

namespace lumarel::sim {
namespace {

speed_t SpeedConstant(std::uint32_t speed) {
  switch (speed) {
    case 9600: return B9600;
    case 19200: return B19200;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return B0;
  }
}

}  // namespace

TermiosClient::~TermiosClient() {
  if (fd_ >= 0) ::close(fd_);
}

bool TermiosClient::Open(const std::string& path, std::string& error) {
  fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) {
    error = path + ": " + std::strerror(errno);
    return false;
  }
  termios settings{};
  if (::tcgetattr(fd_, &settings) != 0) {
    error = path + ": not a terminal";
    return false;
  }
  ::cfmakeraw(&settings);
  settings.c_cflag |= CLOCAL | CREAD;
  settings.c_cflag &= ~(CSTOPB | PARENB | CRTSCTS);
  ::tcsetattr(fd_, TCSANOW, &settings);
  Purge();
  return SetSpeed(9600);
}

bool TermiosClient::SetSpeed(std::uint32_t speed) {
  termios settings{};
  if (SpeedConstant(speed) == B0 || ::tcgetattr(fd_, &settings) != 0) return false;
  ::cfsetispeed(&settings, SpeedConstant(speed));
  ::cfsetospeed(&settings, SpeedConstant(speed));
  return ::tcsetattr(fd_, TCSANOW, &settings) == 0;
}

bool TermiosClient::Write(const std::vector<std::uint8_t>& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t count = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (count > 0) {
      done += static_cast<std::size_t>(count);
    } else if (count < 0 && errno != EAGAIN && errno != EINTR) {
      return false;
    } else {
      pollfd fd{fd_, POLLOUT, 0};
      if (::poll(&fd, 1, 1000) <= 0) return false;
    }
  }
  return true;
}

std::vector<std::uint8_t> TermiosClient::Read(std::size_t count, int timeoutMs) {
  std::vector<std::uint8_t> bytes;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (bytes.size() < count) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now()).count();
    if (left <= 0) break;
    pollfd fd{fd_, POLLIN, 0};
    if (::poll(&fd, 1, static_cast<int>(left)) <= 0) continue;
    std::uint8_t buffer[512];
    const std::size_t want = std::min(sizeof buffer, count - bytes.size());
    const ssize_t got = ::read(fd_, buffer, want);
    if (got > 0) bytes.insert(bytes.end(), buffer, buffer + got);
  }
  return bytes;
}

void TermiosClient::Purge() { ::tcflush(fd_, TCIOFLUSH); }

}  // namespace lumarel::sim
