// SPDX-License-Identifier: MIT
// What every benchmark shares: figures printed as they are measured
// ("name: value unit (ratio vs reference)") and a closing summary, timing of
// one piece of work, running an external tool, and the process's resident memory.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace lumarel::bench {

// A goal is a limit on the ratio (or, with no reference, on the value).
struct Goal {
  double limit = 0;
  bool onRatio = true;
};

struct Figure {
  std::string name;
  double value = 0;
  std::string unit;
  std::optional<double> ratio;  // value / reference value
  std::string reference;        // what the ratio compares against
  std::optional<Goal> goal;
  bool Met() const;
};

class Report {
 public:
  explicit Report(std::string title) : title_(std::move(title)) {}
  // Prints the figure at once and keeps it for the summary.
  void Add(Figure figure);
  // A figure with no reference.
  void Value(const std::string& name, double value, const std::string& unit,
             std::optional<Goal> goal = std::nullopt) {
    Add({name, value, unit, std::nullopt, {}, goal});
  }
  void Note(const std::string& text);
  // Marks the run as failed (a step that did not work); the summary says so.
  void Fail(const std::string& what);
  // Prints the summary; returns the process exit status (1 after a failure).
  int Summary() const;

 private:
  std::string title_;
  std::vector<Figure> figures_;
  std::vector<std::string> failures_;
};

using Clock = std::chrono::steady_clock;
double MillisecondsSince(Clock::time_point start);

// Median of `runs` timings of `work` in milliseconds.
double MedianMs(int runs, const std::function<void()>& work);

// Wall-clock and processor time of one piece of work; processor time counts
// this process and the child processes it waited for.
struct Cost {
  double wallMs = 0;
  double cpuMs = 0;
};
Cost Measure(const std::function<void()>& work);

// Times `ours`, `theirs` and an optional `baseline` (the part of `theirs`
// that is not the work, such as starting a process) in turn, so that all see
// the same load, and gives the median of each.
struct SideBySide {
  Cost ours, theirs, baseline;
  double Ratio() const { return theirs.wallMs > 0 ? ours.wallMs / theirs.wallMs : 0; }
  // Processor time against that of `theirs` less the baseline; 0 when that
  // leaves nothing.
  double NetCpuRatio() const {
    const double net = theirs.cpuMs - baseline.cpuMs;
    return net > 0 ? ours.cpuMs / net : 0;
  }
};
SideBySide TimeSideBySide(int runs, const std::function<void()>& ours,
                          const std::function<void()>& theirs,
                          const std::function<void()>& baseline = {});

// Runs argv[0] (searched on PATH) with standard output to `stdoutPath` (empty:
// /dev/null) and standard error discarded; returns its exit status, -1 when it
// could not start.
int RunTool(const std::vector<std::string>& argv, const std::string& stdoutPath = {});
bool ToolExists(const std::string& name);

// The process's resident set in KiB (VmRSS), 0 when unknown.
long ResidentKiB();
// A KiB field of /proc/<process>/status ("VmRSS", "VmHWM"); process is a pid
// or "self"; 0 when unknown (the process has ended).
long StatusKiB(const std::string& process, const std::string& field);

// Bytes of a file, empty when it cannot be read.
std::vector<unsigned char> ReadWholeFile(const std::string& path);
bool WriteWholeFile(const std::string& path, const void* data, std::size_t size);

}  // namespace lumarel::bench
