// SPDX-License-Identifier: MIT
// The frame-facing half of CameraFrameLink: reads what the link needs from the
// frame and its start-up state.
#include "shell/CameraFrameLink.h"
#include "shell/Frame.h"
#include "shell/Startup.h"

namespace lumarel {

void CameraFrameLink::Start(const LinkStartContext& context) {
  frame_ = &context.frame;
  AppState& state = context.state;
  StartCore(LinkWiring{context.frame, context.frame.Messages(), context.frameTimers,
                       state.SettingsPath, state.TempPathA, state.TempPathB,
                       state.PaletteDisplay, state.CurrentPalette.bytes(),
                       state.Buffers.LiveFrame.bytes(), state.Buffers.LivePhoto.bytes()});
}

void CameraFrameLink::AttachPreview() {
  if (frame_ && frame_->Preview()) {
    PreviewWindow& preview = *frame_->Preview();
    preview.SetModel(Model());
    preview.SetLinkCommands(PreviewCommands());
    preview.SetDefaultPalette(frame_->State().DefaultPaletteCopy.bytes());
  }
  AttachPictureWindows();
}

}  // namespace lumarel
