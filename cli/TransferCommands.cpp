// SPDX-License-Identifier: MIT
// get, put, live and still: the commands that move pictures over the link.
#include <unistd.h>

#include <iostream>
#include <optional>
#include <ostream>

#include "cli/CameraCommands.h"
#include "cli/CameraSession.h"
#include "cli/FileNames.h"
#include "cli/GetPlan.h"
#include "cli/ImportRecord.h"
#include "cli/Interrupt.h"
#include "cli/OutputChecks.h"
#include "cli/OutputFile.h"
#include "cli/OverwritePolicy.h"
#include "cli/PictureBlocks.h"
#include "cli/PictureNumbers.h"
#include "cli/RunReport.h"
#include "platform/Files.h"

#include "link/LinkOperations.h"
#include "link/LinkTransfers.h"

namespace lumarel::cli {
namespace {

// The bytes a list entry's preview is known by: the decoded preview slot the
// link keeps for it (nothing while the slot is not filled).
std::span<const std::uint8_t> PreviewOf(const PictureList& list, int k) {
  const std::uint8_t* slot = list.store.Slot(static_cast<std::size_t>(k));
  return slot == nullptr ? std::span<const std::uint8_t>{}
                         : std::span<const std::uint8_t>(slot, kPreviewSlotSize);
}

PictureKey KeyAt(const PictureList& list, int n) {
  return NameRequestFor(list.entries[n - 1], n, list.receivedEntries, PreviewOf(list, n - 1)).key;
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

ExitStatus PrepareGet(CommandContext& ctx, ImportRecord& record) {
  const std::string& dir = ctx.request.outDir;
  if (const std::string why = PrepareOutputDirectory(dir); !why.empty()) {
    ReportError(ctx.err, why);
    return ExitStatus::FileError;
  }
  if (!record.Load(dir)) {
    ReportError(ctx.err, "cannot read " + JoinPath(dir, kImportRecordName));
    return ExitStatus::FileError;
  }
  if (const std::string warning = record.SkippedLinesWarning(dir); !warning.empty())
    ReportError(ctx.err, warning);
  return ExitStatus::Success;
}

ExitStatus RunGet(CommandContext& ctx, CameraSession& session, ImportRecord& record) {
  const Request& request = ctx.request;
  PictureList& list = session.Link().Pictures();
  std::vector<int> numbers;
  if (request.all) {
    for (int i = 1; i <= list.receivedEntries; ++i) numbers.push_back(i);
  } else {
    std::string error;
    const auto resolved = ResolveNumbers(request.ranges, list.receivedEntries, error);
    if (!resolved) {
      ReportError(ctx.err, error);
      return ExitStatus::Usage;
    }
    numbers = *resolved;
  }
  const FileFormat format = request.format.value_or(FileFormat::Jpeg);
  RunReport report(ctx.out, ctx.err, request.global.quiet);
  OverwritePolicy policy(OverwritePolicy::ModeFor(request.forceOverwrite, ::isatty(STDIN_FILENO),
                                                  ::isatty(STDERR_FILENO)),
                         std::cin, ctx.err);
  const GetPlan plan = PlanGet(
      request, numbers, std::span<const PictureEntry>(list.entries.data(), list.receivedEntries),
      [&list](int k) { return PreviewOf(list, k); }, record, policy, report);

  LinkOperations& ops = session.Operations();
  DownloadControl& control = session.Transfers()->Download();
  std::unique_ptr<Timers> captureTimers =
      session.MakeWindowTimers([&control](int id) { control.OnCaptureTimer(id); });
  const int total = static_cast<int>(plan.fetch.size());
  const std::string device = session.Link().DevicePath();
  bool lineUsable = true;
  for (int k = 0; k < total && !InterruptRequested(); ++k) {
    const PlannedPicture& p = plan.fetch[static_cast<std::size_t>(k)];
    if (!lineUsable) {
      report.Failed(ExitStatus::LinkFailure);
      continue;
    }
    // A silent or lost line costs a reconnect and another attempt, up to --retries.
    LinkOutcome outcome;
    std::optional<CaptureBlock> block;
    for (int attempt = 0;; ++attempt) {
      session.ProgressLine().SetItem(k + 1, total);
      block.emplace(list.entries[p.number - 1]);
      outcome = session.Run([&](OperationDone done) {
        ops.Download(p.number - 1, *block, *captureTimers, std::move(done));
      });
      ops.EndDownload(*block);
      const bool lineFault =
          outcome.kind == OutcomeKind::CameraSilent || outcome.kind == OutcomeKind::LineLost;
      if (!lineFault || InterruptRequested()) break;
      session.Report(outcome, p.number);
      if (attempt >= request.retries) break;
      ctx.err << "lumarel-cli: reconnecting to retry picture " << p.number << std::endl;
      if (!session.Reconnect()) {
        if (!InterruptRequested())
          ReportError(ctx.err, "the camera did not answer again on " + device + "; giving up");
        lineUsable = false;
        break;
      }
      // The list was read again: the same picture must still be at this place.
      if (p.number > list.receivedEntries || !(KeyAt(list, p.number) == p.key)) {
        outcome = LinkOutcome::Bad(p.number - 1, "the camera's list changed");
        break;
      }
    }
    if (outcome.kind == OutcomeKind::Cancelled) {
      if (!InterruptRequested()) {
        session.Report(outcome, p.number);
        report.Failed(ExitStatus::LinkFailure);
      }
      break;
    }
    if (!outcome.Ok()) {
      if (lineUsable && outcome.kind != OutcomeKind::CameraSilent &&
          outcome.kind != OutcomeKind::LineLost)
        session.Report(outcome, p.number);
      report.Failed(ExitStatus::LinkFailure);
      if (outcome.kind == OutcomeKind::CameraSilent || outcome.kind == OutcomeKind::LineLost)
        lineUsable = lineUsable && request.retries > 0;
      continue;
    }
    // Another run may have saved a file of this name meanwhile: it is never
    // replaced unless replacing was chosen, and the picture takes the next free name.
    std::string savedPath;
    const ExitStatus saved =
        SaveThroughTemp(ctx, block->Picture(), p.path, format, SaveWindow::Capture, p.time,
                        p.replace || request.forceOverwrite ? WriteMode::Replace : WriteMode::Create,
                        &savedPath);
    if (saved != ExitStatus::Success) {
      report.Failed(saved);
      continue;
    }
    report.Saved(savedPath);
    const std::string savedName = savedPath.substr(savedPath.rfind('/') + 1);
    if (!record.Append(request.outDir, {p.key, savedName})) {
      ReportError(ctx.err, "cannot add " + savedName + " to " +
                               JoinPath(request.outDir, kImportRecordName));
      report.NotRecorded();
    }
  }
  session.ProgressLine().Clear();
  if (InterruptRequested()) return ExitStatus::Interrupted;
  report.PrintSummary();
  return report.Status();
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
    ReportError(ctx.err, output.Why());
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
    ReportError(ctx.err, output.Ok() ? "cannot write " + path : output.Why());
    return ExitStatus::FileError;
  }
  return ExitStatus::Success;
}

ExitStatus RunStill(CommandContext& ctx, CameraSession& session) {
  LinkOperations& ops = session.Operations();
  session.Ui().Activate(LinkWindow::Live);
  const LinkOutcome outcome =
      session.Run([&](OperationDone done) { ops.ZoomStill(std::move(done)); });
  if (InterruptRequested()) {
    ops.StopLive();
    return ExitStatus::Interrupted;
  }
  if (!outcome.Ok()) {
    session.Report(outcome);
    return ExitStatus::LinkFailure;
  }
  const std::vector<std::uint8_t> photo =
      PhotoForSaving(session.LivePhoto(), session.Link().State().modelVariant);
  const std::string& path = ctx.request.files[0];
  return SaveThroughTemp(ctx, photo, path, FormatFor(ctx.request, path), SaveWindow::Live);
}

}  // namespace lumarel::cli
