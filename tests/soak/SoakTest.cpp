// SPDX-License-Identifier: MIT
// The soak: hundreds of downloads and some uploads through the simulated camera
// on a pseudo-terminal whose line garbles, drops and holds back the camera's
// packets at random, with the real link, receive thread and event loop. Every
// downloaded picture must be byte-identical to what the camera holds, nothing
// may hang (each attempt has a deadline), a lost line is recovered as a user
// would (Reconnect in COM_DISCONNECT, Retry in COM_RECONNECT) and the
// operation redone, and at the end the same port must work cleanly, with no
// descriptor or thread more than at the start (LeakSanitizer checks memory).
// A lost line costs a reconnect and a full list under the same faults, tens of
// seconds with a long list, and an unlucky operation may lose it several times.
//
// Environment (defaults: the full soak):
//   LUMAREL_SOAK_DOWNLOADS 200   LUMAREL_SOAK_UPLOADS 20   LUMAREL_SOAK_PICTURES 12
//   LUMAREL_SOAK_GARBLE 0.02     LUMAREL_SOAK_DROP 0.01    LUMAREL_SOAK_SILENCE 0.0003
//   LUMAREL_SOAK_SILENCE_MS 500-2000   LUMAREL_SOAK_SEED 1
//   LUMAREL_SOAK_OP_TIMEOUT 300: seconds one attempt may take (reconnect, list, transfer)
//   LUMAREL_SOAK_ATTEMPTS 10: attempts per operation before it counts as failed
//   LUMAREL_SOAK_SETUP_FAULTS 0: 1 keeps the faults on while the link is set up
//   LUMAREL_SOAK_LOG FILE: the simulator's log of the whole run
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "SimLinkRig.h"

namespace lumarel::testing {
namespace {

long EnvLong(const char* name, long fallback) {
  const char* text = std::getenv(name);
  if (text == nullptr || *text == '\0') return fallback;
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  return end != text && *end == '\0' && value >= 0 ? value : fallback;
}

double EnvRate(const char* name, double fallback) {
  const char* text = std::getenv(name);
  if (text == nullptr || *text == '\0') return fallback;
  char* end = nullptr;
  const double value = std::strtod(text, &end);
  return end != text && *end == '\0' && value >= 0 && value <= 1 ? value : fallback;
}

struct SoakSettings {
  int downloads = 200;
  int uploads = 20;
  int pictures = 12;
  sim::FaultSettings faults;
  std::chrono::seconds opTimeout{300};
  int attempts = 10;
  bool faultsDuringSetup = false;

  static SoakSettings FromEnvironment() {
    SoakSettings s;
    s.downloads = static_cast<int>(EnvLong("LUMAREL_SOAK_DOWNLOADS", 200));
    s.uploads = static_cast<int>(EnvLong("LUMAREL_SOAK_UPLOADS", 20));
    s.pictures = static_cast<int>(std::max(1L, EnvLong("LUMAREL_SOAK_PICTURES", 12)));
    s.faults.garbleRate = EnvRate("LUMAREL_SOAK_GARBLE", 0.02);
    s.faults.dropRate = EnvRate("LUMAREL_SOAK_DROP", 0.01);
    s.faults.silenceRate = EnvRate("LUMAREL_SOAK_SILENCE", 0.0003);
    s.faults.silenceMinMs = 500;
    s.faults.silenceMaxMs = 2000;
    if (const char* range = std::getenv("LUMAREL_SOAK_SILENCE_MS")) {
      int low = 0, high = 0;
      if (std::sscanf(range, "%d-%d", &low, &high) == 2 && low >= 0 && high >= low) {
        s.faults.silenceMinMs = low;
        s.faults.silenceMaxMs = high;
      }
    }
    s.faults.seed = static_cast<unsigned>(EnvLong("LUMAREL_SOAK_SEED", 1));
    s.opTimeout = std::chrono::seconds(std::max(10L, EnvLong("LUMAREL_SOAK_OP_TIMEOUT", 300)));
    s.attempts = static_cast<int>(std::max(1L, EnvLong("LUMAREL_SOAK_ATTEMPTS", 10)));
    s.faultsDuringSetup = EnvLong("LUMAREL_SOAK_SETUP_FAULTS", 0) != 0;
    return s;
  }
};

// The simulated camera behind the faulty line, on its own thread. Counts what
// the camera was asked to repeat (CmdNak) and how often it was reset.
class SoakLine {
 public:
  SoakLine(const fs::path& linkPath, std::vector<sim::StoredPicture> pictures,
           sim::FaultSettings faults)
      : camera_({}, std::move(pictures)) {
    if (const char* path = std::getenv("LUMAREL_SOAK_LOG")) log_ = std::fopen(path, "w");
    camera_.SetLog([this](const std::string& line) {
      if (line.rfind("rx CmdNak ", 0) == 0) ++naks_;
      if (line.rfind("rx CmdReset ", 0) == 0) ++resets_;
      Write(line);
    });
    sim::TransportSettings ts;
    ts.linkPath = linkPath.string();
    ts.faults = faults;
    ts.seed = faults.seed;
    ts.log = [this](const std::string& line) { Write(line); };
    transport_ = std::make_unique<sim::PtyTransport>(camera_, ts);
    std::string error;
    opened_ = transport_->Open(error);
    EXPECT_TRUE(opened_) << error;
    if (opened_) thread_ = std::thread([this] { transport_->Run(); });
  }
  ~SoakLine() {
    Stop();
    if (log_ != nullptr) std::fclose(log_);
  }
  void Stop() {
    transport_->Stop();
    if (thread_.joinable()) thread_.join();
  }
  bool Opened() const { return opened_; }
  sim::PtyTransport& Transport() { return *transport_; }
  // Only once Stop() has returned.
  const sim::SimCamera& Camera() const { return camera_; }
  long Naks() const { return naks_; }
  long Resets() const { return resets_; }

 private:
  void Write(const std::string& line) {  // the transport's thread only
    if (log_ == nullptr) return;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start_).count();
    std::fprintf(log_, "%9lld %s\n", static_cast<long long>(ms), line.c_str());
  }

  sim::SimCamera camera_;
  std::unique_ptr<sim::PtyTransport> transport_;
  std::thread thread_;
  bool opened_ = false;
  std::FILE* log_ = nullptr;
  std::atomic<long> naks_{0};
  std::atomic<long> resets_{0};
  const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// Entries of a /proc/self directory: open descriptors, threads.
int CountEntries(const char* dir) {
  std::error_code ec;
  int n = 0;
  for (auto it = fs::directory_iterator(dir, ec); !ec && it != fs::directory_iterator();
       it.increment(ec)) {
    ++n;
  }
  return n;
}

enum class Outcome { Done, LineLost, TimedOut };

// Drives the link as a patient user: waits for an operation, and when the
// line is reported lost answers the dialog with Reconnect (or Retry).
//
// Unless told otherwise the line's faults pause while the link is being set
// up (from the reconnect to the camera's ready answer): a StatusCameraReady
// that is garbled or lost there leaves the link waiting for ever, with no
// timer running and no dialog, so a soak with faults in the set-up mostly ends
// in such a stall rather than testing the transfers.
class SoakDriver {
 public:
  SoakDriver(TransferRig& rig, std::chrono::seconds opTimeout, std::function<void(bool)> faults,
             bool faultsDuringSetup)
      : t_(rig), opTimeout_(opTimeout), faults_(std::move(faults)),
        faultsDuringSetup_(faultsDuringSetup) {}

  // The link is about to (re)start its set-up.
  void SetupStarts() {
    if (faultsDuringSetup_ || !faultsWanted_) return;
    faults_(false);
    faultsPaused_ = true;
  }
  // From now on the line stays clean.
  void EndFaults() {
    faultsWanted_ = false;
    faults_(false);
  }

  // Runs the loop until done() or a link dialog opens or the deadline passes.
  Outcome RunUntil(const std::function<bool()>& done,
                   std::chrono::steady_clock::time_point deadline) {
    const auto dialog = [&] { return DialogsOpen(); };
    for (;;) {
      const auto now = std::chrono::steady_clock::now();
      if (now >= deadline) return done() ? Outcome::Done : Outcome::TimedOut;
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
      const bool stopped = t_.RunUntil(
          [&] {
            ResumeFaults();
            return done() || dialog();
          },
          left);
      if (stopped) {
        if (dialog()) return Outcome::LineLost;
        return Outcome::Done;
      }
    }
  }

  // Reconnect in each open COM_DISCONNECT, Retry in each COM_RECONNECT.
  void AnswerDialogs() {
    while (t_.ui.rec.disconnectDialogs > disconnectsAnswered_) {
      ++disconnectsAnswered_;
      SetupStarts();
      t_.link->Setup().DisconnectDialogCommand(1);
    }
    while (t_.ui.rec.reconnectDialogs > reconnectsAnswered_) {
      ++reconnectsAnswered_;
      SetupStarts();
      t_.link->Setup().ReconnectDialogCommand(1);
    }
  }

  // Answers the dialogs until the link is up with its list read.
  bool Recover(std::chrono::steady_clock::time_point deadline) {
    for (;;) {
      AnswerDialogs();
      const Outcome o = RunUntil([&] { return Ready(); }, deadline);
      if (o == Outcome::Done) return true;
      if (o == Outcome::TimedOut) return false;
    }
  }

  bool Ready() const {
    const LinkState& s = t_.link->State();
    return s.linkPhase == LinkPhase::Connected && s.indexLoaded && !s.indexActive && !t_.link->WaitDialogOpen();
  }
  bool DialogsOpen() const {
    return t_.ui.rec.disconnectDialogs > disconnectsAnswered_ ||
           t_.ui.rec.reconnectDialogs > reconnectsAnswered_;
  }
  std::chrono::steady_clock::time_point Deadline() const {
    return std::chrono::steady_clock::now() + opTimeout_;
  }
  int Disconnects() const { return disconnectsAnswered_; }
  int Reconnects() const { return reconnectsAnswered_; }

 private:
  // Faults come back once the camera has answered ready.
  void ResumeFaults() {
    if (faultsPaused_ && t_.link->State().linkPhase == LinkPhase::Connected) {
      faultsPaused_ = false;
      if (faultsWanted_) faults_(true);
    }
  }

  TransferRig& t_;
  std::chrono::seconds opTimeout_;
  std::function<void(bool)> faults_;
  bool faultsDuringSetup_;
  bool faultsWanted_ = true;
  bool faultsPaused_ = false;
  int disconnectsAnswered_ = 0;
  int reconnectsAnswered_ = 0;
};

// What the camera holds, as this test knows it, with each picture's expected
// download (decoded and post-processed), made when first needed.
class CardMirror {
 public:
  CardMirror(std::vector<sim::StoredPicture> pictures, fs::path dir)
      : pictures_(std::move(pictures)), dir_(std::move(dir)) {}
  std::size_t Size() const { return pictures_.size(); }
  const sim::StoredPicture& At(std::size_t n) const { return pictures_[n]; }
  void Add(sim::StoredPicture picture) { pictures_.push_back(std::move(picture)); }
  const std::vector<std::uint8_t>& Expected(std::size_t n) {
    auto found = expected_.find(n);
    if (found == expected_.end())
      found = expected_.emplace(n, ExpectedPicture(pictures_[n], dir_)).first;
    return found->second;
  }

 private:
  std::vector<sim::StoredPicture> pictures_;
  fs::path dir_;
  std::map<std::size_t, std::vector<std::uint8_t>> expected_;
};

struct SoakFigures {
  int downloads = 0, uploads = 0;
  int downloadRetries = 0, uploadRetries = 0;
  int mismatches = 0, messages = 0;
  double longestSeconds = 0;  // one operation, with its retries
};

class Soak : public ::testing::Test {
 protected:
  void SetUp() override {
    settings_ = SoakSettings::FromEnvironment();
    dir_ = scratch_.Path();
    auto pictures = sim::GeneratePictures(settings_.pictures, settings_.faults.seed + 40);
    mirror_ = std::make_unique<CardMirror>(pictures, dir_);
    line_ = std::make_unique<SoakLine>(dir_ / "com1", pictures, settings_.faults);
    rig_ = std::make_unique<TransferRig>(dir_);
    sim::PtyTransport& transport = line_->Transport();
    driver_ = std::make_unique<SoakDriver>(
        *rig_, settings_.opTimeout, [&transport](bool on) { transport.SetFaultsEnabled(on); },
        settings_.faultsDuringSetup);
  }
  void TearDown() override {
    rig_.reset();
    line_.reset();
  }

  // Downloads picture n until it arrives whole; false on a hang, a wrong
  // picture, a message, or when every attempt lost the line.
  bool DownloadAndCompare(int n) {
    const std::string what = "download " + std::to_string(n);
    for (int attempt = 0;; ++attempt) {
      if (attempt == settings_.attempts) return Fail(what + ": the line was lost every time");
      if (attempt > 0) ++figures_.downloadRetries;
      const auto deadline = driver_->Deadline();
      if (!driver_->Recover(deadline)) return Fail(what + ": link not back");
      const PictureEntry& e = rig_->link->Pictures().entries[n];
      TestTarget target(std::size_t(e.width) * e.height * 3 + 100, 1032);
      const std::size_t shown = rig_->notifier.shown.size();
      DownloadControl& control = rig_->transfers->Download();
      control.CaptureWindowCreated(target, *rig_->capture);
      if (!control.Start(n)) return Fail(what + " refused");
      const LinkState& state = rig_->link->State();
      const Outcome o = driver_->RunUntil([&] { return !state.downloadActive; }, deadline);
      // As in the program: Reconnect closes the image windows, the Capture window among them.
      if (o == Outcome::LineLost) driver_->AnswerDialogs();
      control.CaptureWindowDestroyed(target);
      if (o == Outcome::TimedOut) return Fail(what + " hangs");
      if (o == Outcome::LineLost) continue;
      if (!NoNewMessages(shown, what)) return false;
      const std::vector<std::uint8_t>& expected = mirror_->Expected(static_cast<std::size_t>(n));
      if (expected.size() > target.picture.size() ||
          !std::equal(expected.begin(), expected.end(), target.picture.begin())) {
        ++figures_.mismatches;
        return Fail(what + " differs from the camera's picture");
      }
      ++figures_.downloads;
      return true;
    }
  }

  // Uploads `picture` until the camera has it; the mirror learns it.
  bool Upload(const sim::StoredPicture& picture, bool fine) {
    const std::size_t before = mirror_->Size();
    for (int attempt = 0;; ++attempt) {
      if (attempt == settings_.attempts) return Fail("upload: the line was lost every time");
      if (attempt > 0) ++figures_.uploadRetries;
      const auto deadline = driver_->Deadline();
      if (!driver_->Recover(deadline)) return Fail("upload: link not back");
      const int listed = rig_->link->Pictures().receivedEntries;
      if (static_cast<std::size_t>(listed) == before + 1) break;  // stored before the line went
      if (static_cast<std::size_t>(listed) != before)
        return Fail("upload: the list has " + std::to_string(listed) + " pictures");
      UploadRequest r;
      r.fine = fine;
      r.picture = picture.jpeg;
      r.preview = picture.preview;
      r.entry.label = FormatLabel(listed + 1, fine, {26, 12, 7, 4, 20});
      r.entry.width = picture.width;
      r.entry.height = picture.height;
      r.entry.quality = fine ? 1 : 0;
      std::vector<std::uint8_t> thumb(57640, 0x21);
      r.previewSlot = thumb;
      const std::size_t shown = rig_->notifier.shown.size();
      UploadHandler& upload = rig_->transfers->Upload();
      if (!upload.Start(r, *rig_->openfile)) return Fail("upload refused");
      const Outcome o = driver_->RunUntil([&] { return !upload.Running(); }, deadline);
      if (o == Outcome::TimedOut) return Fail("upload hangs");
      if (o == Outcome::LineLost) continue;
      if (!NoNewMessages(shown, "upload")) return false;
      if (rig_->link->Pictures().receivedEntries != listed + 1)
        return Fail("upload: the list did not grow");
      break;
    }
    sim::StoredPicture stored = picture;
    stored.quality = fine ? 0x01 : 0x00;  // as the camera files an upload
    mirror_->Add(std::move(stored));
    ++figures_.uploads;
    return true;
  }

  bool NoNewMessages(std::size_t shown, const std::string& what) {
    if (rig_->notifier.shown.size() == shown) return true;
    ++figures_.messages;
    return Fail(what + ": message \"" + rig_->notifier.shown[shown].text + "\"");
  }
  bool Fail(const std::string& why) {
    ADD_FAILURE() << why;
    return false;
  }

  SoakSettings settings_;
  TempDir scratch_;
  fs::path dir_;
  std::unique_ptr<CardMirror> mirror_;
  std::unique_ptr<SoakLine> line_;
  std::unique_ptr<TransferRig> rig_;
  std::unique_ptr<SoakDriver> driver_;
  SoakFigures figures_;
};

TEST_F(Soak, DownloadsAndUploadsOverAFaultyLine) {
  ASSERT_TRUE(line_->Opened());
  const auto start = std::chrono::steady_clock::now();
  driver_->SetupStarts();
  rig_->link->Start();
  ASSERT_TRUE(driver_->Recover(driver_->Deadline())) << "no link at the start";
  ASSERT_EQ(rig_->link->Pictures().receivedEntries, settings_.pictures);
  const int fdsAtStart = CountEntries("/proc/self/fd");
  const int threadsAtStart = CountEntries("/proc/self/task");

  const std::vector<sim::StoredPicture> sends = sim::GeneratePictures(
      std::max(settings_.uploads, 1), settings_.faults.seed + 90);
  // The uploads are spread evenly among the downloads.
  const int total = settings_.downloads + settings_.uploads;
  int uploaded = 0, downloaded = 0;
  for (int step = 0; step < total; ++step) {
    const bool uploadNow =
        uploaded < settings_.uploads &&
        (downloaded >= settings_.downloads ||
         (step + 1) * settings_.uploads >= (uploaded + 1) * total);
    const auto opStart = std::chrono::steady_clock::now();
    if (uploadNow) {
      const sim::StoredPicture& p = sends[static_cast<std::size_t>(uploaded)];
      ASSERT_TRUE(Upload(p, p.width == 640)) << "upload " << uploaded;
      ++uploaded;
    } else {
      const int n = static_cast<int>(static_cast<std::size_t>(downloaded * 7) % mirror_->Size());
      ASSERT_TRUE(DownloadAndCompare(n)) << "download " << downloaded;
      ++downloaded;
    }
    rig_->ui.rec.Clear();
    figures_.longestSeconds = std::max(
        figures_.longestSeconds,
        std::chrono::duration<double>(std::chrono::steady_clock::now() - opStart).count());
    if ((step + 1) % 20 == 0) {
      std::fprintf(stderr, "progress: %d/%d operations, %d redone, %.0f s\n", step + 1, total,
                   figures_.downloadRetries + figures_.uploadRetries,
                   std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
  }
  // The faults stop; the same port reads the list anew and downloads cleanly.
  driver_->EndFaults();
  const sim::FaultCounts faults = line_->Transport().Faults();
  const int retriesBefore = figures_.downloadRetries;
  rig_->link->Setup().BeginReconnect();  // Reload
  ASSERT_TRUE(driver_->Recover(driver_->Deadline())) << "no clean reload";
  ASSERT_EQ(static_cast<std::size_t>(rig_->link->Pictures().receivedEntries), mirror_->Size());
  ASSERT_TRUE(DownloadAndCompare(0));
  ASSERT_TRUE(DownloadAndCompare(static_cast<int>(mirror_->Size()) - 1));
  EXPECT_EQ(figures_.downloadRetries, retriesBefore) << "a fault-free line needed a retry";
  const int fdsAtEnd = CountEntries("/proc/self/fd");
  const int threadsAtEnd = CountEntries("/proc/self/task");
  EXPECT_EQ(fdsAtEnd, fdsAtStart) << "descriptors leak";
  EXPECT_EQ(threadsAtEnd, threadsAtStart) << "threads pile up";
  const double elapsed =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  line_->Stop();
  const auto& held = line_->Camera().Pictures();
  ASSERT_EQ(held.size(), mirror_->Size());
  for (std::size_t n = 0; n < held.size(); ++n) {
    EXPECT_EQ(held[n].jpeg, mirror_->At(n).jpeg) << "picture " << n;
  }

  std::printf(
      "soak: %d downloads and %d uploads (+2 clean downloads) in %.0f s\n"
      "soak: %ld camera packets; faults injected: %ld garbled, %ld dropped, %ld silences "
      "(%.1f s in all)\n"
      "soak: retries: %ld CmdNak from the program, %d downloads and %d uploads redone, "
      "%d COM_DISCONNECT, %d COM_RECONNECT, %ld camera resets; longest operation %.0f s\n"
      "soak: open descriptors %d -> %d, threads %d -> %d\n",
      downloaded, uploaded, elapsed, faults.packets, faults.garbled, faults.dropped,
      faults.silences, static_cast<double>(faults.silentMs) / 1000.0, line_->Naks(),
      figures_.downloadRetries, figures_.uploadRetries, driver_->Disconnects(),
      driver_->Reconnects(), line_->Resets(), figures_.longestSeconds, fdsAtStart, fdsAtEnd,
      threadsAtStart, threadsAtEnd);
  std::fflush(stdout);
}

}  // namespace
}  // namespace lumarel::testing
