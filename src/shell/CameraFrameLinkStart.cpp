// The frame-facing half of CameraFrameLink: reads what the link needs from the
// frame and its start-up state.
#include "shell/CameraFrameLink.h"
#include "shell/Frame.h"

namespace lumarel {

void CameraFrameLink::Start(const LinkStartContext& context) {
  frame_ = &context.frame;
  StartCore(LinkWiring{context.frame, context.frame.Messages(), context.frameTimers,
                       context.state.SettingsPath, context.state.TempPathA,
                       context.state.TempPathB});
}

void CameraFrameLink::AttachPreview() {
  if (frame_ && frame_->Preview()) frame_->Preview()->SetModel(Model());
}

}  // namespace lumarel
