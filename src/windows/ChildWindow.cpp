// SPDX-License-Identifier: MIT
#include "windows/ChildWindow.h"

#include <QCloseEvent>
#include <QKeyEvent>

namespace lumarel {

ChildWindow::ChildWindow(ChildKind kind, ChildHost& host, QWidget* parent)
    : QWidget(parent), kind_(kind), host_(host) {
  setFocusPolicy(Qt::StrongFocus);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor(192, 192, 192));  // light grey background
  setPalette(pal);
}

MenuKind ChildWindow::Menu() const {
  switch (kind_) {
    case ChildKind::Preview: return MenuKind::Preview;
    case ChildKind::Capture: return MenuKind::Capture;
    case ChildKind::Openfile: return MenuKind::Imagefile;
    case ChildKind::Liveimage: return MenuKind::Liveimage;
  }
  return MenuKind::Frame;
}

bool ChildWindow::QueryEndSession() {
  // The permanent windows stay until the user has confirmed the exit.
  return !IsPermanent() || host_.ExitConfirmed();
}

void ChildWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F1) {
    host_.OpenHelp(HelpTopic::Contents);
    return;
  }
  QWidget::keyPressEvent(event);
}

void ChildWindow::closeEvent(QCloseEvent* event) {
  if (QueryEndSession()) {
    event->accept();
  } else {
    event->ignore();
  }
}

}  // namespace lumarel
