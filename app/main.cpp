// The Lumarel program: the MDI frame with its Preview and Live windows, and the
// camera link behind it. The program reads no command line.
#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "link/CameraLink.h"
#include "shell/CameraFrameLink.h"
#include "shell/Frame.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Lumarel");
  QApplication::setDesktopFileName("lumarel");
  QScreen* screen = QGuiApplication::primaryScreen();
  const int depth = screen ? screen->depth() : 24;

  // The camera link is chosen here; NullFrameLink runs the frame without one.
  auto link = std::make_unique<lumarel::CameraFrameLink>();
  auto frame =
      std::make_unique<lumarel::Frame>(*link, lumarel::StartupEnvironment::FromProcess(depth));
  link->AttachPreview();
  frame->show();
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
  const int code = QApplication::exec();
  frame.reset();
  return code;
}
