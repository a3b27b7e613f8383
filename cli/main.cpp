// lumarel-cli: the headless front end over the camera link, the image files
// and the image processing.
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "cli/CameraCommands.h"
#include "cli/CliOptions.h"
#include "cli/ConsoleNotifier.h"
#include "cli/OfflineCommands.h"
#include "lumarel/Version.h"

using namespace lumarel;
using namespace lumarel::cli;

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
  switch (parsed.request.command) {
    case Command::Convert: return Code(RunConvert(ctx));
    case Command::Adjust: return Code(RunAdjust(ctx));
    case Command::Exif: return Code(RunExif(ctx));
    default: return Code(RunCameraCommand(ctx));
  }
}
