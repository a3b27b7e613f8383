// SPDX-License-Identifier: MIT
#include "BenchReport.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <ctime>

extern char** environ;

namespace lumarel::bench {

bool Figure::Met() const {
  if (!goal) return true;
  const double measured = goal->onRatio ? ratio.value_or(0) : value;
  return measured <= goal->limit;
}

void Report::Add(Figure figure) {
  std::printf("%s: %.4g %s", figure.name.c_str(), figure.value, figure.unit.c_str());
  if (figure.ratio) std::printf(" (%.3f vs %s)", *figure.ratio, figure.reference.c_str());
  if (figure.goal)
    std::printf("  [goal %s <= %g: %s]", figure.goal->onRatio ? "ratio" : "value",
                figure.goal->limit, figure.Met() ? "met" : "MISSED");
  std::printf("\n");
  std::fflush(stdout);
  figures_.push_back(std::move(figure));
}

void Report::Note(const std::string& text) {
  std::printf("  # %s\n", text.c_str());
  std::fflush(stdout);
}

void Report::Fail(const std::string& what) {
  std::printf("FAILED: %s\n", what.c_str());
  std::fflush(stdout);
  failures_.push_back(what);
}

int Report::Summary() const {
  int goals = 0, met = 0;
  std::string missed;
  for (const Figure& f : figures_) {
    if (!f.goal) continue;
    ++goals;
    if (f.Met()) {
      ++met;
    } else {
      missed += (missed.empty() ? "" : ", ") + f.name;
    }
  }
  std::printf("summary %s: %zu figures, %d of %d goals met%s%s; %zu failures\n", title_.c_str(),
              figures_.size(), met, goals, missed.empty() ? "" : "; missed: ", missed.c_str(),
              failures_.size());
  std::fflush(stdout);
  return failures_.empty() ? 0 : 1;
}

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

namespace {

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double TimeOnce(const std::function<void()>& work) {
  const auto start = Clock::now();
  work();
  return MillisecondsSince(start);
}

}  // namespace

double MedianMs(int runs, const std::function<void()>& work) {
  std::vector<double> times;
  for (int i = 0; i < std::max(runs, 1); ++i) times.push_back(TimeOnce(work));
  return Median(times);
}

namespace {

double ProcessCpuMs() {
  timespec t{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double ChildrenCpuMs() {
  rusage u{};
  ::getrusage(RUSAGE_CHILDREN, &u);
  auto ms = [](const timeval& v) { return v.tv_sec * 1e3 + v.tv_usec / 1e3; };
  return ms(u.ru_utime) + ms(u.ru_stime);
}

Cost MedianCost(const std::vector<Cost>& costs) {
  std::vector<double> wall, cpu;
  for (const Cost& c : costs) {
    wall.push_back(c.wallMs);
    cpu.push_back(c.cpuMs);
  }
  return {Median(wall), Median(cpu)};
}

}  // namespace

Cost Measure(const std::function<void()>& work) {
  const double cpu = ProcessCpuMs() + ChildrenCpuMs();
  const auto start = Clock::now();
  work();
  return {MillisecondsSince(start), ProcessCpuMs() + ChildrenCpuMs() - cpu};
}

SideBySide TimeSideBySide(int runs, const std::function<void()>& ours,
                          const std::function<void()>& theirs,
                          const std::function<void()>& baseline) {
  std::vector<Cost> a, b, c;
  for (int i = 0; i < std::max(runs, 1); ++i) {
    if (baseline) c.push_back(Measure(baseline));
    // Alternate which goes first so neither always meets a warm or cold cache.
    if (i % 2 == 0) {
      a.push_back(Measure(ours));
      b.push_back(Measure(theirs));
    } else {
      b.push_back(Measure(theirs));
      a.push_back(Measure(ours));
    }
  }
  return {MedianCost(a), MedianCost(b), MedianCost(c)};
}

int RunTool(const std::vector<std::string>& argv, const std::string& stdoutPath) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  const std::string out = stdoutPath.empty() ? "/dev/null" : stdoutPath;
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1;
  int status = 0;
  if (::waitpid(pid, &status, 0) < 0) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool ToolExists(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "/usr/bin:/bin");
  std::string dir;
  while (std::getline(dirs, dir, ':'))
    if (::access((dir + "/" + name).c_str(), X_OK) == 0) return true;
  return false;
}

long StatusKiB(const std::string& process, const std::string& field) {
  std::ifstream status("/proc/" + process + "/status");
  const std::string key = field + ":";
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + key.size());
  return 0;
}

long ResidentKiB() { return StatusKiB("self", "VmRSS"); }

std::vector<unsigned char> ReadWholeFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<unsigned char>((std::istreambuf_iterator<char>(f)), {});
}

bool WriteWholeFile(const std::string& path, const void* data, std::size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}

}  // namespace lumarel::bench
