// Figure 4, first half: start-up to the first painted frame on the offscreen
// platform, beside a bare Qt main window (an MDI area and a status bar) started
// the same way, and the resident memory of each at that moment.
//
//   lumarel-bench-startup [--quick] [--runs N]
//
// The benchmark starts itself as a child ("--child lumarel" or "--child bare")
// and times from the spawn to the child's report of its first paint event.
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
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "BenchReport.h"
#include "shell/Frame.h"
#include "shell/FrameLink.h"

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

// Spawns this program as a child of `kind` in `dir` and waits for its report.
Start TimeChild(const std::string& self, const std::string& kind, const std::string& dir) {
  int out[2];
  if (::pipe(out) != 0) return {};
  std::vector<std::string> argv = {self, "--child", kind};
  std::vector<char*> args;
  for (std::string& a : argv) args.push_back(a.data());
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
  pid_t pid = 0;
  const auto start = Clock::now();
  const int rc = posix_spawn(&pid, self.c_str(), &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  Start result;
  if (rc == 0) {
    std::string text;
    char buffer[128];
    pollfd fd{out[0], POLLIN, 0};
    while (text.find('\n') == std::string::npos && ::poll(&fd, 1, 30000) > 0) {
      const ssize_t n = ::read(out[0], buffer, sizeof buffer);
      if (n <= 0) break;
      text.append(buffer, std::size_t(n));
    }
    if (text.rfind("painted ", 0) == 0) {
      result.ms = MillisecondsSince(start);
      result.residentKiB = std::atol(text.c_str() + 8);
    } else {
      ::kill(pid, SIGTERM);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
  }
  ::close(out[0]);
  return result;
}

int RunParent(const std::string& self, int runs) {
  Report report("startup");
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  char pattern[] = "/tmp/lumarel-bench-startup-XXXXXX";
  const char* dir = ::mkdtemp(pattern);
  if (dir == nullptr) return 2;
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
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--quick") {
      runs = 1;
    } else if (a == "--runs" && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else {
      std::fprintf(stderr, "usage: lumarel-bench-startup [--quick] [--runs N]\n");
      return 2;
    }
  }
  return lumarel::bench::RunParent(std::filesystem::canonical("/proc/self/exe").string(), runs);
}
