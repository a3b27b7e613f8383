// SPDX-License-Identifier: MIT
// lumarel-cli: the headless front end over the camera link, the image files
// and the image processing.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <exception>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "cli/CameraCommands.h"
#include "cli/CliOptions.h"
#include "cli/ConsoleNotifier.h"
#include "cli/Interrupt.h"
#include "cli/OfflineCommands.h"
#include "lumarel/Version.h"

using namespace lumarel;
using namespace lumarel::cli;

namespace {

int Run(const Request& request) {
  ConsoleNotifier notifier(std::cerr);
  CommandContext ctx{request, notifier, std::cout, std::cerr, SystemClock()};
  switch (request.command) {
    case Command::Convert: return Code(RunConvert(ctx));
    case Command::Adjust: return Code(RunAdjust(ctx));
    case Command::Exif: return Code(RunExif(ctx));
    case Command::Ports: return Code(RunPorts(ctx));
    default: return Code(RunCameraCommand(ctx));
  }
}

}  // namespace

int main(int argc, char** argv) {
  const ParseResult parsed = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (parsed.version) {
    std::cout << VersionLine() << std::endl;
    return Code(ExitStatus::Success);
  }
  if (parsed.help) {
    std::cout << UsageOf(parsed.request.command);
    return Code(ExitStatus::Success);
  }
  if (!parsed.ok) {
    std::cerr << "lumarel-cli: " << parsed.error << "\n" << kTryHelp << std::endl;
    return Code(ExitStatus::Usage);
  }
  std::signal(SIGPIPE, SIG_IGN);
  InstallInterruptFlag();
  int status = 0;
  // No command ends in an abort: anything thrown becomes an exit status.
  try {
    status = Run(parsed.request);
  } catch (const std::bad_alloc&) {
    ReportError(std::cerr, "not enough memory");
    status = Code(ExitStatus::FileError);
  } catch (const std::exception& e) {
    ReportError(std::cerr, e.what());
    status = Code(ExitStatus::FileError);
  }
  // Whatever the command made of it, a run stopped by a signal says so.
  if (InterruptRequested()) return InterruptExitCode();
  // What a script reads from standard output must have reached it: a full
  // disk or a closed pipe there is a failed run.
  // (A standard output closed by the caller, with nothing written to it, is fine.)
  std::cout.flush();
  const bool lost = !std::cout || std::fflush(stdout) != 0 || std::ferror(stdout);
  if (lost || (std::fclose(stdout) != 0 && errno != EBADF)) {
    if (status != Code(ExitStatus::FileError)) ReportError(std::cerr, "cannot write standard output");
    return status == 0 ? Code(ExitStatus::FileError) : status;
  }
  return status;
}
