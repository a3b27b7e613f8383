// SPDX-License-Identifier: MIT
#include "windows/CaptureWindow.h"

#include <QMdiSubWindow>
#include <QPointer>

#include "windows/CaptureWindowLink.h"
#include "windows/SaveAsDialog.h"

namespace lumarel {

CaptureWindow::CaptureWindow(ChildHost& host, PictureWindowContext& context, ImageDocInit&& init,
                             QWidget* parent)
    : PictureWindow(ChildKind::Capture, host, context, std::move(init), parent),
      timers_([this](int id) { OnTimer(id); }) {
  setObjectName("Capture");
  windowlink::CaptureCreated(context.operations, *this, timers_);
}

CaptureWindow::~CaptureWindow() {
  // A picture still arriving is dropped: the selection is cleared and the
  // progress bar hidden. The blocks go with the record afterwards.
  windowlink::CaptureDestroyed(Context().operations, *this);
}

void CaptureWindow::OnTimer(int id) {
  windowlink::CaptureTimer(Context().operations, id);
}

QSize CaptureWindow::sizeHint() const { return QSize(Doc().PictureWidth(), Doc().PictureHeight()); }

QSize CaptureWindow::FullClient() const {
  return QSize(Doc().FullClientWidth, Doc().FullClientHeight);
}

void CaptureWindow::SetFullClient(QSize size) {
  Doc().FullClientWidth = size.width();
  Doc().FullClientHeight = size.height();
}

int CaptureWindow::ScrollMaximum(Qt::Orientation orientation, int client) const {
  return orientation == Qt::Horizontal
             ? ScrollMaximumFor(client, Doc().FullClientWidth, Doc().ViewWidth)
             : ScrollMaximumFor(client, Doc().FullClientHeight, Doc().ViewHeight);
}

std::size_t CaptureWindow::ClipboardBytes() const {
  return CapturePictureBlockSize(Doc().PictureWidth(), Doc().PictureHeight());
}

bool CaptureWindow::SaveAs() {
  return SavePictureAs(*this, SaveWindow::Capture, DefaultFileName(),
                       PictureDates::Both(entry_ ? entry_->time : std::nullopt))
      .written;
}

bool CaptureWindow::Command(int id) {
  if (id != kCmdSaveAs) return PictureWindow::Command(id);
  SaveAsCommand();
  return true;
}

// In a multi-picture Save As the window closes after its dialog, whatever the
// user chose, and the Preview window fetches the next pending picture.
void CaptureWindow::SaveAsCommand() {
  SaveAs();
  const CameraLink* link = Context().link;
  LinkOperations* operations = Context().operations;
  if (!windowlink::AutoSaveMode(link)) return;
  const std::function<void(int)> previewCommand = Context().previewCommand;
  // Deleted later by the event loop, so this call may finish first.
  if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) sub->close();
  else close();
  windowlink::SetAutoSaveMode(operations, false);
  if (windowlink::DownloadsPending(link) != 0) {
    windowlink::SetAutoSaveMode(operations, true);
    if (previewCommand) previewCommand(kCmdDataIn);
  }
}

CaptureWindow* OpenCaptureWindow(int p, ChildHost& host, PictureWindowContext& context,
                                 const AddCaptureWindow& add) {
  windowlink::EntryFacts entry;
  // A listed size too small for the view arithmetic gets no window.
  if (!windowlink::Entry(context.link, p, entry) || entry.width < 4 || entry.height < 2) {
    return nullptr;
  }
  ImageDocInit init;
  if (!AllocateImageDocBlocks(init, CapturePictureBlockSize(entry.width, entry.height),
                              context.paletteDisplay, host.Messages())) {
    return nullptr;
  }
  init.PictureIndex = p;
  init.Modified = 0;
  init.ViewWidth = static_cast<std::uint16_t>(entry.width - 4);
  init.ViewHeight = static_cast<std::uint16_t>(entry.height - 2);
  auto* window = new CaptureWindow(host, context, std::move(init));
  window->SetListEntry(entry);
  window->setWindowTitle(QString::fromStdString(entry.label));
  window->resize(entry.width, entry.height);
  if (add) add(window, windowlink::AutoSaveMode(context.link));
  return window;
}

bool RunPreviewDownloadCommand(int id, ChildHost& host, PictureWindowContext& context,
                               const AddCaptureWindow& add) {
  if ((id != kCmdDataIn && id != kCmdSaveAs) || !context.link || !context.operations) return false;
  if (id == kCmdSaveAs) windowlink::SetAutoSaveMode(context.operations, true);
  const int p = windowlink::ChooseNext(context.operations);
  if (p < 0) return true;
  CaptureWindow* window = OpenCaptureWindow(p, host, context, add);
  if (!window) return true;
  // A picture downloaded and never saved exists only in its window: until a
  // save it counts as unsaved, so closing it (a reload, a reconnect, exit) asks.
  QPointer<CaptureWindow> guard(window);
  windowlink::StartDownload(context.operations, p, [guard](bool arrived) {
    if (!guard || !arrived) return;
    guard->Doc().Modified = 1;
    guard->ShowModifiedMark();
  });
  return true;
}

}  // namespace lumarel
