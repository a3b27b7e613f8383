// SPDX-License-Identifier: MIT
// WriteBitmapFile and ReadBitmapFile: a DIB block to and from a BMP file.
#include "imagefile/BitmapFile.h"

#include <cstring>

#include "imagefile/BmpRead.h"
#include "imagefile/ByteOrder.h"
#include "imagefile/FileUtil.h"

namespace lumarel {

namespace {

// Files larger than this are not read into memory.
constexpr std::uint64_t kMaxBitmapFileSize = 512ull * 1024 * 1024;

void FillFileHeader(std::uint8_t* h, std::uint32_t fileSize, std::uint32_t offBits) {
  std::memset(h, 0, kBitmapFileHeaderSize);
  h[0] = 'B';
  h[1] = 'M';
  bytes::PutLe32(h + 2, fileSize);
  bytes::PutLe32(h + 10, offBits);
}

}  // namespace

ImageResult WriteBitmapFile(const std::string& path, std::span<const std::uint8_t> dib) {
  std::uint32_t headerSize = dib.size() >= 4 ? bytes::Le32(dib.data()) : 0;
  std::size_t pixelOffset = DibPixelOffset(dib);
  if (headerSize < kDibCoreHeaderSize || pixelOffset > dib.size() ||
      dib.size() > 0xFFFFFFFFull - kBitmapFileHeaderSize) {
    return ImageStatus::WrongType;
  }
  fileutil::File f = fileutil::Open(path, "wb");
  if (!f) return ImageStatus::WriteFailed;
  std::uint8_t header[kBitmapFileHeaderSize];
  FillFileHeader(header, static_cast<std::uint32_t>(dib.size() + kBitmapFileHeaderSize),
                 static_cast<std::uint32_t>(kBitmapFileHeaderSize + pixelOffset));
  if (!fileutil::WriteAll(f.get(), header) || !fileutil::WriteAll(f.get(), dib)) {
    return ImageStatus::WriteFailed;
  }
  return std::fclose(f.release()) == 0 ? ImageStatus::Done : ImageStatus::WriteFailed;
}

DibImage ReadBitmapFile(const std::string& path) {
  fileutil::InputFile input = fileutil::OpenInput(path);
  if (!input.file) return {};
  std::FILE* f = input.file.get();
  const std::optional<std::uint64_t> size = input.size;
  if (*size < kBitmapFileHeaderSize + kDibInfoHeaderSize || *size > kMaxBitmapFileSize) return {};
  // The one BMP reader checks the headers and the table; of its layouts only
  // the uncompressed bottom-up 40-byte form is kept as a packed block.
  FileBmpSource source(f);
  BmpLayout layout;
  if (!ReadBmpLayout(source, layout) || layout.headerSize != kDibInfoHeaderSize ||
      layout.compression != 0 || layout.topDown) {
    return {};
  }
  std::uint8_t fileHeader[kBitmapFileHeaderSize];
  std::uint8_t info[kDibInfoHeaderSize];
  if (std::fseek(f, 0, SEEK_SET) != 0 || !fileutil::ReadExact(f, fileHeader) ||
      !fileutil::ReadExact(f, info)) {
    return {};
  }
  std::span<const std::uint8_t> header(info);
  const std::int32_t width = DibWidth(header);
  const std::int32_t height = DibHeight(header);
  const std::uint16_t bitCount = DibBitCount(header);
  if (bytes::Le32(info + 32) > 256) return {};  // a table the packed block cannot describe
  std::uint64_t c = DibPixelOffset(header);
  std::uint64_t offBits = bytes::Le32(fileHeader + 10);
  std::uint64_t rows = static_cast<std::uint64_t>(DibStride(static_cast<std::uint64_t>(width), bitCount)) *
                       static_cast<std::uint64_t>(height);
  if (offBits < kBitmapFileHeaderSize + c || offBits > *size || *size - offBits < rows) return {};

  DibImage block = AllocateBlock(static_cast<std::size_t>(c + (*size - offBits)));
  if (!block) return {};
  std::span<std::uint8_t> out = block.bytes();
  if (std::fseek(f, static_cast<long>(kBitmapFileHeaderSize), SEEK_SET) != 0 ||
      !fileutil::ReadExact(f, out.first(static_cast<std::size_t>(c))) ||
      std::fseek(f, static_cast<long>(offBits), SEEK_SET) != 0 ||
      !fileutil::ReadExact(f, out.subspan(static_cast<std::size_t>(c)))) {
    return {};
  }
  return block;
}

}  // namespace lumarel
