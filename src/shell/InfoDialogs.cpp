// SPDX-License-Identifier: MIT
#include "shell/InfoDialogs.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "lumarel/Version.h"

namespace lumarel {
namespace {

QPushButton* AddButton(QDialog* dialog, QLayout* layout, const char* text, int id) {
  auto* button = new QPushButton(text, dialog);
  button->setObjectName(QString("button%1").arg(id));
  layout->addWidget(button);
  QObject::connect(button, &QPushButton::clicked, dialog, [dialog, id] { dialog->done(id); });
  return button;
}

}  // namespace

ComSetupDialog::ComSetupDialog(const PortView& port, QWidget* parent) : QDialog(parent) {
  setObjectName("COM_SETUP");
  setWindowTitle("COM SETUP");
  auto* layout = new QVBoxLayout(this);
  auto* group = new QGroupBox("Port", this);
  auto* radios = new QVBoxLayout(group);
  const struct {
    int id;
    const char* name;
  } ports[] = {{1001, "COM1"}, {1002, "COM2"}, {1042, "COM3"}, {1043, "COM4"}};
  for (const auto& p : ports) {
    auto* radio = new QRadioButton(p.name, group);
    radio->setObjectName(QString::number(p.id));
    radio->setEnabled(false);  // shown, never chosen here
    radio->setChecked(!port.identifying && port.portId == p.id);
    radios->addWidget(radio);
  }
  layout->addWidget(group);
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel("  Current Baudrate", this));
  auto* speed = new QLineEdit(this);
  speed->setObjectName("1036");
  speed->setReadOnly(true);
  if (!port.identifying) speed->setText(QString::number(port.speed));
  row->addWidget(speed);
  layout->addLayout(row);
  if (!port.problems.empty()) {
    QStringList lines;
    for (const std::string& line : port.problems) lines << QString::fromStdString(line);
    auto* problems = new QLabel(lines.join("\n"), this);
    problems->setObjectName("problems");
    problems->setWordWrap(true);
    problems->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(problems);
  }
  auto* buttons = new QHBoxLayout;
  AddButton(this, buttons, "OK", 1)->setDefault(true);
  layout->addLayout(buttons);
}

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("ABOUT");
  setWindowTitle("About");
  auto* layout = new QVBoxLayout(this);
  for (const char* text : {"Lumarel", "Ver 5.00", "(for Windows95,98,Me,2000,NT)",
                           "This image change process is based in part on",
                           "the work of the independent JPEG Group."}) {
    layout->addWidget(new QLabel(text, this), 0, Qt::AlignHCenter);
  }
  auto* version =
      new QLabel(QString("Lumarel for Linux %1").arg(QString::fromLatin1(kVersion)), this);
  version->setObjectName("version");
  layout->addWidget(version, 0, Qt::AlignHCenter);
  auto* buttons = new QHBoxLayout;
  AddButton(this, buttons, "OK", 1)->setDefault(true);
  layout->addLayout(buttons);
}

}  // namespace lumarel
