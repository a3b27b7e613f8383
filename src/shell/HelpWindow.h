// The program's help: our own help text (resource ":/help/lumhelp.html") in a
// browser window, opened at its contents or at context 1 (the line is
// disconnected) or context 2 (no camera found).
#pragma once

#include <QPointer>
#include <QTextBrowser>

#include "windows/CommandIds.h"

namespace lumarel {

class Help {
 public:
  // Opens (or raises) the help window at the topic.
  void Open(HelpTopic topic);
  // The application no longer needs the help: closes the window.
  void Release();
  QTextBrowser* Window() const { return window_.data(); }
  static QString Anchor(HelpTopic topic);

 private:
  QPointer<QTextBrowser> window_;
};

}  // namespace lumarel
