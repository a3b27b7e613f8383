// SPDX-License-Identifier: MIT
#include "cli/CameraCommands.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <iostream>
#include <ostream>

#include "cli/CameraSession.h"
#include "cli/ImportRecord.h"
#include "cli/Interrupt.h"
#include "cli/PictureNumbers.h"
#include "cli/OutputFile.h"
#include "cli/PictureBlocks.h"
#include "platform/Files.h"

#include "link/LinkOperations.h"
#include "link/LinkTransfers.h"

namespace lumarel::cli {

std::string LabelText(const Label& label) {
  return std::string(label.data(), strnlen(label.data(), label.size()));
}

std::string ListLine(int number, const PictureEntry& entry) {
  const bool fine = (entry.quality & 0x0F) != 0;
  return std::to_string(number) + "\t" + LabelText(entry.label) + "\t" +
         LabelText(entry.fileName) + "\t" + (fine ? "F" : "N") + "\t" +
         std::to_string(entry.width) + "x" + std::to_string(entry.height);
}

ExitStatus RunInfo(CommandContext& ctx, CameraSession& session) {
  const LinkState& s = session.Link().State();
  const PictureList& list = session.Link().Pictures();
  // Only models 931 and 631 are accepted; the variant flag tells them apart.
  ctx.out << "model: " << (s.modelVariant ? "631" : "931") << "\n"
          << "variant: " << (s.modelVariant ? 1 : 0) << "\n"
          << "write-protected: " << (s.writeProtected ? "yes" : "no") << "\n"
          << "capacity: " << s.capacity << "\n"
          << "pictures: " << list.pictureCount << "\n"
          << "speed: " << s.shownSpeed << std::endl;
  // A slow USB-serial adapter, with the fix.
  for (const std::string& warning : session.Link().OpenFailures().LatencyWarnings())
    ctx.out << "adapter: " << warning << std::endl;
  return ExitStatus::Success;
}

ExitStatus RunList(CommandContext& ctx, CameraSession& session) {
  const PictureList& list = session.Link().Pictures();
  for (int i = 0; i < list.receivedEntries; ++i) ctx.out << ListLine(i + 1, list.entries[i]) << "\n";
  ctx.out << "free\t" << list.freeCapacity.fine << "\t" << list.freeCapacity.normal << "\n"
          << "total\t" << list.pictureCount << std::endl;
  return ExitStatus::Success;
}

ExitStatus RunThumbs(CommandContext& ctx, CameraSession& session) {
  const std::string& dir = ctx.request.files[0];
  const PictureList& list = session.Link().Pictures();
  ExitStatus status = ExitStatus::Success;
  for (int i = 0; i < list.receivedEntries; ++i) {
    const std::uint8_t* slot = list.store.Slot(i);
    if (slot == nullptr) continue;
    const std::span<const std::uint8_t> preview(slot, kPreviewSlotSize);
    const std::string path = JoinPath(dir, LabelText(list.entries[i].fileName) + ".bmp");
    OutputFile output(path);
    if (!output.Ok() || !WriteDibAsBmp(preview, output.TempPath()) || !output.Commit()) {
      ReportError(ctx.err, output.Ok() ? "cannot write " + path : output.Why());
      status = ExitStatus::FileError;
    }
  }
  return status;
}

namespace {

// Without --yes a delete needs someone to confirm it.
bool MayAsk(CommandContext& ctx) {
  if (ctx.request.yes || ::isatty(STDIN_FILENO)) return true;
  ReportError(ctx.err, "not deleting without --yes: standard input is not a terminal");
  return false;
}

}  // namespace

namespace {

// Confirmations of deleting: --yes answers OK; otherwise the program's own
// question is asked on the terminal. `declined` is set when the user says no.
void AnswerDeleteQuestions(CommandContext& ctx, bool& declined) {
  const bool yes = ctx.request.yes;
  std::ostream& err = ctx.err;
  ctx.notifier.SetQuestionHandler(
      [yes, &err, &declined](const std::string& caption, const std::string& text,
                             MessageButtons) -> std::optional<MessageAnswer> {
        if (yes || AskOnTerminal(caption, text, std::cin, err)) return MessageAnswer::Ok;
        declined = true;
        return MessageAnswer::Cancel;
      });
}

// A question the user declined is not a failure: nothing happened, as asked.
ExitStatus StatusOfDelete(CommandContext& ctx, CameraSession& session, const LinkOutcome& outcome,
                          bool declined, const char* nothingText) {
  if (declined && outcome.kind == OutcomeKind::Cancelled && !InterruptRequested()) {
    ctx.err << nothingText << std::endl;
    return kDeclinedStatus;
  }
  session.Report(outcome);
  return CameraSession::StatusFor(outcome);
}

}  // namespace

ExitStatus RunDelete(CommandContext& ctx, CameraSession& session) {
  const PictureList& list = session.Link().Pictures();
  std::vector<int> positions;
  if (!ctx.request.all) {
    std::string error;
    const auto numbers = ResolveNumbers(ctx.request.ranges, list.receivedEntries, error);
    if (!numbers) {
      ReportUsageError(ctx.err, error);
      return ExitStatus::Usage;
    }
    for (int n : *numbers) positions.push_back(n - 1);
  }
  if (ctx.request.all && list.pictureCount == 0) {
    ctx.err << "nothing to delete: the camera has no pictures" << std::endl;
    return ExitStatus::Success;
  }
  bool declined = false;
  AnswerDeleteQuestions(ctx, declined);
  LinkOperations& ops = session.Operations();
  // The camera's own delete runs without packets; 60 s of nothing ends it as silent.
  const LinkOutcome outcome = session.Run(
      [&](OperationDone done) {
        if (ctx.request.all) {
          ops.DeleteAll(std::move(done));
        } else {
          ops.DeletePictures(positions, std::move(done));
        }
      },
      std::chrono::seconds(60));
  return StatusOfDelete(ctx, session, outcome, declined, kNothingDeleted);
}

ExitStatus RunErase(CommandContext& ctx, CameraSession& session) {
  bool declined = false;
  AnswerDeleteQuestions(ctx, declined);
  LinkOperations& ops = session.Operations();
  const LinkOutcome outcome =
      session.Run([&](OperationDone done) { ops.Erase(std::move(done)); }, std::chrono::seconds(60));
  return StatusOfDelete(ctx, session, outcome, declined, kNothingErased);
}

namespace {

// The output of live, still and thumbs is checked before connecting: a
// missing or read-only folder costs no line time and gives one message.
ExitStatus CheckOutputBeforeConnecting(CommandContext& ctx) {
  const Command command = ctx.request.command;
  if (command != Command::Live && command != Command::Still && command != Command::Thumbs)
    return ExitStatus::Success;
  const std::string& path = ctx.request.files[0];
  const std::string dir = command == Command::Thumbs ? path : DirectoryOf(path);
  struct stat st {};
  if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    ReportError(ctx.err, "no such directory: " + dir);
    return ExitStatus::FileError;
  }
  if (::access(dir.c_str(), W_OK) != 0) {
    ReportError(ctx.err, "cannot write into " + dir);
    return ExitStatus::FileError;
  }
  return ExitStatus::Success;
}

}  // namespace

ExitStatus RunCameraCommand(CommandContext& ctx) {
  const Command command = ctx.request.command;
  // A question no one could answer: a failure, not a usage error.
  if ((command == Command::Delete || command == Command::Erase) && !MayAsk(ctx))
    return ExitStatus::LinkFailure;
  if (ExitStatus s = CheckOutputBeforeConnecting(ctx); s != ExitStatus::Success) return s;
  ImportRecord record;
  if (command == Command::Get)
    if (ExitStatus s = PrepareGet(ctx, record); s != ExitStatus::Success) return s;
  const bool progress = !ctx.request.global.quiet && ::isatty(STDERR_FILENO);
  CameraSession session(ctx.request.global, ctx.notifier, ctx.err, progress);
  if (ExitStatus s = session.Connect(); s != ExitStatus::Success) return s;
  switch (command) {
    case Command::Info: return RunInfo(ctx, session);
    case Command::List: return RunList(ctx, session);
    case Command::Thumbs: return RunThumbs(ctx, session);
    case Command::Get: return RunGet(ctx, session, record);
    case Command::Put: return RunPut(ctx, session);
    case Command::Delete: return RunDelete(ctx, session);
    case Command::Erase: return RunErase(ctx, session);
    case Command::Live: return RunLive(ctx, session);
    case Command::Still: return RunStill(ctx, session);
    default: return ExitStatus::Usage;
  }
}

}  // namespace lumarel::cli
