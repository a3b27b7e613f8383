// SPDX-License-Identifier: MIT
#include "windows/SaveAsDialog.h"

#include <QFileDialog>
#include <QFileInfo>

#include "windows/CaptureWindowView.h"
#include "windows/ModalRunner.h"

namespace lumarel {
namespace {

bool IsJpegType(int filterIndex) { return filterIndex == static_cast<int>(SaveFileType::Jpeg); }
bool IsBmpType(int filterIndex) {
  return filterIndex == static_cast<int>(SaveFileType::FullColourBmp) ||
         filterIndex == static_cast<int>(SaveFileType::Bmp256);
}

QString TypeExtension(int filterIndex) {
  return IsJpegType(filterIndex) ? "jpg" : IsBmpType(filterIndex) ? "bmp" : QString();
}

bool IsJpegExtension(const QString& ext) {
  return ext == "jpg" || ext == "jpeg" || ext == "jpe" || ext == "jfif";
}
bool IsBmpExtension(const QString& ext) { return ext == "bmp" || ext == "dib"; }

// The save dialog with the file type deciding the extension: the default
// suffix follows the selected filter, and a name typed with the other type's
// extension is corrected before the dialog checks whether it exists.
class SaveFileDialog final : public QFileDialog {
 public:
  SaveFileDialog(QWidget* owner) : QFileDialog(owner, "Save As") {
    connect(this, &QFileDialog::filterSelected, this, [this] { FollowType(); });
  }
  void FollowType() { setDefaultSuffix(TypeExtension(SelectedFilterIndex(*this))); }
  void accept() override {
    const QString chosen = selectedFiles().value(0);
    if (!chosen.isEmpty() && !QFileInfo(chosen).isDir()) {
      const std::string fixed = SaveNameForType(chosen.toStdString(), SelectedFilterIndex(*this));
      if (fixed != chosen.toStdString()) selectFile(QString::fromStdString(fixed));
    }
    QFileDialog::accept();
  }
};

}  // namespace

std::string SaveNameForType(const std::string& path, int filterIndex) {
  const QString wanted = TypeExtension(filterIndex);
  if (wanted.isEmpty()) return path;
  const QString name = QString::fromStdString(path);
  const QFileInfo info(name);
  const QString ext = info.suffix().toLower();
  if (IsJpegType(filterIndex) ? IsJpegExtension(ext) : IsBmpExtension(ext)) return path;
  const bool otherType = IsJpegType(filterIndex) ? IsBmpExtension(ext) : IsJpegExtension(ext);
  const QString stem = otherType ? name.left(name.size() - ext.size() - 1) : name;
  return (stem + "." + wanted).toStdString();
}

bool RunSaveDialog(FileDialogRecord& record, const std::string& defaultName, QWidget* owner) {
  record.filters = SaveFilters();
  record.fileName = defaultName;
  record.defaultExtension = "bmp";
  SaveFileDialog dialog(owner);
  dialog.setObjectName(kSaveDialogName);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  PrepareFileDialog(dialog, record);
  SizeFileDialog(dialog);
  dialog.FollowType();
  if (RunModal(dialog) != QDialog::Accepted) return false;
  if (!TakeFileDialogResult(dialog, record)) return false;
  // Whatever way the name was given, the file takes the type's extension.
  record.fileName = SaveNameForType(record.fileName, record.filterIndex);
  record.fileTitle = QFileInfo(QString::fromStdString(record.fileName)).fileName().toStdString();
  return true;
}

SaveAsOutcome SavePictureAs(PictureWindow& window, SaveWindow kind,
                            const std::string& defaultName,
                            const PictureDates& taken) {
  PictureWindowContext& context = window.Context();
  static FileDialogRecord ownRecord;  // when no shared record was handed over
  FileDialogRecord& record = context.fileDialog ? *context.fileDialog : ownRecord;
  if (!RunSaveDialog(record, defaultName, &window)) return {};

  SaveServices services;
  services.notifier = &window.Messages();
  services.clock = &context.ClockOrSystem();
  services.taken = taken;
  services.tempPathA = context.tempPathA;
  services.tempPathB = context.tempPathB;
  services.freeSpace = context.freeSpace;

  SaveAsOutcome outcome{1, false};
  if (record.filterIndex >= 1 && record.filterIndex <= 3) {
    switch (SavePictureFile(window.Doc().Picture(), record.fileName,
                            static_cast<SaveFileType>(record.filterIndex), kind, services)) {
      case SaveResult::Saved: outcome.written = true; break;
      case SaveResult::NotEnoughMemory: break;  // the title still changes
      case SaveResult::DiskFull: return outcome;
      case SaveResult::Failed: return {};
    }
  }
  // The file now holds the picture: closing need not ask again.
  if (outcome.written) window.Doc().Modified = 0;
  window.setWindowTitle(QString::fromStdString(record.fileName));
  return outcome;
}

}  // namespace lumarel
