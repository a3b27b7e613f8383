#include "windows/PermanentWindows.h"

namespace lumarel {

LiveWindow::LiveWindow(ChildHost& host, QWidget* parent)
    : ChildWindow(ChildKind::Liveimage, host, parent) {
  setObjectName("Liveimage");
  setWindowTitle(kTitle);
}

void LiveWindow::PressLiveButton() {
  if (onLiveButton_) onLiveButton_();
}

}  // namespace lumarel
