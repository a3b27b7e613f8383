// SPDX-License-Identifier: MIT
#include "windows/PrintPicture.h"

#include <QCoreApplication>
#include <QDialog>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>

#include "imagefile/DibImage.h"
#include "windows/DibQImage.h"

namespace lumarel {
namespace {

// State of the one job that can run at a time.
struct PrintJob {
  bool aborted = false;           // PrintAborted
  QPointer<QDialog> cancelDialog;
  PrintDialogRunner runner;
  PrintJobReport last;
};

PrintJob& Job() {
  static PrintJob job;
  return job;
}

bool RunSystemDialog(QPrinter& printer, QWidget* owner) {
  QPrintDialog dialog(&printer, owner);
  dialog.setOption(QAbstractPrintDialog::PrintCollateCopies, true);
  return dialog.exec() == QDialog::Accepted;
}

// The "CANCEL" dialog: any command aborts the job, re-enables the picture
// window and destroys the dialog. It has no close box.
QDialog* MakeCancelDialog(QWidget* owner) {
  auto* dialog = new QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  dialog->setObjectName("CANCEL");
  dialog->setWindowTitle("Cancel Print Job");
  auto* layout = new QVBoxLayout(dialog);
  layout->addWidget(new QLabel("Cancel current print job?", dialog));
  auto* cancel = new QPushButton("Cancel", dialog);
  cancel->setObjectName("button2");
  layout->addWidget(cancel, 0, Qt::AlignHCenter);
  QPointer<QWidget> window(owner);
  auto abort = [dialog, window] {
    if (Job().cancelDialog != dialog) return;  // already handled
    Job().aborted = true;
    if (window) window->setEnabled(true);
    Job().cancelDialog = nullptr;
    dialog->hide();
    dialog->deleteLater();
  };
  QObject::connect(cancel, &QPushButton::clicked, dialog, abort);
  QObject::connect(dialog, &QDialog::rejected, dialog, abort);  // Esc
  return dialog;
}

// Keeps the event loop going while the page is produced; false once the user
// has cancelled.
bool AbortProcedure() {
  if (!Job().aborted) QCoreApplication::processEvents(QEventLoop::AllEvents);
  return !Job().aborted;
}

void DrawPage(QPrinter& printer, const QImage& image, QSize page) {
  QPainter painter;
  if (!painter.begin(&printer)) return;  // the document could not be started
  Job().last.target = QRect(QPoint(0, 0), page);
  if (AbortProcedure()) painter.drawImage(Job().last.target, image);
  if (!AbortProcedure()) {
    printer.abort();
    Job().last.aborted = true;
  }
  painter.end();
}

}  // namespace

QSize FitToPage(int w, int h, int pageWidth, int pageHeight) {
  if (w <= 0 || h <= 0) return {0, 0};
  const std::int64_t width = std::int64_t{pageHeight} * w / h;
  if (pageWidth > width) return {static_cast<int>(width), pageHeight};
  return {pageWidth, static_cast<int>(std::int64_t{pageWidth} * h / w)};
}

void SetPrintDialogRunner(PrintDialogRunner runner) { Job().runner = std::move(runner); }

QDialog* ActivePrintCancelDialog() { return Job().cancelDialog.data(); }

PrintJobReport LastPrintJob() { return Job().last; }

int PrintPicture(QWidget* pictureWindow, std::span<const std::uint8_t> picture) {
  const int w = DibWidth(picture);
  const int h = DibHeight(picture);
  QPrinter printer(QPrinter::HighResolution);
  printer.setCollateCopies(true);
  printer.setCopyCount(1);
  const bool accepted =
      Job().runner ? Job().runner(printer, pictureWindow) : RunSystemDialog(printer, pictureWindow);
  if (!accepted) return 1;

  Job().last = PrintJobReport{};
  Job().last.printable = QSize(printer.width(), printer.height());
  const QSize page = FitToPage(w, h, printer.width(), printer.height());

  if (pictureWindow) pictureWindow->setEnabled(false);
  Job().aborted = false;
  QDialog* dialog = MakeCancelDialog(pictureWindow);
  Job().cancelDialog = dialog;
  dialog->show();

  const QString title = pictureWindow ? pictureWindow->windowTitle() : QString();
  Job().last.documentName = title.left(3);
  printer.setDocName(Job().last.documentName);

  const QImage image = DibToImage(picture);
  if (!image.isNull()) DrawPage(printer, image, page);

  if (!Job().aborted) {
    if (pictureWindow) pictureWindow->setEnabled(true);
    if (QDialog* open = Job().cancelDialog.data()) {
      Job().cancelDialog = nullptr;
      open->hide();
      open->deleteLater();
    }
  }
  return 0;
}

}  // namespace lumarel
