// SPDX-License-Identifier: MIT
// The "Image Adjustment" dialog (IMAGE_ADJUST) over an AdjustmentSession:
// four sliders with signed labels, manual and automatic mode, Revert, and the
// Before and After previews of the active picture side by side. OK applies
// the last computed adjustment to the whole picture.
#pragma once

#include <QDialog>
#include <array>
#include <cstdint>
#include <functional>
#include <span>

#include "imageproc/AdjustmentSession.h"
#include "platform/Notifier.h"
#include "windows/ImageDoc.h"

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QScrollBar;

namespace lumarel {

// The picture window the dialog works on and what OK does besides the picture.
struct AdjustTarget {
  ImageDoc* doc = nullptr;                  // the active picture window's record
  bool paletteDisplay = false;              // remake the display palette after OK
  std::span<std::uint8_t> currentPalette;   // the shared CurrentPalette buffer
  Notifier* notifier = nullptr;             // messages of the palette remake
  std::function<void()> invalidate;         // repaint the window without erasing
};

class AdjustDialog final : public QDialog {
  Q_OBJECT
 public:
  // Opens the session on the target's picture; check IsOpen() before showing.
  explicit AdjustDialog(AdjustTarget target, QWidget* owner = nullptr);

  bool IsOpen() const { return session_.IsOpen(); }
  const AdjustmentSession& Session() const { return session_; }
  QScrollBar* Slider(AdjustSlider slider) const { return sliders_[Index(slider)]; }
  QLabel* Label(AdjustSlider slider) const { return labels_[Index(slider)]; }
  // The height of group box 1030's client area: the previews are placed below it.
  int PreviewTop() const;

 public slots:
  void OnManual();
  void OnAutomatic();
  void OnRevert();
  void accept() override;  // OK
  void reject() override;  // Cancel

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  static int Index(AdjustSlider slider) { return static_cast<int>(slider); }
  void BuildControls();
  void BuildSliderRow(AdjustSlider slider, const char* name, int row);
  void OnSliderAction(AdjustSlider slider, int action);
  // Ranges, positions and labels from the session's values.
  void ResetSliders();
  void ShowValue(AdjustSlider slider, int value);
  void SetManualControlsEnabled(bool enabled);
  void ApplyToPicture();

  AdjustTarget target_;
  AdjustmentSession session_;
  std::array<QScrollBar*, 4> sliders_{};
  std::array<QLabel*, 4> labels_{};
  QGroupBox* degree_ = nullptr;
  QRadioButton* manual_ = nullptr;
  QRadioButton* automatic_ = nullptr;
  QPushButton* revert_ = nullptr;
  QLabel* beforeCaption_ = nullptr;
  QLabel* afterCaption_ = nullptr;
};

// Image Adjustment (40016) for the active picture window: runs the dialog
// modally and returns 0. When the window has no picture or the working memory
// cannot be had, shows "Not enough memory." instead of an empty dialog.
int RunAdjustDialog(AdjustTarget target, QWidget* owner);

}  // namespace lumarel
