// SPDX-License-Identifier: MIT
// The body of each fuzz target as a plain function, so that the regression
// tests can replay seeds and past findings through exactly the same calls.
// Each returns 0; a broken invariant ends the process through Fail().
#pragma once

#include <cstddef>
#include <cstdint>

namespace lumarel::fuzz {

int FuzzBitmapFile(const std::uint8_t* data, std::size_t size);
int FuzzEncodeBmp(const std::uint8_t* data, std::size_t size);
int FuzzDecodeJpeg(const std::uint8_t* data, std::size_t size);
int FuzzJpegStream(const std::uint8_t* data, std::size_t size);
int FuzzExifFile(const std::uint8_t* data, std::size_t size);
int FuzzCanvasRead(const std::uint8_t* data, std::size_t size);
int FuzzLiveZoom(const std::uint8_t* data, std::size_t size);
int FuzzLinkDispatch(const std::uint8_t* data, std::size_t size);

// Reports a broken invariant of the code under test and aborts (a finding).
[[noreturn]] void Fail(const char* file = __builtin_FILE(), int line = __builtin_LINE());

}  // namespace lumarel::fuzz
