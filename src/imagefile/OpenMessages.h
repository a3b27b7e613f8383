// SPDX-License-Identifier: MIT
// The one message for each way opening a picture file can fail, shared by
// every front end's Open (the GUI's, lumarel-cli's commands, the previews).
#pragma once

#include <string>

#include "imagefile/ImageResult.h"
#include "platform/Notifier.h"

namespace lumarel {

// "This file could not be found. ", "This file cannot be read: permission
// denied.", "This is not a regular file (a folder, FIFO or device).", "This
// file type is wrong.", "This picture is too large: W x H; at most 16384 x
// 16384 and 50 million pixels.", "This file holds no picture data.", "Disk is
// full.", "The picture could not be decoded: <the system's reason>." or "Not
// enough memory."; empty for Done. width and height: the picture's claimed
// size, for TooLarge.
std::string OpenFailureText(ImageResult result, unsigned width = 0, unsigned height = 0);

// Shows OpenFailureText under "ERROR" ("Global Memory" for memory), as the
// Open command's message boxes do.
void ShowOpenFailure(Notifier& notifier, ImageResult result, unsigned width = 0,
                     unsigned height = 0);

// Shown (not as an error) when a BMP's pixel data ends early and the missing
// rows are black.
std::string MissingRowsText(int rowsPresent, int height);

}  // namespace lumarel
