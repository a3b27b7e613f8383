// SPDX-License-Identifier: MIT
// Notifier shown as a QMessageBox owned by a window. Tests install an answer
// hook so that no box is ever shown and every question is recorded.
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "platform/Notifier.h"

class QMessageBox;

namespace lumarel {

struct MessageRequest {
  std::string text;
  std::string caption;
  MessageButtons buttons;
  MessageIcon icon;
};

// The message box QtNotifier shows, made at least as wide as its caption
// needs in the window's title bar (a box sized for its text alone has the
// window manager cut short captions such as "CARD LINK").
std::unique_ptr<QMessageBox> MakeMessageBox(const MessageRequest& request, QWidget* owner);
// The width a window needs for `caption` in its title bar: the text in the
// bold title font, with room for the title bar's icon and buttons.
int CaptionWidth(const QString& caption);

class QtNotifier final : public Notifier {
 public:
  using AnswerHook = std::function<MessageAnswer(const MessageRequest&)>;
  // Where notes go instead of a message box (the frame's status bar).
  using NoteSink = std::function<void(const std::string& text)>;

  explicit QtNotifier(QWidget* owner = nullptr) : owner_(owner) {}
  void SetOwner(QWidget* owner) { owner_ = owner; }

  MessageAnswer Show(const std::string& text, const std::string& caption, MessageButtons buttons,
                     MessageIcon icon) override;
  // A note goes to the sink when there is one: it needs no answer, so it
  // does not stop the user with a modal box.
  void Note(const std::string& text, const std::string& caption) override;
  void SetNoteSink(NoteSink sink) { noteSink_ = std::move(sink); }

  // Process-wide: while set, every QtNotifier answers through the hook instead of a box.
  static void SetAnswerHook(AnswerHook hook);

 private:
  QPointer<QWidget> owner_;
  NoteSink noteSink_;
};

}  // namespace lumarel
