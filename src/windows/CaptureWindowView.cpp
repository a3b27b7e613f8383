// SPDX-License-Identifier: MIT
#include "windows/CaptureWindowView.h"

#include <QApplication>
#include <QClipboard>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "windows/AdjustDialog.h"
#include "windows/DibQImage.h"
#include "windows/DisplayPalette.h"
#include "windows/PrintPicture.h"

namespace lumarel {
namespace {

PictureScrollAction ActionOf(int sliderAction) {
  switch (sliderAction) {
    case QAbstractSlider::SliderSingleStepSub: return PictureScrollAction::LineBack;
    case QAbstractSlider::SliderSingleStepAdd: return PictureScrollAction::LineForward;
    case QAbstractSlider::SliderPageStepSub: return PictureScrollAction::PageBack;
    case QAbstractSlider::SliderPageStepAdd: return PictureScrollAction::PageForward;
    case QAbstractSlider::SliderMove: return PictureScrollAction::ThumbTrack;
    default: return PictureScrollAction::Other;
  }
}

}  // namespace

PictureWindow::PictureWindow(ChildKind kind, ChildHost& host, PictureWindowContext& context,
                             ImageDocInit&& init, QWidget* parent)
    : ChildWindow(kind, host, parent),
      context_(context),
      doc_(MakeImageDoc(std::move(init))),
      hbar_(new QScrollBar(Qt::Horizontal, this)),
      vbar_(new QScrollBar(Qt::Vertical, this)) {
  for (QScrollBar* bar : {hbar_, vbar_}) {
    bar->setSingleStep(kPictureLineStep);
    bar->setPageStep(kPicturePageStep);
    bar->setRange(0, 0);
    bar->hide();
    const Qt::Orientation orientation = bar->orientation();
    connect(bar, &QAbstractSlider::actionTriggered, this,
            [this, orientation](int action) { OnBarAction(orientation, action); });
    // The wheel over a bar scrolls as over the picture, one line per notch.
    bar->installEventFilter(this);
  }
}

PictureWindow::~PictureWindow() = default;

QSize PictureWindow::ClientSize() const {
  const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
  return QSize(width() - (vertical_.Visible() ? extent : 0),
               height() - (horizontal_.Visible() ? extent : 0));
}

void PictureWindow::InitialiseClient() {
  horizontal_.Hide();
  vertical_.Hide();
  SetFullClient(size());
  SyncBar(hbar_, horizontal_);
  SyncBar(vbar_, vertical_);
  initialised_ = true;
}

void PictureWindow::showEvent(QShowEvent* event) {
  if (!initialised_) InitialiseClient();
  ChildWindow::showEvent(event);
}

void PictureWindow::resizeEvent(QResizeEvent* event) {
  auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget());
  if (initialised_ && !(sub && sub->isMinimized())) UpdateRanges();
  PlaceBars();
  ChildWindow::resizeEvent(event);
}

// Showing or hiding one bar changes the other axis's client extent, so the
// ranges are worked out again until the bars' visibility settles.
void PictureWindow::UpdateRanges() {
  for (int pass = 0; pass < 3; ++pass) {
    const bool wasH = horizontal_.Visible(), wasV = vertical_.Visible();
    const QSize client = ClientSize();
    vertical_.SetMaximum(ScrollMaximum(Qt::Vertical, client.height()));
    horizontal_.SetMaximum(ScrollMaximum(Qt::Horizontal, client.width()));
    if (wasH == horizontal_.Visible() && wasV == vertical_.Visible()) break;
  }
  SyncBar(hbar_, horizontal_);
  SyncBar(vbar_, vertical_);
  PlaceBars();
  update();
}

void PictureWindow::PlaceBars() {
  const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
  const QSize client = ClientSize();
  hbar_->setGeometry(0, client.height(), client.width(), extent);
  vbar_->setGeometry(client.width(), 0, extent, client.height());
}

void PictureWindow::SyncBar(QScrollBar* bar, const ScrollAxis& axis) {
  const QSignalBlocker block(bar);
  bar->setRange(0, axis.Maximum());
  bar->setValue(axis.Position());
  bar->setVisible(axis.Visible());
}

void PictureWindow::OnBarAction(Qt::Orientation orientation, int action) {
  QScrollBar* bar = orientation == Qt::Horizontal ? hbar_ : vbar_;
  ScrollNotify(orientation, ActionOf(action), bar->sliderPosition());
  // The bar shows the window's position, not the one it worked out itself.
  bar->setSliderPosition((orientation == Qt::Horizontal ? horizontal_ : vertical_).Position());
}

void PictureWindow::ScrollNotify(Qt::Orientation orientation, PictureScrollAction action,
                                 int thumbPosition) {
  const bool horizontal = orientation == Qt::Horizontal;
  ScrollAxis& axis = horizontal ? horizontal_ : vertical_;
  const ScrollOutcome outcome = axis.Apply(action, thumbPosition);
  if (!outcome.moved) return;
  const QRect client(QPoint(0, 0), ClientSize());
  if (outcome.repaintAll) {
    update(client);
  } else if (horizontal) {
    scroll(-outcome.scrollBy, 0, client);
  } else {
    scroll(0, -outcome.scrollBy, client);
  }
  SyncBar(horizontal ? hbar_ : vbar_, axis);
}

void PictureWindow::wheelEvent(QWheelEvent* event) {
  const QPoint delta = event->angleDelta();
  const bool sideways = delta.x() != 0 && delta.y() == 0;
  const bool horizontal = sideways || (event->modifiers() & Qt::ShiftModifier);
  const int notches = wheel_.Take(horizontal ? Qt::Horizontal : Qt::Vertical,
                                  sideways ? delta.x() : (delta.y() != 0 ? delta.y() : delta.x()));
  const Qt::Orientation orientation = horizontal ? Qt::Horizontal : Qt::Vertical;
  const ScrollAxis& axis = horizontal ? horizontal_ : vertical_;
  // As far as the desktop's wheel setting says (lines per notch, a line of
  // text high); wheel forward (away from the user) moves towards the start.
  if (notches != 0 && axis.Visible()) {
    const int step = QApplication::wheelScrollLines() * fontMetrics().lineSpacing();
    ScrollNotify(orientation, PictureScrollAction::ThumbTrack,
                 std::clamp(axis.Position() - notches * step, 0, axis.Maximum()));
  }
  event->accept();
}

void PictureWindow::ShowModifiedMark() {
  auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget());
  if (!sub) return;
  const QString marked = windowTitle() + "[*]";
  if (sub->windowTitle() != marked) sub->setWindowTitle(marked);
  sub->setWindowModified(doc_->Modified != 0);
}

bool PictureWindow::event(QEvent* event) {
  const bool handled = ChildWindow::event(event);
  // The MDI frame copies the plain title when it takes the window and when
  // the title changes (a save); the mark goes on after it.
  if (event->type() == QEvent::WindowTitleChange) ShowModifiedMark();
  if (event->type() == QEvent::ParentChange) {
    QTimer::singleShot(0, this, [this] { ShowModifiedMark(); });
  }
  return handled;
}

bool PictureWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Wheel && (watched == hbar_ || watched == vbar_)) {
    wheelEvent(static_cast<QWheelEvent*>(event));
    return true;
  }
  return ChildWindow::eventFilter(watched, event);
}

QImage PictureWindow::PictureImage() const { return DibToImage(doc_->Picture()); }

bool PictureWindow::IsActiveChild() const {
  auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget());
  return sub && sub->mdiArea() && sub->mdiArea()->activeSubWindow() == sub;
}

void PictureWindow::ActivateSelf() {
  auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget());
  if (sub && sub->mdiArea()) sub->mdiArea()->setActiveSubWindow(sub);
}

void PictureWindow::RemakeSharedPalette() {
  // A window whose palette block could not be had keeps the shared palette.
  if (context_.paletteDisplay && doc_->HasPalette()) SharedDisplayPalette().Remake(doc_->Palette());
}

void PictureWindow::Activated() {
  if (!context_.paletteDisplay) return;
  RemakeSharedPalette();
  update();
}

void PictureWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (IsActiveChild()) RemakeSharedPalette();
  QImage image = PictureImage();
  if (image.isNull()) return;  // a Capture window whose picture has not arrived
  image = SharedDisplayPalette().Render(image);
  const QSize client = ClientSize();
  const int x = PictureOffset(client.width(), image.width(), horizontal_.Position());
  const int y = PictureOffset(client.height(), image.height(), vertical_.Position());
  painter.setClipRect(QRect(QPoint(0, 0), client));
  painter.drawImage(x, y, image);
}

bool PictureWindow::QueryEndSession() {
  if (doc_->Modified == 0) return true;
  ActivateSelf();
  const std::string text = "Save changes to " + windowTitle().toStdString() + "?";
  // Escape answers Cancel: the window stays open and nothing is lost.
  switch (Host().Messages().Show(text, "Lumarel", MessageButtons::YesNoCancel,
                                 MessageIcon::Question)) {
    case MessageAnswer::No: return true;
    // A save that did not happen (dialog cancelled, disk full, file not
    // writable) keeps the window open.
    case MessageAnswer::Yes: return SaveAs();
    default: return false;
  }
}

bool PictureWindow::Command(int id) {
  switch (id) {
    case kCmdSaveAs:
      SaveAs();
      return true;
    case kCmdImageAdjust: {
      AdjustTarget target{doc_.get(), context_.paletteDisplay, context_.currentPalette,
                          &Host().Messages(), [this] {
                            update();
                            ShowModifiedMark();
                          }};
      RunAdjustDialog(std::move(target), this);
      return true;
    }
    case kCmdPrint:
      PrintPicture(this, doc_->Picture());
      return true;
    case kCmdCopyToClipboard:
      CopyToClipboard(ClipboardBytes());
      return true;
    default:
      return false;
  }
}

void PictureWindow::CopyToClipboard(std::size_t bytes) {
  MemoryBlock copy = AllocateBlock(bytes);
  if (!copy) {
    Host().Messages().Show("Not enough memory.", "Global Memory", MessageButtons::Ok,
                           MessageIcon::Exclamation);
    return;
  }
  const std::span<const std::uint8_t> picture = doc_->Picture();
  std::memcpy(copy.data(), picture.data(), std::min(bytes, picture.size()));
  QClipboard* clipboard = QApplication::clipboard();
  if (!clipboard) return;
  auto* data = new QMimeData;
  // Image programs take image/bmp as a file: header first, then the DIB.
  const QByteArray file = DibToBmpFile(copy.bytes());
  if (!file.isEmpty()) data->setData("image/bmp", file);
  const QImage image = PictureImage();
  if (!image.isNull()) data->setImageData(image);
  clipboard->setMimeData(data);
}

}  // namespace lumarel
