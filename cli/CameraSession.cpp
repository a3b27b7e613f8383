// SPDX-License-Identifier: MIT
#include "cli/CameraSession.h"

#include <algorithm>
#include <sys/stat.h>

#include <fstream>
#include <ostream>
#include <thread>

#include "cli/Interrupt.h"
#include "cli/OfflineCommands.h"
#include "cli/PictureBlocks.h"
#include "cli/PreviewCacheFile.h"
#include "link/LinkOperations.h"
#include "platform/Files.h"
#include "platform/UserPaths.h"

#include "link/LinkTransfers.h"

namespace lumarel::cli {
namespace {

constexpr auto kSlice = std::chrono::milliseconds(100);

}  // namespace

std::string DefaultSettingsPath() { return DefaultSettingsFile(); }

PortMap PortMapFor(const GlobalOptions& options) {
  if (!options.port.empty()) {
    PortMap map;
    map.SetDevicePath(kPortCom1, options.port);
    return map;
  }
  return PortMap::Load(options.settings.empty() ? DefaultSettingsPath() : options.settings);
}

CameraSession::CameraSession(const GlobalOptions& options, ConsoleNotifier& notifier,
                             std::ostream& err, bool progress)
    : notifier_(notifier),
      err_(err),
      options_(options),
      progress_(err, progress),
      ui_(progress_),
      traceFile_(options.debugLogFile.empty()
                     ? nullptr
                     : std::make_unique<std::ofstream>(options.debugLogFile, std::ios::app)),
      trace_(traceFile_ ? traceFile_.get() : options.debug ? &err : nullptr),
      tempA_(CreateUserTempFile("tmp").value_or("")),
      tempB_(CreateUserTempFile("tmp").value_or("")) {
  notifier_.SetBeforePrint([](void* p) { static_cast<Progress*>(p)->Clear(); }, &progress_);
  tracedOpener_ = std::make_unique<TracedOpener>(posixOpener_, trace_);
  LinkParts parts;
  parts.link.opener = tracedOpener_.get();
  parts.link.maxSpeed = options.maxSpeed.value_or(115200);
  parts.link.portMap = PortMapFor(options);
  parts.link.notifier = &notifier_;
  parts.link.ui = &ui_;
  parts.link.dispatcher = &loop_;
  parts.link.tempPathA = tempA_.path();
  parts.link.tempPathB = tempB_.path();
  // --no-cache reads every preview; what is read still refreshes the cache.
  previewCachePath_ = PreviewCachePath();
  LoadPreviewCache(previewCachePath_, previews_);
  previews_.SetLookups(!options.noCache);
  parts.link.previewCache = &previews_;
  parts.makeTimers = TimersOn(loop_);
  assembly_ = std::make_unique<LinkAssembly>(std::move(parts));
}

CameraSession::~CameraSession() {
  progress_.Clear();
  notifier_.SetBeforePrint(nullptr, nullptr);
  // CmdReset as at the program's exit, then the receive thread stops and the port closes.
  if (Link().PortOpen()) assembly_->Link().CloseLink();
  assembly_.reset();
  // The cache only saves time: a failure to keep it is worth a trace line, no more.
  std::string why;
  if (previews_.Changed() && !SavePreviewCache(previewCachePath_, previews_, why))
    trace_.Note("preview cache not written: " + why);
}

bool CameraSession::ReadAgainIfSuspect() {
  trace_.Note("list: previews from the cache: " + std::to_string(previews_.Answered()));
  if (!previews_.ListingSuspect()) return true;
  trace_.Note("list: a cached preview's fingerprint came twice; reading every preview again");
  previews_.SetLookups(false);
  const LinkOutcome outcome =
      Run([this](OperationDone done) { Operations().Reload(std::move(done)); });
  previews_.SetLookups(!options_.noCache);
  if (!outcome.Ok()) Report(outcome);
  return outcome.Ok();
}

LinkOperations& CameraSession::Operations() { return assembly_->Operations(); }

ExitStatus CameraSession::Connect() {
  if (tempA_.path().empty() || tempB_.path().empty()) {
    ReportError(err_, "cannot create temporary files");
    return ExitStatus::FileError;
  }
  if (traceFile_ && !*traceFile_) {
    ReportError(err_, "cannot write " + options_.debugLogFile);
    return ExitStatus::FileError;
  }
  trace_.Note("connect: scan, identify, speed, list");
  const ExitStatus status =
      RunAndReport([this](OperationDone done) { Operations().Index(std::move(done)); });
  if (status != ExitStatus::Success) return status;
  device_ = Link().DevicePath();
  return ReadAgainIfSuspect() ? ExitStatus::Success : ExitStatus::LinkFailure;
}

LinkOutcome CameraSession::Run(const Starter& start, std::chrono::milliseconds idleLimit) {
  std::optional<LinkOutcome> outcome;
  start([&outcome](const LinkOutcome& o) { outcome = o; });
  // A question answered on the terminal inside start() is not the link's idleness.
  const auto begun = std::chrono::steady_clock::now();
  auto finished = [&] { return outcome.has_value(); };
  while (!finished()) {
    if (InterruptRequested() || notifier_.StopRequested()) {
      Operations().Cancel();
      break;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now - std::max(begun, ui_.LastActivity()) > idleLimit) {
      // Nothing moved on the link (e.g. no answer to a delete): camera silent.
      assembly_->Link().FinishOperation(Operation::None, LinkOutcome::Of(OutcomeKind::CameraSilent));
      break;
    }
    loop_.RunUntil(finished, kSlice);
  }
  progress_.Clear();
  const LinkOutcome result = outcome.value_or(LinkOutcome::Of(OutcomeKind::Cancelled));
  trace_.Note(std::string("outcome ") + Describe(result.kind) +
              (result.picture >= 0 ? " picture " + std::to_string(result.picture + 1) : "") +
              (result.reason.empty() ? "" : ": " + result.reason) +
              (result.what.empty() ? "" : ": " + result.what));
  return result;
}

namespace {

// Sleeps in slices until `ready`, an interrupt or the end of the time; true when ready.
template <typename Ready>
bool WaitUntil(std::chrono::steady_clock::duration limit, Ready ready) {
  const auto until = std::chrono::steady_clock::now() + limit;
  while (!ready() && !InterruptRequested() && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(kSlice);
  return ready();
}

bool DeviceExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

}  // namespace

bool CameraSession::Reconnect() {
  // A USB adapter that was pulled comes back under the same name. (The
  // link's own port number has moved on when a try's scan found nothing.)
  if (!WaitUntil(std::chrono::seconds(2), [&] { return DeviceExists(device_); })) return false;
  // A try that found no camera closed the port: only a new scan opens it again.
  const bool portOpen = Link().PortOpen();
  trace_.Note(portOpen ? "reconnect: reset and identify" : "reconnect: scan from the first port");
  const LinkOutcome outcome = Run([this, portOpen](OperationDone done) {
    if (portOpen) Operations().Reload(std::move(done));
    else Operations().Index(std::move(done));
  });
  return outcome.Ok() && ReadAgainIfSuspect();
}

void CameraSession::PauseBeforeTry(int tryNumber) {
  if (tryNumber <= 1) return;
  const auto pause = std::chrono::seconds(1 << std::min(tryNumber - 2, 3));
  WaitUntil(pause, [] { return false; });
}

ExitStatus CameraSession::StatusFor(const LinkOutcome& outcome) {
  return outcome.Ok() ? ExitStatus::Success : ExitStatus::LinkFailure;
}

ExitStatus CameraSession::RunAndReport(const Starter& start, std::chrono::milliseconds idleLimit) {
  const LinkOutcome outcome = Run(start, idleLimit);
  Report(outcome);
  return StatusFor(outcome);
}

void CameraSession::Report(const LinkOutcome& outcome, const std::string& picture) {
  progress_.Clear();
  const std::string which = !picture.empty()     ? picture
                            : outcome.picture >= 0 ? "picture " + std::to_string(outcome.picture + 1)
                                                   : std::string();
  const std::string about = picture.empty() ? std::string() : picture + ": ";
  switch (outcome.kind) {
    case OutcomeKind::Done: return;
    case OutcomeKind::LineLost:
      ReportError(err_, about + "the line to " + Device() + " was lost: " +
                            (outcome.reason.empty() ? "hang-up" : outcome.reason));
      return;
    case OutcomeKind::CameraSilent:
      if (Link().State().linkPhase != LinkPhase::Connected) {
        // Ports that opened without an answer are named from the traced opener below.
        for (const PortFailure& f : Link().OpenFailures().Failures())
          if (!f.device.empty() && f.error != PortOpenError::NoCamera)
            err_ << "lumarel-cli: " << FormatPortFailure(f) << std::endl;
        for (const std::string& device : tracedOpener_->Opened())
          err_ << "lumarel-cli: " << device << ": opened, but no camera answered" << std::endl;
      }
      ReportError(err_, about + (outcome.reason.empty() ? "the camera does not answer" : outcome.reason));
      return;
    case OutcomeKind::WriteProtected: ReportError(err_, "the card is write-protected"); return;
    case OutcomeKind::MemoryFull: ReportError(err_, "the camera's memory is full"); return;
    case OutcomeKind::BadData:
      ReportError(err_, (which.empty() ? std::string("the camera's data cannot be used")
                                       : which + " cannot be used") +
                            (outcome.what.empty() ? "" : ": " + outcome.what));
      return;
    case OutcomeKind::Cancelled:
      ReportError(err_, InterruptRequested() ? "interrupted" : "cancelled");
      return;
  }
}

}  // namespace lumarel::cli
