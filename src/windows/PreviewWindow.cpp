// SPDX-License-Identifier: MIT
// The Preview window: a grid of four thumbnails per row, three rows at a time,
// a header with the camera's total count, and three picture buttons.
#include <QFontMetrics>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>

#include "imagefile/DibImage.h"
#include "windows/DisplayPalette.h"
#include "windows/PermanentWindows.h"
#include "windows/PreviewLinkCommands.h"

namespace lumarel {
namespace {

const QColor kWhite(255, 255, 255);
const QColor kDarkGrey(64, 64, 64);
const QColor kLightGrey(192, 192, 192);
const QColor kGreen(0, 255, 0);
constexpr int kColumns = kPreviewColumns;
constexpr int kVisibleRows = kPreviewVisibleRows;

// A slot's thumbnail: its size comes from the low bytes of the header's width
// and height; rows that would lie outside the slot give no picture.
QImage SlotImage(std::span<const std::uint8_t> slot) {
  if (slot.size() < kDibInfoHeaderSize) return {};
  const int w = slot[4];
  const int h = slot[8];
  const std::size_t stride = DibStride(static_cast<std::size_t>(w), 24);
  if (w == 0 || h == 0 || kDibInfoHeaderSize + stride * h > slot.size()) return {};
  QImage image(w, h, QImage::Format_RGB888);
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* src = slot.data() + kDibInfoHeaderSize + stride * (h - 1 - y);
    std::uint8_t* dst = image.scanLine(y);
    for (int x = 0; x < w; ++x) {
      dst[3 * x] = src[3 * x + 2];
      dst[3 * x + 1] = src[3 * x + 1];
      dst[3 * x + 2] = src[3 * x];
    }
  }
  return image;
}

// A 1-pixel line in GDI's manner: from `a` up to, not including, `b`.
void Line(QPainter& p, QPoint a, QPoint b) {
  if (a.x() == b.x()) b.ry() += b.y() > a.y() ? -1 : 1;
  else b.rx() += b.x() > a.x() ? -1 : 1;
  p.drawLine(a, b);
}

void Polyline(QPainter& p, std::initializer_list<QPoint> points) {
  const QPoint* prev = nullptr;
  for (const QPoint& point : points) {
    if (prev) Line(p, *prev, point);
    prev = &point;
  }
}

QFont Font(const char* family, int height, int width, bool bold) {
  QFont font(family);
  font.setPixelSize(height);
  font.setBold(bold);
  // Narrow or widen the face until its average character is `width` pixels wide.
  const int average = QFontMetrics(font).averageCharWidth();
  if (average > 0) font.setStretch(qBound(1, width * 100 / average, 4000));
  return font;
}

bool IsActiveMdiChild(const QWidget* window) {
  auto* sub = qobject_cast<QMdiSubWindow*>(window->parentWidget());
  return sub && sub->mdiArea() && sub->mdiArea()->activeSubWindow() == sub;
}

}  // namespace

PreviewWindow::PreviewWindow(ChildHost& host, QWidget* parent)
    : ChildWindow(ChildKind::Preview, host, parent), bar_(new QScrollBar(Qt::Vertical, this)) {
  setObjectName("Preview");
  setWindowTitle(kTitle);
  bar_->setRange(0, 0);  // no movable thumb until the list sets the real range
  // The keyboard stays with the grid when the bar or a button is clicked.
  bar_->setFocusPolicy(Qt::NoFocus);
  bar_->installEventFilter(this);
  connect(bar_, &QScrollBar::valueChanged, this, [this](int row) {
    if (!model_ || row == model_->ScrollRow()) return;
    model_->SetScrollRow(row);
    update(0, 50, 580, 450);
  });
  const struct {
    int id, x, width;
    FaceButton::Faces faces;
  } specs[] = {{3, 245, 90, {122, 121, 120}}, {4, 345, 90, {123, 125, 124}},
               {5, 455, 80, {126, 128, 127}}};
  const int commands[] = {kCmdDataIn, kCmdDeletePage, kCmdSaveAs};
  for (int i = 0; i < 3; ++i) {
    auto active = [this] { return model_ && model_->CurrentPicture() != kNoPicture; };
    buttons_[i] = new FaceButton(specs[i].id, specs[i].faces, active, this);
    buttons_[i]->setGeometry(specs[i].x, 10, specs[i].width, 30);
    buttons_[i]->setFocusPolicy(Qt::NoFocus);
    const int command = commands[i];
    connect(buttons_[i], &FaceButton::Command, this, [this, command] { Command(command); });
  }
}

void PreviewWindow::SetModel(PreviewModel* model) {
  model_ = model;
  update();
}

FaceButton* PreviewWindow::Button(int id) const {
  for (FaceButton* button : buttons_) {
    if (button->Id() == id) return button;
  }
  return nullptr;
}

void PreviewWindow::SetScrollRange(int maximum) {
  bar_->setRange(0, std::max(0, maximum));
  bar_->setPageStep(1);
}

bool PreviewWindow::Command(int id) {
  switch (id) {
    case kCmdSaveAs:
    case kCmdDataIn:
    case kCmdDeletePage:
    case kCmdDeleteAll:
    case kCmdReload:
      if (linkCommands_ && linkCommands_->Run(id, Host())) return true;
      if (onCommand_) onCommand_(id);
      return true;
    default:
      return false;  // every other command is ignored here
  }
}

void PreviewWindow::Activated() {
  if (linkCommands_) linkCommands_->Activated();
  // On palette displays the Preview's thumbnails are drawn with the default palette.
  if (SharedDisplayPalette().Enabled() && !defaultPalette_.empty()) {
    SharedDisplayPalette().Remake(defaultPalette_);
    update();
  }
}

void PreviewWindow::resizeEvent(QResizeEvent* event) {
  const int w = bar_->sizeHint().width();
  bar_->setGeometry(width() - w, 0, w, height());
  ChildWindow::resizeEvent(event);
}

int PreviewWindow::HitAt(const QPoint& point) const {
  if (!model_) return -1;
  return PreviewHitTest(point.x(), point.y(), model_->ScrollRow(), model_->ReceivedCount());
}

void PreviewWindow::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const int index = HitAt(event->position().toPoint());
  if (index < 0) return;
  const Qt::KeyboardModifiers mods = event->modifiers();
  SelectAt(index, mods & Qt::ShiftModifier, mods & Qt::ControlModifier);
}

void PreviewWindow::SelectAt(int index, bool shift, bool ctrl) {
  if (PreviewClickSelect(*model_, anchor_, index, shift, ctrl)) update();
  focus_ = index;
  for (int id : {kCmdDataIn, kCmdDeletePage, kCmdSaveAs}) Host().SetCurrentMenuItemEnabled(id, true);
  update(0, 50, 580, 450);
  for (FaceButton* button : buttons_) button->update();
}

void PreviewWindow::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || HitAt(event->position().toPoint()) < 0) return;
  // The click before made the picture current; opening it is a download.
  if (onCommand_) onCommand_(kCmdDataIn);
}

void PreviewWindow::paintEvent(QPaintEvent*) {
  QPainter p(this);
  PaintCells(p);
  PaintHeader(p);
}

void PreviewWindow::PaintCells(QPainter& p) {
  // On palette displays the active Preview draws its thumbnails with the default palette.
  DisplayPalette& palette = SharedDisplayPalette();
  if (palette.Enabled() && !defaultPalette_.empty() && IsActiveMdiChild(this)) {
    palette.Remake(defaultPalette_);
  }
  const int scroll = model_ ? model_->ScrollRow() : 0;
  const int received = model_ ? model_->ReceivedCount() : 0;
  const bool current = model_ && model_->CurrentPicture() != kNoPicture;
  auto selected = [&](int index) { return current && index < received && model_->Mark(index) == 1; };
  for (int c = 0; c < kColumns; ++c) {
    for (int r = 0; r < kVisibleRows; ++r) {
      const int x = 140 * c, y = 130 * r;
      p.setBrush(kWhite);  // the cells are filled as by the default white brush
      p.setPen(kWhite);
      p.drawRect(5 + x, 55 + y, 129, 119);
      p.setPen(kDarkGrey);
      p.drawRect(4 + x, 54 + y, 129, 119);
      p.setBrush(Qt::NoBrush);
      const int index = c + 4 * (r + scroll);
      if (selected(index)) {
        p.setPen(QPen(kDarkGrey, 2));
        p.drawLine(5 + x, 55 + y, 134 + x, 55 + y);
        p.drawLine(5 + x, 55 + y, 5 + x, 174 + y);
      }
      const std::span<const std::uint8_t> slot =
          model_ ? model_->Thumbnail(index) : std::span<const std::uint8_t>{};
      const QImage thumb = palette.Render(SlotImage(slot));
      if (!thumb.isNull()) p.drawImage(QRect(10 + x, 60 + y, 120, 90), thumb);
      p.fillRect(QRect(QPoint(6 + x, 150 + y), QPoint(133 + x, 167 + y)), kLightGrey);
      const std::string label = model_ && index < received ? model_->Label(index) : std::string();
      if (!label.empty()) {
        p.setPen(Qt::black);
        p.setFont(Font("Times New Roman", 16, 6, false));
        p.drawText(QRect(10 + x, 152 + y, 125, 16), Qt::AlignLeft | Qt::AlignTop,
                   QString::fromStdString(label));
      }
      if (selected(index)) {
        p.setPen(QPen(kGreen, 6, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(13 + x, 151 + y, 126 + x, 151 + y);
      }
    }
  }
  PaintFocusFrame(p);
}

// The keyboard's picture, while the Preview is the active window: a dotted
// black line over a white one, two pixels deep on the thumbnail's edge, which
// shows on light and dark pictures alike.
void PreviewWindow::PaintFocusFrame(QPainter& p) {
  if (!model_ || focus_ < 0 || focus_ >= model_->ReceivedCount() || !IsActiveMdiChild(this)) return;
  const int visible = focus_ - kColumns * model_->ScrollRow();
  if (visible < 0 || visible >= kColumns * kVisibleRows) return;
  const int x = 140 * (visible % kColumns), y = 130 * (visible / kColumns);
  p.save();
  p.setBrush(Qt::NoBrush);
  for (int inset = 0; inset < 2; ++inset) {
    const QRect edge(10 + x + inset, 60 + y + inset, 119 - 2 * inset, 89 - 2 * inset);
    p.setPen(QPen(kWhite, 1));
    p.drawRect(edge);
    p.setPen(QPen(Qt::black, 1, Qt::DotLine));
    p.drawRect(edge);
  }
  p.restore();
}

void PreviewWindow::PaintHeader(QPainter& p) {
  p.setPen(kDarkGrey);
  Polyline(p, {{30, 45}, {30, 5}, {185, 5}});
  Polyline(p, {{105, 40}, {105, 10}, {180, 10}});
  Polyline(p, {{235, 45}, {235, 5}, {545, 5}});
  p.setPen(kWhite);
  Polyline(p, {{30, 45}, {185, 45}, {185, 5}});
  Polyline(p, {{105, 40}, {180, 40}, {180, 10}});
  Polyline(p, {{235, 45}, {545, 45}, {545, 5}});
  p.fillRect(QRect(QPoint(115, 12), QPoint(174, 37)), kLightGrey);
  p.setPen(Qt::black);
  if (NtFamily()) {
    p.setFont(Font("Courier New", 22, 10, true));
    p.drawText(QRect(48, 16, 60, 22), Qt::AlignLeft | Qt::AlignTop, "Total");
  } else {
    p.setFont(Font("Courier New", 18, 8, true));
    p.drawText(QRect(52, 18, 60, 18), Qt::AlignLeft | Qt::AlignTop, "Total");
  }
  p.setFont(Font("Courier New", 20, 10, true));
  p.drawText(QRect(125, 16, 60, 20), Qt::AlignLeft | Qt::AlignTop,
             QString::number(model_ ? model_->TotalCount() : 0));
}

}  // namespace lumarel
