// SPDX-License-Identifier: MIT
// The two children the frame creates at start-up and keeps for the whole run:
// the Preview window (the camera's picture list) and the Live window. Both
// refuse to close until the exit has been confirmed.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>

#include "windows/ChildWindow.h"
#include "windows/FaceButton.h"
#include "windows/LiveWindow.h"
#include "windows/PreviewModel.h"
#include "windows/WheelSteps.h"

class QScrollBar;

namespace lumarel {

class PreviewLinkCommands;

class PreviewWindow : public ChildWindow {
  Q_OBJECT
 public:
  static constexpr const char* kTitle = "Preview Window";
  // The camera operations (Save As, Data in, Delete Page, Delete All, Reload)
  // are carried out by the link side; it returns true when it handled one.
  using CommandHandler = std::function<bool(int id)>;

  explicit PreviewWindow(ChildHost& host, QWidget* parent = nullptr);
  QScrollBar* VerticalBar() const { return bar_; }

  // Without a model the window shows twelve empty cells and a total of 0.
  void SetModel(PreviewModel* model);
  PreviewModel* Model() const { return model_; }
  void SetCommandHandler(CommandHandler handler) { onCommand_ = std::move(handler); }
  // Delete Page, Delete All, Reload and activation on the camera link.
  void SetLinkCommands(PreviewLinkCommands* commands) { linkCommands_ = commands; }
  // The unchanging copy of the default palette, remade on activation (palette displays).
  void SetDefaultPalette(std::span<const std::uint8_t> palette) { defaultPalette_ = palette; }
  bool Command(int id) override;
  void Activated() override;
  FaceButton* Button(int id) const;
  // The scroll bar's range in rows (set when the list has arrived).
  void SetScrollRange(int maximum);
  bool NtFamily() const { return true; }
  // The picture the keyboard is on (its thumbnail carries the focus frame); -1: none yet.
  int FocusPicture() const { return focus_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  // The grid as a file manager's icon view: arrows, Home, End, Page Up and
  // Page Down select the picture they move to (Shift extends the selection,
  // Ctrl moves the focus alone), Space selects and Ctrl+Space toggles the
  // focused picture, Enter is Data in from camera, Delete is Delete Page.
  void keyPressEvent(QKeyEvent* event) override;
  // One notch of the wheel scrolls one row, as the scroll bar's arrows do.
  void wheelEvent(QWheelEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // A click or key on picture `index`: selection, focus, menu items, buttons.
  void SelectAt(int index, bool shift, bool ctrl);
  void MoveFocus(PreviewKey key, bool shift, bool ctrl);
  void ScrollToShow(int index);
  void PaintFocusFrame(QPainter& p);
  bool HasCurrentPicture() const;
  void PaintCells(QPainter& p);
  void PaintHeader(QPainter& p);
  void OnScrollAction(int action);
  int HitAt(const QPoint& point) const;

  QScrollBar* bar_;
  std::array<FaceButton*, 3> buttons_{};
  PreviewModel* model_ = nullptr;
  CommandHandler onCommand_;
  PreviewLinkCommands* linkCommands_ = nullptr;
  std::span<const std::uint8_t> defaultPalette_;
  int anchor_ = 0;  // SelectionAnchor
  int focus_ = -1;  // the keyboard's picture
  WheelSteps wheel_;
};

// The Live window is LiveImageWindow (windows/LiveWindow.h).
using LiveWindow = LiveImageWindow;

}  // namespace lumarel
