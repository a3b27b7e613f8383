// SPDX-License-Identifier: MIT
#include "windows/FileWindow.h"

#include <cstdio>

#include "imageproc/Palette.h"
#include "windows/CaptureWindowLink.h"
#include "windows/DisplayPalette.h"
#include "windows/SaveAsDialog.h"
#include "windows/SendToCamera.h"

namespace lumarel {
namespace {

QSize sharedFullClient;  // client size of the last Openfile window created, without bars
inline constexpr int kDisconnectCheckTimer = 2;

}  // namespace

std::string FileWindowDefaultName(const LocalTime& t) {
  char name[64];
  std::snprintf(name, sizeof name, "%02d-%d-%d(%d-%d)", ShortYear(t.year), t.month, t.day, t.hour,
                t.minute);
  return name;
}

FileWindow* OpenFileWindow(ChildHost& host, PictureWindowContext& context, ImageDocInit&& init,
                           const std::string& title, const AddFileWindow& add) {
  auto* window = new FileWindow(host, context, std::move(init));
  window->setWindowTitle(QString::fromStdString(title));
  window->resize(kFileWindowPictureWidth, kFileWindowPictureHeight);
  if (add) add(window);
  return window;
}

FileWindow::FileWindow(ChildHost& host, PictureWindowContext& context, ImageDocInit&& init,
                       QWidget* parent)
    : PictureWindow(ChildKind::Openfile, host, context, std::move(init), parent),
      timers_([this](int id) { OnTimer(id); }) {
  setObjectName("Openfile");
  if (context.paletteDisplay) MakeWindowPalette();
}

// The display colours of this picture become the shared palette, and the
// window keeps its own copy (flags cleared) for its activations.
void FileWindow::MakeWindowPalette() {
  PictureWindowContext& context = Context();
  if (MakeDisplayPalette(Messages(), Doc().Picture(), context.currentPalette) !=
      ReductionResult::Done) {
    return;
  }
  SharedDisplayPalette().Remake(context.currentPalette);
  if (Doc().HasPalette()) CopyLogicalPalette(context.currentPalette, Doc().PaletteBlock.bytes());
}

QSize FileWindow::sizeHint() const { return QSize(kFileWindowPictureWidth, kFileWindowPictureHeight); }

QSize FileWindow::SharedFullClient() { return sharedFullClient; }

void FileWindow::SetFullClient(QSize size) { sharedFullClient = size; }

int FileWindow::ScrollMaximum(Qt::Orientation orientation, int client) const {
  const QSize full = SharedFullClient();
  const int extent = orientation == Qt::Horizontal ? full.width() : full.height();
  return ScrollMaximumFor(client, extent, extent);
}

std::size_t FileWindow::ClipboardBytes() const { return kPictureBlockSize; }

bool FileWindow::SaveAs() {
  const std::string name = FileWindowDefaultName(Context().ClockOrSystem().Now());
  return SavePictureAs(*this, SaveWindow::File, name, Doc().Taken).written;
}

bool FileWindow::Command(int id) {
  switch (id) {
    case kCmdFineMode:
      SendToCamera(true);
      return true;
    case kCmdNormalMode:
      SendToCamera(false);
      return true;
    default:
      return PictureWindow::Command(id);
  }
}

void FileWindow::SendToCamera(bool fine) {
  PictureWindowContext& c = Context();
  lumarel::SendToCamera(Doc().Picture(), fine, c.link, c.operations, c.tempPathA, c.tempPathB,
                        Messages(), c.ClockOrSystem(), timers_);
}

// Timer 1 watches an upload; timer 2 (started by the link on the active
// child) opens COM_DISCONNECT when a packet is still awaited.
void FileWindow::OnTimer(int id) {
  PictureWindowContext& c = Context();
  if (id == kDisconnectCheckTimer) {
    timers_.Stop(id);
    windowlink::DisconnectIfAwaiting(c.operations);
    return;
  }
  windowlink::OpenfileTimer(c.operations, id);
}

}  // namespace lumarel
