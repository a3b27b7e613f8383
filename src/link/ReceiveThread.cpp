// SPDX-License-Identifier: MIT
#include "link/ReceiveThread.h"

#include <algorithm>

#include "link/Dispatcher.h"

namespace lumarel {

ReceiveThread::ReceiveThread(SerialPort& port, CameraLink& link, Dispatcher& dispatcher,
                             ReceiveOptions options)
    : port_(port), link_(link), dispatcher_(dispatcher), options_(options) {
  thread_ = std::thread([this] { Run(); });
}

ReceiveThread::~ReceiveThread() { Stop(); }

void ReceiveThread::DiscardPartial() { discard_.store(true); }

void ReceiveThread::Stop() {
  stop_.store(true);
  {
    std::lock_guard lock(handoff_->mutex);
    handoff_->stopping = true;
  }
  handoff_->changed.notify_all();
  port_.Wake();
  if (thread_.joinable()) thread_.join();
}

bool ReceiveThread::Pause(std::chrono::milliseconds d) {
  std::unique_lock lock(handoff_->mutex);
  return !handoff_->changed.wait_for(lock, d, [this] { return handoff_->stopping; });
}

bool ReceiveThread::HandOver(std::function<void()> work) {
  std::shared_ptr<Handoff> handoff = handoff_;
  std::uint64_t ticket = 0;
  {
    std::lock_guard lock(handoff->mutex);
    if (handoff->stopping) return false;
    ticket = ++handoff->posted;
  }
  // The task holds only the shared hand-off record, never this object, so a
  // task that runs after Stop() finds `stopping` and does nothing.
  dispatcher_.Post([handoff, ticket, work = std::move(work)] {
    {
      std::lock_guard lock(handoff->mutex);
      if (handoff->stopping) return;
    }
    work();
    {
      std::lock_guard lock(handoff->mutex);
      handoff->done = std::max(handoff->done, ticket);
    }
    handoff->changed.notify_all();
  });
  std::unique_lock lock(handoff->mutex);
  handoff->changed.wait(lock, [&] { return handoff->stopping || handoff->done >= ticket; });
  return !handoff->stopping;
}

void ReceiveThread::Run() {
  port_.WriteByte(CmdWake);
  if (!Pause(options_.wakePause)) return;
  port_.WriteByte(CmdIdentify);
  CameraLink& link = link_;
  if (!HandOver([&link] { link.ReceiverStarted(); })) return;
  Collect();
}

void ReceiveThread::Collect() {
  CameraPacket buffer{};
  std::size_t received = 0;
  // The link's response epoch when this response began; a discard request
  // always leaves received at 0, so the epoch is taken again after it.
  std::uint64_t epoch = link_.ResponseEpoch();
  auto expectedLength = [this] {
    return static_cast<std::size_t>(
        std::clamp(link_.ExpectedLength(), 1, static_cast<int>(kPacketSize)));
  };
  auto applyDiscard = [&] {
    if (discard_.exchange(false)) received = 0;
    if (received == 0) epoch = link_.ResponseEpoch();
  };
  while (!stop_.load()) {
    applyDiscard();
    if (received < expectedLength()) {
      const PortWait wait = port_.WaitForCharacter();
      if (stop_.load()) return;
      if (wait == PortWait::HungUp) {
        // Not "nothing came": the device is gone. Say so once and stop reading.
        CameraLink& link = link_;
        const std::string reason = port_.HangUpReason();
        HandOver([&link, reason] { link.LineLost(reason); });
        return;
      }
      const std::size_t waiting = port_.ClearErrors();
      applyDiscard();
      // The length may have changed while waiting (an upload begins).
      const std::size_t expected = expectedLength();
      if (wait == PortWait::Received) {
        const std::size_t room = expected > received ? expected - received : 0;
        const std::size_t want = waiting > 0 ? std::min(waiting, room) : room;
        received += port_.Read(buffer.data() + received, want);
      } else {
        if (link_.ExpectedLength() == static_cast<int>(kPacketSize)) {
          received = kPacketSize;  // nothing came: hand over an all-zero packet
          buffer.fill(0);
          port_.Purge();
        }
        if (wait == PortWait::Failed && !Pause(options_.failurePause)) return;
      }
      continue;
    }
    received = 0;
    const CameraPacket response = buffer;
    CameraLink& link = link_;
    if (!HandOver([&link, response, epoch] { link.HandleResponse(response, epoch); })) return;
  }
}

}  // namespace lumarel
