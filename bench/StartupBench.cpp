// SPDX-License-Identifier: MIT
// Figure 4: start-up to the first painted frame on the offscreen platform,
// beside a bare Qt main window (an MDI area and a status bar) started the same
// way, and the resident memory of each at that moment; then the resident memory
// of the program itself (the lumarel executable) with a full picture list from
// vidmarelle-sim, against the same program started with no camera.
//
//   lumarel-bench-startup [--quick] [--runs N]
//
// The benchmark starts itself as a child ("--child lumarel" or "--child bare")
// and times from the spawn to the child's report of its first paint event.
// For the list, a copy of lumarel runs in a scratch directory with a
// zelcam.ini beside it that maps COM1 to the simulator (or no port at all);
// LUMAREL_REPORT_LIST makes it say when the list is complete, and its memory
// is read from /proc/<pid>/status once it has settled.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QEvent>
#include <QMainWindow>
#include <QMdiArea>
#include <QStatusBar>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "BenchReport.h"
#include "imagefile/DibImage.h"
#include "shell/Frame.h"
#include "shell/FrameLink.h"

#ifdef LUMAREL_APP_PATH
#include "SimProcess.h"
#endif

extern char** environ;

namespace lumarel::bench {
namespace {

// Reports the first paint event of any widget on standard output and ends the process.
class FirstPaint final : public QObject {
 public:
  bool eventFilter(QObject* object, QEvent* event) override {
    if (!done_ && event->type() == QEvent::Paint && object->isWidgetType()) {
      done_ = true;
      std::printf("painted %ld\n", ResidentKiB());
      std::fflush(stdout);
      // Leave at once: closing the frame would ask "Exit Lumarel?".
      ::_exit(0);
    }
    return false;
  }

 private:
  bool done_ = false;
};

int RunChild(int argc, char** argv, const std::string& kind) {
  QApplication app(argc, argv);
  FirstPaint watcher;
  app.installEventFilter(&watcher);
  if (kind == "bare") {
    QMainWindow window;
    window.setCentralWidget(new QMdiArea);
    window.statusBar()->showMessage("Ready");
    window.resize(800, 600);
    window.show();
    return QApplication::exec();
  }
  NullFrameLink link;
  auto frame = std::make_unique<Frame>(link, StartupEnvironment::FromProcess(24));
  frame->show();
  const int code = QApplication::exec();
  frame.reset();
  return code;
}

struct Start {
  double ms = -1;  // spawn to first paint; negative when it never painted
  long residentKiB = 0;
};

// A child process in `dir` whose standard output comes back through a pipe.
class Child {
 public:
  Child(std::vector<std::string> argv, const std::string& dir) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return;
    std::vector<char*> args;
    for (std::string& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    started_ = Clock::now();
    if (posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    out_ = out[0];
  }
  ~Child() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      int status = 0;
      ::waitpid(pid_, &status, 0);
    }
    if (out_ >= 0) ::close(out_);
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  bool Running() const { return pid_ > 0; }
  std::string Pid() const { return std::to_string(pid_); }
  Clock::time_point Started() const { return started_; }

  // The next line the child prints, empty when none came within `timeoutMs`.
  std::string ReadLine(int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    char buffer[128];
    while (pid_ > 0 && text_.find('\n') == std::string::npos) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      pollfd fd{out_, POLLIN, 0};
      if (left.count() <= 0 || ::poll(&fd, 1, int(left.count())) <= 0) return {};
      const ssize_t n = ::read(out_, buffer, sizeof buffer);
      if (n <= 0) return {};
      text_.append(buffer, std::size_t(n));
    }
    const std::size_t end = text_.find('\n');
    if (end == std::string::npos) return {};
    std::string line = text_.substr(0, end);
    text_.erase(0, end + 1);
    return line;
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  Clock::time_point started_;
  std::string text_;
};

// Spawns this program as a child of `kind` in `dir` and waits for its report.
Start TimeChild(const std::string& self, const std::string& kind, const std::string& dir) {
  Child child({self, "--child", kind}, dir);
  Start result;
  const std::string line = child.ReadLine(30000);
  if (line.rfind("painted ", 0) == 0) {
    result.ms = MillisecondsSince(child.Started());
    result.residentKiB = std::atol(line.c_str() + 8);
  }
  return result;
}

#ifdef LUMAREL_APP_PATH
// The program's memory at one moment of a run.
struct ProgramMemory {
  bool ok = false;
  double listMs = 0;      // spawn to the complete list
  long residentKiB = 0;   // VmRSS once settled
  long peakKiB = 0;       // VmHWM then
};

// Waits until `minMs` after the start, then until the resident set moved less
// than 64 KiB over the last second (the last thumbnails painted, the dialogs
// up), at most `maxMs` after the start; then reads VmRSS and VmHWM.
void Settle(const Child& child, double minMs, double maxMs, ProgramMemory& memory) {
  std::vector<long> samples;
  for (;;) {
    const double since = MillisecondsSince(child.Started());
    const long rss = StatusKiB(child.Pid(), "VmRSS");
    if (rss == 0) return;  // the program has ended
    samples.push_back(rss);
    const std::size_t n = samples.size();
    const bool quiet = n > 10 && std::labs(samples[n - 1] - samples[n - 11]) < 64;
    if ((since >= minMs && quiet) || since >= maxMs) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  memory.residentKiB = StatusKiB(child.Pid(), "VmRSS");
  memory.peakKiB = StatusKiB(child.Pid(), "VmHWM");
  memory.ok = memory.residentKiB > 0;
}

// Runs `program` in `dir` with COM1 mapped to `device` (empty: COM1..COM4 name
// nothing, so the program scans four missing ports and offers to reconnect).
ProgramMemory RunProgram(const std::string& program, const std::string& dir,
                         const std::string& device, bool quick) {
  std::ofstream(dir + "/zelcam.ini") << "[Ports]\nCOM1=" << device << "\nCOM2=\nCOM3=\nCOM4=\n";
  Child child({program}, dir);
  ProgramMemory memory;
  if (!child.Running()) return memory;
  if (device.empty()) {
    // Four ports at 800 ms each, then the reconnect dialog.
    Settle(child, 5000, 15000, memory);
    return memory;
  }
  if (child.ReadLine(quick ? 60000 : 600000) != "list loaded") return memory;
  memory.listMs = MillisecondsSince(child.Started());
  Settle(child, memory.listMs + 500, memory.listMs + 10000, memory);
  return memory;
}

// The program with a full list against the same program with no camera.
void ListMemory(Report& report, const std::string& dir, bool quick) {
  const int pictures = quick ? 20 : 800;
  const std::string program = dir + "/lumarel";
  std::error_code error;
  std::filesystem::copy_file(LUMAREL_APP_PATH, program, error);
  if (error) return report.Fail("copying the program: " + error.message());
  ::setenv("LUMAREL_REPORT_LIST", "1", 1);
  const ProgramMemory none = RunProgram(program, dir, "", quick);
  ProgramMemory listed;
  {
    const std::string device = dir + "/com1";
    SimProcess sim(device, pictures, false);
    if (!sim.Ready()) return report.Fail("the simulator did not start");
    listed = RunProgram(program, dir, device, quick);
  }
  if (!none.ok) return report.Fail("the program without a camera");
  if (!listed.ok) return report.Fail("the program did not load the list of " + std::to_string(pictures));
  const std::string list = std::to_string(pictures) + "-entry picture list";
  const std::string reference = "no camera " + std::to_string(none.residentKiB / 1024) + " MiB";
  report.Add({"program resident memory with a " + list, listed.residentKiB / 1024.0, "MiB",
              double(listed.residentKiB) / double(none.residentKiB), reference, std::nullopt});
  report.Add({"program peak resident memory (VmHWM) with the list", listed.peakKiB / 1024.0, "MiB",
              double(listed.peakKiB) / double(none.peakKiB),
              "no camera " + std::to_string(none.peakKiB / 1024) + " MiB", std::nullopt});
  const double perEntry = double(listed.residentKiB - none.residentKiB) / pictures;
  report.Add({"the list's share per entry", perEntry, "KiB", perEntry * 1024 / kPreviewSlotSize,
              "preview slot " + std::to_string(kPreviewSlotSize) + " bytes", std::nullopt});
  report.Value("program start to the complete list, unpaced", listed.listMs / 1000, "s");
  report.Note("VmRSS " + std::to_string(listed.residentKiB) + " KiB with the list, " +
              std::to_string(none.residentKiB) + " KiB with no camera (VmHWM " +
              std::to_string(listed.peakKiB) + " and " + std::to_string(none.peakKiB) + ")");
}
#endif

int RunParent(const std::string& self, int runs, bool quick) {
  Report report("startup");
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  char pattern[] = "/tmp/lumarel-bench-startup-XXXXXX";
  const char* dir = ::mkdtemp(pattern);
  if (dir == nullptr) return 2;
  // The children's scratch files go there too, and their single-instance
  // socket (each run of the program is the only one).
  ::setenv("TMPDIR", dir, 1);
  ::setenv("XDG_RUNTIME_DIR", dir, 1);
  std::vector<double> ours, bare;
  long oursKiB = 0, bareKiB = 0;
  for (int i = 0; i < runs; ++i) {
    const Start a = TimeChild(self, "lumarel", dir);
    const Start b = TimeChild(self, "bare", dir);
    if (a.ms < 0 || b.ms < 0) {
      report.Fail(a.ms < 0 ? "the frame never painted" : "the bare window never painted");
      break;
    }
    ours.push_back(a.ms);
    bare.push_back(b.ms);
    oursKiB = a.residentKiB;
    bareKiB = b.residentKiB;
  }
  if (!ours.empty()) {
    std::sort(ours.begin(), ours.end());
    std::sort(bare.begin(), bare.end());
    const double a = ours[ours.size() / 2], b = bare[bare.size() / 2];
    report.Add({"start-up to the first painted frame (offscreen)", a, "ms", a / b,
                "bare Qt main window " + std::to_string(int(b)) + " ms", std::nullopt});
    report.Add({"resident memory at the first paint", oursKiB / 1024.0, "MiB",
                bareKiB > 0 ? std::optional(double(oursKiB) / bareKiB) : std::nullopt,
                "bare Qt main window " + std::to_string(bareKiB / 1024) + " MiB", std::nullopt});
  }
#ifdef LUMAREL_APP_PATH
  ListMemory(report, dir, quick);
#else
  report.Note("the lumarel program is not built: its memory with a list is skipped");
#endif
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
  return report.Summary();
}

}  // namespace
}  // namespace lumarel::bench

int main(int argc, char** argv) {
  if (argc >= 3 && std::string(argv[1]) == "--child")
    return lumarel::bench::RunChild(argc, argv, argv[2]);
  int runs = 9;
  bool quick = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--quick") {
      runs = 1;
      quick = true;
    } else if (a == "--runs" && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else {
      std::fprintf(stderr, "usage: lumarel-bench-startup [--quick] [--runs N]\n");
      return 2;
    }
  }
  return lumarel::bench::RunParent(std::filesystem::canonical("/proc/self/exe").string(), runs, quick);
}
