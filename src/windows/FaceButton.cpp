// SPDX-License-Identifier: MIT
#include "windows/FaceButton.h"

#include <QPainter>

#include "windows/ButtonFaces.h"

namespace lumarel {

FaceButton::FaceButton(int id, Faces faces, std::function<bool()> active, QWidget* parent)
    : QAbstractButton(parent), id_(id), faces_(faces), active_(std::move(active)) {
  setObjectName(QString("button%1").arg(id));
  setFocusPolicy(Qt::NoFocus);
  connect(this, &QAbstractButton::clicked, this, [this] {
    if (active_()) emit Command(id_);
  });
}

int FaceButton::CurrentFace() const {
  if (!active_()) return faces_.inactive;
  return isDown() ? faces_.pressed : faces_.released;
}

void FaceButton::paintEvent(QPaintEvent*) {
  const QPixmap face = ButtonFace(CurrentFace());
  if (face.isNull()) return;
  QPainter painter(this);
  painter.drawPixmap(0, 0, face, 0, 0, width(), height());
}

QSize FaceButton::sizeHint() const { return ButtonFace(faces_.released).size(); }

}  // namespace lumarel
