// SPDX-License-Identifier: MIT
// Windows and dialogs kept inside the screen's available area (without panels),
// so that no title bar, status bar or button lies off screen on a small display.
#pragma once

#include <QGuiApplication>
#include <QMargins>
#include <QRect>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace lumarel {

// What a window manager typically adds around a window before it is shown
// (title bar above, a border on the other sides).
inline constexpr QMargins kAssumedWindowFrame{4, 30, 4, 4};

// `wanted` (the window's inner rectangle) cut to fit into `available` with
// `frame` around it, then moved as little as needed to lie inside.
inline QRect FitRect(const QRect& wanted, const QRect& available,
                     const QMargins& frame = kAssumedWindowFrame) {
  const QRect room = available.marginsRemoved(frame);
  if (room.isEmpty()) return wanted;
  const int width = std::min(wanted.width(), room.width());
  const int height = std::min(wanted.height(), room.height());
  const int x = std::clamp(wanted.x(), room.left(), room.right() + 1 - width);
  const int y = std::clamp(wanted.y(), room.top(), room.bottom() + 1 - height);
  return {x, y, width, height};
}

// The available area of the screen `widget` is on (its parent's, else the
// primary screen while it has none).
inline QRect AvailableArea(const QWidget& widget) {
  const QScreen* screen = widget.screen();
  if (!screen) screen = QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect();
}

inline QRect FitIntoScreen(const QRect& wanted, const QWidget& widget) {
  const QRect available = AvailableArea(widget);
  return available.isValid() ? FitRect(wanted, available) : wanted;
}

// Cuts a widget's size (never below what its layout needs... unless the screen
// is smaller still) to fit the available area; the position is left to Qt.
inline void FitSizeIntoScreen(QWidget& widget) {
  const QRect available = AvailableArea(widget);
  if (!available.isValid()) return;
  const QSize room = available.marginsRemoved(kAssumedWindowFrame).size();
  const QSize size = widget.size().boundedTo(room);
  if (size == widget.size()) return;
  widget.setMinimumSize(widget.minimumSize().boundedTo(size));
  widget.resize(size);
}

// Where a window of `size` goes: centred over `over` (its owner's window, or
// the available area), then moved as little as needed to lie inside.
inline QRect PlaceRect(const QSize& size, const QRect& over, const QRect& available,
                       const QMargins& frame = kAssumedWindowFrame) {
  QRect wanted(QPoint(0, 0), size);
  wanted.moveCenter(over.center());
  return FitRect(wanted, available, frame);
}

// Places a dialog about to be shown: centred over its owner's window as Qt
// would, but never past an edge of the available area (a wide file dialog
// over a frame near the right edge would otherwise run off the screen).
inline void PlaceIntoScreen(QWidget& dialog) {
  const QRect available = AvailableArea(dialog);
  if (!available.isValid()) return;
  const QWidget* owner = dialog.parentWidget() ? dialog.parentWidget()->window() : nullptr;
  const QRect over = owner && owner->isVisible() ? owner->frameGeometry() : available;
  const QRect inner = PlaceRect(dialog.size(), over, available);
  // A window's position is that of its frame.
  dialog.move(inner.topLeft() - QPoint(kAssumedWindowFrame.left(), kAssumedWindowFrame.top()));
}

}  // namespace lumarel
