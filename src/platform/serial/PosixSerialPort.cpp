// SPDX-License-Identifier: MIT
#include "platform/serial/PosixSerialPort.h"

#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <linux/serial.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <utility>

namespace lumarel {
namespace {

struct SpeedPair {
  std::uint32_t bitsPerSecond;
  speed_t constant;
};

constexpr SpeedPair kSpeeds[] = {
    {1200, B1200},     {2400, B2400},     {4800, B4800},     {9600, B9600},
    {19200, B19200},   {38400, B38400},   {57600, B57600},   {115200, B115200},
    {230400, B230400}, {460800, B460800}, {921600, B921600},
};

// Raw 8N1 without flow control: no byte is translated, echoed or swallowed.
void MakeRawEightNoneOne(termios& tio) {
  tio.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR |
                                        ICRNL | IXON | IXOFF | IXANY | INPCK);
  tio.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  tio.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
  tio.c_cflag |= CS8 | CREAD | CLOCAL;
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
}

// Closes fd on scope exit unless released.
struct FdGuard {
  int fd;
  ~FdGuard() {
    if (fd >= 0) ::close(fd);
  }
  int Release() { return std::exchange(fd, -1); }
};

PortOpenError Fail(PortOpenError& error, int* errnum, int code) {
  error = PortOpenErrorFromErrno(code);
  if (errnum) *errnum = code;
  return error;
}

}  // namespace

PortOpenError PortOpenErrorFromErrno(int errnum) {
  switch (errnum) {
    case 0: return PortOpenError::None;
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case EIO:  // a serial driver slot with no hardware behind it
      return PortOpenError::NoSuchDevice;
    case EACCES:
    case EPERM: return PortOpenError::PermissionDenied;
    case EBUSY:
    case EWOULDBLOCK: return PortOpenError::Busy;
    case ENOTTY: return PortOpenError::NotATerminal;
    default: return PortOpenError::Other;
  }
}

std::string LatencyTimerFile(const std::string& device, const std::string& sysRoot) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path real = fs::canonical(device, ec);
  if (ec) real = device;
  const fs::path file =
      fs::path(sysRoot) / "class" / "tty" / real.filename() / "device" / "latency_timer";
  return fs::exists(file, ec) ? file.string() : std::string();
}

int ReadLatencyTimer(const std::string& file) {
  std::ifstream in(file);
  int ms = -1;
  if (!(in >> ms) || ms < 0) return -1;
  return ms;
}

unsigned int TermiosSpeedFor(std::uint32_t bitsPerSecond) {
  for (const SpeedPair& s : kSpeeds)
    if (s.bitsPerSecond == bitsPerSecond) return s.constant;
  return 0;
}

std::uint32_t BitsPerSecondFor(unsigned int termiosSpeed) {
  for (const SpeedPair& s : kSpeeds)
    if (s.constant == termiosSpeed) return s.bitsPerSecond;
  return 0;
}

std::unique_ptr<PosixSerialPort> PosixSerialPort::Open(const std::string& device,
                                                       PortOpenError& error, int* errnum) {
  error = PortOpenError::None;
  if (errnum) *errnum = 0;
  FdGuard fd{::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)};
  if (fd.fd < 0) {
    Fail(error, errnum, errno);
    return nullptr;
  }
  termios tio{};
  if (::tcgetattr(fd.fd, &tio) != 0) {
    Fail(error, errnum, errno == EINVAL ? ENOTTY : errno);
    return nullptr;
  }
  // TIOCEXCL keeps other (unprivileged) opens out; the advisory lock also
  // catches a second copy of this program, which TIOCEXCL lets through for root.
  if (::ioctl(fd.fd, TIOCEXCL) != 0 || ::flock(fd.fd, LOCK_EX | LOCK_NB) != 0) {
    Fail(error, errnum, errno);
    error = PortOpenError::Busy;
    return nullptr;
  }
  FdGuard wake{::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)};
  if (wake.fd < 0) {
    Fail(error, errnum, errno);
    ::ioctl(fd.fd, TIOCNXCL);
    return nullptr;
  }
  return std::unique_ptr<PosixSerialPort>(
      new PosixSerialPort(fd.Release(), wake.Release(), device));
}

PosixSerialPort::~PosixSerialPort() {
  // The exclusive flag outlives this descriptor on a pseudo-terminal; drop it.
  ::ioctl(fd_, TIOCNXCL);
  ::close(fd_);
  ::close(wakeFd_);
}

bool PosixSerialPort::Failed(int errnum) {
  lastErrno_.store(errnum);
  return false;
}

std::string PosixSerialPort::LastError() const {
  const int errnum = lastErrno_.load();
  return errnum == 0 ? std::string() : std::strerror(errnum);
}

bool PosixSerialPort::GetSpeed(std::uint32_t& speed) {
  termios tio{};
  if (::tcgetattr(fd_, &tio) != 0) return Failed(errno);
  std::uint32_t bps = BitsPerSecondFor(::cfgetospeed(&tio));
  if (bps == 0) return Failed(EINVAL);
  speed = bps;
  return true;
}

bool PosixSerialPort::SetLine(std::uint32_t speed) {
  speed_t constant = TermiosSpeedFor(speed);
  termios tio{};
  if (constant == 0) return Failed(EINVAL);
  if (::tcgetattr(fd_, &tio) != 0) return Failed(errno);
  MakeRawEightNoneOne(tio);
  if (::cfsetispeed(&tio, constant) != 0 || ::cfsetospeed(&tio, constant) != 0)
    return Failed(errno);
  if (::tcsetattr(fd_, TCSANOW, &tio) != 0) return Failed(errno);
  // tcsetattr succeeds when any part was applied; the speed is what matters.
  std::uint32_t applied = 0;
  if (!GetSpeed(applied)) return false;
  if (applied != speed) return Failed(EINVAL);  // the driver does not do this speed
  // DTR off. A pseudo-terminal has no modem lines and rejects this: not a failure.
  int dtr = TIOCM_DTR;
  ::ioctl(fd_, TIOCMBIC, &dtr);
  return true;
}

AdapterLatency PosixSerialPort::RequestLowLatency() {
  AdapterLatency latency;
  serial_struct serial{};
  if (::ioctl(fd_, TIOCGSERIAL, &serial) == 0) {
    serial.flags |= ASYNC_LOW_LATENCY;
    latency.lowLatencySet = ::ioctl(fd_, TIOCSSERIAL, &serial) == 0;
  }
  latency.timerFile = LatencyTimerFile(device_);
  latency.adapter = !latency.timerFile.empty();
  if (latency.adapter) latency.timerMs = ReadLatencyTimer(latency.timerFile);
  return latency;
}

void PosixSerialPort::Purge() { ::tcflush(fd_, TCIFLUSH); }

std::size_t PosixSerialPort::ClearErrors() {
  // In raw mode line errors arrive in-band as bytes; there is no error state to reset.
  const std::size_t stashed = stashed_ >= 0 ? 1 : 0;
  int waiting = 0;
  if (::ioctl(fd_, FIONREAD, &waiting) != 0 || waiting < 0) return stashed;
  return static_cast<std::size_t>(waiting) + stashed;
}

PortWait PosixSerialPort::ProbeReadable() {
  std::uint8_t byte = 0;
  for (;;) {
    const ssize_t n = ::read(fd_, &byte, 1);
    if (n == 1) {
      stashed_ = byte;
      return PortWait::Received;
    }
    if (n == 0) {
      hangUpReason_ = "end of file";
      return PortWait::HungUp;
    }
    if (errno == EINTR) continue;
    if (errno == EAGAIN) return PortWait::Failed;
    hangUpReason_ = std::strerror(errno);
    return PortWait::HungUp;
  }
}

PortWait PosixSerialPort::WaitForCharacter() {
  if (!hangUpReason_.empty()) return PortWait::HungUp;
  if (stashed_ >= 0) return PortWait::Received;
  for (;;) {
    pollfd fds[2] = {{fd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    int n = ::poll(fds, 2, -1);
    if (n < 0) {
      if (errno == EINTR) continue;
      return PortWait::Failed;
    }
    // Waiting bytes win over a pending wake, which then ends the next wait:
    // reporting Woken here would make the caller discard real input.
    // A hung-up device also reports POLLIN; it counts as received only while
    // bytes are really waiting, else the caller would spin on empty reads.
    // A device that is gone (unplugged adapter, closed pseudo-terminal) is a
    // hang-up, reported as such and never as "nothing received".
    bool gone = fds[0].revents & (POLLHUP | POLLERR | POLLNVAL);
    if ((fds[0].revents & POLLIN) && (!gone || ClearErrors() > 0)) return PortWait::Received;
    if (fds[1].revents & POLLIN) {
      DrainWake();
      return PortWait::Woken;
    }
    if (fds[0].revents & POLLNVAL) {
      hangUpReason_ = "invalid descriptor";
      return PortWait::HungUp;
    }
    if (gone) {
      const PortWait probed = ProbeReadable();
      if (probed != PortWait::Failed) return probed;
      hangUpReason_ = (fds[0].revents & POLLHUP) ? "hang-up" : "device error";
      return PortWait::HungUp;
    }
  }
}

void PosixSerialPort::Wake() {
  std::uint64_t one = 1;
  // The counter only saturates after 2^64-2 wakes; a failed write cannot lose the wake.
  [[maybe_unused]] ssize_t n = ::write(wakeFd_, &one, sizeof one);
}

void PosixSerialPort::DrainWake() {
  std::uint64_t count = 0;
  [[maybe_unused]] ssize_t n = ::read(wakeFd_, &count, sizeof count);
}

std::size_t PosixSerialPort::Read(std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::size_t got = 0;
  if (stashed_ >= 0) {
    data[got++] = static_cast<std::uint8_t>(stashed_);
    stashed_ = -1;
    if (got == size) return got;
  }
  for (;;) {
    ssize_t n = ::read(fd_, data + got, size - got);
    if (n >= 0) return got + static_cast<std::size_t>(n);
    if (errno == EINTR) continue;
    // EAGAIN: nothing waiting. EIO, ENXIO, ENODEV: the device is gone; the next wait says so.
    if (errno == EIO || errno == ENXIO || errno == ENODEV) hangUpReason_ = std::strerror(errno);
    return got;
  }
}

bool PosixSerialPort::Write(const std::uint8_t* data, std::size_t size) {
  std::lock_guard<std::mutex> lock(writeMutex_);
  std::size_t done = 0;
  while (done < size) {
    ssize_t n = ::write(fd_, data + done, size - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) return false;
    pollfd out{fd_, POLLOUT, 0};
    int ready = ::poll(&out, 1, kWriteStallMilliseconds);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0 || (out.revents & (POLLERR | POLLHUP | POLLNVAL))) return false;
  }
  return true;
}

}  // namespace lumarel
