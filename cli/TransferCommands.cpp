// get, put, live and still: the commands that move pictures over the link.
#include <sys/stat.h>

#include <ostream>

#include "cli/CameraCommands.h"
#include "cli/CameraSession.h"
#include "cli/OutputFile.h"
#include "cli/PictureBlocks.h"
#include "platform/Files.h"

#include "link/LinkOperations.h"
#include "link/LinkTransfers.h"

namespace lumarel::cli {
namespace {

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

struct Planned {
  int number;        // 1-based
  std::string path;  // where the picture is saved
};

// The pictures to fetch and their file names, decided from the list before
// any transfer; with --skip-existing those already in the directory drop out.
std::vector<Planned> PlanDownloads(const Request& request, const PictureList& list,
                                   FileFormat format) {
  std::vector<int> numbers = request.numbers;
  if (request.all) {
    numbers.clear();
    for (int i = 1; i <= list.receivedEntries; ++i) numbers.push_back(i);
  }
  std::vector<Planned> plan;
  for (int n : numbers) {
    const std::string name = LabelText(list.entries[n - 1].fileName) + ExtensionOf(format);
    const std::string path = JoinPath(request.outDir, name);
    if (request.skipExisting && Exists(path)) continue;
    plan.push_back({n, path});
  }
  return plan;
}

// The Capture window's picture block: width x height x 3 + 100 bytes.
class CaptureBlock final : public DownloadTarget {
 public:
  explicit CaptureBlock(const PictureEntry& entry)
      : block_(std::size_t{entry.width} * entry.height * 3 + 100, 0) {}
  std::span<std::uint8_t> Picture() override { return block_; }
  std::span<std::uint8_t> Palette() override { return {}; }

 private:
  std::vector<std::uint8_t> block_;
};

// Two-digit year as the program shows it.
int ShortYear(int year) { return year < 2000 ? year - 1900 : year - 2000; }

// The list entry an upload adds, from the local time.
PictureEntry UploadEntry(int number, bool fine, const LocalTime& t) {
  const EntryDate date{ShortYear(t.year), t.month, t.day, t.hour, t.minute};
  PictureEntry entry;
  entry.label = FormatLabel(number, fine, date);
  entry.fileName = FormatFileName(number, fine, date);
  entry.quality = fine ? 1 : 0;
  entry.width = fine ? 640 : 320;
  entry.height = fine ? 480 : 240;
  return entry;
}

}  // namespace

ExitStatus RunGet(CommandContext& ctx, CameraSession& session) {
  const Request& request = ctx.request;
  PictureList& list = session.Link().Pictures();
  if (!CheckNumbers(request.numbers, list.receivedEntries, ctx.err)) return ExitStatus::Usage;
  if (!IsDirectory(request.outDir)) {
    ReportError(ctx.err, "no such directory: " + request.outDir);
    return ExitStatus::FileError;
  }
  const FileFormat format = request.format.value_or(FileFormat::Jpeg);
  const std::vector<Planned> plan = PlanDownloads(request, list, format);

  LinkOperations& ops = session.Operations();
  DownloadControl& control = session.Transfers()->Download();
  std::unique_ptr<Timers> captureTimers =
      session.MakeWindowTimers([&control](int id) { control.OnCaptureTimer(id); });
  ExitStatus status = ExitStatus::Success;
  for (std::size_t k = 0; k < plan.size(); ++k) {
    const int n = plan[k].number;
    session.ProgressLine().SetItem(static_cast<int>(k + 1), static_cast<int>(plan.size()));
    CaptureBlock block(list.entries[n - 1]);
    const LinkOutcome outcome = session.Run([&](OperationDone done) {
      ops.Download(n - 1, block, *captureTimers, std::move(done));
    });
    ops.EndDownload(block);
    if (outcome.kind == OutcomeKind::BadData) {
      // This picture's data was unusable; the link is fine, so the others still come.
      session.Report(outcome, n);
      status = Worse(status, ExitStatus::LinkFailure);
      continue;
    }
    if (!outcome.Ok()) {
      session.Report(outcome, n);
      return ExitStatus::LinkFailure;
    }
    status = Worse(status, SaveThroughTemp(ctx, block.Picture(), plan[k].path, format,
                                           SaveWindow::Capture));
  }
  return status;
}

ExitStatus RunPut(CommandContext& ctx, CameraSession& session) {
  const bool fine = ctx.request.fine;
  PreparedUpload prepared;
  if (ExitStatus s = PrepareFileForCamera(ctx, ctx.request.files[0], fine, prepared);
      s != ExitStatus::Success)
    return s;
  UploadHandler& upload = session.Transfers()->Upload();
  std::unique_ptr<Timers> openfileTimers =
      session.MakeWindowTimers([&upload](int id) { upload.OnOpenfileTimer(id); });
  const int number = session.Link().Pictures().receivedEntries + 1;
  const UploadRequest request{fine, prepared.picture, prepared.preview,
                              UploadEntry(number, fine, ctx.clock.Now()), prepared.thumbnail};
  session.ProgressLine().SetItem(0, 0);
  return session.RunAndReport([&](OperationDone done) {
    session.Operations().Upload(request, *openfileTimers, std::move(done));
  });
}

ExitStatus RunLive(CommandContext& ctx, CameraSession& session) {
  const std::string& path = ctx.request.files[0];
  OutputFile output(path);  // the destination is checked before any line time is spent
  if (!output.Ok()) {
    ReportError(ctx.err, "cannot write " + path);
    return ExitStatus::FileError;
  }
  LinkOperations& ops = session.Operations();
  session.Ui().Activate(LinkWindow::Live);
  const LinkOutcome outcome =
      session.Run([&](OperationDone done) { ops.LiveFrame(std::move(done)); });
  ops.StopLive();
  if (!outcome.Ok()) {
    session.Report(outcome);
    return ExitStatus::LinkFailure;
  }
  if (!WriteDibAsBmp(session.LiveFrame(), output.TempPath()) || !output.Commit()) {
    ReportError(ctx.err, "cannot write " + path);
    return ExitStatus::FileError;
  }
  return ExitStatus::Success;
}

ExitStatus RunStill(CommandContext& ctx, CameraSession& session) {
  LinkOperations& ops = session.Operations();
  session.Ui().Activate(LinkWindow::Live);
  if (ExitStatus s = session.RunAndReport(
          [&](OperationDone done) { ops.ZoomStill(std::move(done)); });
      s != ExitStatus::Success)
    return s;
  const std::vector<std::uint8_t> photo =
      PhotoForSaving(session.LivePhoto(), session.Link().State().modelVariant);
  const std::string& path = ctx.request.files[0];
  return SaveThroughTemp(ctx, photo, path, FormatFor(ctx.request, path), SaveWindow::Live);
}

}  // namespace lumarel::cli
