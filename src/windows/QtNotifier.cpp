#include "windows/QtNotifier.h"

#include <QMessageBox>

namespace lumarel {
namespace {

QtNotifier::AnswerHook& Hook() {
  static QtNotifier::AnswerHook hook;
  return hook;
}

QMessageBox::Icon ToQt(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Information: return QMessageBox::Information;
    case MessageIcon::Exclamation: return QMessageBox::Warning;
    case MessageIcon::Question: return QMessageBox::Question;
    case MessageIcon::Stop: return QMessageBox::Critical;
    case MessageIcon::None: break;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQt(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::Ok: break;
  }
  return QMessageBox::Ok;
}

MessageAnswer FromQt(int button, MessageButtons buttons) {
  switch (button) {
    case QMessageBox::Yes: return MessageAnswer::Yes;
    case QMessageBox::No: return MessageAnswer::No;
    case QMessageBox::Cancel: return MessageAnswer::Cancel;
    case QMessageBox::Ok: return MessageAnswer::Ok;
    default: break;
  }
  // Closed through the window's close box: the box's escape answer.
  if (buttons == MessageButtons::YesNo) return MessageAnswer::No;
  return buttons == MessageButtons::OkCancel ? MessageAnswer::Cancel : MessageAnswer::Ok;
}

}  // namespace

void QtNotifier::SetAnswerHook(AnswerHook hook) { Hook() = std::move(hook); }

MessageAnswer QtNotifier::Show(const std::string& text, const std::string& caption,
                               MessageButtons buttons, MessageIcon icon) {
  if (Hook()) return Hook()(MessageRequest{text, caption, buttons, icon});
  QMessageBox box(ToQt(icon), QString::fromStdString(caption), QString::fromStdString(text),
                  ToQt(buttons), owner_.data());
  return FromQt(box.exec(), buttons);
}

}  // namespace lumarel
