// SPDX-License-Identifier: MIT
// The receive thread over a scripted port, with the EventLoop as the event-loop thread.
#include <gtest/gtest.h>

#include <chrono>

#include "FakeSerialPort.h"
#include "PlatformFakes.h"
#include "RecordingLinkUi.h"
#include "link/CameraLink.h"
#include "link/EventLoop.h"
#include "link/LinkAssembly.h"
#include "link/ReceiveThread.h"

namespace lumarel::testing {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

class RecordingHandler final : public ResponseHandler {
 public:
  void Handle(const CameraPacket& packet) override { packets.push_back(packet); }
  std::vector<CameraPacket> packets;
};

struct ThreadedLink {
  ThreadedLink() {
    opener.Prepare("com1", port);
    LinkParts parts;
    parts.makeTimers = TimersOn(loop);
    LinkServices& s = parts.link;
    s.opener = &opener;
    s.portMap.SetDevicePath(kPortCom1, "com1");
    s.notifier = &notifier;
    s.ui = &ui;
    s.dispatcher = &loop;
    s.makeReceiver = [this](SerialPort& p, CameraLink& l) {
      return std::make_unique<ReceiveThread>(p, l, loop, ReceiveOptions{1ms, 1ms});
    };
    assembly = std::make_unique<LinkAssembly>(std::move(parts));
    link = &assembly->Link();
    auto h = std::make_unique<RecordingHandler>();
    handler = h.get();
    link->SetHandler(ResponseKind::UploadReply, std::move(h));
  }
  // Opens the port and lets the thread send its opening bytes.
  void Opened() {
    link->Start();
    ASSERT_TRUE(loop.RunUntil([&] { return ui.status.size() > 0; }, 2s));
    EXPECT_EQ(port->TakeWritten(), (Bytes{CmdWake, CmdIdentify}));
    link->State().linkPhase = LinkPhase{0};
    link->State().responseKind = ResponseKind::UploadReply;
  }

  EventLoop loop;
  std::shared_ptr<FakeSerialPort> port = std::make_shared<FakeSerialPort>();
  FakeSerialPortOpener opener;
  RecordingNotifier notifier;
  RecordingLinkUi ui;
  std::unique_ptr<LinkAssembly> assembly;
  CameraLink* link = nullptr;
  RecordingHandler* handler = nullptr;
};

// A hang-up is one event: reported once with the device's reason, the thread
// stops reading, the link writes nothing more and shows COM_DISCONNECT.
TEST(ReceiveThread, AHangUpIsReportedOnceAndReadingStops) {
  ThreadedLink t;
  t.Opened();
  t.port->HangUp("Input/output error");
  ASSERT_TRUE(t.loop.RunUntil([&] { return t.link->LineIsLost(); }, 2s));
  t.loop.RunFor(30ms);
  EXPECT_EQ(t.port->HangUpsReported(), 1);
  EXPECT_EQ(t.link->LineLostReason(), "Input/output error");
  EXPECT_EQ(t.ui.disconnectDialogs, 1);
  EXPECT_TRUE(t.handler->packets.empty());  // never an all-zero "nothing came" packet
  EXPECT_FALSE(t.link->WriteCommand(CmdNak));
  EXPECT_EQ(t.port->WritesAfterHangUp(), 0);
}

TEST(ReceiveThread, CollectsAResponseArrivingInPieces) {
  ThreadedLink t;
  t.Opened();
  CameraPacket p = EncodeStatusPacket(StatusAccepted);
  t.port->QueueIncoming(Bytes(p.begin(), p.begin() + 50));
  t.loop.RunFor(30ms);
  EXPECT_TRUE(t.handler->packets.empty());
  t.port->QueueIncoming(Bytes(p.begin() + 50, p.end()));
  ASSERT_TRUE(t.loop.RunUntil([&] { return !t.handler->packets.empty(); }, 2s));
  t.loop.RunFor(30ms);
  ASSERT_EQ(t.handler->packets.size(), 1u);
  EXPECT_EQ(t.handler->packets[0], p);
}

TEST(ReceiveThread, WaitWithoutCharacterGivesOneZeroPacket) {
  ThreadedLink t;
  t.Opened();
  t.port->QueueWake();
  ASSERT_TRUE(t.loop.RunUntil([&] { return !t.handler->packets.empty(); }, 2s));
  EXPECT_EQ(t.handler->packets[0], CameraPacket{});
}

TEST(ReceiveThread, ZeroPacketIsAnsweredWithNakByTheIndexHandler) {
  ThreadedLink t;
  t.Opened();
  t.link->State().responseKind = ResponseKind::Index;
  t.port->QueueWake();
  ASSERT_TRUE(t.loop.RunUntil([&] { return !t.port->Written().empty(); }, 2s));
  EXPECT_EQ(t.port->TakeWritten(), (Bytes{CmdNak}));
}

TEST(ReceiveThread, UploadRepliesAreDispatchedOneByOne) {
  ThreadedLink t;
  t.Opened();
  t.link->SetExpectedLength(1);
  t.port->QueueIncoming({ReplySendHeader, ReplyAck, ReplyAck});
  ASSERT_TRUE(t.loop.RunUntil([&] { return t.handler->packets.size() == 3; }, 2s));
  EXPECT_EQ(t.handler->packets[0][0], ReplySendHeader);
  EXPECT_EQ(t.handler->packets[2][0], ReplyAck);
  // A wake with nothing received produces nothing while one byte is expected.
  t.port->QueueWake();
  t.loop.RunFor(50ms);
  EXPECT_EQ(t.handler->packets.size(), 3u);
}

TEST(ReceiveThread, StopsWhileItsHandOverWaitsForTheLoop) {
  ThreadedLink t;
  t.Opened();
  CameraPacket p = EncodeStatusPacket(StatusAccepted);
  t.port->QueueIncoming(Bytes(p.begin(), p.end()));
  std::this_thread::sleep_for(50ms);  // the thread now waits for the loop, which does not run
  const auto start = std::chrono::steady_clock::now();
  t.link->ClosePort();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
  t.loop.RunFor(20ms);  // the stale task runs and does nothing
  EXPECT_TRUE(t.handler->packets.empty());
}

TEST(ReceiveThread, StopsDuringTheWakePause) {
  EventLoop loop;
  FakeSerialPort port;
  RecordingNotifier notifier;
  RecordingLinkUi ui;
  LinkParts parts;
  parts.makeTimers = TimersOn(loop);
  parts.link.notifier = &notifier;
  parts.link.ui = &ui;
  LinkAssembly assembly(std::move(parts));
  CameraLink& link = assembly.Link();
  const auto start = std::chrono::steady_clock::now();
  {
    ReceiveThread thread(port, link, loop, ReceiveOptions{10s, 1ms});
    std::this_thread::sleep_for(20ms);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
  EXPECT_EQ(port.Written(), (Bytes{CmdWake}));
}

TEST(EventLoop, TimersAreOneShotAndOrdered) {
  EventLoop loop;
  std::vector<int> fired;
  auto timers = loop.MakeTimers([&](int id) { fired.push_back(id); });
  timers->Start(2, 30);
  timers->Start(1, 10);
  timers->Start(3, 20);
  timers->Stop(3);
  loop.RunFor(80ms);
  EXPECT_EQ(fired, (std::vector<int>{1, 2}));
}

TEST(EventLoop, PostFromAnotherThreadRunsOnTheLoop) {
  EventLoop loop;
  std::thread::id ranOn;
  std::thread poster([&] { loop.Post([&] { ranOn = std::this_thread::get_id(); }); });
  poster.join();
  ASSERT_TRUE(loop.RunUntil([&] { return ranOn != std::thread::id(); }, 1s));
  EXPECT_EQ(ranOn, std::this_thread::get_id());
}

}  // namespace
}  // namespace lumarel::testing
