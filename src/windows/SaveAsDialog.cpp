#include "windows/SaveAsDialog.h"

#include <QFileDialog>

#include "windows/CaptureWindowView.h"
#include "windows/ModalRunner.h"

namespace lumarel {

bool RunSaveDialog(FileDialogRecord& record, const std::string& defaultName, QWidget* owner) {
  record.filters = SaveFilters();
  record.fileName = defaultName;
  record.defaultExtension = "bmp";
  QFileDialog dialog(owner, "Save As");
  dialog.setObjectName(kSaveDialogName);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  PrepareFileDialog(dialog, record);
  if (RunModal(dialog) != QDialog::Accepted) return false;
  return TakeFileDialogResult(dialog, record);
}

SaveAsOutcome SavePictureAs(PictureWindow& window, SaveWindow kind,
                            const std::string& defaultName) {
  PictureWindowContext& context = window.Context();
  static FileDialogRecord ownRecord;  // when no shared record was handed over
  FileDialogRecord& record = context.fileDialog ? *context.fileDialog : ownRecord;
  if (!RunSaveDialog(record, defaultName, &window)) return {};

  SaveServices services;
  services.notifier = &window.Messages();
  services.clock = &context.ClockOrSystem();
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
  window.setWindowTitle(QString::fromStdString(record.fileName));
  return outcome;
}

}  // namespace lumarel
