// SPDX-License-Identifier: MIT
// Live picture: the two buttons and their faces, the paint-driven frame cycle,
// the live frame and zoom handlers, busy reports, recovery and stopping.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

#include "TransferHarness.h"
#include "link/Dispatcher.h"
#include "link/ReceiveThread.h"
#include "windows/LiveControlLink.h"

namespace lumarel::testing {
namespace {

CameraPacket LivePacket(std::uint16_t k, std::uint8_t fill) {
  CameraPacket p = DataPacketOf(k, fill);
  return p;
}

// Pixel (x, row from the top) of a bottom-up 24-bit picture block.
const std::uint8_t* PixelAt(const std::vector<std::uint8_t>& block, int width, int height, int x,
                            int rowFromTop) {
  const std::size_t stride = std::size_t(width) * 3;
  return block.data() + 40 + std::size_t(height - 1 - rowFromTop) * stride + std::size_t(x) * 3;
}

struct LiveFixture {
  LiveFixture() {
    h.transfers->Live().Activated();
    h.Written();
    h.ui.Clear();
  }
  LiveControl& Live() { return h.transfers->Live(); }
  void Press(bool zoom) {
    zoom ? Live().ZoomButtonNotified(true, true) : Live().LiveButtonNotified(true, true);
  }
  void Release(bool zoom) {
    zoom ? Live().ZoomButtonNotified(false, true) : Live().LiveButtonNotified(false, true);
  }
  TransferHarness h;
};

TEST(LiveButton, PressTurnsLiveOnAndOffReleaseSendsNothing) {
  LiveFixture f;
  EXPECT_EQ(f.h.State().responseKind, ResponseKind::LiveFrame);
  f.Press(false);
  EXPECT_EQ(f.h.Written(), (Bytes{CmdLiveFrame}));
  EXPECT_TRUE(f.h.State().liveActive);
  EXPECT_TRUE(f.h.State().awaitingPacket);
  EXPECT_EQ(f.Live().Faces().live, 108);
  EXPECT_EQ(f.h.ui.status, "Receive Live Image data");
  EXPECT_EQ(f.h.liveTimers.Period(1), 500);
  f.Release(false);
  f.Live().LiveButtonNotified(true, false);  // a redraw without a selection change
  EXPECT_TRUE(f.h.Written().empty());
  f.Press(false);
  EXPECT_EQ(f.h.Written(), (Bytes{CmdLiveStop}));
  EXPECT_FALSE(f.h.State().liveActive);
  EXPECT_EQ(f.Live().Faces().live, 107);
  EXPECT_EQ(f.h.ui.status, "Ready");
}

TEST(LiveButton, NothingWhileTheZoomIsShownOrTheLinkIsDown) {
  LiveFixture f;
  f.Press(true);
  f.Release(true);  // face 105: the zoom picture is running
  f.h.Written();
  f.Press(false);
  EXPECT_TRUE(f.h.Written().empty());
  LiveFixture g;
  g.h.State().linkPhase = LinkPhase{2};
  g.Press(false);
  g.Press(true);
  EXPECT_TRUE(g.h.Written().empty());
  EXPECT_EQ(g.Live().Faces().zoom, 109);
}

TEST(LiveButton, OutstandingFrameRequestDefersThePressToTimer4) {
  LiveFixture f;
  f.Press(false);
  f.Live().Painted();
  EXPECT_EQ(f.h.Written(), (Bytes{CmdLiveFrame, CmdLiveFrame}));
  EXPECT_TRUE(f.h.State().frameRequested);
  f.Press(false);
  EXPECT_TRUE(f.h.Written().empty());
  EXPECT_EQ(f.h.liveTimers.Period(4), 200);
  f.h.Feed(LivePacket(0, 0x88));  // the frame's first packet ends the request
  EXPECT_FALSE(f.h.State().frameRequested);
  f.h.Written();
  f.h.ui.Clear();
  f.Live().OnTimer(4);
  EXPECT_EQ(f.h.Written(), (Bytes{CmdLiveStop}));
  EXPECT_TRUE(f.h.ui.Has("Repaint Live 200,35,300,65"));
}

struct FaceStep {
  int faceBefore;
  bool press;
  std::uint8_t written;
  int faceAfter;
};

TEST(ZoomButton, FaceCycleWritesOneCommandPerChange) {
  LiveFixture f;
  f.Press(false);  // live running
  f.h.Written();
  const FaceStep steps[] = {{109, true, CmdLiveStop, 110},
                            {110, false, CmdZoomCapture, 105},
                            {105, true, CmdZoomStop, 106},
                            {106, false, CmdZoomStop, 109}};
  for (const FaceStep& s : steps) {
    SCOPED_TRACE(s.faceBefore);
    ASSERT_EQ(f.Live().Faces().zoom, s.faceBefore);
    f.h.livePhoto[5000] = 0x11;
    f.h.ui.Clear();
    s.press ? f.Press(true) : f.Release(true);
    EXPECT_EQ(f.h.Written(), (Bytes{s.written}));
    EXPECT_EQ(f.Live().Faces().zoom, s.faceAfter);
    EXPECT_EQ(f.Live().Faces().live, 107);
    EXPECT_EQ(f.h.livePhoto[5000], 0x80);
    EXPECT_TRUE(f.h.ui.Has("Repaint Live 4,150,644,630"));
    EXPECT_TRUE(f.h.ui.Has("Menu Frame 40014 off"));
    EXPECT_TRUE(f.h.ui.Has("Menu Frame 40003 off"));
  }
  EXPECT_FALSE(f.h.State().liveActive);
  EXPECT_FALSE(f.h.State().zoomActive);
  EXPECT_EQ(f.h.ui.status, "Ready");
}

TEST(ZoomButton, CaptureArmsTheZoomTransfer) {
  LiveFixture f;
  f.Press(true);
  f.Release(true);
  EXPECT_EQ(f.h.State().responseKind, ResponseKind::ZoomPicture);
  EXPECT_TRUE(f.h.State().zoomActive);
  EXPECT_EQ(f.h.ui.status, "Receive Live Image data");
  EXPECT_GE(f.h.Port().PurgeCount(), 1);
}

TEST(LiveFrame, SixtyPacketsFillTheFrameAndAskForARepaint) {
  LiveFixture f;
  f.Press(false);
  f.h.Written();
  for (std::uint16_t k = 0; k < 60; ++k) f.h.Feed(LivePacket(k, 0xF0));
  EXPECT_EQ(f.h.Written(), Bytes(59, CmdAck));
  EXPECT_TRUE(f.h.ui.Has("Repaint Live 15,15,175,135"));
  EXPECT_EQ(f.h.State().indexPacketCounter, 0);
  EXPECT_EQ(f.h.State().liveLineOffset, 0u);
  const std::uint8_t* top = PixelAt(f.h.liveFrame, 160, 120, 10, 0);
  EXPECT_EQ(top[0], 240);
  EXPECT_EQ(top[1], 240);
  EXPECT_EQ(top[2], 240);
  EXPECT_EQ(PixelAt(f.h.liveFrame, 160, 120, 10, 118)[0], 240);
  EXPECT_EQ(PixelAt(f.h.liveFrame, 160, 120, 10, 119)[0], 0x80);  // the bottom row keeps its grey
  f.Live().Painted();  // the repaint asks for the next frame
  EXPECT_EQ(f.h.Written(), (Bytes{CmdLiveFrame}));
}

// A frame is on its way from its request until its last packet; a watchdog
// tick between the frame's end and its repaint must not hide that it is done,
// or the paint would not ask for the next one and the picture would stall.
TEST(LiveFrame, OutstandingFromTheRequestToTheLastPacket) {
  LiveFixture f;
  EXPECT_FALSE(f.Live().FrameOutstanding());
  f.Press(false);
  EXPECT_TRUE(f.Live().FrameOutstanding());  // before its first packet
  for (std::uint16_t k = 0; k < 59; ++k) f.h.Feed(LivePacket(k, 0x40));
  EXPECT_TRUE(f.Live().FrameOutstanding());
  f.h.Feed(LivePacket(59, 0x40));
  EXPECT_FALSE(f.Live().FrameOutstanding());
  f.Live().OnTimer(1);  // the watchdog's healthy tick, before the paint
  EXPECT_TRUE(f.h.State().awaitingPacket);
  EXPECT_FALSE(f.Live().FrameOutstanding());
  EXPECT_FALSE(LiveControlLink(f.h.State(), f.h.transfers->Operations()).FrameInFlight());  // the window
  f.h.Written();
  f.Live().Painted();
  EXPECT_EQ(f.h.Written(), (Bytes{CmdLiveFrame}));
  EXPECT_TRUE(f.Live().FrameOutstanding());
  f.h.Feed(LivePacket(0, 0x40));
  EXPECT_TRUE(f.Live().FrameOutstanding());
  f.Press(false);  // live off
  EXPECT_FALSE(f.Live().FrameOutstanding());
}

TEST(LiveFrame, TenNaksThenLiveStopAndARetryAfter200ms) {
  LiveFixture f;
  f.Press(false);
  f.h.Feed(LivePacket(0, 0x10));
  f.h.Written();
  for (int i = 0; i < 11; ++i) f.h.Feed(LivePacket(7, 0x10));
  Bytes expected(10, CmdNak);
  expected.push_back(CmdLiveStop);
  EXPECT_EQ(f.h.Written(), expected);
  EXPECT_EQ(f.h.State().indexPacketCounter, 0);
  EXPECT_EQ(f.h.liveTimers.Period(3), 200);
  EXPECT_FALSE(f.Live().FrameOutstanding());
  f.Live().OnTimer(3);
  EXPECT_EQ(f.h.Written(), (Bytes{CmdLiveFrame}));
  EXPECT_TRUE(f.Live().FrameOutstanding());
}

TEST(LiveFrame, InactiveLiveGetsNoNakAndCancelAtTheEleventh) {
  LiveFixture f;
  for (int i = 0; i < 11; ++i) f.h.Feed(CameraPacket{});
  EXPECT_EQ(f.h.Written(), (Bytes{CmdCancel}));
  f.Live().OnTimer(3);
  EXPECT_TRUE(f.h.Written().empty());
}

TEST(LiveStatus, BusyDuringLivePressesAndReleasesTheZoomButton) {
  LiveFixture f;
  f.Press(false);
  f.h.Feed(LivePacket(0, 0x10));
  f.h.Written();
  f.h.Feed(EncodeStatusPacket(StatusBusy));
  EXPECT_TRUE(f.h.Written().empty());
  EXPECT_EQ(f.h.liveTimers.Period(2), 100);
  f.Live().OnTimer(2);
  EXPECT_EQ(f.h.Written(), (Bytes{CmdLiveStop}));
  EXPECT_EQ(f.h.liveTimers.Period(2), 200);
  f.Live().OnTimer(2);
  EXPECT_EQ(f.h.Written(), (Bytes{CmdZoomCapture}));
  EXPECT_FALSE(f.h.liveTimers.IsRunning(2));
  EXPECT_EQ(f.Live().Faces().zoom, 105);
  EXPECT_TRUE(f.h.ui.Has("Repaint Live 200,85,300,115"));
  CameraPacket report = EncodeStatusPacket(StatusCardReport);
  report[7] = 1;
  f.h.Feed(report);
  EXPECT_TRUE(f.h.State().writeProtected);
  EXPECT_TRUE(f.h.Written().empty());
}

CameraPacket ZoomPacket(std::uint16_t k) {
  CameraPacket p = EncodeDataPacket(k, nullptr, 0);
  for (int g = 0; g < 9; ++g) {
    std::uint8_t* group = &p[3 + 12 * g];
    std::fill_n(group, 8, std::uint8_t{100});
    group[8] = 20;  // v
    group[9] = 20;
    group[10] = 10;  // u
    group[11] = 10;
  }
  return p;
}

TEST(ZoomPicture, TwoThousandOneHundredSixtyPacketsMakeThePhoto) {
  LiveFixture f;
  f.Press(true);
  f.Release(true);
  f.h.Written();
  f.h.ui.Clear();
  for (int k = 0; k < 2160; ++k) f.h.Feed(ZoomPacket(static_cast<std::uint16_t>(k)));
  EXPECT_EQ(f.h.Written(), Bytes(2159, CmdAck));
  EXPECT_EQ(f.h.ui.Count("Repaint Live 5,155,325,395"), 60);
  EXPECT_FALSE(f.h.State().zoomActive);
  EXPECT_EQ(f.Live().Faces().zoom, 109);
  EXPECT_EQ(f.h.ui.status, "Ready");
  EXPECT_TRUE(f.h.ui.Has("Menu Frame 40014 on"));
  EXPECT_TRUE(f.h.ui.Has("Menu Frame 40003 on"));
  for (int row : {1, 239, 479}) {  // the lines themselves
    const std::uint8_t* px = PixelAt(f.h.livePhoto, 640, 480, 639, row);
    EXPECT_EQ(px[0], 121);
    EXPECT_EQ(px[1], 79);
    EXPECT_EQ(px[2], 133);
  }
  for (int row : {0, 240, 478}) {  // averages of two lines, each byte halved first
    const std::uint8_t* px = PixelAt(f.h.livePhoto, 640, 480, 0, row);
    EXPECT_EQ(px[0], 120);
    EXPECT_EQ(px[1], 78);
    EXPECT_EQ(px[2], 132);
  }
}

TEST(ZoomPicture, ElevenBadPacketsCancel) {
  LiveFixture f;
  f.Press(true);
  f.Release(true);
  f.h.Feed(ZoomPacket(0));
  f.h.Written();
  for (int i = 0; i < 11; ++i) f.h.Feed(ZoomPacket(5));
  Bytes expected(10, CmdNak);
  expected.push_back(CmdCancel);
  EXPECT_EQ(f.h.Written(), expected);
  EXPECT_EQ(f.h.State().indexPacketCounter, 0);
}

// Keeps posted tasks until the test runs them: the test decides when the event
// loop takes a response that the receive thread has handed over.
class QueuedDispatcher final : public Dispatcher {
 public:
  void Post(std::function<void()> task) override {
    {
      std::lock_guard lock(mutex_);
      tasks_.push_back(std::move(task));
    }
    posted_.notify_all();
  }
  bool WaitForTask(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return posted_.wait_for(lock, timeout, [&] { return !tasks_.empty(); });
  }
  void RunQueued() {
    std::deque<std::function<void()>> tasks;
    {
      std::lock_guard lock(mutex_);
      tasks.swap(tasks_);
    }
    for (auto& task : tasks) task();
  }

 private:
  std::mutex mutex_;
  std::condition_variable posted_;
  std::deque<std::function<void()>> tasks_;
};

// A live packet that the receive thread completed and handed over, but that
// the event loop had not run yet when the zoom button was pressed and released
// in the same turn, must not be taken as the zoom picture's packet 0.
TEST(ZoomButton, ALiveResponseHandedOverBeforeTheCaptureIsDropped) {
  using namespace std::chrono_literals;
  QueuedDispatcher loop;  // outlives the link and its receive thread
  LiveFixture f;
  f.Press(false);  // live running
  CameraLink& link = *f.h.link;
  link.ClosePort();
  link.Services().makeReceiver = [&loop](SerialPort& port, CameraLink& l) {
    return std::make_unique<ReceiveThread>(port, l, loop, ReceiveOptions{1ms, 1ms});
  };
  ASSERT_TRUE(link.OpenPort());
  ASSERT_TRUE(loop.WaitForTask(5s));
  loop.RunQueued();  // the receiver has started
  ASSERT_TRUE(f.h.Port().WaitForWritten(2, 5s));
  f.h.Written();

  const CameraPacket live = LivePacket(0, 0x88);
  f.h.Port().QueueIncoming(Bytes(live.begin(), live.end()));
  ASSERT_TRUE(loop.WaitForTask(5s));  // handed over, not yet handled
  f.Press(true);
  f.Release(true);
  ASSERT_EQ(f.h.State().responseKind, ResponseKind::ZoomPicture);
  EXPECT_EQ(f.h.Written(), (Bytes{CmdLiveStop, CmdZoomCapture}));
  loop.RunQueued();
  EXPECT_EQ(f.h.State().indexPacketCounter, 0);
  EXPECT_EQ(f.h.State().zoomLineOffset, 0u);
  EXPECT_TRUE(f.h.Written().empty());  // no CmdAck for it

  // The zoom picture's own packet 0, begun after the capture, is taken.
  const CameraPacket zoom = ZoomPacket(0);
  f.h.Port().QueueIncoming(Bytes(zoom.begin(), zoom.end()));
  ASSERT_TRUE(loop.WaitForTask(5s));
  loop.RunQueued();
  EXPECT_EQ(f.h.State().indexPacketCounter, 1);
  EXPECT_EQ(f.h.Written(), (Bytes{CmdAck}));
  link.ClosePort();
}

TEST(LiveStop, StoppingTheStreamEndsBothTransfers) {
  LiveFixture f;
  f.Press(true);
  f.Release(true);
  f.h.State().liveActive = true;
  f.h.Written();
  f.h.livePhoto[5000] = 1;
  EXPECT_TRUE(f.Live().StopStream());
  EXPECT_EQ(f.h.Written(), (Bytes{CmdLiveStop, CmdZoomStop}));
  EXPECT_EQ(f.Live().Faces().zoom, 109);
  EXPECT_EQ(f.Live().Faces().live, 107);
  EXPECT_EQ(f.h.livePhoto[5000], 0x80);
  EXPECT_EQ(f.h.ui.status, "Ready");
  EXPECT_FALSE(f.Live().StopStream());
  EXPECT_TRUE(f.h.Written().empty());
}

TEST(LiveWatchdog, SilenceStopsTheLivePictureAndOpensDisconnect) {
  LiveFixture f;
  f.Press(false);
  f.h.Written();
  f.Live().OnTimer(1);  // awaiting since the press: one CmdNak
  EXPECT_EQ(f.h.Written(), (Bytes{CmdNak}));
  EXPECT_EQ(f.h.liveTimers.Period(1), 400);
  f.h.ui.Clear();
  f.Live().OnTimer(1);
  EXPECT_EQ(f.h.Written(), (Bytes{CmdLiveStop}));
  EXPECT_EQ(f.h.ui.calls, (std::vector<std::string>{"Status Ready", "Activate Preview", "Mdi off",
                                                   "Progress hide", "Status Ready",
                                                   "COM_DISCONNECT"}));
}

// A frame request counts as healthy for one watchdog period; one still
// unanswered a period later is a silent camera: CmdNak, then COM_DISCONNECT,
// and a press of the live button afterwards starts the picture afresh.
TEST(LiveWatchdog, AFrameRequestLeftUnansweredForAPeriodIsSilence) {
  LiveFixture f;
  f.Press(false);
  f.Live().Painted();
  f.h.Written();
  f.Live().OnTimer(1);
  EXPECT_TRUE(f.h.Written().empty());
  f.Live().OnTimer(1);
  EXPECT_EQ(f.h.Written(), (Bytes{CmdNak}));
  EXPECT_EQ(f.h.ui.disconnectDialogs, 0);
  f.Live().OnTimer(1);
  EXPECT_EQ(f.h.Written(), (Bytes{CmdLiveStop}));
  EXPECT_EQ(f.h.ui.disconnectDialogs, 1);
  EXPECT_FALSE(f.h.State().frameRequested);
  f.Press(false);
  EXPECT_EQ(f.h.Written(), (Bytes{CmdLiveFrame}));
}

}  // namespace
}  // namespace lumarel::testing
