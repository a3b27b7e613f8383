// SPDX-License-Identifier: MIT
#include "Probe.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "Jpeg.h"
#include "TermiosClient.h"

namespace lumarel::sim {
namespace {

constexpr int kAnswerMs = 800;
constexpr int kMostRetries = 10;

void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

bool IsStatus(const std::vector<std::uint8_t>& p) {
  return p.size() == kPacketSize && p[0] == kStatusMarker && p[114] == kStatusTail;
}

bool IsData(const std::vector<std::uint8_t>& p, std::uint32_t counter) {
  return p.size() == kPacketSize && p[0] == kDataMarker && p[1] == static_cast<std::uint8_t>(counter) &&
         p[115] == 0;
}

// The answer to `command`, retried with CmdNak while it is not a good packet.
std::vector<std::uint8_t> Exchange(TermiosClient& line, std::uint8_t command, bool dataExpected,
                                   std::uint32_t counter) {
  line.WriteByte(command);
  for (int retry = 0;; ++retry) {
    std::vector<std::uint8_t> packet = line.Read(kPacketSize, kAnswerMs);
    if (dataExpected ? IsData(packet, counter) : IsStatus(packet)) return packet;
    if (retry == kMostRetries) return {};
    line.Purge();
    line.WriteByte(CmdNak);
  }
}

bool Identify(TermiosClient& line, ProbeResult& result) {
  line.WriteByte(CmdWake);
  Pause(100);
  line.WriteByte(CmdIdentify);
  const std::vector<std::uint8_t> p = line.Read(kPacketSize, kAnswerMs);
  if (!IsStatus(p)) return result.error = "no identification at 9600", false;
  result.identified = true;
  result.model.assign(p.begin() + 4, p.begin() + 7);
  result.writeProtected = p[2] == 0x10;
  result.capacity = GetBe32(&p[16]);
  result.pictureCount = GetBe16(&p[20]);
  return true;
}

bool NegotiateSpeed(TermiosClient& line, ProbeResult& result) {
  for (std::uint8_t command : {CmdSpeed115200, CmdSpeed57600, CmdSpeed19200}) {
    line.SetSpeed(kBaseSpeed);
    line.WriteByte(command);
    Pause(50);
    line.SetSpeed(SpeedOfCommand(command));
    const std::vector<std::uint8_t> p = line.Read(kPacketSize, kAnswerMs);
    if (IsStatus(p) && p[8] == StatusAccepted) {
      result.speed = SpeedOfCommand(command);
      const std::vector<std::uint8_t> ready = Exchange(line, CmdSpeedConfirm, false, 0);
      if (ready.empty()) return result.error = "no answer to CmdSpeedConfirm", false;
      result.readyStatus = ready[8];
      return true;
    }
    line.Purge();
  }
  line.SetSpeed(kBaseSpeed);
  result.error = "no speed answered";
  return false;
}

bool ReadEntry(TermiosClient& line, const std::vector<std::uint8_t>& header, ProbeResult& result) {
  ProbeEntry entry;
  entry.quality = header[3];
  const std::uint32_t size = GetBe32(&header[4]);
  entry.width = GetBe16(&header[8]);
  entry.height = GetBe16(&header[10]);
  entry.previewWidth = GetBe16(&header[14]);
  entry.previewHeight = GetBe16(&header[16]);
  entry.taken = {1900 + header[22], header[23], header[24], header[25], header[26]};
  const std::uint32_t packets = PacketsForSize(size);
  for (std::uint32_t k = 1; k <= packets; ++k) {
    const std::vector<std::uint8_t> p = Exchange(line, CmdAck, true, k);
    if (p.empty()) return result.error = "data packet lost", false;
    entry.preview.insert(entry.preview.end(), p.begin() + kPayloadOffset, p.begin() + 115);
  }
  entry.preview.resize(size);
  RgbImage decoded;
  if (DecodeJpeg(entry.preview, decoded)) {
    entry.decodedWidth = decoded.width;
    entry.decodedHeight = decoded.height;
  }
  result.entries.push_back(std::move(entry));
  return true;
}

void ReadIndex(TermiosClient& line, ProbeResult& result) {
  for (std::uint8_t digit : {CmdDigitOnes, CmdDigitTens, CmdDigitHundreds}) {
    const std::vector<std::uint8_t> p = Exchange(line, digit, false, 0);
    if (p.empty() || p[8] != StatusAccepted) {
      result.error = "digit not accepted";
      return;
    }
  }
  std::uint8_t command = CmdSendIndex;
  for (;;) {
    const std::vector<std::uint8_t> header = Exchange(line, command, true, 0);
    if (header.empty()) {
      result.error = "index header lost";
      return;
    }
    const bool endMarker = !result.entries.empty() && header[12] == 0 && header[13] == 0;
    if (endMarker || GetBe16(&header[28]) == 0) {
      result.indexComplete = true;
      return;
    }
    if (!ReadEntry(line, header, result)) return;
    command = CmdNextEntry;
  }
}

}  // namespace

ProbeResult ProbeCamera(const std::string& path, bool readIndex) {
  ProbeResult result;
  TermiosClient line;
  if (!line.Open(path, result.error)) return result;
  if (!Identify(line, result) || !NegotiateSpeed(line, result)) return result;
  if (readIndex && result.readyStatus == StatusCameraReady) ReadIndex(line, result);
  line.WriteByte(CmdReset);
  Pause(20);
  return result;
}

void PrintProbe(const ProbeResult& result, std::ostream& out) {
  if (result.identified)
    out << "camera: model " << result.model << (result.writeProtected ? ", write-protected" : "")
        << ", capacity figure " << result.capacity << ", " << result.pictureCount << " pictures\n";
  if (result.speed != 0)
    out << "speed: " << result.speed << ", then " << StatusName(result.readyStatus) << "\n";
  for (std::size_t i = 0; i < result.entries.size(); ++i) {
    const ProbeEntry& e = result.entries[i];
    char line[160];
    std::snprintf(line, sizeof line, "%3zu%c: %02d/%d/%d %d:%02d  %ux%u  quality 0x%02X  preview %ux%u, %zu bytes%s\n",
                  i + 1, (e.quality & 0x0F) ? 'F' : 'N', e.taken.year % 100, e.taken.month,
                  e.taken.day, e.taken.hour, e.taken.minute, e.width, e.height, e.quality,
                  e.previewWidth, e.previewHeight, e.preview.size(),
                  e.decodedWidth ? ", decodes" : ", DOES NOT DECODE");
    out << line;
  }
  if (result.indexComplete) out << "index complete: " << result.entries.size() << " pictures\n";
  if (!result.error.empty()) out << "error: " << result.error << "\n";
}

}  // namespace lumarel::sim
