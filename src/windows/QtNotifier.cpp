// SPDX-License-Identifier: MIT
#include "windows/QtNotifier.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>

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
    case MessageButtons::OkCancel:
    case MessageButtons::CancelOk: return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::YesNoCancel:
      return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
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
  return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
}

}  // namespace

int CaptionWidth(const QString& caption) {
  // Window managers draw titles in a bold face about the size of the
  // application's; the room for the icon and three buttons is generous.
  constexpr int kTitleBarControls = 140;
  QFont font = QApplication::font();
  font.setBold(true);
  return QFontMetrics(font).horizontalAdvance(caption) + kTitleBarControls;
}

std::unique_ptr<QMessageBox> MakeMessageBox(const MessageRequest& request, QWidget* owner) {
  const QString caption = QString::fromStdString(request.caption);
  auto box = std::make_unique<QMessageBox>(ToQt(request.icon), caption,
                                           QString::fromStdString(request.text),
                                           ToQt(request.buttons), owner);
  if (request.buttons == MessageButtons::CancelOk) box->setDefaultButton(QMessageBox::Cancel);
  // A box fixes its own size from its layout's minimum width when shown, so a
  // spacer across the layout is what keeps it wide enough for the caption.
  if (auto* grid = qobject_cast<QGridLayout*>(box->layout())) {
    grid->addItem(new QSpacerItem(CaptionWidth(caption), 0, QSizePolicy::Fixed, QSizePolicy::Minimum),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }
  return box;
}

void QtNotifier::SetAnswerHook(AnswerHook hook) { Hook() = std::move(hook); }

MessageAnswer QtNotifier::Show(const std::string& text, const std::string& caption,
                               MessageButtons buttons, MessageIcon icon) {
  const MessageRequest request{text, caption, buttons, icon};
  if (Hook()) return Hook()(request);
  std::unique_ptr<QMessageBox> box = MakeMessageBox(request, owner_.data());
  return FromQt(box->exec(), buttons);
}

void QtNotifier::Note(const std::string& text, const std::string& caption) {
  if (noteSink_) {
    noteSink_(text);
  } else {
    Notifier::Note(text, caption);
  }
}

}  // namespace lumarel
