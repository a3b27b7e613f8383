// SPDX-License-Identifier: MIT
#include "cli/ConsoleNotifier.h"

#include <istream>
#include <ostream>

namespace lumarel::cli {

std::string FormatMessage(const std::string& caption, const std::string& text) {
  return caption + ": " + text;
}

MessageAnswer ConsoleNotifier::Show(const std::string& text, const std::string& caption,
                                    MessageButtons buttons, MessageIcon /*icon*/) {
  if (beforePrint_ != nullptr) beforePrint_(beforePrintContext_);
  const bool question = buttons != MessageButtons::Ok;
  if (question && questionHandler_) {
    if (std::optional<MessageAnswer> answer = questionHandler_(caption, text, buttons)) {
      shown_.push_back({caption, text, question});
      return *answer;
    }
  }
  err_ << FormatMessage(caption, text) << std::endl;
  shown_.push_back({caption, text, question});
  if (!question) return MessageAnswer::Ok;
  stopRequested_ = true;
  return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Cancel;
}

void ConsoleNotifier::Note(const std::string& text, const std::string& /*caption*/) {
  if (beforePrint_ != nullptr) beforePrint_(beforePrintContext_);
  err_ << "lumarel-cli: note: " << text << std::endl;
}

bool AskOnTerminal(const std::string& caption, const std::string& text, std::istream& in,
                   std::ostream& err) {
  err << FormatMessage(caption, text) << " [y/N] " << std::flush;
  std::string answer;
  if (!std::getline(in, answer)) return false;
  return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
}

}  // namespace lumarel::cli
