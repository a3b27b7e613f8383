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
#include "cli/Progress.h"
#include "imagefile/TempFile.h"
#include "link/CameraLink.h"
#include "link/EventLoop.h"
#include "link/LinkOutcome.h"
#include "link/LinkAssembly.h"
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
  // failure is reported on err.
  ExitStatus Connect();

  // Starts one operation (start is given the completion to pass on) and runs
  // the link until its outcome arrives. An interrupt or a declined question
  // cancels it; a link that shows no activity for idleLimit ends it as
  // camera silent. Nothing is reported here.
  using Starter = std::function<void(OperationDone)>;
  LinkOutcome Run(const Starter& start,
                  std::chrono::milliseconds idleLimit = std::chrono::seconds(20));
  // Prints the one message of a failed outcome on err ("the line to DEVICE was
  // lost: REASON", "picture 3: This file size is wrong.", ...); `picture` names
  // the 1-based picture a download or upload was about when the outcome has none.
  void Report(const LinkOutcome& outcome, int picture = 0);
  // 0 for done, 1 for every other outcome.
  static ExitStatus StatusFor(const LinkOutcome& outcome);
  // After a silent or lost line: closes the port, waits for the device to be
  // there again and runs the reconnect sequence (reset, identify, list), as the
  // Reconnect button does; up to `attempts` tries, waiting 1, 2, 4 ... s
  // between them. True when the camera answers and its list is read again.
  bool Reconnect(int attempts = 3);
  // Run, Report and StatusFor in one.
  ExitStatus RunAndReport(const Starter& start,
                          std::chrono::milliseconds idleLimit = std::chrono::seconds(20));

  CameraLink& Link() { return assembly_->Link(); }
  EventLoop& Loop() { return loop_; }
  HeadlessLinkUi& Ui() { return ui_; }
  Progress& ProgressLine() { return progress_; }
  ConsoleNotifier& Messages() { return notifier_; }
  // The link's transfer entry points (download, upload, delete, live).
  LinkTransfers* Transfers() { return &assembly_->Transfers(); }
  LinkOperations& Operations();
  // The Live window's pictures: the live frame and the zoom photo.
  std::span<std::uint8_t> LiveFrame() { return assembly_->LiveFrame(); }
  std::span<std::uint8_t> LivePhoto() { return assembly_->LivePhoto(); }
  std::ostream& Err() { return err_; }
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
  TempFileGuard tempA_, tempB_;
  std::unique_ptr<LinkAssembly> assembly_;
};

}  // namespace lumarel::cli
