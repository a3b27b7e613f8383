// SPDX-License-Identifier: MIT
// One connection to the camera: the event loop, the link with its timers and
// scratch files, the headless LinkUi, and Run, which starts one operation of
// the link's operations interface and waits for its outcome. Connect is the
// index operation (scan, speed, picture list), as the program does at start.
// Callers decide from the outcome alone; Report and StatusFor turn it into
// the one message and the exit status of the command.
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
#include "cli/PortTrace.h"
#include "cli/Progress.h"
#include "imagefile/TempFile.h"
#include "link/CameraLink.h"
#include "link/EventLoop.h"
#include "link/LinkOutcome.h"
#include "link/LinkAssembly.h"
#include "link/RememberedPreviews.h"
#include "platform/serial/PosixSerialPort.h"

namespace lumarel {
class LinkOperations;
class LinkTransfers;
}

namespace lumarel::cli {

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

  // Finds the camera, negotiates the speed and reads the picture list; a
  // failure is reported on err. Previews the user's preview cache knows are
  // not read (unless --no-cache); a list that may hold a wrong key for them
  // is read again in full (see ReadAgainIfSuspect).
  ExitStatus Connect();

  // Starts one operation (start is given the completion to pass on) and runs
  // the link until its outcome arrives. An interrupt or a declined question
  // cancels it; a link that shows no activity for idleLimit ends it as
  // camera silent. Nothing is reported here.
  using Starter = std::function<void(OperationDone)>;
  LinkOutcome Run(const Starter& start,
                  std::chrono::milliseconds idleLimit = std::chrono::seconds(20));
  // Prints the one message of a failed outcome on err ("the line to DEVICE was
  // lost: REASON", "picture 3 cannot be used: ...", ...); `picture` names the
  // picture a download was about ("picture 3 (1999-12-30 10:01)"), in place
  // of the outcome's position.
  void Report(const LinkOutcome& outcome, const std::string& picture = {});
  // 0 for done, 1 for every other outcome.
  static ExitStatus StatusFor(const LinkOutcome& outcome);
  // One try after a silent or lost line: waits up to 2 s for the device path
  // to be there, then opens the port again and identifies the camera (the
  // Reconnect button's sequence when the port is still open, the start's
  // scan when an earlier try closed it) and reads the list. True when the
  // camera answered and its list is read again.
  bool Reconnect();
  // The pause before try n (from 1): none, then 1, 2, 4, 8, 8 ... s; an interrupt ends it.
  static void PauseBeforeTry(int tryNumber);
  // Run, Report and StatusFor in one.
  ExitStatus RunAndReport(const Starter& start,
                          std::chrono::milliseconds idleLimit = std::chrono::seconds(20));

  // The link as the commands see it: read-only; they act through Operations().
  const CameraLink& Link() const { return assembly_->Link(); }
  // The device the camera was found on (the link's current one before that).
  std::string Device() const { return device_.empty() ? Link().DevicePath() : device_; }
  EventLoop& Loop() { return loop_; }
  HeadlessLinkUi& Ui() { return ui_; }
  Progress& ProgressLine() { return progress_; }
  ConsoleNotifier& Messages() { return notifier_; }
  // --debug, --debug-logfile (off without them).
  PortTrace& Trace() { return trace_; }
  LinkOperations& Operations();
  // The Live window's pictures: the live frame and the zoom photo.
  std::span<std::uint8_t> LiveFrame() { return assembly_->LiveFrame(); }
  std::span<std::uint8_t> LivePhoto() { return assembly_->LivePhoto(); }
  std::ostream& Err() { return err_; }
  // The camera's JPEG of the last picture downloaded, as received: the link
  // writes it to its first scratch file to decode it.
  const std::string& ReceivedJpegPath() const { return tempA_.path(); }
  // Timers for a window that runs a transfer (Capture, Openfile, Live).
  std::unique_ptr<Timers> MakeWindowTimers(EventLoop::TimerHandler handler) {
    return loop_.MakeTimers(std::move(handler));
  }

 private:
  ConsoleNotifier& notifier_;
  std::ostream& err_;
  GlobalOptions options_;
  EventLoop loop_;
  Progress progress_;
  HeadlessLinkUi ui_;
  PosixSerialPortOpener posixOpener_;
  std::unique_ptr<std::ostream> traceFile_;
  PortTrace trace_;
  std::unique_ptr<TracedOpener> tracedOpener_;
  TempFileGuard tempA_, tempB_;
  // When the last listing answered a fingerprint from the cache that it then
  // met again at another place, the list is read again with every preview
  // read (Reload). False when that reading failed.
  bool ReadAgainIfSuspect();

  RememberedPreviews previews_;
  std::string previewCachePath_;
  std::unique_ptr<LinkAssembly> assembly_;
  std::string device_;
};

}  // namespace lumarel::cli
