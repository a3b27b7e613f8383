// SPDX-License-Identifier: MIT
// The message-box interface through which the non-Qt layers talk to the user.
// The GUI shows a QMessageBox, lumarel-cli prints "CAPTION: text" to standard
// error, tests record the call and return a scripted answer.
#pragma once

#include <string>

namespace lumarel {

// YesNoCancel: Escape and the close box answer Cancel. CancelOk: OK and
// Cancel with Cancel as the default button (questions about losing data).
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel, CancelOk };
enum class MessageIcon { None, Information, Exclamation, Question, Stop };
enum class MessageAnswer { Ok, Cancel, Yes, No };

class Notifier {
 public:
  virtual ~Notifier() = default;
  // Shows text under caption and blocks until the user answers.
  virtual MessageAnswer Show(const std::string& text, const std::string& caption,
                             MessageButtons buttons, MessageIcon icon) = 0;
  // A note that needs no answer and is no failure (a picture cut to fit, rows
  // missing from a file). Shown as a message box unless the front end has a
  // quieter place: the command line prints it as a plain note.
  virtual void Note(const std::string& text, const std::string& caption) {
    Show(text, caption, MessageButtons::Ok, MessageIcon::Exclamation);
  }
};

}  // namespace lumarel
