// SPDX-License-Identifier: MIT
// Pictures named from outside the Open dialog: on the command line, by another
// `lumarel` handing its files over, dropped on the frame, or from the recent
// files. No filter was chosen, so the first bytes decide how the file is read
// (file managers pass pictures under any name), and every message names the
// file, since the user may not know which of several files it is about.
#pragma once

#include <optional>
#include <string>

#include "platform/Notifier.h"
#include "shell/OpenDialog.h"
#include "shell/Startup.h"

namespace lumarel {

// Passes each message on with the file's path on a line of its own.
class FileNamingNotifier final : public Notifier {
 public:
  FileNamingNotifier(Notifier& inner, std::string path)
      : inner_(inner), path_(std::move(path)) {}
  MessageAnswer Show(const std::string& text, const std::string& caption,
                     MessageButtons buttons, MessageIcon icon) override;
  // A note goes on as a note, after the file's path.
  void Note(const std::string& text, const std::string& caption) override;

 private:
  Notifier& inner_;
  std::string path_;
};

// Reads `path` (made absolute) as its content says: a missing file, one that
// cannot be read and one that is neither JPEG nor BMP are refused with a
// message naming it.
std::optional<OpenedPicture> LoadPictureFile(const std::string& path, AppState& state,
                                             Notifier& notifier);

}  // namespace lumarel
