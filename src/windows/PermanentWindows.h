// The two children the frame creates at start-up and keeps for the whole run:
// the Preview window (the camera's picture list) and the Live window. Both
// refuse to close until the exit has been confirmed.
#pragma once

#include <array>
#include <functional>

#include "windows/ChildWindow.h"
#include "windows/FaceButton.h"
#include "windows/PreviewModel.h"

class QScrollBar;

namespace lumarel {

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
  bool Command(int id) override;
  FaceButton* Button(int id) const;
  // The scroll bar's range in rows (set when the list has arrived).
  void SetScrollRange(int maximum);
  bool NtFamily() const { return true; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void PaintCells(QPainter& p);
  void PaintHeader(QPainter& p);
  void OnScrollAction(int action);
  int HitAt(const QPoint& point) const;

  QScrollBar* bar_;
  std::array<FaceButton*, 3> buttons_{};
  PreviewModel* model_ = nullptr;
  CommandHandler onCommand_;
  int anchor_ = 0;  // SelectionAnchor
};

class LiveWindow : public ChildWindow {
  Q_OBJECT
 public:
  static constexpr const char* kTitle = "Live image Window";
  explicit LiveWindow(ChildHost& host, QWidget* parent = nullptr);
  // The press of the live button that switches a running live picture off;
  // the live picture logic installs what it does.
  void PressLiveButton();
  void SetLiveButtonHandler(std::function<void()> handler) { onLiveButton_ = std::move(handler); }

 private:
  std::function<void()> onLiveButton_;
};

}  // namespace lumarel
