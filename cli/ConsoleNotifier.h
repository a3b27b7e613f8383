// SPDX-License-Identifier: MIT
// Message boxes without windows: every message goes to standard error as
// "CAPTION: text". A plain message is answered OK. A question that the link
// asks (OK/Cancel, Yes/No: the camera is in VCR mode, has no card, ...) has
// no sensible answer without a user, so it is answered Cancel / No and the
// run is marked to stop with that message.
#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "platform/Notifier.h"

namespace lumarel::cli {

struct ShownMessage {
  std::string caption;
  std::string text;
  bool question = false;
};

class ConsoleNotifier final : public Notifier {
 public:
  explicit ConsoleNotifier(std::ostream& err) : err_(err) {}

  MessageAnswer Show(const std::string& text, const std::string& caption, MessageButtons buttons,
                     MessageIcon icon) override;
  // "lumarel-cli: note: text", not an error.
  void Note(const std::string& text, const std::string& caption) override;

  // Set once a question was declined: the run should stop.
  bool StopRequested() const { return stopRequested_; }
  const std::vector<ShownMessage>& Shown() const { return shown_; }

  // Answers the questions a command expects (e.g. a delete confirmation);
  // nothing from the handler leaves the question to the default above. The
  // handler prints whatever it asks.
  using QuestionHandler = std::function<std::optional<MessageAnswer>(
      const std::string& caption, const std::string& text, MessageButtons buttons)>;
  void SetQuestionHandler(QuestionHandler handler) { questionHandler_ = std::move(handler); }

  // Called before each message is printed (e.g. to clear a progress line).
  void SetBeforePrint(void (*hook)(void*), void* context) {
    beforePrint_ = hook;
    beforePrintContext_ = context;
  }

 private:
  std::ostream& err_;
  std::vector<ShownMessage> shown_;
  bool stopRequested_ = false;
  QuestionHandler questionHandler_;
  void (*beforePrint_)(void*) = nullptr;
  void* beforePrintContext_ = nullptr;
};

// "CAPTION: text" exactly as printed.
std::string FormatMessage(const std::string& caption, const std::string& text);

// Asks a confirmation on the terminal: prints "CAPTION: text [y/N] " to err
// and reads one line from in; true for an answer starting with y or Y.
bool AskOnTerminal(const std::string& caption, const std::string& text, std::istream& in,
                   std::ostream& err);

}  // namespace lumarel::cli
