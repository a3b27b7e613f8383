// SPDX-License-Identifier: MIT
// ports: what stands behind COM1..COM4, for finding out why no camera is found.
#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <ostream>
#include <sstream>

#include "cli/CameraCommands.h"
#include "cli/CameraSession.h"
#include "cli/ConsoleNotifier.h"
#include "cli/Interrupt.h"
#include "platform/serial/PortMap.h"
#include "platform/serial/PosixSerialPort.h"

namespace lumarel::cli {
namespace {

// The kernel driver of a tty ("ftdi_sio", "pl2303", "serial8250"); empty when unknown.
std::string DriverOf(const std::string& device) {
  char real[PATH_MAX];
  if (::realpath(device.c_str(), real) == nullptr) return {};
  std::string name(real);
  name = name.substr(name.rfind('/') + 1);
  char driver[PATH_MAX];
  const std::string link = "/sys/class/tty/" + name + "/device/driver";
  if (::realpath(link.c_str(), driver) == nullptr) return {};
  const std::string path(driver);
  return path.substr(path.rfind('/') + 1);
}

// True when a camera answers the identification and its list can be read on device.
bool CameraAnswers(const GlobalOptions& global, const std::string& device) {
  GlobalOptions options = global;
  options.port = device;
  std::ostringstream quiet;
  ConsoleNotifier notifier(quiet);
  CameraSession session(options, notifier, quiet, false);
  return session.Connect() == ExitStatus::Success;
}

}  // namespace

ExitStatus RunPorts(CommandContext& ctx) {
  const PortMap map = PortMapFor(ctx.request.global);
  PosixSerialPortOpener opener;
  bool found = false;
  for (int number = 1; number <= kPortCount && !InterruptRequested(); ++number) {
    const std::uint16_t id = PortIdForNumber(number);
    const std::string device = map.DevicePath(id);
    ctx.out << PortName(id) << ": ";
    if (device.empty()) {
      ctx.out << "no device" << std::endl;
      continue;
    }
    ctx.out << device;
    struct stat st {};
    if (::stat(device.c_str(), &st) != 0) {
      ctx.out << ": does not exist" << std::endl;
      continue;
    }
    PortOpenLog log;
    std::unique_ptr<SerialPort> port = OpenMappedPort(opener, map, id, log);
    if (!port) {
      const std::optional<PortFailure> failure = log.LastFailure(id);
      ctx.out << ": exists, cannot be opened: " << (failure ? failure->reason : "unknown reason")
              << std::endl;
      continue;
    }
    port.reset();
    ctx.out << ": exists, can be opened";
    if (const std::string driver = DriverOf(device); !driver.empty())
      ctx.out << ", driver " << driver;
    if (const std::string file = LatencyTimerFile(device); !file.empty()) {
      if (const int ms = ReadLatencyTimer(file); ms >= 0)
        ctx.out << ", latency timer " << ms << " ms";
    }
    for (const std::string& warning : log.LatencyWarnings()) ctx.out << " (" << warning << ")";
    const bool answers = CameraAnswers(ctx.request.global, device);
    found = found || answers;
    ctx.out << (answers ? ", a camera answers" : ", no camera answers") << std::endl;
  }
  if (InterruptRequested()) return ExitStatus::Interrupted;
  return found ? ExitStatus::Success : ExitStatus::LinkFailure;
}

}  // namespace lumarel::cli
