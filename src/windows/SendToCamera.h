// SPDX-License-Identifier: MIT
// "Data out to camera" of the Openfile window: the picture prepared as an
// Exif JPEG in Fine (640 x 480) or Normal (320 x 240) quality with its
// thumbnail, the next entry of the camera's picture list made from the local
// time, and the upload started on the link. Nothing is sent when the card is
// write-protected or any preparation step fails.
#pragma once

#include <cstdint>
#include <span>

#include <string>

#include "platform/Clock.h"
#include "platform/Notifier.h"
#include "platform/Timers.h"

namespace lumarel {

class CameraLink;
class LinkOperations;

// Two-digit year as the program shows it: year - 1900 before 2000, else year - 2000.
int ShortYear(int year);

enum class SendResult { Started, NoCamera, WriteProtected, PreparationFailed, Refused };

// canvas: the window's 640 x 480 24-bit picture. openfileTimers: the window's
// timers (timer 1 watches the upload).
SendResult SendToCamera(std::span<const std::uint8_t> canvas, bool fine, const CameraLink* link,
                        LinkOperations* operations, const std::string& tempPathA,
                        const std::string& tempPathB, Notifier& notifier, Clock& clock,
                        Timers& openfileTimers);

}  // namespace lumarel
