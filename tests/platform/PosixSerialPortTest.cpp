// SPDX-License-Identifier: MIT
#include "platform/serial/PosixSerialPort.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <set>
#include <thread>

#include "PseudoTerminal.h"
#include "TempDir.h"

namespace lumarel {
namespace {

using namespace std::chrono_literals;
using testing::PseudoTerminal;
using Bytes = std::vector<std::uint8_t>;

Bytes Pattern(std::size_t size, std::uint8_t seed = 0) {
  Bytes b(size);
  for (std::size_t i = 0; i < size; ++i) b[i] = static_cast<std::uint8_t>(seed + i * 7);
  return b;
}

class PosixSerialPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PortOpenError error = PortOpenError::Other;
    port_ = PosixSerialPort::Open(pty_.SlavePath(), error);
    ASSERT_NE(port_, nullptr) << Describe(error);
    EXPECT_EQ(error, PortOpenError::None);
    ASSERT_TRUE(port_->SetLine(9600));
  }

  // Waits for and reads bytes until count arrived (or a wait ends otherwise).
  Bytes ReceiveOnPort(std::size_t count) {
    Bytes got;
    while (got.size() < count) {
      if (port_->WaitForCharacter() != PortWait::Received) break;
      std::size_t waiting = port_->ClearErrors();
      Bytes chunk(std::max<std::size_t>(waiting, 1));
      chunk.resize(port_->Read(chunk.data(), std::min(chunk.size(), count - got.size())));
      got.insert(got.end(), chunk.begin(), chunk.end());
    }
    return got;
  }

  // ClearErrors reports what the master wrote once the line discipline delivered it.
  std::size_t WaitUntilWaiting(std::size_t count) {
    for (int i = 0; i < 500 && port_->ClearErrors() < count; ++i) std::this_thread::sleep_for(2ms);
    return port_->ClearErrors();
  }

  PseudoTerminal pty_;
  std::unique_ptr<PosixSerialPort> port_;
};

class LineSpeedTest : public PosixSerialPortTest,
                      public ::testing::WithParamInterface<std::pair<std::uint32_t, speed_t>> {};

TEST_P(LineSpeedTest, SpeedAndRawEightNoneOneVisibleOnOtherSide) {
  auto [bps, constant] = GetParam();
  ASSERT_TRUE(port_->SetLine(bps));
  termios seen = pty_.Settings();
  EXPECT_EQ(cfgetospeed(&seen), constant);
  EXPECT_EQ(cfgetispeed(&seen), constant);
  EXPECT_EQ(seen.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(seen.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
  EXPECT_EQ(seen.c_iflag & (IXON | IXOFF | ICRNL | ISTRIP), 0u);
  EXPECT_EQ(seen.c_lflag & (ICANON | ECHO | ISIG), 0u);
  EXPECT_EQ(seen.c_oflag & OPOST, 0u);
  std::uint32_t read = 0;
  ASSERT_TRUE(port_->GetSpeed(read));
  EXPECT_EQ(read, bps);
}

INSTANTIATE_TEST_SUITE_P(CameraSpeeds, LineSpeedTest,
                         ::testing::Values(std::pair{9600u, B9600}, std::pair{19200u, B19200},
                                           std::pair{57600u, B57600},
                                           std::pair{115200u, B115200}));

TEST_F(PosixSerialPortTest, SpeedWithoutTermiosConstantIsRefusedAndLineUnchanged) {
  ASSERT_TRUE(port_->SetLine(57600));
  EXPECT_FALSE(port_->SetLine(12345));
  std::uint32_t speed = 0;
  ASSERT_TRUE(port_->GetSpeed(speed));
  EXPECT_EQ(speed, 57600u);
}

TEST_F(PosixSerialPortTest, PurgeDropsWaitingInput) {
  ASSERT_TRUE(pty_.Write({1, 2, 3}));
  ASSERT_EQ(WaitUntilWaiting(3), 3u);
  port_->Purge();
  EXPECT_EQ(port_->ClearErrors(), 0u);
  std::uint8_t buf[8];
  EXPECT_EQ(port_->Read(buf, sizeof buf), 0u);
  // The line still works after a purge.
  ASSERT_TRUE(pty_.Write({9}));
  EXPECT_EQ(ReceiveOnPort(1), Bytes{9});
}

// A purge right after a write (the receive thread's, or a window's on
// activation) must not swallow a command the camera has not read yet. Each
// write-and-purge gives the flush a chance at the byte still on its way.
TEST_F(PosixSerialPortTest, PurgeKeepsWhatWasWritten) {
  const Bytes sent = Pattern(200, 3);
  for (std::uint8_t byte : sent) {
    ASSERT_TRUE(port_->Write(&byte, 1));
    port_->Purge();
  }
  EXPECT_EQ(pty_.Read(sent.size()), sent);
}

TEST_F(PosixSerialPortTest, ReadWithNothingWaitingReturnsAtOnce) {
  std::uint8_t buf[4];
  EXPECT_EQ(port_->Read(buf, sizeof buf), 0u);
  EXPECT_EQ(port_->ClearErrors(), 0u);
}

TEST_F(PosixSerialPortTest, WakeFromAnotherThreadEndsWaitWithoutCharacter) {
  std::atomic<bool> started{false};
  PortWait result = PortWait::Received;
  std::thread waiter([&] {
    started = true;
    result = port_->WaitForCharacter();
  });
  while (!started) std::this_thread::yield();
  std::this_thread::sleep_for(20ms);
  port_->Wake();
  waiter.join();
  EXPECT_EQ(result, PortWait::Woken);
  EXPECT_EQ(port_->ClearErrors(), 0u);
}

TEST_F(PosixSerialPortTest, WakeBeforeWaitEndsTheNextWaitOnlyOnce) {
  port_->Wake();
  port_->Wake();  // wakes do not accumulate into several Woken results
  EXPECT_EQ(port_->WaitForCharacter(), PortWait::Woken);
  ASSERT_TRUE(pty_.Write({0x42}));
  EXPECT_EQ(port_->WaitForCharacter(), PortWait::Received);
}

TEST_F(PosixSerialPortTest, WaitingBytesWinOverPendingWake) {
  ASSERT_TRUE(pty_.Write({7, 8}));
  ASSERT_EQ(WaitUntilWaiting(2), 2u);
  port_->Wake();
  EXPECT_EQ(port_->WaitForCharacter(), PortWait::Received);
  EXPECT_EQ(ReceiveOnPort(2), (Bytes{7, 8}));
  EXPECT_EQ(port_->WaitForCharacter(), PortWait::Woken);
}

TEST_F(PosixSerialPortTest, ResponseWrittenInPiecesIsCollectedWhole) {
  Bytes packet = Pattern(116, 3);
  std::thread camera([&] {
    for (std::size_t at = 0; at < packet.size(); at += 10) {
      Bytes piece(packet.begin() + at, packet.begin() + std::min(at + 10, packet.size()));
      pty_.Write(piece);
      std::this_thread::sleep_for(2ms);
    }
  });
  Bytes got = ReceiveOnPort(packet.size());
  camera.join();
  EXPECT_EQ(got, packet);
}

TEST_F(PosixSerialPortTest, WriteReachesOtherSideAndBytesPassUntranslated) {
  // CR, LF, XON/XOFF, DEL and ^C must pass as data in both directions.
  Bytes special = {0x0D, 0x0A, 0x11, 0x13, 0x7F, 0x03, 0x00, 0xFF};
  ASSERT_TRUE(port_->Write(special.data(), special.size()));
  EXPECT_EQ(pty_.Read(special.size()), special);
  ASSERT_TRUE(pty_.Write(special));
  EXPECT_EQ(ReceiveOnPort(special.size()), special);
}

TEST_F(PosixSerialPortTest, WriteLargerThanDriverBufferWaitsUntilAllTaken) {
  Bytes big = Pattern(256 * 1024, 5);
  Bytes received;
  std::thread reader([&] { received = pty_.Read(big.size()); });
  EXPECT_TRUE(port_->Write(big.data(), big.size()));
  reader.join();
  EXPECT_EQ(received, big);
}

TEST_F(PosixSerialPortTest, WritesFromTwoThreadsStayWhole) {
  Bytes a(4000, 0xAA), b(4000, 0xBB);
  Bytes received;
  std::thread reader([&] { received = pty_.Read(a.size() + b.size()); });
  std::thread other([&] { port_->Write(b.data(), b.size()); });
  port_->Write(a.data(), a.size());
  other.join();
  reader.join();
  ASSERT_EQ(received.size(), a.size() + b.size());
  // One block follows the other; a byte change in the middle would mean interleaving.
  int changes = 0;
  for (std::size_t i = 1; i < received.size(); ++i) changes += received[i] != received[i - 1];
  EXPECT_EQ(changes, 1);
}

// A closed line is a hang-up with the device's reason, reported by every
// later wait too, never a wait that merely found nothing.
TEST_F(PosixSerialPortTest, WaitReportsAHangUpWhenOtherSideCloses) {
  pty_.CloseMaster();
  EXPECT_EQ(port_->WaitForCharacter(), PortWait::HungUp);
  EXPECT_FALSE(port_->HangUpReason().empty());
  EXPECT_EQ(port_->WaitForCharacter(), PortWait::HungUp);
}

TEST_F(PosixSerialPortTest, SecondOpenOfSameDeviceIsBusy) {
  PortOpenError error = PortOpenError::None;
  EXPECT_EQ(PosixSerialPort::Open(pty_.SlavePath(), error), nullptr);
  EXPECT_EQ(error, PortOpenError::Busy);
  port_.reset();
  auto again = PosixSerialPort::Open(pty_.SlavePath(), error);
  EXPECT_NE(again, nullptr) << "closing must release the device";
}

TEST(PosixSerialPortOpenTest, NonexistentPathIsNoSuchDevice) {
  PortOpenError error = PortOpenError::None;
  int errnum = 0;
  EXPECT_EQ(PosixSerialPort::Open("/dev/lumarel-no-such-tty", error, &errnum), nullptr);
  EXPECT_EQ(error, PortOpenError::NoSuchDevice);
  EXPECT_EQ(errnum, ENOENT);
}

TEST(PosixSerialPortOpenTest, RegularFileAndNonTerminalDeviceAreNotATerminal) {
  testing::TempDir dir;
  PortOpenError error = PortOpenError::None;
  PosixSerialPortOpener opener;
  EXPECT_EQ(opener.Open(dir.Write("plain", "x"), error), nullptr);
  EXPECT_EQ(error, PortOpenError::NotATerminal);
  error = PortOpenError::None;
  EXPECT_EQ(opener.Open("/dev/null", error), nullptr);
  EXPECT_EQ(error, PortOpenError::NotATerminal);
}

TEST(PosixSerialPortOpenTest, UnreadableDeviceIsPermissionDenied) {
  if (::geteuid() == 0) GTEST_SKIP() << "root opens files regardless of their mode";
  testing::TempDir dir;
  std::string path = dir.Write("locked", "");
  ASSERT_EQ(::chmod(path.c_str(), 0), 0);
  PortOpenError error = PortOpenError::None;
  EXPECT_EQ(PosixSerialPort::Open(path, error), nullptr);
  EXPECT_EQ(error, PortOpenError::PermissionDenied);
}

TEST(PortOpenErrorTest, ErrnoMapsToReason) {
  EXPECT_EQ(PortOpenErrorFromErrno(ENOENT), PortOpenError::NoSuchDevice);
  EXPECT_EQ(PortOpenErrorFromErrno(ENODEV), PortOpenError::NoSuchDevice);
  EXPECT_EQ(PortOpenErrorFromErrno(ENXIO), PortOpenError::NoSuchDevice);
  EXPECT_EQ(PortOpenErrorFromErrno(EACCES), PortOpenError::PermissionDenied);
  EXPECT_EQ(PortOpenErrorFromErrno(EPERM), PortOpenError::PermissionDenied);
  EXPECT_EQ(PortOpenErrorFromErrno(EBUSY), PortOpenError::Busy);
  EXPECT_EQ(PortOpenErrorFromErrno(EWOULDBLOCK), PortOpenError::Busy);
  EXPECT_EQ(PortOpenErrorFromErrno(ENOTTY), PortOpenError::NotATerminal);
  EXPECT_EQ(PortOpenErrorFromErrno(EMFILE), PortOpenError::Other);
}

TEST(PortOpenErrorTest, EveryReasonHasItsOwnText) {
  std::set<std::string> texts;
  for (auto e : {PortOpenError::None, PortOpenError::NoSuchDevice,
                 PortOpenError::PermissionDenied, PortOpenError::Busy,
                 PortOpenError::NotATerminal, PortOpenError::Other})
    texts.insert(Describe(e));
  EXPECT_EQ(texts.size(), 6u);
}

TEST(TermiosSpeedTest, RoundTripsAndRejectsUnknown) {
  for (std::uint32_t bps : {9600u, 19200u, 57600u, 115200u})
    EXPECT_EQ(BitsPerSecondFor(TermiosSpeedFor(bps)), bps);
  EXPECT_EQ(TermiosSpeedFor(12345), 0u);
  EXPECT_EQ(BitsPerSecondFor(B0), 0u);
}

}  // namespace
}  // namespace lumarel
