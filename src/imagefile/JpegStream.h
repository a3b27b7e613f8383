// SPDX-License-Identifier: MIT
// Looking inside JPEG files and rewriting their marker structure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "imagefile/DibImage.h"
#include "platform/Notifier.h"

namespace lumarel {

// The bytes of a JPEG file from its start up to and including the SOS marker
// and its two length bytes; a null block when the file cannot be opened, starts
// with "BM" or not with FF D8, or ends (or a segment length runs) before SOS.
MemoryBlock ReadJpegHeaders(const std::string& path);

struct JpegComponentSampling {
  int horizontal = 0;
  int vertical = 0;
};

struct JpegFrame {
  int width = 0;
  int height = 0;
  int componentCount = 0;
  std::vector<JpegComponentSampling> sampling;  // one per component present
};

// Frame size and sampling factors from the first SOF0 segment found before SOS
// (all 0 when there is none). Returns false when ReadJpegHeaders fails.
bool JpegFrameInfo(const std::string& path, JpegFrame& frame);
// The same walk over a header block already in memory.
JpegFrame ParseJpegFrame(std::span<const std::uint8_t> headers);

// 1 when the first DHT segment holds all four tables (DC/AC, luminance and
// chrominance) with the standard code-length counts, else 0. Shows "This is
// not a Jpeg file." when the headers cannot be read.
int HasStandardHuffmanCounts(const std::string& path, Notifier& notifier);
// The test on a header block already in memory (no message).
int HasStandardHuffmanCountsIn(std::span<const std::uint8_t> headers);

// Bytes up to and including the first FF D9 pair; the span size when none.
std::size_t JpegStreamLength(std::span<const std::uint8_t> stream);

// Bytes up to and including the EOI marker found by walking the stream: header
// segments are skipped by their lengths (their payload may hold FF D9, e.g. a
// quantisation value 255 next to 217), entropy-coded data is searched for a
// marker. 0 when the stream does not start with SOI or never reaches EOI.
std::size_t JpegStreamEnd(std::span<const std::uint8_t> stream);

// A block of the same size, zero-filled, holding the stream with APPn and COM
// segments removed and all DQT (and all DHT) payloads before SOS gathered into
// one segment at the place of the first. Null when the stream does not reach
// FF D9, a segment runs past the end, or a gathered segment would exceed the
// 16-bit length.
MemoryBlock CompactJpegStream(std::span<const std::uint8_t> stream);

// Reads a whole file into a new block; null on failure or an empty file.
MemoryBlock ReadWholeFile(const std::string& path);

}  // namespace lumarel
