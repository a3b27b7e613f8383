// SPDX-License-Identifier: MIT
#include "platform/serial/PortMap.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <iostream>
#include <map>

#include "platform/ProfileFile.h"
#include "platform/serial/PortHolders.h"

namespace lumarel {
namespace {

namespace fs = std::filesystem;

constexpr std::uint16_t kPortIds[kPortCount] = {kPortCom1, kPortCom2, kPortCom3, kPortCom4};
constexpr const char* kPortNames[kPortCount] = {"COM1", "COM2", "COM3", "COM4"};

int IndexOf(std::uint16_t portId) {
  for (int i = 0; i < kPortCount; ++i)
    if (kPortIds[i] == portId) return i;
  return -1;
}

// The number after prefix in name ("ttyUSB12" → 12), or -1 when name is not prefix + digits.
long DeviceNumber(const std::string& name, std::string_view prefix) {
  if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return -1;
  std::string_view digits = std::string_view(name).substr(prefix.size());
  if (digits.size() > 6) return -1;
  long n = 0;
  for (char c : digits) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return -1;
    n = n * 10 + (c - '0');
  }
  return n;
}

// Devices prefix0, prefix1, ... present in dir, in numeric order (ttyUSB2 before ttyUSB10).
std::vector<fs::path> NumberedDevices(const fs::path& dir, std::string_view prefix) {
  std::vector<std::pair<long, fs::path>> found;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(dir, ec)) {
    long n = DeviceNumber(entry.path().filename().string(), prefix);
    if (n >= 0) found.emplace_back(n, entry.path());
  }
  std::sort(found.begin(), found.end());
  std::vector<fs::path> paths;
  for (auto& f : found) paths.push_back(std::move(f.second));
  return paths;
}

// serial/by-id links, keyed by the device they resolve to, in name order.
std::vector<std::pair<fs::path, fs::path>> StableUsbNames(const fs::path& deviceDir) {
  std::vector<fs::path> links;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(deviceDir / "serial" / "by-id", ec))
    links.push_back(entry.path());
  std::sort(links.begin(), links.end());
  std::vector<std::pair<fs::path, fs::path>> named;
  for (const auto& link : links) {
    fs::path target = fs::canonical(link, ec);
    if (!ec) named.emplace_back(target, link);
  }
  return named;
}

std::vector<std::string> UsbAdapters(const fs::path& deviceDir) {
  std::vector<fs::path> devices = NumberedDevices(deviceDir, "ttyUSB");
  for (auto& acm : NumberedDevices(deviceDir, "ttyACM")) devices.push_back(std::move(acm));
  auto stable = StableUsbNames(deviceDir);
  std::vector<std::string> result;
  std::vector<bool> used(stable.size(), false);
  for (const auto& device : devices) {
    std::error_code ec;
    fs::path real = fs::canonical(device, ec);
    std::string chosen = device.string();
    for (std::size_t i = 0; i < stable.size() && !ec; ++i) {
      if (!used[i] && stable[i].first == real) {
        chosen = stable[i].second.string();
        used[i] = true;
        break;
      }
    }
    result.push_back(chosen);
  }
  // Adapters known only by a stable name (their node has another name) come after.
  for (std::size_t i = 0; i < stable.size(); ++i)
    if (!used[i]) result.push_back(stable[i].second.string());
  return result;
}

}  // namespace

const char* PortName(std::uint16_t portId) {
  int i = IndexOf(portId);
  return i < 0 ? nullptr : kPortNames[i];
}

int PortNumber(std::uint16_t portId) { return IndexOf(portId) + 1; }

std::uint16_t PortIdForNumber(int number) {
  return number >= 1 && number <= kPortCount ? kPortIds[number - 1] : 0;
}

std::uint16_t NextPortId(std::uint16_t portId) {
  int i = IndexOf(portId);
  return i < 0 ? 0 : PortIdForNumber(i + 2);
}

std::uint16_t PortIdFromName(std::string_view name) {
  for (int i = 0; i < kPortCount; ++i) {
    std::string_view want = kPortNames[i];
    if (name.size() == want.size() &&
        std::equal(name.begin(), name.end(), want.begin(), [](char a, char b) {
          return std::toupper(static_cast<unsigned char>(a)) == b;
        }))
      return kPortIds[i];
  }
  return 0;
}

std::vector<std::string> DiscoverSerialDevices(const std::string& deviceDir) {
  fs::path dir(deviceDir);
  std::vector<std::string> devices = UsbAdapters(dir);
  for (int n = 0; n < kPortCount; ++n) {
    fs::path uart = dir / ("ttyS" + std::to_string(n));
    std::error_code ec;
    if (fs::exists(uart, ec)) devices.push_back(uart.string());
  }
  return devices;
}

PortMap PortMap::FromDevices(const std::string& deviceDir) {
  PortMap map;
  std::vector<std::string> devices = DiscoverSerialDevices(deviceDir);
  for (std::size_t i = 0; i < devices.size() && i < map.paths_.size(); ++i)
    map.paths_[i] = devices[i];
  return map;
}

PortMap PortMap::Load(const std::string& settingsPath, const std::string& deviceDir) {
  if (!ProfileHasSection(settingsPath, kPortsSection)) return FromDevices(deviceDir);
  PortMap map;
  for (int i = 0; i < kPortCount; ++i)
    map.paths_[i] = GetProfileString(settingsPath, kPortsSection, kPortNames[i], "");
  return map;
}

std::string PortMap::DevicePath(std::uint16_t portId) const {
  int i = IndexOf(portId);
  return i < 0 ? std::string() : paths_[i];
}

void PortMap::SetDevicePath(std::uint16_t portId, std::string path) {
  int i = IndexOf(portId);
  if (i >= 0) paths_[i] = std::move(path);
}

void PortOpenLog::RecordFailure(std::uint16_t portId, const std::string& device,
                                PortOpenError error, const std::string& detail) {
  int i = IndexOf(portId);
  if (i < 0) return;
  std::string reason = device.empty() ? "no device assigned" : Describe(error);
  if (!device.empty() && !detail.empty()) reason += " (" + detail + ")";
  std::lock_guard<std::mutex> lock(mutex_);
  failures_[i] = PortFailure{portId, device, error, std::move(reason)};
}

void PortOpenLog::RecordSuccess(std::uint16_t portId) {
  int i = IndexOf(portId);
  if (i < 0) return;
  std::lock_guard<std::mutex> lock(mutex_);
  failures_[i].reset();
  latencyWarnings_[i].clear();
}

void PortOpenLog::RecordLatency(std::uint16_t portId, const std::string& device,
                                const AdapterLatency& latency) {
  int i = IndexOf(portId);
  if (i < 0) return;
  std::string advice = NeedsLatencyFix(latency) ? LatencyAdvice(device, latency) : std::string();
  std::lock_guard<std::mutex> lock(mutex_);
  latencyWarnings_[i] = std::move(advice);
}

std::vector<std::string> PortOpenLog::LatencyWarnings() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> all;
  for (const auto& w : latencyWarnings_)
    if (!w.empty()) all.push_back(w);
  return all;
}

std::optional<PortFailure> PortOpenLog::LastFailure(std::uint16_t portId) const {
  int i = IndexOf(portId);
  if (i < 0) return std::nullopt;
  std::lock_guard<std::mutex> lock(mutex_);
  return failures_[i];
}

std::vector<PortFailure> PortOpenLog::Failures() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<PortFailure> all;
  for (const auto& f : failures_)
    if (f) all.push_back(*f);
  return all;
}

void PortOpenLog::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& f : failures_) f.reset();
  for (auto& w : latencyWarnings_) w.clear();
}

std::string FormatPortFailure(const PortFailure& failure) {
  const char* name = PortName(failure.portId);
  return std::string(name ? name : "COM?") + " (" +
         (failure.device.empty() ? std::string("none") : failure.device) + "): " + failure.reason;
}

void PrintPortFailures(const PortOpenLog& log, std::ostream& out) {
  for (const PortFailure& f : log.Failures()) out << FormatPortFailure(f) << '\n';
}

void PrintPortFailures(const PortOpenLog& log) { PrintPortFailures(log, std::cerr); }

std::unique_ptr<SerialPort> OpenMappedPort(SerialPortOpener& opener, const PortMap& map,
                                           std::uint16_t portId, PortOpenLog& log) {
  std::string device = map.DevicePath(portId);
  if (device.empty()) {
    log.RecordFailure(portId, device, PortOpenError::NoSuchDevice);
    return nullptr;
  }
  PortOpenError error = PortOpenError::None;
  std::unique_ptr<SerialPort> port = opener.Open(device, error);
  if (!port) {
    if (error == PortOpenError::None) error = PortOpenError::Other;
    log.RecordFailure(portId, device, error, PortFailureDetail(device, error));
    return nullptr;
  }
  log.RecordSuccess(portId);
  log.RecordLatency(portId, device, port->RequestLowLatency());
  return port;
}

}  // namespace lumarel
