// SPDX-License-Identifier: MIT
#include "windows/ModalRunner.h"

#include <QDialog>

#include "windows/FitIntoScreen.h"

namespace lumarel {
namespace {

ModalHook& Hook() {
  static ModalHook hook;
  return hook;
}

}  // namespace

int RunModal(QDialog& dialog) {
  if (Hook()) return Hook()(dialog);
  // Sized before it is shown, so a dialog too big for a small screen is cut
  // down to it (Qt then keeps its place on the screen).
  dialog.ensurePolished();
  if (!dialog.testAttribute(Qt::WA_Resized)) dialog.adjustSize();
  FitSizeIntoScreen(dialog);
  return dialog.exec();
}

void SetModalHook(ModalHook hook) { Hook() = std::move(hook); }

}  // namespace lumarel
