// SPDX-License-Identifier: MIT
#include "link/ScratchDecode.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "imagefile/JpegDecode.h"
#include "link/LinkTexts.h"
#include "link/PictureWork.h"

namespace lumarel {

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f != nullptr) std::fclose(f);
  }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::int32_t ReadLittleEndian32(const std::uint8_t* p) {
  return static_cast<std::int32_t>(std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) |
                                   (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24));
}

}  // namespace

bool JpegIsWhole(std::span<const std::uint8_t> jpeg) {
  std::size_t end = jpeg.size();
  while (end > 0 && jpeg[end - 1] == 0x00) --end;
  // Some encoders leave fill bytes after the marker; a few are allowed.
  constexpr std::size_t kTailAllowance = 16;
  const std::size_t from = end > kTailAllowance + 2 ? end - kTailAllowance - 2 : 0;
  for (std::size_t i = end; i >= from + 2; --i) {
    if (jpeg[i - 2] == 0xFF && jpeg[i - 1] == 0xD9) return true;
  }
  return false;
}

ImageResult DecodeCameraJpeg(const std::string& jpegPath, const std::string& bmpPath) {
  std::vector<std::uint8_t> bytes;
  {
    File file(std::fopen(jpegPath.c_str(), "rb"));
    if (!file) return {ImageStatus::NotFound, errno};
    std::uint8_t chunk[65536];
    std::size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, file.get())) > 0)
      bytes.insert(bytes.end(), chunk, chunk + n);
  }
  if (!JpegIsWhole(bytes)) return ImageStatus::NoPixels;
  return DecodeJpegFile(jpegPath, bmpPath);
}

const char* ScratchDecodeFailureText(ImageResult result) {
  switch (result.status()) {
    case ImageStatus::Done: return nullptr;
    case ImageStatus::DiskFull: return text::kDiskFull;
    case ImageStatus::WriteFailed: return text::kScratchWriteFailed;
    case ImageStatus::NoMemory: return text::kNotEnoughMemory;
    case ImageStatus::WrongType:
    case ImageStatus::LibraryError: return text::kFileTypeWrong;
    default: return text::kFileSizeWrong;
  }
}

const char* DecodeThroughScratchFiles(const LinkServices& services,
                                      std::span<const std::uint8_t> jpeg, std::int32_t width,
                                      std::int32_t height, std::span<std::uint8_t> dib) {
  {
    // A JPEG that did not reach the scratch file in whole would decode as
    // bad data; a full scratch folder is the PC's fault, and said so.
    File file(std::fopen(services.tempPathA.c_str(), "wb"));
    bool written = file && std::fwrite(jpeg.data(), 1, jpeg.size(), file.get()) == jpeg.size();
    written = written && std::fclose(file.release()) == 0;
    if (!written) return ScratchDecodeFailureText(WriteError(errno));
  }
  // A bitmap left over from the previous item must not pass for this one.
  std::remove(services.tempPathB.c_str());
  if (services.decodeJpeg) {
    if (const ImageResult decoded = services.decodeJpeg(services.tempPathA, services.tempPathB);
        !decoded) {
      std::remove(services.tempPathB.c_str());
      return ScratchDecodeFailureText(decoded);
    }
  }

  File bmp(std::fopen(services.tempPathB.c_str(), "rb"));
  std::uint8_t fileHeader[14] = {};
  if (!bmp || std::fread(fileHeader, 1, sizeof fileHeader, bmp.get()) != sizeof fileHeader ||
      fileHeader[0] != 'B' || fileHeader[1] != 'M') {
    return text::kFileTypeWrong;
  }
  std::uint8_t info[kInfoHeaderSize] = {};
  if (std::fread(info, 1, sizeof info, bmp.get()) != sizeof info) return text::kFileSizeWrong;
  const std::int32_t bmpWidth = ReadLittleEndian32(info + 4);
  const std::int32_t bmpHeight = ReadLittleEndian32(info + 8);
  if (bmpWidth != width || bmpHeight != height || width <= 0 || height <= 0 || info[14] != 24) {
    return text::kFileSizeWrong;
  }
  const std::size_t pixelBytes = Stride24(std::size_t(width)) * std::size_t(height);
  if (dib.size() < kInfoHeaderSize || pixelBytes > dib.size() - kInfoHeaderSize) {
    return text::kFileSizeWrong;
  }
  std::copy_n(info, kInfoHeaderSize, dib.begin());
  if (std::fread(dib.data() + kInfoHeaderSize, 1, pixelBytes, bmp.get()) != pixelBytes) {
    std::fill(dib.begin(), dib.end(), std::uint8_t{0});
    return text::kFileSizeWrong;
  }
  return nullptr;
}

}  // namespace lumarel
