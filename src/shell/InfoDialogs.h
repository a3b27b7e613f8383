// SPDX-License-Identifier: MIT
// The two read-only dialogs of the frame: "COM_SETUP" shows the link's port and
// speed, "ABOUT" shows the product texts. Controls carry their identifiers as
// object names ("1001", "1036", "button1").
#pragma once

#include <QDialog>

#include "shell/FrameLink.h"

namespace lumarel {

class ComSetupDialog final : public QDialog {
  Q_OBJECT
 public:
  // While the link is identifying (or has failed) no port is checked and the
  // speed field stays empty.
  ComSetupDialog(const PortView& port, QWidget* parent = nullptr);
  void reject() override {}  // only OK closes it
};

class AboutDialog final : public QDialog {
  Q_OBJECT
 public:
  explicit AboutDialog(QWidget* parent = nullptr);
  void reject() override { done(2); }  // Esc is Cancel (2)
};

}  // namespace lumarel
