// SPDX-License-Identifier: MIT
// The error manager shared by the JPEG decoder and encoder. A fatal library
// error marks the manager as failed and long-jumps back to the setjmp of the small C-style
// function that made the library call; those functions hold no objects with
// destructors, so the jump skips no cleanup. Warnings are ignored.
#pragma once

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace lumarel {

struct JpegErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  bool failed = false;  // the library reported a fatal error (the operation's LibraryError)
};

// Installs the error manager on a codec object (before jpeg_create_*).
jpeg_error_mgr* InitJpegErrorManager(JpegErrorManager& manager);

}  // namespace lumarel
