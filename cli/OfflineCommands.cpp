// SPDX-License-Identifier: MIT
#include "cli/OfflineCommands.h"

#include <cerrno>
#include <cstring>
#include <ostream>

#include "pictureio/OpenPicture.h"
#include "cli/OutputFile.h"
#include "cli/PictureDate.h"
#include "imagefile/FileUtil.h"
#include "imagefile/OpenMessages.h"
#include "imagefile/TempFile.h"
#include "imageproc/AdjustmentSession.h"

namespace lumarel::cli {
namespace {

constexpr int kExifQuality = 75;  // as a JPEG Save As re-encodes

// One line for an input that cannot be opened: the path and why (a missing
// file gets the Open command's own message). False when it was refused.
bool CheckInput(CommandContext& ctx, const std::string& path) {
  const fileutil::InputFile input = fileutil::OpenInput(path);
  if (input.status == ImageStatus::Done) return true;
  if (input.status == ImageStatus::NotAFile) {
    ReportError(ctx.err, path + " is not a regular file");
  } else if (input.error != ENOENT && input.error != ENOTDIR && input.error != 0) {
    ReportError(ctx.err, path + ": " + std::strerror(input.error));
  } else {
    ShowOpenFailure(ctx.notifier, input.result());
  }
  return false;
}

// Scratch files in the user's temporary directory, removed on destruction.
struct Scratch {
  TempFileGuard a{MakeTempFile()};
  TempFileGuard b{MakeTempFile()};
  bool Ok() const { return !a.path().empty() && !b.path().empty(); }
};

ExitStatus OpenInput(CommandContext& ctx, const std::string& path, OpenedCanvas& opened) {
  if (!CheckInput(ctx, path)) return ExitStatus::FileError;
  Scratch scratch;
  if (!scratch.Ok()) {
    ReportError(ctx.err, "cannot create temporary files");
    return ExitStatus::FileError;
  }
  opened = OpenPictureFile(path, scratch.a.path(), ctx.notifier);
  return opened.result ? ExitStatus::Success : ExitStatus::FileError;
}

class QuietNotifier final : public Notifier {
 public:
  MessageAnswer Show(const std::string&, const std::string&, MessageButtons,
                     MessageIcon) override {
    return MessageAnswer::Ok;
  }
};

void ApplyLevel(AdjustmentSession& session, AdjustSlider slider, const std::optional<int>& level) {
  // The dialog's thumb reports negative positions as unsigned 16-bit numbers.
  if (level) session.Scroll(slider, ScrollAction::ThumbTrack, *level & 0xFFFF);
}

}  // namespace

void ReportError(std::ostream& err, const std::string& what) {
  err << "lumarel-cli: " << what << std::endl;
}

void ReportUsageError(std::ostream& err, const std::string& what) {
  ReportError(err, what);
  err << kTryHelp << std::endl;
}

SaveFileType SaveTypeFor(FileFormat format) {
  switch (format) {
    case FileFormat::Jpeg: return SaveFileType::Jpeg;
    case FileFormat::Bmp24: return SaveFileType::FullColourBmp;
    case FileFormat::Bmp8: return SaveFileType::Bmp256;
  }
  return SaveFileType::Jpeg;
}

ExitStatus StatusOf(SaveResult result) {
  return result == SaveResult::Saved ? ExitStatus::Success : ExitStatus::FileError;
}

ExitStatus SaveThroughTemp(CommandContext& ctx, std::span<const std::uint8_t> picture,
                           const std::string& finalPath, FileFormat format, SaveWindow window,
                           const SaveDates& dates, WriteMode mode,
                           std::string* savedPath, bool* diskFull) {
  Scratch scratch;
  OutputFile output(finalPath, mode);
  if (!output.Ok()) {
    ReportError(ctx.err, output.Why());
    return ExitStatus::FileError;
  }
  if (!scratch.Ok()) {
    ReportError(ctx.err, "cannot create temporary files");
    return ExitStatus::FileError;
  }
  SaveServices services{&ctx.notifier, &ctx.clock, scratch.a.path(), scratch.b.path(), {},
                        dates.exif};
  AtomicFile& file = output.File();
  const SaveResult result = SavePictureInto(picture, file, SaveTypeFor(format), window, services);
  if (diskFull != nullptr) *diskFull = result == SaveResult::DiskFull;
  if (result == SaveResult::Failed) ReportError(ctx.err, "cannot write " + finalPath);
  if (result != SaveResult::Saved) return StatusOf(result);
  // Set before the rename, which keeps it: the file never shows another time.
  if (dates.fileTime && !SetFileTime(output.TempPath(), *dates.fileTime))
    ReportError(ctx.err, finalPath + ": cannot set the file's time");
  // A name taken while the picture was written gets the next free one.
  if (!(mode == WriteMode::Create ? output.CommitToFreeName() : output.Commit())) {
    ReportError(ctx.err, output.Why());
    return ExitStatus::FileError;
  }
  if (savedPath != nullptr) *savedPath = output.FinalPath();
  return ExitStatus::Success;
}

ExitStatus RunConvert(CommandContext& ctx) {
  const std::string& in = ctx.request.files[0];
  const std::string& out = ctx.request.files[1];
  OpenedCanvas opened;
  if (ExitStatus s = OpenInput(ctx, in, opened); s != ExitStatus::Success) return s;
  return SaveThroughTemp(ctx, opened.canvas, out, FormatFor(ctx.request, out), SaveWindow::File,
                         SaveDates(opened.taken));
}

// The adjustment applied to the whole picture as the dialog's OK does: the
// given slider values (or the automatic ones), then the full-size processing.
ExitStatus RunAdjust(CommandContext& ctx) {
  const std::string& in = ctx.request.files[0];
  const std::string& out = ctx.request.files[1];
  OpenedCanvas opened;
  if (ExitStatus s = OpenInput(ctx, in, opened); s != ExitStatus::Success) return s;
  AdjustmentSession session;
  if (!session.Open(opened.canvas)) {
    ReportError(ctx.err, "not enough memory to adjust " + in);
    return ExitStatus::FileError;
  }
  const AdjustOptions& a = ctx.request.adjust;
  if (a.automatic) {
    session.ChooseAutomatic();
  } else {
    ApplyLevel(session, AdjustSlider::Brightness, a.brightness);
    ApplyLevel(session, AdjustSlider::Contrast, a.contrast);
    ApplyLevel(session, AdjustSlider::Saturation, a.saturation);
    ApplyLevel(session, AdjustSlider::Sharpness, a.sharpness);
  }
  session.Apply(opened.canvas);
  session.Close();
  return SaveThroughTemp(ctx, opened.canvas, out, FormatFor(ctx.request, out), SaveWindow::File,
                         SaveDates(opened.taken));
}

ExitStatus RunExif(CommandContext& ctx) {
  const std::string& in = ctx.request.files[0];
  const std::string& out = ctx.request.files[1];
  if (!CheckInput(ctx, in)) return ExitStatus::FileError;
  OutputFile output(out);
  if (!output.Ok()) {
    ReportError(ctx.err, output.Why());
    return ExitStatus::FileError;
  }
  // The line below says what failed, with the paths: the writer's own
  // message boxes would only repeat it.
  QuietNotifier quiet;
  const ImageResult written = WriteExifFile(in, output.TempPath(), kExifQuality, quiet, ctx.clock);
  if (!written) {
    // Say whose fault it was: the input, the destination's space, or the output.
    ReportError(ctx.err, written.InputAtFault()            ? in + " is not a JPEG file that can be read"
                         : written == ImageStatus::DiskFull ? out + ": disk is full"
                                                            : "cannot write " + out);
    return ExitStatus::FileError;
  }
  if (!output.Commit()) {
    ReportError(ctx.err, output.Why());
    return ExitStatus::FileError;
  }
  return ExitStatus::Success;
}

}  // namespace lumarel::cli

namespace lumarel::cli {

ExitStatus PrepareFileForCamera(CommandContext& ctx, const std::string& path, bool fine,
                                PreparedUpload& prepared) {
  OpenedCanvas opened;
  if (ExitStatus s = OpenInput(ctx, path, opened); s != ExitStatus::Success) return s;
  Scratch scratch;
  if (!scratch.Ok()) {
    ReportError(ctx.err, "cannot create temporary files");
    return ExitStatus::FileError;
  }
  prepared = PrepareUpload(opened.canvas, fine, scratch.a.path(), scratch.b.path(), ctx.notifier,
                           ctx.clock);
  if (!prepared.ok) {
    ReportError(ctx.err, "cannot encode " + path + " for the camera");
    return ExitStatus::FileError;
  }
  return ExitStatus::Success;
}

}  // namespace lumarel::cli
