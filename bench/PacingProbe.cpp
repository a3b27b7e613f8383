// SPDX-License-Identifier: MIT
#include "PacingProbe.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "TimedPort.h"

namespace lumarel::bench {
namespace {

using PClock = std::chrono::steady_clock;

double Us(PClock::time_point a, PClock::time_point b) {
  return std::chrono::duration<double, std::micro>(b - a).count();
}

struct Stamps {
  PClock::time_point logged, written;  // program: command logged (before pacing), written
  PClock::time_point read, due, sent;  // camera: command read, due, packet written
  PClock::time_point received;         // program: packet's last byte read
};

bool WaitReadable(int fd) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, 5000) > 0;
}

// The camera side: vidmarelle-sim's real-time pacing, step by step.
void Camera(int master, std::size_t packetBytes, std::uint32_t speed, std::vector<Stamps>& stamps) {
  using namespace std::chrono;
  const std::vector<std::uint8_t> packet(packetBytes, 0x5A);
  const auto wire = microseconds(packetBytes * 10 * 1000000ull / speed);
  const auto spin = microseconds(200);
  PClock::time_point lineFreeUntil{};
  for (Stamps& s : stamps) {
    std::uint8_t command = 0;
    if (!WaitReadable(master) || ::read(master, &command, 1) != 1) return;
    s.read = PClock::now();
    s.due = std::max(s.read, lineFreeUntil) + wire;
    if (PClock::now() + spin < s.due) std::this_thread::sleep_until(s.due - spin);
    while (PClock::now() < s.due) {
    }
    lineFreeUntil = s.due;
    s.sent = PClock::now();
    if (::write(master, packet.data(), packet.size()) != ssize_t(packet.size())) return;
  }
}

}  // namespace

PacingProfile ProbePacing(int packets, std::uint32_t speed, std::size_t packetBytes) {
  PacingProfile profile;
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
    if (master >= 0) ::close(master);
    return profile;
  }
  const int slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave < 0) {
    ::close(master);
    return profile;
  }
  termios raw{};
  ::tcgetattr(slave, &raw);
  ::cfmakeraw(&raw);
  ::tcsetattr(slave, TCSANOW, &raw);

  std::vector<Stamps> stamps(std::size_t(std::max(packets, 1)));
  std::thread camera(Camera, master, packetBytes, speed, std::ref(stamps));
  std::vector<std::uint8_t> buffer(packetBytes);
  bool ok = true;
  for (Stamps& s : stamps) {
    const std::uint8_t command = 0x06;
    s.logged = PClock::now();
    PaceLine(1, speed);
    s.written = PClock::now();
    if (::write(slave, &command, 1) != 1) {
      ok = false;
      break;
    }
    std::size_t got = 0;
    while (got < packetBytes) {
      if (!WaitReadable(slave)) break;
      const ssize_t n = ::read(slave, buffer.data(), packetBytes - got);
      if (n <= 0) break;
      got += std::size_t(n);
    }
    s.received = PClock::now();
    if (got < packetBytes) {
      ok = false;
      break;
    }
  }
  ::close(slave);  // ends the camera's wait if the exchange broke off
  camera.join();
  ::close(master);
  if (!ok) return profile;

  profile.lineUs = WireMs(packetBytes + 1, speed) * 1000;
  std::vector<double> excess;
  for (const Stamps& s : stamps) {
    profile.commandTransitUs += Us(s.written, s.read);
    profile.lateUs += Us(s.due, s.sent);
    profile.packetTransitUs += Us(s.sent, s.received);
    excess.push_back(Us(s.logged, s.received) - profile.lineUs);
  }
  const double n = double(stamps.size());
  profile.commandTransitUs /= n;
  profile.lateUs /= n;
  profile.packetTransitUs /= n;
  for (double e : excess) profile.excessUs += e / n;
  std::sort(excess.begin(), excess.end());
  profile.excessMedianUs = excess[excess.size() / 2];
  profile.excess99Us = excess[std::min(excess.size() - 1, std::size_t(0.99 * double(excess.size())))];
  profile.packets = int(stamps.size());
  profile.ok = true;
  return profile;
}

}  // namespace lumarel::bench
