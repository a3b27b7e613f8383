// SPDX-License-Identifier: MIT
// State of the modal wait dialogs DATA_TRANS and PERASE_PROC: the text field
// blinks every 500 ms until the dialog is closed by command 1 or 2.
#pragma once

#include <string>

#include "link/LinkUi.h"
#include "platform/Timers.h"

namespace lumarel {

inline constexpr int kWaitDialogBlinkTimerId = 1;
inline constexpr int kWaitDialogBlinkMs = 500;

class WaitDialog {
 public:
  WaitDialog(WaitDialogKind kind, LinkUi& ui, Timers& timers);
  WaitDialogKind Kind() const { return kind_; }
  // Shows the dialog and starts blinking.
  void Open();
  // The blink timer expired: the other text, and re-arm.
  void Blink();
  // Stops blinking and takes the dialog down.
  void Close();
  // The text the field shows now.
  std::string Text() const;

 private:
  WaitDialogKind kind_;
  LinkUi& ui_;
  Timers& timers_;
  bool showingWait_ = true;
};

}  // namespace lumarel
