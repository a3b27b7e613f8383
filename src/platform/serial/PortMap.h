// SPDX-License-Identifier: MIT
// COM1..COM4 on this system: the port ids the link scans, the device path
// behind each (from section "Ports" of the settings file, or the serial devices
// present), and the reason each port last failed to open.
#pragma once

#include <array>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/SerialPort.h"

namespace lumarel {

// Port ids, the ids of the port radio buttons of the COM SETUP dialog.
inline constexpr std::uint16_t kPortCom1 = 1001;
inline constexpr std::uint16_t kPortCom2 = 1002;
inline constexpr std::uint16_t kPortCom3 = 1042;
inline constexpr std::uint16_t kPortCom4 = 1043;
inline constexpr int kPortCount = 4;

// "COM1".."COM4" for the four ids; nullptr for any other value.
const char* PortName(std::uint16_t portId);
// 1..4 for the four ids; 0 for any other value.
int PortNumber(std::uint16_t portId);
// The id of COM1..COM4 for number 1..4; 0 otherwise.
std::uint16_t PortIdForNumber(int number);
// The port the scan tries after portId: COM1 → COM2 → COM3 → COM4 → 0 (none).
std::uint16_t NextPortId(std::uint16_t portId);
// The id for "COM1".."COM4" in any case; 0 for any other name.
std::uint16_t PortIdFromName(std::string_view name);

inline constexpr char kPortsSection[] = "Ports";

// Serial devices under deviceDir in the order they fill COM1..COM4: USB adapters
// (by their /serial/by-id name where one exists, else ttyUSB*, then ttyACM*),
// then ttyS0..ttyS3; only devices that exist.
std::vector<std::string> DiscoverSerialDevices(const std::string& deviceDir = "/dev");

class PortMap {
 public:
  // Keys "COM1".."COM4" of section "Ports" when the settings file has that
  // section (a missing or empty key leaves that port without a device);
  // otherwise the first four DiscoverSerialDevices(deviceDir).
  static PortMap Load(const std::string& settingsPath, const std::string& deviceDir = "/dev");
  static PortMap FromDevices(const std::string& deviceDir = "/dev");

  // The device behind portId; empty when it has none or the id is unknown.
  std::string DevicePath(std::uint16_t portId) const;
  void SetDevicePath(std::uint16_t portId, std::string path);

 private:
  std::array<std::string, kPortCount> paths_;
};

struct PortFailure {
  std::uint16_t portId = 0;
  std::string device;  // empty when the port has no device
  PortOpenError error = PortOpenError::None;
  std::string reason;  // text shown to the user
};

// The last open failure of each port, and the advice for a slow USB-serial
// adapter behind a port that opened, for the user interface to show. Safe to
// use from several threads.
class PortOpenLog {
 public:
  void RecordFailure(std::uint16_t portId, const std::string& device, PortOpenError error,
                     const std::string& detail = {});
  void RecordSuccess(std::uint16_t portId);  // forgets the port's failure and advice
  // Keeps LatencyAdvice for the port when the adapter needs the fix.
  void RecordLatency(std::uint16_t portId, const std::string& device,
                     const AdapterLatency& latency);
  std::optional<PortFailure> LastFailure(std::uint16_t portId) const;
  std::vector<PortFailure> Failures() const;  // COM1 first
  std::vector<std::string> LatencyWarnings() const;  // COM1 first
  void Clear();

 private:
  mutable std::mutex mutex_;
  std::array<std::optional<PortFailure>, kPortCount> failures_;
  std::array<std::string, kPortCount> latencyWarnings_;
};

// "COMn (path): reason"
std::string FormatPortFailure(const PortFailure& failure);
// One FormatPortFailure line per recorded failure.
void PrintPortFailures(const PortOpenLog& log, std::ostream& out);
void PrintPortFailures(const PortOpenLog& log);  // on standard error

// Opens the device behind portId through opener, asks it for low latency and
// records the outcome in log. A port without a device fails with NoSuchDevice.
std::unique_ptr<SerialPort> OpenMappedPort(SerialPortOpener& opener, const PortMap& map,
                                           std::uint16_t portId, PortOpenLog& log);

}  // namespace lumarel
