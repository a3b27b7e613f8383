// SPDX-License-Identifier: MIT
#include "BareClient.h"

#include <chrono>
#include <thread>

#include "Packets.h"
#include "Protocol.h"
#include "TimedPort.h"

namespace lumarel::bench {
namespace {

constexpr int kAnswerMs = 2000;

bool IsStatus(const std::vector<std::uint8_t>& p, std::uint8_t code) {
  return p.size() == sim::kPacketSize && p[0] == sim::kStatusMarker && p[8] == code;
}

bool IsData(const std::vector<std::uint8_t>& p) {
  return p.size() == sim::kPacketSize && p[0] == sim::kDataMarker && p[115] == 0;
}

}  // namespace

bool BareClient::Connect(const std::string& device) {
  std::string error;
  if (!line_.Open(device, error)) return false;
  BareTransfer t;
  Send(sim::CmdWake, t);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  Send(sim::CmdIdentify, t);
  if (Receive(t).size() != sim::kPacketSize) return false;
  Send(sim::CmdSpeed115200, t);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  if (!line_.SetSpeed(115200)) return false;
  speed_ = 115200;
  if (!IsStatus(Receive(t), sim::StatusAccepted)) return false;
  Send(sim::CmdSpeedConfirm, t);
  return IsStatus(Receive(t), sim::StatusCameraReady);
}

void BareClient::Send(std::uint8_t command, BareTransfer& t) {
  if (pace_) PaceLine(1, speed_);
  line_.WriteByte(command);
  ++t.bytes;
}

std::vector<std::uint8_t> BareClient::Receive(BareTransfer& t) {
  std::vector<std::uint8_t> packet = line_.Read(sim::kPacketSize, kAnswerMs);
  t.bytes += packet.size();
  ++t.packets;
  return packet;
}

bool BareClient::Address(int n, BareTransfer& t) {
  const std::uint8_t digits[] = {std::uint8_t(sim::CmdDigitOnes + n % 10),
                                 std::uint8_t(sim::CmdDigitTens + n / 10 % 10),
                                 std::uint8_t(sim::CmdDigitHundreds + n / 100 % 10)};
  for (std::uint8_t digit : digits) {
    Send(digit, t);
    if (!IsStatus(Receive(t), sim::StatusAccepted)) return false;
  }
  return true;
}

bool BareClient::ReadItem(const std::vector<std::uint8_t>& header, std::uint8_t closing,
                          BareTransfer& t) {
  const std::uint32_t packets = sim::PacketsForSize(sim::GetBe32(&header[4]));
  for (std::uint32_t k = 1; k <= packets; ++k) {
    Send(sim::CmdAck, t);
    const std::vector<std::uint8_t> p = Receive(t);
    if (!IsData(p) || p[1] != std::uint8_t(k)) return false;
  }
  if (closing != 0) Send(closing, t);
  return true;
}

BareTransfer BareClient::ReadIndex() {
  BareTransfer t;
  entries_.clear();
  const auto start = std::chrono::steady_clock::now();
  if (!Address(0, t)) return t;
  Send(sim::CmdSendIndex, t);
  for (;;) {
    const std::vector<std::uint8_t> header = Receive(t);
    if (!IsData(header) || header[1] != 0) return t;
    const bool end = !entries_.empty() && header[12] == 0 && header[13] == 0;
    if (end || sim::GetBe16(&header[28]) == 0) break;
    entries_.push_back({header[3], sim::GetBe16(&header[8]), sim::GetBe16(&header[10])});
    if (!ReadItem(header, sim::CmdNextEntry, t)) return t;
  }
  t.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  t.ok = true;
  return t;
}

BareTransfer BareClient::Download(int n) {
  BareTransfer t;
  const auto start = std::chrono::steady_clock::now();
  if (!Address(n, t)) return t;
  Send(sim::CmdSendPicture, t);
  const std::vector<std::uint8_t> header = Receive(t);
  if (!IsData(header) || header[1] != 0 || !ReadItem(header, 0, t)) return t;
  t.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  t.ok = true;
  return t;
}

}  // namespace lumarel::bench
