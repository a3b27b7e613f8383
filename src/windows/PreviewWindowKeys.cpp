// SPDX-License-Identifier: MIT
// The Preview window's keyboard and mouse wheel.
#include <QKeyEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <optional>

#include "windows/PermanentWindows.h"

namespace lumarel {
namespace {

std::optional<PreviewKey> MoveKey(int key) {
  switch (key) {
    case Qt::Key_Left: return PreviewKey::Left;
    case Qt::Key_Right: return PreviewKey::Right;
    case Qt::Key_Up: return PreviewKey::Up;
    case Qt::Key_Down: return PreviewKey::Down;
    case Qt::Key_PageUp: return PreviewKey::PageUp;
    case Qt::Key_PageDown: return PreviewKey::PageDown;
    case Qt::Key_Home: return PreviewKey::Home;
    case Qt::Key_End: return PreviewKey::End;
    default: return std::nullopt;
  }
}

}  // namespace

bool PreviewWindow::HasCurrentPicture() const {
  return model_ && model_->CurrentPicture() != kNoPicture;
}

void PreviewWindow::keyPressEvent(QKeyEvent* event) {
  const bool shift = event->modifiers() & Qt::ShiftModifier;
  const bool ctrl = event->modifiers() & Qt::ControlModifier;
  const bool received = model_ && model_->ReceivedCount() > 0;
  if (const std::optional<PreviewKey> key = MoveKey(event->key())) {
    if (received) MoveFocus(*key, shift, ctrl);
    return;
  }
  switch (event->key()) {
    case Qt::Key_Space:
      if (received && focus_ >= 0 && focus_ < model_->ReceivedCount()) SelectAt(focus_, false, ctrl);
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (HasCurrentPicture()) Command(kCmdDataIn);
      return;
    case Qt::Key_Delete:
      if (HasCurrentPicture()) Command(kCmdDeletePage);
      return;
    default:
      ChildWindow::keyPressEvent(event);
  }
}

void PreviewWindow::MoveFocus(PreviewKey key, bool shift, bool ctrl) {
  const int target = PreviewKeyTarget(key, focus_, model_->ReceivedCount());
  if (target < 0) return;
  if (ctrl && !shift) {
    focus_ = target;  // the selection stays as it is
    update(0, 50, 580, 450);
  } else {
    SelectAt(target, shift, false);
  }
  ScrollToShow(target);
}

void PreviewWindow::ScrollToShow(int index) {
  const int row = PreviewRowShowing(index, model_->ScrollRow(), bar_->maximum());
  bar_->setValue(row);  // moves the grid through the bar's valueChanged
}

void PreviewWindow::wheelEvent(QWheelEvent* event) {
  event->accept();
  const int notches = wheel_.Take(Qt::Vertical, event->angleDelta().y());
  if (!model_ || notches == 0) return;
  bar_->setValue(std::clamp(model_->ScrollRow() - notches, 0, bar_->maximum()));
}

bool PreviewWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == bar_ && event->type() == QEvent::Wheel) {
    wheelEvent(static_cast<QWheelEvent*>(event));
    return true;
  }
  return ChildWindow::eventFilter(watched, event);
}

}  // namespace lumarel
