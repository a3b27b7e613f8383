// SPDX-License-Identifier: MIT
// Printing one picture on one page, as large as the printable area allows
// without distortion, anchored top-left. While the page is produced a small
// modeless "Cancel Print Job" dialog can abort the job, and the picture window
// is disabled.
#pragma once

#include <QRect>
#include <QSize>
#include <QString>
#include <cstdint>
#include <functional>
#include <span>

class QDialog;
class QPrinter;
class QWidget;

namespace lumarel {

// The page size of a w x h picture on a printable area of pageWidth x pageHeight
// pixels: full page height when the page is wider than that needs, else full
// page width. Integer arithmetic, 64-bit intermediates.
QSize FitToPage(int w, int h, int pageWidth, int pageHeight);

// Returns 1 when the print dialog was cancelled (nothing printed), else 0.
int PrintPicture(QWidget* pictureWindow, std::span<const std::uint8_t> picture);

// Replaces the system print dialog (tests print to a PDF file this way).
// The runner returns false for a cancelled dialog.
using PrintDialogRunner = std::function<bool(QPrinter& printer, QWidget* owner)>;
void SetPrintDialogRunner(PrintDialogRunner runner);

// The "CANCEL" dialog of the job in progress, or null.
QDialog* ActivePrintCancelDialog();

// What the last job did, for tests and diagnostics.
struct PrintJobReport {
  QString documentName;
  QSize printable;  // the printer's printable area in device pixels
  QRect target;     // where the picture was drawn
  bool aborted = false;
};
PrintJobReport LastPrintJob();

}  // namespace lumarel
