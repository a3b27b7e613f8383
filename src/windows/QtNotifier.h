// Notifier shown as a QMessageBox owned by a window. Tests install an answer
// hook so that no box is ever shown and every question is recorded.
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <string>

#include "platform/Notifier.h"

namespace lumarel {

struct MessageRequest {
  std::string text;
  std::string caption;
  MessageButtons buttons;
  MessageIcon icon;
};

class QtNotifier final : public Notifier {
 public:
  using AnswerHook = std::function<MessageAnswer(const MessageRequest&)>;

  explicit QtNotifier(QWidget* owner = nullptr) : owner_(owner) {}
  void SetOwner(QWidget* owner) { owner_ = owner; }

  MessageAnswer Show(const std::string& text, const std::string& caption, MessageButtons buttons,
                     MessageIcon icon) override;

  // Process-wide: while set, every QtNotifier answers through the hook instead of a box.
  static void SetAnswerHook(AnswerHook hook);

 private:
  QPointer<QWidget> owner_;
};

}  // namespace lumarel
