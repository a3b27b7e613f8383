// SPDX-License-Identifier: MIT
#include "FakeSerialPort.h"

#include <gtest/gtest.h>

#include <thread>

namespace lumarel::testing {
namespace {

using namespace std::chrono_literals;
using Bytes = FakeSerialPort::Bytes;

TEST(FakeSerialPortTest, ReceiveThreadBlocksUntilBytesQueued) {
  FakeSerialPort port;
  Bytes got;
  std::thread receiver([&] {
    while (got.size() < 5) {
      if (port.WaitForCharacter() != PortWait::Received) return;
      std::uint8_t buf[3];
      std::size_t n = port.Read(buf, sizeof buf);
      got.insert(got.end(), buf, buf + n);
    }
  });
  port.QueueIncoming({1, 2});
  std::this_thread::sleep_for(5ms);
  port.QueueIncoming({3, 4, 5});
  receiver.join();
  EXPECT_EQ(got, (Bytes{1, 2, 3, 4, 5}));
}

TEST(FakeSerialPortTest, WakeEndsWaitButWaitingBytesComeFirst) {
  FakeSerialPort port;
  PortWait result = PortWait::Received;
  std::thread receiver([&] { result = port.WaitForCharacter(); });
  port.QueueWake();
  receiver.join();
  EXPECT_EQ(result, PortWait::Woken);

  port.QueueIncoming({9});
  port.Wake();
  EXPECT_EQ(port.WaitForCharacter(), PortWait::Received);
  std::uint8_t b = 0;
  EXPECT_EQ(port.Read(&b, 1), 1u);
  EXPECT_EQ(port.WaitForCharacter(), PortWait::Woken);
}

TEST(FakeSerialPortTest, ScriptedReplyFromWriteHookAndPurge) {
  FakeSerialPort port;
  port.OnWrite([&](const Bytes& written) {
    if (written == Bytes{0x2A}) port.QueueIncoming(Bytes(116, 0x10));
  });
  EXPECT_TRUE(port.WriteByte(0x2A));
  EXPECT_EQ(port.ClearErrors(), 116u);
  port.Purge();
  EXPECT_EQ(port.ClearErrors(), 0u);
  EXPECT_EQ(port.PurgeCount(), 1);
  EXPECT_EQ(port.TakeWritten(), Bytes{0x2A});
  EXPECT_TRUE(port.Written().empty());
}

TEST(FakeSerialPortTest, RecordsSpeedsAndScriptedFailures) {
  FakeSerialPort port;
  EXPECT_TRUE(port.SetLine(115200));
  port.SetLineFails(true);
  EXPECT_FALSE(port.SetLine(57600));
  EXPECT_EQ(port.SpeedHistory(), std::vector<std::uint32_t>{115200});
  port.SetWriteFails(true);
  EXPECT_FALSE(port.WriteByte(1));
  port.SetFailing(true);
  EXPECT_EQ(port.WaitForCharacter(), PortWait::Failed);
}

TEST(FakeSerialPortOpenerTest, RefusesHandsOutAndNotesClosing) {
  FakeSerialPortOpener opener;
  opener.Refuse("/dev/ttyS0", PortOpenError::Busy);
  auto prepared = std::make_shared<FakeSerialPort>();
  opener.Prepare("/dev/ttyS1", prepared);
  PortOpenError error = PortOpenError::None;
  EXPECT_EQ(opener.Open("/dev/ttyS0", error), nullptr);
  EXPECT_EQ(error, PortOpenError::Busy);
  auto port = opener.Open("/dev/ttyS1", error);
  ASSERT_NE(port, nullptr);
  port->WriteByte(0x55);
  port.reset();
  auto opened = opener.OpenedPorts();
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_TRUE(*opened[0].closed);
  EXPECT_EQ(prepared->Written(), Bytes{0x55});
  EXPECT_EQ(opener.Attempts(), (std::vector<std::string>{"/dev/ttyS0", "/dev/ttyS1"}));
}

TEST(FakeSerialPortTest, WaitForWrittenSeesWritesFromAnotherThread) {
  FakeSerialPort port;
  std::thread writer([&] {
    std::this_thread::sleep_for(5ms);
    port.WriteByte(1);
    port.WriteByte(2);
  });
  EXPECT_TRUE(port.WaitForWritten(2, 2s));
  writer.join();
  EXPECT_FALSE(port.WaitForWritten(3, 10ms));
}

}  // namespace
}  // namespace lumarel::testing
