#include "cli/CameraSession.h"

#include <atomic>
#include <csignal>
#include <ostream>

#include "cli/OfflineCommands.h"
#include "cli/PictureBlocks.h"
#include "cli/SpeedCap.h"
#include "imagefile/JpegDecode.h"
#include "link/LinkTexts.h"
#include "platform/Files.h"
#include "platform/UserPaths.h"

#include "link/LinkTransfers.h"

namespace lumarel::cli {
namespace {

std::atomic<bool> gInterrupted{false};

extern "C" void OnInterrupt(int) { gInterrupted.store(true); }

constexpr auto kSlice = std::chrono::milliseconds(100);

}  // namespace

void InstallInterruptHandlers() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

bool Interrupted() { return gInterrupted.load(); }

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
      tempA_(CreateUserTempFile("tmp").value_or("")),
      tempB_(CreateUserTempFile("tmp").value_or("")) {
  notifier_.SetBeforePrint([](void* p) { static_cast<Progress*>(p)->Clear(); }, &progress_);
  if (options.maxSpeed)
    cappedOpener_ = std::make_unique<SpeedCapOpener>(posixOpener_, *options.maxSpeed);
  frameTimers_ = loop_.MakeTimers([this](int id) { link_->OnFrameTimer(id); });
  previewTimers_ = loop_.MakeTimers([this](int id) { link_->OnPreviewTimer(id); });
  waitTimers_ = loop_.MakeTimers([this](int id) { link_->OnWaitDialogTimer(id); });

  LinkServices services;
  services.opener = cappedOpener_ ? cappedOpener_.get() : &posixOpener_;
  services.portMap = PortMapFor(options);
  services.frameTimers = frameTimers_.get();
  services.previewTimers = previewTimers_.get();
  services.waitDialogTimers = waitTimers_.get();
  services.notifier = &notifier_;
  services.ui = &ui_;
  services.dispatcher = &loop_;
  services.decodeJpeg = [](const std::string& jpeg, const std::string& bmp) {
    DecodeJpegFile(jpeg, bmp);
  };
  services.tempPathA = tempA_.path();
  services.tempPathB = tempB_.path();
  link_ = std::make_unique<CameraLink>(std::move(services));
  MakeTransfers();
}

// The live pictures start mid grey, as the program makes them at start-up.
void CameraSession::MakeTransfers() {
  liveFrame_ = MakeGreyPicture(kLiveFrameBlock, 160, 120);
  livePhoto_ = MakeGreyPicture(kLivePhotoBlock, 640, 480);
  liveTimers_ = loop_.MakeTimers([this](int id) { transfers_->Live().OnTimer(id); });
  TransferServices services;
  services.clock = &SystemClock();
  services.liveTimers = liveTimers_.get();
  services.liveFrame = liveFrame_;
  services.livePhoto = livePhoto_;
  transfers_ = std::make_unique<LinkTransfers>(*link_, services);
}

CameraSession::~CameraSession() {
  progress_.Clear();
  notifier_.SetBeforePrint(nullptr, nullptr);
  // CmdReset as at the program's exit, then the receive thread stops and the port closes.
  if (link_->PortOpen()) link_->CloseLink();
  transfers_.reset();
  link_.reset();
}

bool CameraSession::FatalMessageSince(std::size_t mark) const {
  for (const char* caption : {text::kWarning, text::kConnectError, text::kComPortError,
                              text::kGlobalMemory}) {
    if (notifier_.ShownSince(mark, caption)) return true;
  }
  return false;
}

ExitStatus CameraSession::Connect() {
  if (tempA_.path().empty() || tempB_.path().empty()) {
    ReportError(err_, "cannot create temporary files");
    return ExitStatus::FileError;
  }
  connectMark_ = notifier_.Mark();
  link_->Start();
  const bool up = RunUntil([this] {
    return link_->State().indexLoaded || FatalMessageSince(connectMark_);
  });
  if (!up) return ExitStatus::LinkFailure;
  if (!link_->State().indexLoaded) {
    ReportError(err_, "the camera could not be used");
    return ExitStatus::LinkFailure;
  }
  return ExitStatus::Success;
}

bool CameraSession::RunUntil(const std::function<bool()>& done,
                             std::chrono::milliseconds idleLimit) {
  auto stopped = [&] {
    return ui_.Failure() != LinkFailure::None || notifier_.StopRequested() || Interrupted();
  };
  while (true) {
    if (done()) return true;
    if (stopped()) break;
    if (std::chrono::steady_clock::now() - ui_.LastActivity() > idleLimit) {
      progress_.Clear();
      ReportError(err_, "the camera does not answer");
      reported_ = true;
      return false;
    }
    loop_.RunUntil([&] { return done() || stopped(); }, kSlice);
  }
  ReportFailure();
  return false;
}

void CameraSession::ReportFailure() {
  progress_.Clear();
  if (reported_) return;
  reported_ = true;
  if (Interrupted()) {
    ReportError(err_, "interrupted");
    return;
  }
  switch (ui_.Failure()) {
    case LinkFailure::NoCamera:
      for (const PortFailure& f : link_->OpenFailures().Failures())
        if (!f.device.empty()) err_ << "lumarel-cli: " << FormatPortFailure(f) << std::endl;
      ReportError(err_, std::string("no camera found: ") + text::kCheckConnection);
      break;
    case LinkFailure::Disconnected: ReportError(err_, text::kDisconnected); break;
    case LinkFailure::None: break;  // a question stopped the run; its message was shown
  }
}

}  // namespace lumarel::cli
