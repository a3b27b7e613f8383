// SPDX-License-Identifier: MIT
// Runs a dialog modally. Tests install a hook that receives the dialog instead
// of running its event loop and returns the result the user would have chosen.
#pragma once

#include <functional>

class QDialog;

namespace lumarel {

using ModalHook = std::function<int(QDialog& dialog)>;

// The dialog's result: exec()'s, or the hook's while one is installed.
int RunModal(QDialog& dialog);
void SetModalHook(ModalHook hook);

}  // namespace lumarel
