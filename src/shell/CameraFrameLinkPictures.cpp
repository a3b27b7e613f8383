// SPDX-License-Identifier: MIT
// The picture windows behind the frame's commands: Open reads a file into a
// new Openfile window; the Preview window's Data in from camera and Save As
// open a Capture window for the next chosen picture and start its download.
#include <QAction>
#include <QFileInfo>
#include <QMdiSubWindow>

#include "shell/CameraFrameLink.h"
#include "shell/Frame.h"
#include "shell/OpenByContent.h"
#include "shell/OpenDialog.h"
#include "windows/CaptureWindow.h"
#include "windows/FileWindow.h"
#include "windows/LiveWindowWiring.h"

namespace lumarel {

void CameraFrameLink::AttachPictureWindows() {
  if (!frame_) return;
  Frame& frame = *frame_;
  AppState& state = frame.State();
  fileDialog_ = std::make_shared<FileDialogRecord>();
  fileDialog_->initialDirectory = &state.InitialDirectory;
  pictures_ = std::make_shared<PictureWindowContext>();
  PictureWindowContext& context = *pictures_;
  context.tempPathA = state.TempPathA;
  context.tempPathB = state.TempPathB;
  context.fileDialog = fileDialog_.get();
  context.paletteDisplay = state.PaletteDisplay;
  context.currentPalette = state.CurrentPalette.bytes();
  context.link = Link();
  context.operations = Operations();
  context.previewCommand = [&frame](int id) {
    if (PreviewWindow* preview = frame.Preview()) preview->Command(id);
  };

  frame.SetOpenHandler([&frame, &state, &context, record = fileDialog_.get()] {
    std::optional<OpenedPicture> opened = RunOpenCommand(state, *record, frame.Messages(), &frame);
    if (!opened) return;
    frame.EnableMdiClient(true);
    OpenFileWindow(frame, context, std::move(opened->init), opened->title,
                   [&frame](FileWindow* window) { frame.AddChild(window); });
  });

  if (LiveWindow* live = frame.Live()) {
    const LiveBuffers buffers{state.Buffers.LiveFrame.bytes(), state.Buffers.LivePhoto.bytes(),
                              state.Buffers.PictureWorkspace.bytes(),
                              state.DefaultPaletteCopy.bytes()};
    WireLiveWindow(
        *live, frame, LiveSide(), context, buffers,
        [&frame](int id) {
          QAction* item = frame.MenuItem(MenuKind::Liveimage, id);
          return item && item->isEnabled();
        },
        [&frame](FileWindow* window) {
          frame.EnableMdiClient(true);
          frame.AddChild(window);
        });
  }

  if (PreviewWindow* preview = frame.Preview()) {
    const AddCaptureWindow add = [&frame](CaptureWindow* window, bool autoSavePosition) {
      QMdiSubWindow* sub = frame.AddChild(window);
      if (autoSavePosition) sub->move(5, 5);
    };
    preview->SetCommandHandler([&frame, &context, add](int id) {
      return RunPreviewDownloadCommand(id, frame, context, add);
    });
  }
}

void CameraFrameLink::OpenFiles(const std::vector<std::string>& paths) {
  if (!frame_ || !pictures_) return;
  Frame& frame = *frame_;
  for (const std::string& path : paths) {
    std::optional<OpenedPicture> opened = LoadPictureFile(path, frame.State(), frame.Messages());
    if (!opened) continue;
    frame.EnableMdiClient(true);
    OpenFileWindow(frame, *pictures_, std::move(opened->init), opened->title,
                   [&frame](FileWindow* window) { frame.AddChild(window); });
  }
}

}  // namespace lumarel
