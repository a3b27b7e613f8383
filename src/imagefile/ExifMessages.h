// SPDX-License-Identifier: MIT
// Message texts of the Exif assembly, shown in a plain OK box under the
// platform's default caption.
#pragma once

#include "platform/Notifier.h"

namespace lumarel {

inline constexpr const char* kMsgNotJpeg = "This is not a Jpeg file.";
inline constexpr const char* kMsgCannotConvert = "Can not change the exif format.";
inline constexpr const char* kMsgCannotThumbnail = "Can not change to thumbnail.";
inline constexpr const char* kMsgTagNotFound = "Can not find the Tag.";
inline constexpr const char* kExifMessageCaption = "Error";

inline void ShowExifMessage(Notifier& notifier, const char* text) {
  notifier.Show(text, kExifMessageCaption, MessageButtons::Ok, MessageIcon::None);
}

}  // namespace lumarel
