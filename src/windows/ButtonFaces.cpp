// SPDX-License-Identifier: MIT
#include "windows/ButtonFaces.h"

#include <QFont>
#include <QPainter>

namespace lumarel {
namespace {

enum class Look { Raised, Pressed, Greyed };

struct FaceSpec {
  int id;
  const char* word;
  QColor ink;
  Look look;
  int width;
  int height;
};

const QColor kBlue(0, 0, 255);
const QColor kRed(255, 0, 0);
const QColor kGreen(0, 128, 0);
const QColor kBlack(0, 0, 0);

constexpr FaceSpec kFaces[] = {
    {105, "Cancel", kGreen, Look::Raised, 100, 30},
    {106, "Cancel", kGreen, Look::Pressed, 100, 30},
    {107, "Preview", kBlue, Look::Raised, 100, 31},
    {108, "Preview", kRed, Look::Pressed, 100, 30},
    {109, "Capture", kBlue, Look::Raised, 100, 30},
    {110, "Capture", kBlue, Look::Pressed, 100, 30},
    {120, "Transfer", kBlack, Look::Raised, 90, 31},
    {121, "Transfer", kBlack, Look::Pressed, 90, 31},
    {122, "Transfer", kBlack, Look::Greyed, 90, 31},
    {123, "Delete", kBlack, Look::Greyed, 90, 31},
    {124, "Delete", kBlack, Look::Raised, 90, 31},
    {125, "Delete", kBlack, Look::Pressed, 90, 31},
    {126, "Save...", kBlack, Look::Greyed, 80, 31},
    {127, "Save...", kBlack, Look::Raised, 80, 31},
    {128, "Save...", kBlack, Look::Pressed, 80, 31},
};

// A 3-D button: light top-left and dark bottom-right edges, swapped when pressed.
void DrawBevel(QPainter& p, const QRect& r, bool pressed) {
  const QColor light(255, 255, 255), shadow(128, 128, 128), dark(0, 0, 0);
  p.fillRect(r, QColor(192, 192, 192));
  const QColor topLeft = pressed ? dark : light;
  const QColor bottomRight = pressed ? light : dark;
  p.setPen(topLeft);
  p.drawLine(r.topLeft(), r.topRight());
  p.drawLine(r.topLeft(), r.bottomLeft());
  p.setPen(bottomRight);
  p.drawLine(r.bottomLeft(), r.bottomRight());
  p.drawLine(r.topRight(), r.bottomRight());
  p.setPen(pressed ? shadow : shadow);
  if (pressed) {
    p.drawLine(r.left() + 1, r.top() + 1, r.right() - 1, r.top() + 1);
    p.drawLine(r.left() + 1, r.top() + 1, r.left() + 1, r.bottom() - 1);
  } else {
    p.drawLine(r.left() + 1, r.bottom() - 1, r.right() - 1, r.bottom() - 1);
    p.drawLine(r.right() - 1, r.top() + 1, r.right() - 1, r.bottom() - 1);
  }
}

QPixmap Draw(const FaceSpec& face) {
  QPixmap pixmap(face.width, face.height);
  QPainter p(&pixmap);
  const bool pressed = face.look == Look::Pressed;
  DrawBevel(p, pixmap.rect(), pressed);
  QFont font("Arial");
  font.setPixelSize(14);
  font.setBold(true);
  p.setFont(font);
  QRect text = pixmap.rect();
  if (pressed) text.translate(1, 1);
  if (face.look == Look::Greyed) {  // etched: white under grey
    p.setPen(QColor(255, 255, 255));
    p.drawText(text.translated(1, 1), Qt::AlignCenter, face.word);
    p.setPen(QColor(128, 128, 128));
  } else {
    p.setPen(face.ink);
  }
  p.drawText(text, Qt::AlignCenter, face.word);
  return pixmap;
}

}  // namespace

QPixmap ButtonFace(int id) {
  for (const FaceSpec& face : kFaces) {
    if (face.id == id) return Draw(face);
  }
  return {};
}

}  // namespace lumarel
