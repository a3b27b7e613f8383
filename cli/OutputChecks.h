// SPDX-License-Identifier: MIT
// Output places checked before the camera is reached, so that a mistyped
// folder costs no connection and no transfer. Each gives an empty text when
// the place can be written, else the reason (for "lumarel-cli: <reason>").
#pragma once

#include <string>

namespace lumarel::cli {

// `get --out DIR`, `thumbs DIR`: DIR and its missing parents are created
// (like mkdir -p), then DIR must be a folder this user can write into.
std::string PrepareOutputDirectory(const std::string& dir);

// `live OUT`, `still OUT`: OUT names a file (not a folder) whose folder
// exists and can be written into; an existing regular OUT is replaced, as cp
// does, while a device, FIFO or symbolic link is refused before connecting.
std::string CheckOutputFile(const std::string& path);

}  // namespace lumarel::cli
