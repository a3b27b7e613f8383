// SPDX-License-Identifier: MIT
// The commands that need no camera: convert, adjust, exif.
#pragma once

#include <iosfwd>
#include <optional>

#include "cli/CliOptions.h"
#include "cli/ConsoleNotifier.h"
#include "cli/ExitStatus.h"
#include "cli/PictureDate.h"
#include "pictureio/SaveAs.h"
#include "pictureio/UploadPreparation.h"

namespace lumarel::cli {

// What every command gets from the process.
struct CommandContext {
  const Request& request;
  ConsoleNotifier& notifier;
  std::ostream& out;
  std::ostream& err;
  Clock& clock;
};

ExitStatus RunConvert(CommandContext& ctx);
ExitStatus RunAdjust(CommandContext& ctx);
ExitStatus RunExif(CommandContext& ctx);

// Shared by the offline and camera commands.
SaveFileType SaveTypeFor(FileFormat format);
// The exit status of a save outcome (0 or 3).
ExitStatus StatusOf(SaveResult result);
// Saves `picture` under finalPath through a temporary name; reports a failed
// write on err. The scratch files are made and removed here. Exif DateTime is
// the time of saving; `dates` gives DateTimeOriginal and DateTimeDigitized
// (a downloaded picture's own date, a file's own dates; unknown ones are
// written as unknown) and the file's modification time (else the time of
// saving). In create mode an existing file
// is never replaced: a name taken while the picture was written gets the next
// free "-N" name; savedPath receives the name used. `diskFull`, when given,
// tells whether the save ran out of room.
ExitStatus SaveThroughTemp(CommandContext& ctx, std::span<const std::uint8_t> picture,
                           const std::string& finalPath, FileFormat format, SaveWindow window,
                           const SaveDates& dates = {},
                           WriteMode mode = WriteMode::Replace, std::string* savedPath = nullptr,
                           bool* diskFull = nullptr);
// Opens path as the Open command does and prepares it for the camera as
// "Data out to camera" does (Fine or Normal).
ExitStatus PrepareFileForCamera(CommandContext& ctx, const std::string& path, bool fine,
                                PreparedUpload& prepared);
// Prints "lumarel-cli: what" on err.
void ReportError(std::ostream& err, const std::string& what);
// The same, then "Try 'lumarel-cli --help'." (a usage error found after connecting).
void ReportUsageError(std::ostream& err, const std::string& what);

}  // namespace lumarel::cli
