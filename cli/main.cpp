// lumarel-cli: the headless front end over the camera link, the image files
// and the image processing.
#include <csignal>
#include <exception>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "cli/CameraCommands.h"
#include "cli/CliOptions.h"
#include "cli/ConsoleNotifier.h"
#include "cli/OfflineCommands.h"
#include "lumarel/Version.h"

using namespace lumarel;
using namespace lumarel::cli;

namespace {

ExitStatus RunCommand(CommandContext& ctx) {
  switch (ctx.request.command) {
    case Command::Convert: return RunConvert(ctx);
    case Command::Adjust: return RunAdjust(ctx);
    case Command::Exif: return RunExif(ctx);
    default: return RunCameraCommand(ctx);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const ParseResult parsed = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (parsed.version && !parsed.help) {
    std::cout << "lumarel-cli " << kVersion << "\n";
    return Code(ExitStatus::Success);
  }
  if (parsed.help) {
    std::cout << kUsage;
    return Code(ExitStatus::Success);
  }
  if (!parsed.ok) {
    std::cerr << "lumarel-cli: " << parsed.error << "\n" << kUsage;
    return Code(ExitStatus::Usage);
  }
  std::signal(SIGPIPE, SIG_IGN);
  ConsoleNotifier notifier(std::cerr);
  CommandContext ctx{parsed.request, notifier, std::cout, std::cerr, SystemClock()};
  // No command ends in an abort: anything thrown becomes an exit status.
  try {
    return Code(RunCommand(ctx));
  } catch (const std::bad_alloc&) {
    ReportError(std::cerr, "not enough memory");
    return Code(ExitStatus::FileError);
  } catch (const std::exception& e) {
    ReportError(std::cerr, e.what());
    return Code(ExitStatus::FileError);
  }
}
