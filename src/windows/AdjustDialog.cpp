// SPDX-License-Identifier: MIT
#include "windows/AdjustDialog.h"

#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include "imageproc/Palette.h"
#include "windows/DibQImage.h"
#include "windows/DisplayPalette.h"
#include "windows/ModalRunner.h"

namespace lumarel {
namespace {

constexpr AdjustSlider kSliders[] = {AdjustSlider::Brightness, AdjustSlider::Contrast,
                                     AdjustSlider::Saturation, AdjustSlider::Sharpness};
constexpr int kFirstSliderId = 1104;
constexpr int kFirstLabelId = 1100;
constexpr int kBeforeX = 10;
constexpr int kAfterX = 190;

ScrollAction ToScrollAction(int action) {
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub: return ScrollAction::LineLeft;
    case QAbstractSlider::SliderSingleStepAdd: return ScrollAction::LineRight;
    case QAbstractSlider::SliderPageStepSub: return ScrollAction::PageLeft;
    case QAbstractSlider::SliderPageStepAdd: return ScrollAction::PageRight;
    case QAbstractSlider::SliderMove: return ScrollAction::ThumbTrack;
    default: return ScrollAction::Other;
  }
}

int ValueFor(const AdjustmentValues& v, AdjustSlider slider) {
  switch (slider) {
    case AdjustSlider::Brightness: return v.brightness;
    case AdjustSlider::Contrast: return v.contrast;
    case AdjustSlider::Saturation: return v.saturation;
    case AdjustSlider::Sharpness: return v.sharpness;
  }
  return 0;
}

QString Id(int id) { return QString::number(id); }

// A sunken frame: dark grey along the left and top edges, white along the
// right and bottom edges.
void SunkenFrame(QPainter& p, int left, int top, int right, int bottom) {
  p.setPen(QColor(64, 64, 64));
  p.drawLine(left, bottom, left, top);
  p.drawLine(left, top, right, top);
  p.setPen(Qt::white);
  p.drawLine(left, bottom, right, bottom);
  p.drawLine(right, bottom, right, top);
}

}  // namespace

AdjustDialog::AdjustDialog(AdjustTarget target, QWidget* owner)
    : QDialog(owner), target_(std::move(target)) {
  setObjectName("IMAGE_ADJUST");
  setWindowTitle(tr("Image Adjustment"));
  BuildControls();
  ResetSliders();
  manual_->setChecked(true);
  revert_->setEnabled(false);
  if (target_.doc && target_.doc->PictureBlock) session_.Open(target_.doc->Picture());
  setFixedSize(466, PreviewTop() + 176);
}

void AdjustDialog::BuildControls() {
  degree_ = new QGroupBox(tr("Degree of Adjusting"), this);
  degree_->setObjectName(Id(1030));
  degree_->setGeometry(6, 4, 348, 140);
  BuildSliderRow(AdjustSlider::Brightness, "Brightness", 0);
  BuildSliderRow(AdjustSlider::Contrast, "Contrast", 1);
  BuildSliderRow(AdjustSlider::Saturation, "Saturation", 2);
  BuildSliderRow(AdjustSlider::Sharpness, "Sharpness", 3);

  auto* ok = new QPushButton(tr("OK"), this);
  ok->setObjectName(Id(1));
  ok->setGeometry(366, 10, 90, 26);
  ok->setDefault(true);
  auto* cancel = new QPushButton(tr("Cancel"), this);
  cancel->setObjectName(Id(2));
  cancel->setGeometry(366, 42, 90, 26);
  manual_ = new QRadioButton(tr("&Manual"), this);
  manual_->setObjectName(Id(1007));
  manual_->setGeometry(366, 84, 96, 22);
  automatic_ = new QRadioButton(tr("&Automatic"), this);
  automatic_->setObjectName(Id(1008));
  automatic_->setGeometry(366, 108, 96, 22);
  revert_ = new QPushButton(tr("Revert"), this);
  revert_->setObjectName(Id(1035));
  revert_->setGeometry(366, 140, 90, 26);

  const int y0 = PreviewTop();
  beforeCaption_ = new QLabel(tr("Before"), this);
  beforeCaption_->setObjectName(Id(1225));
  beforeCaption_->setGeometry(kBeforeX, y0 + 14, kPreviewWidth, 18);
  afterCaption_ = new QLabel(tr("After"), this);
  afterCaption_->setObjectName(Id(1226));
  afterCaption_->setGeometry(kAfterX, y0 + 14, kPreviewWidth, 18);

  connect(ok, &QPushButton::clicked, this, &AdjustDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &AdjustDialog::reject);
  connect(manual_, &QRadioButton::clicked, this, &AdjustDialog::OnManual);
  connect(automatic_, &QRadioButton::clicked, this, &AdjustDialog::OnAutomatic);
  connect(revert_, &QPushButton::clicked, this, &AdjustDialog::OnRevert);
}

void AdjustDialog::BuildSliderRow(AdjustSlider slider, const char* name, int row) {
  const int i = Index(slider);
  const int y = 26 + 28 * row;
  auto* caption = new QLabel(tr(name), degree_);
  caption->setGeometry(10, y, 78, 18);
  auto* bar = new QScrollBar(Qt::Horizontal, degree_);
  bar->setObjectName(Id(kFirstSliderId + i));
  bar->setGeometry(90, y, 190, 18);
  bar->setSingleStep(1);
  bar->setPageStep(20);
  auto* label = new QLabel(degree_);
  label->setObjectName(Id(kFirstLabelId + i));
  label->setGeometry(290, y, 48, 18);
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  sliders_[i] = bar;
  labels_[i] = label;
  connect(bar, &QScrollBar::actionTriggered, this,
          [this, slider](int action) { OnSliderAction(slider, action); });
}

int AdjustDialog::PreviewTop() const { return degree_ ? degree_->height() : 0; }

void AdjustDialog::ResetSliders() {
  for (AdjustSlider slider : kSliders) {
    QScrollBar* bar = Slider(slider);
    const QSignalBlocker quiet(bar);
    bar->setRange(SliderMinimum(slider), kSliderMaximum);
    const int value = ValueFor(session_.Values(), slider);
    bar->setValue(value);
    ShowValue(slider, value);
  }
}

void AdjustDialog::ShowValue(AdjustSlider slider, int value) {
  Label(slider)->setText(QString::asprintf("%d", value));
}

void AdjustDialog::OnSliderAction(AdjustSlider slider, int action) {
  QScrollBar* bar = Slider(slider);
  const int value = session_.IsOpen()
                        ? session_.Scroll(slider, ToScrollAction(action), bar->sliderPosition())
                        : bar->value();
  // The dialog, not the scroll bar, decides where the thumb goes.
  bar->setSliderPosition(value);
  ShowValue(slider, value);
  revert_->setEnabled(true);
  update();
}

void AdjustDialog::SetManualControlsEnabled(bool enabled) {
  for (QScrollBar* bar : sliders_) bar->setEnabled(enabled);
  revert_->setEnabled(enabled);
}

void AdjustDialog::OnManual() {
  manual_->setChecked(true);
  SetManualControlsEnabled(true);
  ResetSliders();
  update();
}

void AdjustDialog::OnAutomatic() {
  automatic_->setChecked(true);
  SetManualControlsEnabled(false);
  if (!session_.IsOpen()) return;
  if (session_.ChooseAutomatic()) {
    for (AdjustSlider slider : kSliders) ShowValue(slider, ValueFor(session_.Values(), slider));
  }
  update();
}

void AdjustDialog::OnRevert() {
  if (session_.IsOpen()) session_.Revert();
  ResetSliders();
  update();
}

void AdjustDialog::accept() {
  if (session_.IsOpen() && session_.Changed()) ApplyToPicture();
  reject();
}

void AdjustDialog::reject() {
  session_.Close();
  done(0);
}

void AdjustDialog::ApplyToPicture() {
  ImageDoc& doc = *target_.doc;
  if (!session_.Apply(doc.Picture())) return;
  if (target_.paletteDisplay && target_.currentPalette.size() >= kLogicalPaletteContent &&
      target_.notifier) {
    MakeDisplayPalette(*target_.notifier, doc.Picture(), target_.currentPalette);
    SharedDisplayPalette().Remake(target_.currentPalette);
    if (doc.HasPalette()) CopyLogicalPalette(target_.currentPalette, doc.PaletteBlock.bytes());
  }
  doc.Modified = 1;
  if (target_.invalidate) target_.invalidate();
}

void AdjustDialog::paintEvent(QPaintEvent*) {
  const int y0 = PreviewTop();
  QPainter p(this);
  SunkenFrame(p, 6, y0 + 36, 174, y0 + 164);
  SunkenFrame(p, 186, y0 + 36, 354, y0 + 164);
  if (!session_.IsOpen()) return;
  QImage before = DibToImage(session_.Before());
  QImage after = DibToImage(session_.After());
  if (target_.paletteDisplay) {
    before = SharedDisplayPalette().Render(before);
    after = SharedDisplayPalette().Render(after);
  }
  p.drawImage(QPoint(kBeforeX, y0 + 40), before);
  p.drawImage(QPoint(kAfterX, y0 + 40), after);
}

int RunAdjustDialog(AdjustTarget target, QWidget* owner) {
  Notifier* notifier = target.notifier;
  AdjustDialog dialog(std::move(target), owner);
  if (!dialog.IsOpen()) {
    // Without a picture or working memory there is nothing to preview.
    if (notifier) {
      notifier->Show("Not enough memory.", "Global Memory", MessageButtons::Ok,
                     MessageIcon::Exclamation);
    }
    return 0;
  }
  RunModal(dialog);
  return 0;
}

}  // namespace lumarel
