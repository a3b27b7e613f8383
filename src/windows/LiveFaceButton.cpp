// SPDX-License-Identifier: MIT
#include "windows/LiveFaceButton.h"

#include <QPainter>

#include "windows/ButtonFaces.h"

namespace lumarel {

LiveFaceButton::LiveFaceButton(int id, std::function<void(bool)> notify,
                               std::function<int()> face, QWidget* parent)
    : QAbstractButton(parent), id_(id), notify_(std::move(notify)), face_(std::move(face)) {
  setObjectName(QString("button%1").arg(id));
  setText("NULL");
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  auto changed = [this](bool selected) {
    if (notify_) notify_(selected);
    update();
  };
  connect(this, &QAbstractButton::pressed, this, [changed] { changed(true); });
  connect(this, &QAbstractButton::released, this, [changed] { changed(false); });
}

void LiveFaceButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QPixmap face = ButtonFace(CurrentFace());
  if (face.isNull()) {
    painter.fillRect(rect(), QColor(192, 192, 192));
    return;
  }
  painter.drawPixmap(0, 0, face, 0, 0, width(), height());
}

}  // namespace lumarel
