#include "shell/HelpWindow.h"

#include <QUrl>

namespace lumarel {

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
    window_ = new QTextBrowser;
    window_->setAttribute(Qt::WA_DeleteOnClose);
    window_->setObjectName("Lumhelp");
    window_->setWindowTitle("Lumarel Help");
    window_->resize(520, 480);
  }
  QUrl url("qrc:/help/lumhelp.html");
  url.setFragment(Anchor(topic));
  window_->setSource(url);
  window_->scrollToAnchor(Anchor(topic));
  window_->show();
  window_->raise();
}

void Help::Release() {
  if (window_) window_->close();
  window_ = nullptr;
}

}  // namespace lumarel
