// SPDX-License-Identifier: MIT
// put, live and still: the commands that move pictures over the link.
#include <ostream>

#include "cli/CameraCommands.h"
#include "cli/CameraSession.h"
#include "cli/Interrupt.h"
#include "cli/OutputChecks.h"
#include "cli/OutputFile.h"
#include "cli/PictureBlocks.h"

#include "link/LinkOperations.h"
#include "link/LinkTransfers.h"

namespace lumarel::cli {

ExitStatus RunPut(CommandContext& ctx, CameraSession& session) {
  const bool fine = ctx.request.fine;
  PreparedUpload prepared;
  if (ExitStatus s = PrepareFileForCamera(ctx, ctx.request.files[0], fine, prepared);
      s != ExitStatus::Success)
    return s;
  LinkOperations& ops = session.Operations();
  std::unique_ptr<Timers> openfileTimers =
      session.MakeWindowTimers([&ops](int id) { ops.OpenfileTimer(id); });
  const int number = session.Link().Pictures().receivedEntries + 1;
  const UploadRequest request{fine, prepared.picture, prepared.preview,
                              UploadEntryFor(number, fine, ctx.clock.Now()), prepared.thumbnail};
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
