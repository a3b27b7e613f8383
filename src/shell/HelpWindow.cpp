// SPDX-License-Identifier: MIT
#include "shell/HelpWindow.h"

#include <QApplication>
#include <QEvent>
#include <QUrl>

#include "windows/FitIntoScreen.h"

namespace lumarel {

Help::~Help() {
  // A help window borrowed by a dialog must not outlive this object unseen.
  Detach();
  delete window_.data();
}

QString Help::Anchor(HelpTopic topic) {
  switch (topic) {
    case HelpTopic::Context1: return "context1";
    case HelpTopic::Context2: return "context2";
    case HelpTopic::Contents: break;
  }
  return "contents";
}

void Help::Open(HelpTopic topic) {
  if (!window_) {
    window_ = new QTextBrowser(owner_);
    window_->setWindowFlag(Qt::Window);
    placed_ = false;
    window_->setAttribute(Qt::WA_DeleteOnClose);
    window_->setObjectName("Lumhelp");
    window_->setWindowTitle("Lumarel Help");
    window_->resize(520, 480);
  }
  QWidget* modal = QApplication::activeModalWidget();
  if (modal && modal != window_ && !modal->isAncestorOf(window_)) PlaceAbove(modal);
  QUrl url("qrc:/help/lumhelp.html");
  url.setFragment(Anchor(topic));
  window_->setSource(url);
  window_->scrollToAnchor(Anchor(topic));
  if (!placed_) {
    QWidget* over = modal_ ? modal_.data() : owner_.data();
    QRect rect(QPoint(), window_->size());
    if (over) rect.moveCenter(over->frameGeometry().center());
    window_->setGeometry(FitIntoScreen(rect, over ? *over : *window_));
    placed_ = true;
  }
  window_->show();
  window_->raise();
  window_->activateWindow();
}

// A window whose parent is the modal dialog is not blocked by it, and the
// window manager keeps it above its parent.
void Help::PlaceAbove(QWidget* modal) {
  Detach();
  const QRect geometry = window_->geometry();
  window_->setParent(modal, Qt::Window);
  if (placed_) window_->setGeometry(geometry);
  modal_ = modal;
  modal->installEventFilter(this);
}

bool Help::eventFilter(QObject* watched, QEvent* event) {
  if (watched == modal_ && (event->type() == QEvent::Hide || event->type() == QEvent::Close)) {
    const bool shown = window_ && window_->isVisible();
    Detach();
    if (window_ && shown) window_->show();
  }
  return QObject::eventFilter(watched, event);
}

// Gives the window back to the desktop before its dialog is destroyed.
void Help::Detach() {
  if (modal_) modal_->removeEventFilter(this);
  if (window_ && modal_ && window_->parentWidget() == modal_) {
    const QRect geometry = window_->geometry();
    window_->setParent(owner_, Qt::Window);
    window_->setGeometry(geometry);
  }
  modal_ = nullptr;
}

void Help::Release() {
  Detach();
  if (window_) window_->close();
  window_ = nullptr;
}

}  // namespace lumarel
