// SPDX-License-Identifier: MIT
#include "imagefile/JpegError.h"

namespace lumarel {

namespace {

void ErrorExit(j_common_ptr cinfo) {
  auto* manager = reinterpret_cast<JpegErrorManager*>(cinfo->err);
  manager->failed = true;
  std::longjmp(manager->jump, 1);
}

// Library messages are never shown.
void OutputMessage(j_common_ptr) {}

// Warnings (level -1) and trace messages are counted by the library's own
// bookkeeping only; the operation goes on.
void EmitMessage(j_common_ptr cinfo, int level) {
  if (level < 0) cinfo->err->num_warnings++;
}

}  // namespace

jpeg_error_mgr* InitJpegErrorManager(JpegErrorManager& manager) {
  jpeg_error_mgr* err = jpeg_std_error(&manager.pub);
  err->error_exit = ErrorExit;
  err->output_message = OutputMessage;
  err->emit_message = EmitMessage;
  return err;
}

}  // namespace lumarel
