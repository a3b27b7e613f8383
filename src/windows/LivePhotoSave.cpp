// SPDX-License-Identifier: MIT
#include "windows/LivePhotoSave.h"

#include "windows/FileWindow.h"
#include "windows/LivePhoto.h"
#include "windows/SaveAsDialog.h"

namespace lumarel {

std::optional<SaveResult> RunLiveSaveAs(std::span<const std::uint8_t> photo,
                                        std::span<std::uint8_t> workspace, bool modelVariant,
                                        LiveSaveContext& context) {
  if (context.record == nullptr || context.save.notifier == nullptr) return std::nullopt;
  Clock& clock = context.clock ? *context.clock : SystemClock();
  if (!RunSaveDialog(*context.record, FileWindowDefaultName(clock.Now()), context.owner)) {
    return std::nullopt;
  }
  const int type = context.record->filterIndex;
  if (type < 1 || type > 3) return std::nullopt;
  if (!LivePhotoForSave(photo, workspace, modelVariant)) return SaveResult::Failed;
  return SavePictureFile(workspace, context.record->fileName, static_cast<SaveFileType>(type),
                         SaveWindow::Live, context.save);
}

}  // namespace lumarel
