// SPDX-License-Identifier: MIT
// The state of one picture-adjustment dialog without the dialog: working
// blocks, Before and After previews, analysis, values, flags, and what each
// control does to them. The dialog maps its controls onto these calls and
// paints Before() and After().
#pragma once

#include <cstdint>
#include <span>

#include "imagefile/DibImage.h"
#include "imageproc/AdjustmentValues.h"

namespace lumarel {

class AdjustmentSession {
 public:
  // Allocates the working blocks, makes both previews from the 24-bit
  // `picture` and analyses the Before preview. Returns false, holding no
  // blocks, when the picture is not a 24-bit picture or memory is short.
  bool Open(std::span<const std::uint8_t> picture);
  bool IsOpen() const { return static_cast<bool>(before_); }
  // Frees the working blocks (Cancel, and after OK).
  void Close();

  const AdjustmentValues& Values() const { return values_; }
  const PreviewAnalysis& Analysis() const { return analysis_; }
  const ProcessingState& State() const { return state_; }
  bool Changed() const { return changed_; }
  bool AutomaticPending() const { return automaticPending_; }

  // The 160 x 120 24-bit previews as DIBs (header and rows); empty when not open.
  std::span<const std::uint8_t> Before() const;
  std::span<const std::uint8_t> After() const;

  // A scroll notification of one slider: updates its value, recomputes by
  // hand, sets the automatic-pending and changed flags. Returns the value.
  int Scroll(AdjustSlider slider, ScrollAction action, int position);
  // "Automatic": sets the changed flag and, when pending, computes the
  // automatic values once. Returns true when it computed them.
  bool ChooseAutomatic();
  // "Revert": all values 0, manual recomputation, pending set, changed cleared.
  void Revert();
  // "OK": when something changed, processes the whole picture and copies the
  // result over it. Returns true when the picture was replaced; false when
  // nothing changed or the picture is not the one the session was opened on.
  bool Apply(std::span<std::uint8_t> picture);

 private:
  LumaPlanes Planes(int width, int height);
  Rows24 BeforeRows();
  Rows24 AfterRows();
  void ProcessPreview();

  MemoryBlock before_, result_, y_, cb_, cr_, padding_;
  int width_ = 0;
  int height_ = 0;
  AdjustmentValues values_;
  PreviewAnalysis analysis_;
  ProcessingState state_;
  bool automaticPending_ = true;
  bool changed_ = false;
};

}  // namespace lumarel
