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
  // Sized and placed before it is shown, so a dialog too big for a small
  // screen is cut down to it and none runs past an edge.
  dialog.ensurePolished();
  if (!dialog.testAttribute(Qt::WA_Resized)) dialog.adjustSize();
  FitSizeIntoScreen(dialog);
  PlaceIntoScreen(dialog);
  return dialog.exec();
}

void SetModalHook(ModalHook hook) { Hook() = std::move(hook); }

}  // namespace lumarel
