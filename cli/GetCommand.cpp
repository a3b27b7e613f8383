// SPDX-License-Identifier: MIT
// get: the planned pictures fetched one by one, each saved with its own date
// and only then added to the import record. After a lost or silent line every
// remaining picture is found again by its key: nothing is ever fetched by a
// position of an older list.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <ostream>

#include "cli/CameraCommands.h"
#include "cli/CameraSession.h"
#include "cli/GetPlan.h"
#include "cli/Hook.h"
#include "cli/ImportRecord.h"
#include "cli/Interrupt.h"
#include "cli/OutputChecks.h"
#include "cli/OutputFile.h"
#include "cli/OverwritePolicy.h"
#include "cli/PictureBlocks.h"
#include "cli/PictureDate.h"
#include "cli/PictureNumbers.h"
#include "cli/RunReport.h"
#include "platform/Files.h"

#include "link/LinkOperations.h"
#include "link/LinkTransfers.h"

namespace lumarel::cli {
namespace {

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

// The camera's JPEG bytes untouched at path, dated only by the file's time.
ExitStatus SaveOriginal(CommandContext& ctx, const std::string& received, const std::string& path,
                        const std::optional<LocalTime>& time, WriteMode mode,
                        std::string& savedPath, bool& diskFull) {
  std::ifstream in(received, std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
  OutputFile output(path, mode);
  bool ok = in.good() || in.eof();
  if (ok && output.Ok()) {
    std::ofstream out(output.TempPath(), std::ios::binary | std::ios::trunc);
    errno = 0;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    ok = !out.fail();
    diskFull = !ok && (errno == ENOSPC || errno == EDQUOT);
  }
  if (!ok || !output.Ok() || bytes.empty()) {
    ReportError(ctx.err, "cannot write " + path);
    return ExitStatus::FileError;
  }
  if (time && !SetFileTime(output.TempPath(), *time))
    ReportError(ctx.err, path + ": cannot set the file's time");
  if (!(mode == WriteMode::Create ? output.CommitToFreeName() : output.Commit())) {
    ReportError(ctx.err, output.Why());
    return ExitStatus::FileError;
  }
  savedPath = output.FinalPath();
  return ExitStatus::Success;
}

std::string IsoDate(const LocalTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return text;
}

bool LineFault(const LinkOutcome& outcome) {
  return outcome.kind == OutcomeKind::CameraSilent || outcome.kind == OutcomeKind::LineLost;
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
  const PictureList& list = session.Link().Pictures();
  std::vector<int> numbers;
  if (request.all) {
    for (int i = 1; i <= list.receivedEntries; ++i) numbers.push_back(i);
  } else {
    std::string error;
    const auto resolved = ResolveNumbers(request.ranges, list.receivedEntries, error);
    if (!resolved) {
      ReportUsageError(ctx.err, error);
      return ExitStatus::Usage;
    }
    numbers = *resolved;
  }
  const FileFormat format = request.format.value_or(FileFormat::Jpeg);
  RunReport report(ctx.out, ctx.err, request.global.quiet, request.nullSeparated ? '\0' : '\n');
  Hook hook(request.hook, ctx.err);
  auto afterSaving = [&](const PlannedPicture& p, const std::string& path) {
    if (!hook.Enabled()) return;
    session.ProgressLine().Clear();
    if (!hook.Run({{"LUMAREL_ACTION", "saved"}, {"LUMAREL_FILE", path},
                   {"LUMAREL_NUMBER", std::to_string(p.number)},
                   {"LUMAREL_DATE", p.time ? IsoDate(*p.time) : ""}}))
      report.Worsen(ExitStatus::LinkFailure);
  };
  OverwritePolicy policy(OverwritePolicy::ModeFor(request.forceOverwrite, ::isatty(STDIN_FILENO),
                                                  ::isatty(STDERR_FILENO)),
                         std::cin, ctx.err);
  GetPlan plan = PlanGet(request, numbers, list, record, policy, report);
  for (const ImportEntry& line : plan.renewed) record.Append(request.outDir, line);
  std::vector<PlannedPicture>& fetch = plan.fetch;

  LinkOperations& ops = session.Operations();
  std::unique_ptr<Timers> captureTimers =
      session.MakeWindowTimers([&ops](int id) { ops.CaptureTimer(id); });
  const int total = static_cast<int>(fetch.size());
  const std::string device = session.Device();
  bool lineGone = false;
  ExitStatus stoppedBy = ExitStatus::LinkFailure;  // why pictures were left untried
  std::size_t k = 0;
  for (; k < fetch.size() && !lineGone && !InterruptRequested(); ++k) {
    PlannedPicture& p = fetch[k];
    LinkOutcome outcome;
    std::optional<CaptureBlock> block;
    // A silent or lost line costs up to --retries tries, each reconnecting
    // and, when the camera is back, fetching this picture again.
    for (int tries = 0;;) {
      if (p.position < 0) break;
      session.ProgressLine().SetItem(static_cast<int>(k) + 1, total);
      session.Trace().Note(PictureName(p) + ": download from place " +
                           std::to_string(p.position + 1) +
                           (tries > 0 ? " after try " + std::to_string(tries) : ""));
      block.emplace(list.entries[static_cast<std::size_t>(p.position)]);
      outcome = session.Run([&](OperationDone done) {
        ops.Download(p.position, *block, *captureTimers, std::move(done));
      });
      ops.EndDownload(*block);
      if (!LineFault(outcome) || InterruptRequested()) break;
      session.Report(outcome, PictureName(p));
      bool back = false;
      while (!back && tries < request.retries && !InterruptRequested()) {
        ++tries;
        CameraSession::PauseBeforeTry(tries);
        if (InterruptRequested()) break;
        ctx.err << "lumarel-cli: reconnecting to fetch " << PictureName(p) << " (try " << tries
                << " of " << request.retries << ")" << std::endl;
        back = session.Reconnect();
      }
      if (!back) {
        lineGone = true;
        break;
      }
      // The list was read again: every remaining picture by its key.
      FindAgain(fetch, k, list);
      session.Trace().Note("list read again: " + std::to_string(list.receivedEntries) +
                           " pictures");
    }
    if (InterruptRequested()) break;
    if (p.position < 0) {
      ReportError(ctx.err, PictureName(p) + ": the camera's list changed; not saved");
      report.Failed(ExitStatus::LinkFailure);
      continue;
    }
    if (outcome.kind == OutcomeKind::Cancelled) {
      session.Report(outcome, PictureName(p));
      report.Failed(ExitStatus::LinkFailure);
      ++k;
      break;
    }
    if (lineGone) {
      if (request.retries > 0)
        ReportError(ctx.err, "the camera did not answer again on " + device + "; giving up");
      report.Failed(ExitStatus::LinkFailure);
      continue;  // ends the loop
    }
    if (!outcome.Ok()) {
      session.Report(outcome, PictureName(p));
      report.Failed(ExitStatus::LinkFailure);
      continue;
    }
    if (const std::string why = PrepareFoldersOf(request.outDir, p.fileName); !why.empty()) {
      ReportError(ctx.err, PictureName(p) + ": " + why);
      report.Failed(ExitStatus::FileError);
      continue;
    }
    // Another run may have saved a file of this name meanwhile: it is never
    // replaced unless replacing was chosen, and the picture takes the next free name.
    bool diskFull = false;
    const WriteMode mode =
        p.replace || request.forceOverwrite ? WriteMode::Replace : WriteMode::Create;
    std::string savedPath = p.path;
    const ExitStatus saved =
        request.original
            ? SaveOriginal(ctx, session.ReceivedJpegPath(), p.path, p.time, mode, savedPath,
                           diskFull)
            : SaveThroughTemp(ctx, block->Picture(), p.path, format, SaveWindow::Capture, p.time,
                              mode, &savedPath, &diskFull);
    if (saved != ExitStatus::Success) {
      report.Failed(saved);
      if (diskFull) {
        // Every later picture would fail the same way: the run ends here.
        ReportError(ctx.err, PictureName(p) + ": " + p.path + " not written: the disk is full");
        stoppedBy = ExitStatus::FileError;
        ++k;
        break;
      }
      continue;
    }
    report.Saved(savedPath);
    session.Trace().Note(PictureName(p) + ": saved " + savedPath);
    // The record names the file as saved (below outDir, as fileName is).
    const std::string savedName = savedPath.substr(p.path.size() - p.fileName.size());
    if (!record.Append(request.outDir, {p.key, savedName})) {
      ReportError(ctx.err, "cannot add " + savedName + " to " +
                               JoinPath(request.outDir, kImportRecordName));
      report.NotRecorded();
    }
    afterSaving(p, savedPath);
    if (request.original && request.processed) {
      const std::string processed = ProcessedPath(savedPath, format);
      const ExitStatus also = SaveThroughTemp(ctx, block->Picture(), processed, format,
                                              SaveWindow::Capture, p.time);
      if (also != ExitStatus::Success) {
        report.Failed(also);
      } else {
        report.AlsoWritten(processed);
        afterSaving(p, processed);
      }
    }
  }
  session.ProgressLine().Clear();
  // After Ctrl-C (which stopped the picture under way) only the count.
  for (; k < fetch.size(); ++k) {
    if (!InterruptRequested()) ReportError(ctx.err, PictureName(fetch[k]) + ": not attempted");
    report.NotAttempted(stoppedBy);
  }
  report.PrintSummary();
  if (hook.Enabled() && !InterruptRequested()) {
    const ExitStatus status = report.Status();
    if (!hook.Run({{"LUMAREL_ACTION", "end"},
                   {"LUMAREL_SAVED", std::to_string(report.SavedCount())},
                   {"LUMAREL_SKIPPED", std::to_string(report.SkippedCount())},
                   {"LUMAREL_FAILED", std::to_string(report.FailedCount())},
                   {"LUMAREL_NOT_ATTEMPTED", std::to_string(report.NotAttemptedCount())},
                   {"LUMAREL_STATUS", std::to_string(static_cast<int>(status))}}))
      report.Worsen(ExitStatus::LinkFailure);
  }
  return InterruptRequested() ? ExitStatus::Interrupted : report.Status();
}

}  // namespace lumarel::cli
