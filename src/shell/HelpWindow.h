// SPDX-License-Identifier: MIT
// The program's help: our own help text (resource ":/help/lumhelp.html") in a
// browser window, opened at its contents or at context 1 (the line is
// disconnected) or context 2 (no camera found).
//
// Help asked for while a modal dialog is open (the link dialogs' Help button)
// would be blocked by that dialog and stay behind it: the help window then
// becomes a window of the dialog, above it and usable while the dialog waits,
// and turns back into a window of the frame when the dialog goes away. It
// opens centred over the window it belongs to, inside the screen.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTextBrowser>

#include "windows/CommandIds.h"

namespace lumarel {

class Help final : public QObject {
  Q_OBJECT
 public:
  ~Help() override;
  // The window the help belongs to when no dialog has it (the frame): the
  // window manager keeps the help above it, and it opens centred over it.
  void SetOwner(QWidget* owner) { owner_ = owner; }
  // Opens (or raises) the help window at the topic.
  void Open(HelpTopic topic);
  // The application no longer needs the help: closes the window.
  void Release();
  QTextBrowser* Window() const { return window_.data(); }
  static QString Anchor(HelpTopic topic);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void PlaceAbove(QWidget* modal);
  void Detach();

  QPointer<QTextBrowser> window_;
  QPointer<QWidget> modal_;  // the dialog the window belongs to for now
  QPointer<QWidget> owner_;
  bool placed_ = false;      // shown once: the user's place is kept from then on
};

}  // namespace lumarel
