// One connection to the camera for one command: the event loop, the link with
// its timers and scratch files, the headless LinkUi, and the wait for the
// link to come up with the picture list read, as the program does at start.
#pragma once

#include <chrono>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/ConsoleNotifier.h"
#include "cli/ExitStatus.h"
#include "cli/HeadlessLinkUi.h"
#include "cli/Progress.h"
#include "imagefile/TempFile.h"
#include "link/CameraLink.h"
#include "link/EventLoop.h"
#include "link/TransferServices.h"
#include "platform/serial/PosixSerialPort.h"

namespace lumarel {
class LinkTransfers;
}

namespace lumarel::cli {

// SIGINT, SIGTERM and SIGHUP end a running wait as a link failure, so that the
// command unwinds and removes its temporary files.
void InstallInterruptHandlers();
bool Interrupted();

// The settings file used without --settings: zelcam.ini beside the executable.
std::string DefaultSettingsPath();

// The device map the scan uses: only COM1 = port when given, else the settings file's.
PortMap PortMapFor(const GlobalOptions& options);

class CameraSession {
 public:
  CameraSession(const GlobalOptions& options, ConsoleNotifier& notifier, std::ostream& err,
                bool progress);
  ~CameraSession();
  CameraSession(const CameraSession&) = delete;
  CameraSession& operator=(const CameraSession&) = delete;

  // Finds the camera, negotiates the speed and reads the picture list.
  ExitStatus Connect();

  // Runs the link until done() holds. False (reported on err) when the link
  // failed, a question stopped the run, the run was interrupted, or nothing
  // happened on the link for idleLimit.
  bool RunUntil(const std::function<bool()>& done,
                std::chrono::milliseconds idleLimit = std::chrono::seconds(20));

  CameraLink& Link() { return *link_; }
  EventLoop& Loop() { return loop_; }
  HeadlessLinkUi& Ui() { return ui_; }
  Progress& ProgressLine() { return progress_; }
  ConsoleNotifier& Messages() { return notifier_; }
  // The link's transfer entry points (download, upload, delete, live); null
  // when this build has none.
  LinkTransfers* Transfers() { return transfers_.get(); }
  // The Live window's pictures: the live frame and the zoom photo.
  std::span<std::uint8_t> LiveFrame() { return liveFrame_; }
  std::span<std::uint8_t> LivePhoto() { return livePhoto_; }
  std::ostream& Err() { return err_; }
  // Timers for a window that runs a transfer (Capture, Openfile, Live).
  std::unique_ptr<Timers> MakeWindowTimers(EventLoop::TimerHandler handler) {
    return loop_.MakeTimers(std::move(handler));
  }

 private:
  void MakeTransfers();
  void ReportFailure();
  bool FatalMessageSince(std::size_t mark) const;

  ConsoleNotifier& notifier_;
  std::ostream& err_;
  GlobalOptions options_;
  EventLoop loop_;
  Progress progress_;
  HeadlessLinkUi ui_;
  PosixSerialPortOpener posixOpener_;
  std::unique_ptr<SerialPortOpener> cappedOpener_;
  TempFileGuard tempA_, tempB_;
  std::unique_ptr<Timers> frameTimers_, previewTimers_, waitTimers_;
  std::unique_ptr<CameraLink> link_;
  std::vector<std::uint8_t> liveFrame_, livePhoto_;
  std::unique_ptr<Timers> liveTimers_;
  std::unique_ptr<LinkTransfers> transfers_;
  std::size_t connectMark_ = 0;
  bool reported_ = false;
};

}  // namespace lumarel::cli
