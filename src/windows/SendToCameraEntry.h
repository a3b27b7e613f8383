// SPDX-License-Identifier: MIT
// The picture-list entry an upload adds (kept apart from SendToCamera.h so
// that window code need not see the link's picture list).
#pragma once

#include "link/PictureList.h"
#include "platform/Clock.h"

namespace lumarel {

// The entry of an upload of picture `number` (1-based): label, file name,
// quality mark (1 Fine, 0 Normal) and the picture's size.
PictureEntry UploadEntryFor(int number, bool fine, const LocalTime& time);

}  // namespace lumarel
