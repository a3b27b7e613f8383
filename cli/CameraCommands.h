// The commands that talk to the camera: each connects as the program does at
// start (scan, speed, picture list) and then drives the link's own entry
// points, waiting on the event loop instead of on dialogs.
#pragma once

#include <string>

#include "cli/OfflineCommands.h"
#include "link/PictureList.h"

namespace lumarel::cli {

class CameraSession;

// Connects and runs the request's camera command.
ExitStatus RunCameraCommand(CommandContext& ctx);

ExitStatus RunInfo(CommandContext& ctx, CameraSession& session);
ExitStatus RunList(CommandContext& ctx, CameraSession& session);
ExitStatus RunThumbs(CommandContext& ctx, CameraSession& session);
ExitStatus RunGet(CommandContext& ctx, CameraSession& session);
ExitStatus RunPut(CommandContext& ctx, CameraSession& session);
ExitStatus RunDelete(CommandContext& ctx, CameraSession& session);
ExitStatus RunErase(CommandContext& ctx, CameraSession& session);
ExitStatus RunLive(CommandContext& ctx, CameraSession& session);
ExitStatus RunStill(CommandContext& ctx, CameraSession& session);

// One line of `list`: number, label, default file name, F or N, WIDTHxHEIGHT.
std::string ListLine(int number, const PictureEntry& entry);
// The NUL-terminated text of a label.
std::string LabelText(const Label& label);
// True when every picture number is on the list (1..count); reports the first that is not.
bool CheckNumbers(const std::vector<int>& numbers, int count, std::ostream& err);

}  // namespace lumarel::cli
