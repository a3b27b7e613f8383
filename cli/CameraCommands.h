// SPDX-License-Identifier: MIT
// The commands that talk to the camera: each connects as the program does at
// start (scan, speed, picture list) and then drives the link's own entry
// points, waiting on the event loop instead of on dialogs.
#pragma once

#include <string>

#include "cli/OfflineCommands.h"
#include "link/PictureList.h"

namespace lumarel::cli {

class CameraSession;
class ImportRecord;

// Connects and runs the request's camera command.
ExitStatus RunCameraCommand(CommandContext& ctx);

ExitStatus RunInfo(CommandContext& ctx, CameraSession& session);
ExitStatus RunList(CommandContext& ctx, CameraSession& session);
ExitStatus RunThumbs(CommandContext& ctx, CameraSession& session);
// Before connecting: creates the output folder and reads its import record.
ExitStatus PrepareGet(CommandContext& ctx, ImportRecord& record);
ExitStatus RunGet(CommandContext& ctx, CameraSession& session, ImportRecord& record);
ExitStatus RunPut(CommandContext& ctx, CameraSession& session);
ExitStatus RunDelete(CommandContext& ctx, CameraSession& session);
ExitStatus RunErase(CommandContext& ctx, CameraSession& session);
ExitStatus RunLive(CommandContext& ctx, CameraSession& session);
ExitStatus RunStill(CommandContext& ctx, CameraSession& session);
// COM1..COM4: device, whether it exists and opens (else why), driver and
// latency timer, whether a camera answers. 0 when a camera answers on one.
ExitStatus RunPorts(CommandContext& ctx);

// One line of `list`: number, label, default file name, F or N, WIDTHxHEIGHT.
std::string ListLine(int number, const PictureEntry& entry);
// The NUL-terminated text of a label.
std::string LabelText(const Label& label);

}  // namespace lumarel::cli
