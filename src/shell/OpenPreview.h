// SPDX-License-Identifier: MIT
// The preview pane beside the Open dialog's file list: the "Preview" check box
// (1006), the sunken box that shows the selected file fitted into 120 x 120
// pixels (1119), and the read-only width and height fields (1031, 1032).
// A file is decoded only when it differs from the one previewed last.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <span>
#include <string>

#include "imagefile/DibImage.h"
#include "platform/Notifier.h"

class QCheckBox;
class QLineEdit;

namespace lumarel {

// What the pane reads and changes of the process-wide state.
struct OpenPreviewContext {
  bool* filePreview = nullptr;                    // FilePreview, remembered in the settings
  std::string tempPath;                           // receives the BMP decoded from a JPEG
  bool paletteDisplay = false;                    // draw through the shared palette
  std::span<const std::uint8_t> defaultPalette;   // the unchanging DefaultPalette copy
  Notifier* notifier = nullptr;
};

// The preview box's place in the pane: a 120 x 120 area at (20, 40) inside a
// sunken frame from (10, 30) to (150, 170).
inline constexpr int kPreviewBoxLeft = 20;
inline constexpr int kPreviewBoxTop = 40;
inline constexpr int kPreviewBoxSize = 120;

// Where a w x h picture is drawn inside the box: the longer side fills 120
// pixels, the shorter is scaled in proportion and centred.
QRect FitPreview(int width, int height);

class OpenPreview final : public QWidget {
  Q_OBJECT
 public:
  OpenPreview(OpenPreviewContext context, QWidget* parent = nullptr);

  // Dialog start: size 1 x 1, nothing previewed, check box from FilePreview.
  void Initialise();
  // Files loaded (read, and decoded when JPEG) since construction.
  int LoadCount() const { return loads_; }
  const QImage& Picture() const { return image_; }
  const QString& LastPath() const { return lastPath_; }
  int PreviewWidth() const { return width_; }
  int PreviewHeight() const { return height_; }

 public slots:
  // The dialog's selection moved to `path`; a folder or a file that is
  // neither BMP nor JPEG clears the box and the size fields.
  void OnSelectionChanged(const QString& path);
  // The check box changed to `checked`.
  void OnPreviewToggled(bool checked);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  // Loads the preview of `path`; false when loading stopped early.
  bool Load(const QString& path);
  void WrongType();
  void Clear();
  bool PreviewOn() const { return context_.filePreview && *context_.filePreview; }

  OpenPreviewContext context_;
  QCheckBox* check_ = nullptr;
  QLineEdit* widthField_ = nullptr;
  QLineEdit* heightField_ = nullptr;
  QString lastPath_;        // the file previewed last; empty at dialog start
  int width_ = 1;           // its size in pixels
  int height_ = 1;
  QImage image_;            // its picture, ready to draw
  int loads_ = 0;           // files loaded since construction
};

}  // namespace lumarel
