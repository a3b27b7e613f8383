// SPDX-License-Identifier: MIT
#include "shell/LinkDialogs.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

#include "windows/ModalRunner.h"

namespace lumarel {
namespace {

struct WaitTexts {
  const char* name;
  const char* caption;
  const char* text;
  const char* blinkOn;
  const char* blinkOff;
};

constexpr WaitTexts kDataTransfer{"DATA_TRANS", "DATA TRANSFER", "Data transfer is now in progress.",
                                  "Please wait.", "             "};  // 13 blanks
constexpr WaitTexts kErase{"PERASE_PROC", "DATA ERASE", "Data is now being erased.",
                           "Please wait", ""};

const WaitTexts& Texts(WaitDialogWindow::Kind kind) {
  return kind == WaitDialogWindow::Kind::DataTransfer ? kDataTransfer : kErase;
}

QPushButton* AddButton(QDialog* dialog, QLayout* row, const char* text, int id,
                       std::function<void()> onClick) {
  auto* button = new QPushButton(text, dialog);
  button->setObjectName(QString("button%1").arg(id));
  button->setAutoDefault(false);
  row->addWidget(button);
  QObject::connect(button, &QPushButton::clicked, dialog, std::move(onClick));
  return button;
}

}  // namespace

WaitDialogWindow::WaitDialogWindow(Kind kind, QWidget* parent) : QDialog(parent), kind_(kind) {
  const WaitTexts& t = Texts(kind);
  setObjectName(t.name);
  setWindowTitle(t.caption);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(t.text, this), 0, Qt::AlignHCenter);
  field_ = new QLabel(t.blinkOn, this);
  field_->setObjectName("1005");
  layout->addWidget(field_, 0, Qt::AlignHCenter);
  blink_.setSingleShot(true);
  connect(&blink_, &QTimer::timeout, this, &WaitDialogWindow::Blink);
  blink_.start(kBlinkMilliseconds);
}

QString WaitDialogWindow::BlinkText() const { return field_->text(); }

void WaitDialogWindow::Blink() {
  blink_.stop();
  shown_ = !shown_;
  const WaitTexts& t = Texts(kind_);
  field_->setText(shown_ ? t.blinkOn : t.blinkOff);
  if (ownBlink_) blink_.start(kBlinkMilliseconds);
}

void WaitDialogWindow::SetBlinkText(const QString& text) { field_->setText(text); }

void WaitDialogWindow::UserClose(int id) {
  Command(id);
  if (closedByUser_) closedByUser_(id);
}

void WaitDialogWindow::Command(int id) {
  if (id == 1 || id == 2) {
    blink_.stop();
    done(id);
  }
}

ComCancelOkDialog::ComCancelOkDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("COM_CANCELOK");
  setWindowTitle("WARNING");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(
      "CAUTION: If you select OK, the following must be performed to connect the Vidmarelle:",
      this));
  layout->addWidget(new QLabel(
      "Turn the Vidmarelle POWER OFF, and then ON, Execute the Lumarel software again.", this));
  auto* row = new QHBoxLayout;
  AddButton(this, row, "OK", 1, [this] { done(1); })->setDefault(true);
  AddButton(this, row, "Cancel", 2, [this] { done(2); });
  layout->addLayout(row);
}

LinkLostDialog::LinkLostDialog(Kind kind, Actions actions, QWidget* parent,
                               const std::vector<std::string>& problems)
    : QDialog(parent), kind_(kind), actions_(std::move(actions)) {
  const bool lost = kind == Kind::Disconnected;
  setObjectName(lost ? "COM_DISCONNECT" : "COM_RECONNECT");
  setWindowTitle("Lumarel");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(
      lost ? "The line is disconnected." : "Please check PC/VIDMARELLE Connection.", this));
  if (!problems.empty()) {
    QStringList lines;
    for (const std::string& line : problems) lines << QString::fromStdString(line);
    auto* details = new QLabel(lines.join('\n'), this);
    details->setObjectName("problems");
    details->setWordWrap(true);
    details->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(details);
  }
  auto* row = new QHBoxLayout;
  AddButton(this, row, lost ? "Reconnect" : "Retry", 1, [this] { Command(1); })->setDefault(true);
  AddButton(this, row, "Cancel", 2, [this] { Command(2); });
  AddButton(this, row, "Help", 3, [this] { Command(3); });
  layout->addLayout(row);
}

void LinkLostDialog::Command(int id) {
  if (actions_.route) {
    if (actions_.route(id)) done(id);
    return;
  }
  switch (id) {
    case 1:
      if (actions_.action) actions_.action();
      done(1);
      break;
    case 2: {
      ComCancelOkDialog confirm(this);
      if (RunModal(confirm) == 1) done(2);
      break;
    }
    case 3:
      if (actions_.help) actions_.help();
      break;
    default:
      break;
  }
}

}  // namespace lumarel
