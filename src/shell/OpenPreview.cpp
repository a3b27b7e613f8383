// SPDX-License-Identifier: MIT
#include "shell/OpenPreview.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <array>

#include "imagefile/BmpRead.h"
#include "imagefile/FileUtil.h"
#include "imagefile/JpegDecode.h"
#include "windows/DisplayPalette.h"

namespace lumarel {
namespace {

constexpr int kPaneWidth = 160;
constexpr int kPaneHeight = 270;

enum class FileKind { Bitmap, Jpeg, Other };

// The kind of a file by its first two bytes, not by its name.
FileKind KindOf(const std::string& path) {
  std::array<std::uint8_t, 2> magic{};
  fileutil::InputFile input = fileutil::OpenInput(path);
  fileutil::File& f = input.file;
  if (!f || !fileutil::ReadExact(f.get(), magic)) return FileKind::Other;
  if (magic[0] == 'B' && magic[1] == 'M') return FileKind::Bitmap;
  if (magic[0] == 0xFF && magic[1] == 0xD8) return FileKind::Jpeg;
  return FileKind::Other;
}

// The picture of a BMP file through the one BMP reader; null when refused.
QImage ReadPreviewImage(const std::string& path) {
  fileutil::InputFile input = fileutil::OpenInput(path);
  if (!input.file) return {};
  FileBmpSource source(input.file.get());
  BmpImage picture;
  if (!ReadBmpImage(source, picture)) return {};
  const int w = picture.layout.width;
  const int h = picture.layout.height;
  QImage image(w, h, QImage::Format_RGB888);
  if (image.isNull()) return {};
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* src = picture.bgr.data() + static_cast<std::size_t>(y) * w * 3;
    std::uint8_t* dst = image.scanLine(h - 1 - y);
    for (int x = 0; x < w; ++x) {
      dst[3 * x + 0] = src[3 * x + 2];
      dst[3 * x + 1] = src[3 * x + 1];
      dst[3 * x + 2] = src[3 * x + 0];
    }
  }
  return image;
}

QLineEdit* SizeField(const char* id, QWidget* parent) {
  auto* field = new QLineEdit(parent);
  field->setObjectName(id);
  field->setReadOnly(true);
  field->setMaximumWidth(60);
  return field;
}

}  // namespace

QRect FitPreview(int width, int height) {
  if (width <= 0 || height <= 0) return {};
  if (width < height) {
    const int w = width * kPreviewBoxSize / height;
    return {(kPreviewBoxSize - w) / 2 + kPreviewBoxLeft, kPreviewBoxTop, w, kPreviewBoxSize};
  }
  const int h = height * kPreviewBoxSize / width;
  return {kPreviewBoxLeft, (kPreviewBoxSize - h) / 2 + kPreviewBoxTop, kPreviewBoxSize, h};
}

OpenPreview::OpenPreview(OpenPreviewContext context, QWidget* parent)
    : QWidget(parent), context_(std::move(context)) {
  setObjectName("FILEOPEN");
  setFixedSize(kPaneWidth, kPaneHeight);
  check_ = new QCheckBox(tr("Preview"), this);
  check_->setObjectName("1006");
  check_->setGeometry(15, 6, 130, 20);

  auto* size = new QGroupBox(tr("Image size (pixels)"), this);
  size->setGeometry(4, 180, 152, 84);
  auto* grid = new QGridLayout(size);
  widthField_ = SizeField("1031", size);
  heightField_ = SizeField("1032", size);
  grid->addWidget(new QLabel(tr("Width :"), size), 0, 0);
  grid->addWidget(widthField_, 0, 1);
  grid->addWidget(new QLabel(tr("Hight :"), size), 1, 0);
  grid->addWidget(heightField_, 1, 1);

  Initialise();
  connect(check_, &QCheckBox::toggled, this, &OpenPreview::OnPreviewToggled);
}

void OpenPreview::Initialise() {
  width_ = 1;
  height_ = 1;
  lastPath_.clear();
  const QSignalBlocker quiet(check_);
  check_->setChecked(PreviewOn());
}

void OpenPreview::OnSelectionChanged(const QString& path) {
  if (!PreviewOn() || path.isEmpty()) return;
  const QFileInfo info(path);
  if (!info.exists()) return;
  // A folder or a file that is no picture shows nothing rather than the
  // picture selected before it.
  if (!info.isFile() || (path != lastPath_ && !Load(path))) {
    Clear();
    return;
  }
  lastPath_ = path;
  update();
}

void OpenPreview::Clear() {
  lastPath_.clear();
  width_ = 1;
  height_ = 1;
  image_ = QImage();
  widthField_->clear();
  heightField_->clear();
  update();
}

void OpenPreview::OnPreviewToggled(bool checked) {
  if (context_.filePreview) *context_.filePreview = checked;
  lastPath_.clear();
  if (!checked) {
    widthField_->clear();
    heightField_->clear();
    update();
    return;
  }
  // The dialog owns the selection; the pane is usually its side widget.
  QString selected;
  if (auto* dialog = qobject_cast<QFileDialog*>(window())) {
    const QStringList files = dialog->selectedFiles();
    if (!files.isEmpty()) selected = files.front();
  }
  if (selected.isEmpty() || !QFileInfo(selected).isFile()) return;
  if (!Load(selected)) return;
  lastPath_ = selected;
  update();
}

bool OpenPreview::Load(const QString& path) {
  const std::string chosen = path.toStdString();
  const FileKind kind = KindOf(chosen);
  if (kind == FileKind::Other) return false;
  ++loads_;
  std::string source = chosen;
  if (kind == FileKind::Jpeg) {
    // A failed decode may leave an earlier picture in the scratch file; it
    // must not be shown as this file's preview.
    if (!DecodeJpegFile(chosen, context_.tempPath)) {
      WrongType();
      return false;
    }
    source = context_.tempPath;
  }
  QImage image = ReadPreviewImage(source);
  if (image.isNull()) {
    WrongType();
    return false;
  }
  width_ = image.width();
  height_ = image.height();
  widthField_->setText(QString::asprintf("%d", width_));
  heightField_->setText(QString::asprintf("%d", height_));
  image_ = std::move(image);
  return true;
}

void OpenPreview::WrongType() {
  if (context_.notifier) {
    context_.notifier->Show("This file type is wrong.", "ERROR", MessageButtons::Ok,
                            MessageIcon::Exclamation);
  }
}

void OpenPreview::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setPen(QColor(64, 64, 64));
  p.drawLine(10, 170, 10, 30);
  p.drawLine(10, 30, 150, 30);
  p.setPen(Qt::white);
  p.drawLine(10, 170, 150, 170);
  p.drawLine(150, 170, 150, 30);
  const QRect box(kPreviewBoxLeft, kPreviewBoxTop, kPreviewBoxSize, kPreviewBoxSize);
  p.fillRect(box, QColor(192, 192, 192));
  if (!PreviewOn() || lastPath_.isEmpty() || image_.isNull()) return;
  QImage shown = image_;
  if (context_.paletteDisplay) {
    DisplayPalette& palette = SharedDisplayPalette();
    palette.Remake(context_.defaultPalette);
    shown = palette.Render(image_);
  }
  p.setRenderHint(QPainter::SmoothPixmapTransform, false);
  p.drawImage(FitPreview(width_, height_), shown);
}

}  // namespace lumarel
