// SPDX-License-Identifier: MIT
// The preview cache: lumarel-cli against the simulator paced at the line
// speed (115200), a card of 100 pictures that are all imported already.
//
//   lumarel-bench-cache [--quick]
//
// Each command runs once with --no-cache and once with the cache the import
// filled, one after the other against the same simulator; every figure is
// the command's whole run (connection, speed, list, plan) against the full
// index (`list --no-cache`). --quick: 4 pictures, unpaced, to check that it
// runs.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchReport.h"
#include "SimProcess.h"

namespace lumarel::bench {
namespace {

namespace fs = std::filesystem;

class CacheBench {
 public:
  CacheBench(bool quick, fs::path dir) : quick_(quick), dir_(std::move(dir)), report_("cache") {}

  int Run() {
    const int pictures = quick_ ? 4 : 100;
    // The cache and the import record as a first `get --all --new` leaves
    // them, fetched unpaced: the generated card is the same in every run.
    ::setenv("XDG_CACHE_HOME", (dir_ / "cache").c_str(), 1);
    {
      SimProcess sim(Device("import"), pictures, false);
      if (!sim.Ready()) return Failed("simulator did not start");
      if (Cli(Device("import"), {"get", "--all", "--new", "--original"}) != 0)
        return Failed("the first import");
    }
    SimProcess sim(Device("paced"), pictures, !quick_);
    if (!sim.Ready()) return Failed("simulator did not start");
    const std::string card = Device("paced");
    const std::string n = std::to_string(pictures);
    double full = 0;
    struct Step {
      std::string name;
      std::vector<std::string> args;
    };
    const Step steps[] = {
        {"list of " + n + ", every preview read (--no-cache)", {"--no-cache", "list"}},
        {"list of " + n + ", previews from the cache", {"list"}},
        {"get --all --new of " + n + ", nothing new, --no-cache",
         {"--no-cache", "get", "--all", "--new", "--original"}},
        {"get --all --new of " + n + ", nothing new, previews from the cache",
         {"get", "--all", "--new", "--original"}},
    };
    for (const Step& step : steps) {
      int status = 0;
      const double ms = MedianMs(1, [&] { status = Cli(card, step.args); });
      if (status != 0) return Failed(step.name + ": exit status " + std::to_string(status));
      if (full == 0) {
        full = ms;
        report_.Value(step.name, ms / 1000, "s");
        continue;
      }
      report_.Add({step.name, ms / 1000, "s", ms / full, "the full index", std::nullopt});
    }
    if (!fs::is_empty(dir_ / "out", ignored_) && CountFiles(dir_ / "out") != pictures + 1)
      report_.Fail("a get --new saved a picture again");
    return report_.Summary();
  }

 private:
  std::string Device(const char* name) const { return (dir_ / name).string(); }
  int Failed(const std::string& what) {
    report_.Fail(what);
    return report_.Summary();
  }
  int Cli(const std::string& device, std::vector<std::string> args) {
    std::vector<std::string> argv{LUMAREL_CLI_PATH, "--port", device, "-q"};
    argv.insert(argv.end(), args.begin(), args.end());
    if (args.back() == "--original") {
      argv.push_back("--out");
      argv.push_back((dir_ / "out").string());
    }
    return RunTool(argv);
  }
  static int CountFiles(const fs::path& dir) {
    int n = 0;
    for (const auto& e : fs::directory_iterator(dir)) n += e.is_regular_file() ? 1 : 0;
    return n;
  }

  bool quick_;
  fs::path dir_;
  Report report_;
  std::error_code ignored_;
};

}  // namespace
}  // namespace lumarel::bench

int main(int argc, char** argv) {
  bool quick = false;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--quick") {
      quick = true;
    } else {
      std::fprintf(stderr, "usage: lumarel-bench-cache [--quick]\n");
      return 2;
    }
  }
  char pattern[] = "/tmp/lumarel-bench-cache-XXXXXX";
  const char* dir = ::mkdtemp(pattern);
  if (dir == nullptr) return 2;
  const int status = lumarel::bench::CacheBench(quick, dir).Run();
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
  return status;
}
