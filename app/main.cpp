// SPDX-License-Identifier: MIT
// The Lumarel program: the MDI frame with its Preview and Live windows, and the
// camera link behind it. Command line: shell/GuiOptions.h.
#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>

#include "link/CameraLink.h"
#include "lumarel/Version.h"
#include "shell/CameraFrameLink.h"
#include "shell/Frame.h"
#include "shell/GuiOptions.h"

namespace {

// --version and --help are answered before Qt starts, so they need no display.
bool AnswerWithoutDisplay(int argc, char* argv[]) {
  for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("lumarel %s\n", lumarel::kVersion);
      return true;
    }
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(lumarel::kGuiUsage, stdout);
      return true;
    }
  }
  return false;
}

std::atomic<bool> gStopRequested{false};

extern "C" void OnStopSignal(int) { gStopRequested.store(true); }

}  // namespace

int main(int argc, char* argv[]) {
  if (AnswerWithoutDisplay(argc, argv)) return 0;
  QApplication app(argc, argv);
  QApplication::setApplicationName("Lumarel");
  QApplication::setApplicationVersion(lumarel::kVersion);
  QApplication::setDesktopFileName("lumarel");
  std::vector<std::string> args;
  const QStringList qtArgs = QApplication::arguments();  // Qt's own options taken out
  for (qsizetype i = 1; i < qtArgs.size(); ++i) args.push_back(qtArgs[i].toStdString());
  const lumarel::GuiOptions options = lumarel::ParseGuiOptions(args);
  if (!options.ok) {
    std::fprintf(stderr, "lumarel: %s\n%s", options.error.c_str(), lumarel::kGuiUsage);
    return 2;
  }
  QScreen* screen = QGuiApplication::primaryScreen();
  const int depth = screen ? screen->depth() : 24;

  lumarel::StartupEnvironment environment = lumarel::StartupEnvironment::FromProcess(depth);
  environment.settingsFile = options.settingsFile;
  // The camera link is chosen here; NullFrameLink runs the frame without one.
  auto link = std::make_unique<lumarel::CameraFrameLink>();
  auto frame = std::make_unique<lumarel::Frame>(*link, environment);
  link->AttachPreview();
  frame->show();
  link->OpenFiles(options.files);
  // LUMAREL_REPORT_LIST set: "list loaded" goes to standard output once the
  // picture list is complete (the start-up benchmark measures the program then).
  QTimer listWatch;
  if (qEnvironmentVariableIsSet("LUMAREL_REPORT_LIST")) {
    QObject::connect(&listWatch, &QTimer::timeout, [&] {
      if (link->Link() == nullptr || !link->Link()->State().indexLoaded) return;
      listWatch.stop();
      std::puts("list loaded");
      std::fflush(stdout);
    });
    listWatch.start(10);
  }
  // SIGTERM and SIGINT end the program without questions but in order: the
  // link stops (receive thread, port), the event loop ends, the scratch files
  // and folder are removed. The flag is polled because a signal handler may do
  // no more than set it.
  std::signal(SIGTERM, OnStopSignal);
  std::signal(SIGINT, OnStopSignal);
  QTimer stopWatch;
  QObject::connect(&stopWatch, &QTimer::timeout, [&] {
    if (!gStopRequested.load()) return;
    stopWatch.stop();
    link->StopReceiveThread();
    link->ClosePort();
    QApplication::exit(0);  // quit() would ask the frame, which asks "Exit Lumarel?"
  });
  stopWatch.start(100);
  const int code = QApplication::exec();
  frame.reset();
  return code;
}
