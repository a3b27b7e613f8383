// SPDX-License-Identifier: MIT
// The APP1 Exif segment: a fixed 26-record tag template laid out as four IFDs
// (IFD0, Exif, interoperability, IFD1) in 474 bytes, thumbnail not included.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "imagefile/DibImage.h"
#include "platform/Notifier.h"

namespace lumarel {

inline constexpr std::size_t kExifSegmentSize = 474;   // FF E1 .. end of IFD1 data
inline constexpr std::size_t kExifTiffStart = 10;      // TIFF header offset in the segment
inline constexpr std::uint32_t kExifThumbnailOffset = 464;  // TIFF offset of the thumbnail
inline constexpr int kExifTemplateRecords = 26;

// A new block holding the 474-byte APP1 segment built from the template;
// null when memory is short.
MemoryBlock BuildExifSegment();

// Overwrites the value of `tag` in the segment (TIFF byte order from its header).
// A text is copied with its terminating 0 (and refused when longer than the
// tag's count); a number is written as 32 bits. Returns 1 when the tag was
// found and written, else shows "Can not find the Tag." and returns 0.
int SetExifTag(std::span<std::uint8_t> segment, std::uint16_t tag, const std::string& text,
               Notifier& notifier);
int SetExifTag(std::span<std::uint8_t> segment, std::uint16_t tag, std::uint32_t number,
               Notifier& notifier);

}  // namespace lumarel
