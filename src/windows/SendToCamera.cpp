// SPDX-License-Identifier: MIT
#include "windows/SendToCamera.h"

#include <memory>

#include "link/LinkOperations.h"
#include "link/DeleteOps.h"
#include "pictureio/UploadPreparation.h"

namespace lumarel {

int ShortYear(int year) { return year < 2000 ? year - 1900 : year - 2000; }

SendResult SendToCamera(std::span<const std::uint8_t> canvas, bool fine, const CameraLink* link,
                        LinkOperations* operations, const std::string& tempPathA,
                        const std::string& tempPathB, Notifier& notifier, Clock& clock,
                        Timers& openfileTimers) {
  if (!link || !operations) return SendResult::NoCamera;
  if (link->State().writeProtected) {
    notifier.Show(kWriteProtected, "WARNING", MessageButtons::Ok, MessageIcon::Exclamation);
    return SendResult::WriteProtected;
  }
  // A scratch file, an encoding or the Exif rewrite that fails stops the
  // upload here, before any byte goes to the camera.
  const PreparedUpload prepared = PrepareUpload(canvas, fine, tempPathA, tempPathB, notifier, clock);
  if (!prepared.ok) return SendResult::PreparationFailed;
  const int number = link->Pictures().receivedEntries + 1;
  const UploadRequest request{fine, prepared.picture, prepared.preview,
                              UploadEntryFor(number, fine, clock.Now()), prepared.thumbnail};
  // The link shows what the user needs to know on the way (memory full, the
  // disconnect dialog); a refusal ends the operation before Upload returns.
  struct Call {
    bool returned = false;
    bool endedAtOnce = false;
  };
  auto call = std::make_shared<Call>();
  operations->Upload(request, openfileTimers, [call](const LinkOutcome&) {
    if (!call->returned) call->endedAtOnce = true;
  });
  call->returned = true;
  return call->endedAtOnce ? SendResult::Refused : SendResult::Started;
}

}  // namespace lumarel
