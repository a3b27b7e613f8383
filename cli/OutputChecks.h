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

// The folders of a planned name ("2000/01/x.jpg") below dir, made as needed
// (0755 under the umask); a folder that cannot be made or is no folder gives
// the reason.
std::string PrepareFoldersOf(const std::string& dir, const std::string& name);

// `live OUT`, `still OUT`: OUT names a file (not a folder) whose folder
// exists and can be written into; an existing regular OUT is replaced, as cp
// does, while a device, FIFO or symbolic link is refused before connecting.
std::string CheckOutputFile(const std::string& path);

}  // namespace lumarel::cli
