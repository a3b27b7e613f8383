// SPDX-License-Identifier: MIT
// The Lumarel program: the MDI frame with its Preview and Live windows, and the
// camera link behind it. Command line: shell/GuiOptions.h.
#include <QApplication>
#include <QFileInfo>
#include <QScreen>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <memory>

#include "link/CameraLink.h"
#include "lumarel/Version.h"
#include "shell/CameraFrameLink.h"
#include "shell/Frame.h"
#include "shell/GuiOptions.h"
#include "shell/SingleInstance.h"

namespace {

std::vector<std::string> Words(const QStringList& arguments) {
  std::vector<std::string> words;
  for (qsizetype i = 1; i < arguments.size(); ++i) words.push_back(arguments[i].toStdString());
  return words;
}

QStringList AbsolutePaths(const std::vector<std::string>& files) {
  QStringList paths;
  for (const std::string& file : files) {
    paths << QFileInfo(QString::fromStdString(file)).absoluteFilePath();
  }
  return paths;
}

std::atomic<bool> gStopRequested{false};

extern "C" void OnStopSignal(int) { gStopRequested.store(true); }

}  // namespace

int main(int argc, char* argv[]) {
  // The line is checked before Qt starts: --version, --help and a wrong option
  // need no display.
  const lumarel::GuiOptions early =
      lumarel::ParseGuiOptions(std::vector<std::string>(argv + 1, argv + argc));
  if (!early.ok) {
    std::fprintf(stderr, "lumarel: %s\n%s", early.error.c_str(), lumarel::kGuiUsage);
    return 2;
  }
  if (early.version) {
    std::printf("lumarel %s\n", lumarel::kVersion);
    return 0;
  }
  if (early.help) {
    std::fputs(lumarel::kGuiUsage, stdout);
    return 0;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName("Lumarel");
  QApplication::setApplicationVersion(lumarel::kVersion);
  QApplication::setDesktopFileName("lumarel");
  // Qt's own options are out of QApplication::arguments() now.
  const lumarel::GuiOptions options = lumarel::ParseGuiOptions(Words(QApplication::arguments()));
  // A program already running takes the files (or just comes to the front).
  lumarel::SingleInstance instance;
  if (instance.HandOver(AbsolutePaths(options.files))) return 0;
  QScreen* screen = QGuiApplication::primaryScreen();
  const int depth = screen ? screen->depth() : 24;

  lumarel::StartupEnvironment environment = lumarel::StartupEnvironment::FromProcess(depth);
  environment.settingsFile = options.settingsFile;
  // The camera link is chosen here; NullFrameLink runs the frame without one.
  auto link = std::make_unique<lumarel::CameraFrameLink>();
  auto frame = std::make_unique<lumarel::Frame>(*link, environment);
  link->AttachPreview();
  frame->SetOpenFilesHandler(
      [&link](const std::vector<std::string>& files) { link->OpenFiles(files); });
  instance.Listen([&frame](const QStringList& files) {
    std::vector<std::string> paths;
    for (const QString& file : files) paths.push_back(file.toStdString());
    frame->BringToFront();
    frame->OpenFiles(paths);
  });
  frame->ShowRemembered();
  link->OpenFiles(options.files);
  // LUMAREL_REPORT_LIST set: "list loaded" goes to standard output once the
  // picture list is complete (the start-up benchmark measures the program then).
  if (qEnvironmentVariableIsSet("LUMAREL_REPORT_LIST")) {
    link->OnFirstListLoaded([] {
      std::puts("list loaded");
      std::fflush(stdout);
    });
  }
  // SIGTERM (logout) and SIGINT end the program without questions but in
  // order: the link stops (receive thread, port), the settings are written,
  // the event loop ends, the scratch files and folder are removed. The flag is
  // polled because a signal handler may do no more than set it.
  std::signal(SIGTERM, OnStopSignal);
  std::signal(SIGINT, OnStopSignal);
  QTimer stopWatch;
  QObject::connect(&stopWatch, &QTimer::timeout, [&] {
    if (!gStopRequested.load()) return;
    stopWatch.stop();
    frame->ShutDownOnSignal();  // the link stops, the settings are written
    QApplication::exit(0);  // quit() would ask the frame, which asks "Exit Lumarel?"
  });
  stopWatch.start(100);
  const int code = QApplication::exec();
  frame.reset();
  return code;
}
