// SPDX-License-Identifier: MIT
#include "windows/LiveWindow.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include "windows/DibQImage.h"
#include "windows/DisplayPalette.h"
#include "windows/FileWindow.h"
#include "windows/LivePhoto.h"

namespace lumarel {
namespace {

constexpr int kIdleLiveFace = 107;
constexpr int kIdleZoomFace = 109;
const QColor kFrameDark(64, 64, 64);
const QColor kFrameLight(255, 255, 255);
const QRect kLiveBox(15, 15, 160, 120);
const QRect kPhotoBox(5, 155, 320, 240);
// The double-click area of the photo, both edges included.
const QRect kPhotoClickArea(QPoint(5, 155), QPoint(325, 395));

// A 1-pixel frame from (l, t) to (r, b): `topLeft` on the left and top sides,
// `bottomRight` on the right and bottom sides.
void Bevel(QPainter& p, int l, int t, int r, int b, const QColor& topLeft,
           const QColor& bottomRight) {
  p.setPen(topLeft);
  p.drawLine(l, b, l, t);
  p.drawLine(l, t, r, t);
  p.setPen(bottomRight);
  p.drawLine(r, t, r, b);
  p.drawLine(r, b, l, b);
}

void DrawLayoutFrames(QPainter& p) {
  Bevel(p, 5, 5, 325, 145, kFrameDark, kFrameLight);     // outer panel
  Bevel(p, 12, 12, 178, 138, kFrameLight, kFrameDark);   // live frame
  Bevel(p, 190, 22, 310, 128, kFrameDark, kFrameLight);  // button panel
  Bevel(p, 1, 151, 329, 399, kFrameLight, kFrameDark);   // photo
}

// Nearest-pixel stretch of `source` out of `image` to `size`, as the screen shows it.
QImage Stretch(const QImage& image, const QRect& source, const QSize& size,
               const DisplayPalette* palette) {
  if (image.isNull()) return {};
  QImage part = source == image.rect() ? image : image.copy(source);
  if (part.size() != size) part = part.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
  return palette ? palette->Render(part) : part;
}

}  // namespace

LiveImageWindow::LiveImageWindow(ChildHost& host, QWidget* parent)
    : ChildWindow(ChildKind::Liveimage, host, parent) {
  setObjectName("Liveimage");
  setWindowTitle(kTitle);
  // Until a link is attached the buttons show their idle faces: Preview and Capture, raised.
  auto face = [this](int id) {
    if (services_.link) return services_.link->Face(id);
    return id == kLiveButtonId ? kIdleLiveFace : kIdleZoomFace;
  };
  liveButton_ = new LiveFaceButton(
      kLiveButtonId, [this](bool selected) { Notify(kLiveButtonId, selected); },
      [face] { return face(kLiveButtonId); }, this);
  liveButton_->setGeometry(200, 35, 100, 30);
  zoomButton_ = new LiveFaceButton(
      kZoomButtonId, [this](bool selected) { Notify(kZoomButtonId, selected); },
      [face] { return face(kZoomButtonId); }, this);
  zoomButton_->setGeometry(200, 85, 100, 30);
}

void LiveImageWindow::Attach(LiveWindowServices services) {
  services_ = std::move(services);
  if (services_.save.owner == nullptr) services_.save.owner = this;
  if (services_.save.save.notifier == nullptr) services_.save.save.notifier = &Host().Messages();
  update();
}

LiveFaceButton* LiveImageWindow::Button(int id) const {
  return id == kLiveButtonId ? liveButton_ : id == kZoomButtonId ? zoomButton_ : nullptr;
}

void LiveImageWindow::Notify(int id, bool selected) {
  if (services_.link) services_.link->ButtonNotified(id, selected, true);
  liveButton_->update();
  zoomButton_->update();
}

void LiveImageWindow::PressLiveButton() {
  if (onLiveButton_) {
    onLiveButton_();
    return;
  }
  Notify(kLiveButtonId, true);
}

bool LiveImageWindow::Command(int id) {
  switch (id) {
    case kCmdSaveAs: SaveAs(); return true;
    case kCmdZoomIn: ZoomIn(); return true;
    default: return false;
  }
}

void LiveImageWindow::ZoomIn() {
  if (!LivePhotoToFullWidth(services_.livePhoto, services_.workspace, Variant())) return;
  const bool paletteDisplay = services_.palette != nullptr;
  std::optional<ImageDocInit> init =
      MakeLivePhotoDoc(services_.workspace, paletteDisplay, Host().Messages());
  if (init && services_.openFileWindow) {
    if (services_.link) init->Taken = PictureDates::Both(services_.link->StillTakenAt());
    services_.openFileWindow(std::move(*init), kLivePhotoTitle);
  }
}

std::optional<SaveResult> LiveImageWindow::SaveAs() {
  return RunLiveSaveAs(services_.livePhoto, services_.workspace, Variant(), services_.save);
}

void LiveImageWindow::Activated() {
  if (services_.link) services_.link->Activated();
  if (services_.palette) {
    services_.palette->Remake(services_.defaultPalette);
    update();
  }
}

void LiveImageWindow::StopCamera() {
  if (!services_.link) return;
  const bool zoomStopped = services_.link->StopStream();
  if (zoomStopped) update();  // the photo has turned grey
  liveButton_->update();
  zoomButton_->update();
}

void LiveImageWindow::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  DrawLayoutFrames(p);
  const bool active = subWindow_ && subWindow_->mdiArea() &&
                      subWindow_->mdiArea()->activeSubWindow() == subWindow_;
  if (services_.palette && active) {
    services_.palette->Remake(services_.defaultPalette);
  }
  if (event->region().intersects(kLiveBox)) {
    PaintLiveFrame(p);
    // Each frame that arrives repaints the box, so each paint asks for the next
    // frame; a paint while a frame is still on its way asks for nothing.
    if (services_.link && !services_.link->FrameInFlight()) services_.link->FramePainted();
  }
  if (event->region().intersects(kPhotoBox)) PaintPhoto(p);
}

void LiveImageWindow::PaintLiveFrame(QPainter& p) {
  const QImage frame = DibToImage(services_.liveFrame);
  const QRect source = Variant() ? QRect(0, 0, 120, 120) : QRect(0, 0, 160, 120);
  const QImage shown = Stretch(frame, source, kLiveBox.size(), services_.palette);
  if (shown.isNull()) {
    p.fillRect(kLiveBox, QColor(128, 128, 128));
  } else {
    p.drawImage(kLiveBox.topLeft(), shown);
  }
}

void LiveImageWindow::PaintPhoto(QPainter& p) {
  const QImage photo = DibToImage(services_.livePhoto);
  const QRect source = Variant() ? QRect(4, 0, 504, 480) : QRect(0, 0, 640, 480);
  const QImage shown = Stretch(photo, source, kPhotoBox.size(), services_.palette);
  if (shown.isNull()) {
    p.fillRect(kPhotoBox, QColor(128, 128, 128));
  } else {
    p.drawImage(kPhotoBox.topLeft(), shown);
  }
}

void LiveImageWindow::mouseDoubleClickEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (!kPhotoClickArea.contains(at)) return;
  if (services_.menuItemEnabled && !services_.menuItemEnabled(kCmdZoomIn)) return;
  ZoomIn();
}

void LiveImageWindow::resizeEvent(QResizeEvent* event) {
  ChildWindow::resizeEvent(event);
  if (subWindow_ && subWindow_->isMaximized()) StopCamera();
}

bool LiveImageWindow::event(QEvent* event) {
  if (event->type() == QEvent::ParentChange) WatchSubWindow();
  return ChildWindow::event(event);
}

void LiveImageWindow::WatchSubWindow() {
  if (subWindow_) disconnect(subWindow_, nullptr, this, nullptr);
  subWindow_ = qobject_cast<QMdiSubWindow*>(parentWidget());
  if (!subWindow_) return;
  connect(subWindow_, &QMdiSubWindow::windowStateChanged, this,
          &LiveImageWindow::OnWindowStateChanged);
}

// The camera stops when another window of the program becomes active. Focus
// going to another application also takes the active state from the window,
// but activates no other one there: the live picture then keeps running.
void LiveImageWindow::OnWindowStateChanged(Qt::WindowStates oldState, Qt::WindowStates newState) {
  if (oldState.testFlag(Qt::WindowActive) || !newState.testFlag(Qt::WindowActive)) return;
  active_ = true;
  if (QMdiArea* area = subWindow_ ? subWindow_->mdiArea() : nullptr) {
    connect(area, &QMdiArea::subWindowActivated, this, &LiveImageWindow::OnAreaActivated,
            Qt::UniqueConnection);
  }
}

void LiveImageWindow::OnAreaActivated(QMdiSubWindow* window) {
  if (window == nullptr) return;
  const bool lost = active_ && window != subWindow_;
  active_ = window == subWindow_;
  if (lost && services_.link && services_.link->IndexLoaded()) StopCamera();
}

}  // namespace lumarel
