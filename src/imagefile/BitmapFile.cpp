// WriteBitmapFile and ReadBitmapFile: a DIB block to and from a BMP file.
#include "imagefile/BitmapFile.h"

#include <cstring>

#include "imagefile/ByteOrder.h"
#include "imagefile/FileUtil.h"

namespace lumarel {

namespace {

// Files larger than this are not read into memory.
constexpr std::uint64_t kMaxBitmapFileSize = 512ull * 1024 * 1024;
constexpr std::uint32_t kMaxColourTableEntries = 256;

void FillFileHeader(std::uint8_t* h, std::uint32_t fileSize, std::uint32_t offBits) {
  std::memset(h, 0, kBitmapFileHeaderSize);
  h[0] = 'B';
  h[1] = 'M';
  bytes::PutLe32(h + 2, fileSize);
  bytes::PutLe32(h + 10, offBits);
}

}  // namespace

int WriteBitmapFile(const std::string& path, std::span<const std::uint8_t> dib) {
  std::uint32_t headerSize = dib.size() >= 4 ? bytes::Le32(dib.data()) : 0;
  std::size_t pixelOffset = DibPixelOffset(dib);
  if (headerSize < kDibCoreHeaderSize || pixelOffset > dib.size() ||
      dib.size() > 0xFFFFFFFFull - kBitmapFileHeaderSize) {
    return 0;
  }
  fileutil::File f = fileutil::Open(path, "wb");
  if (!f) return 0;
  std::uint8_t header[kBitmapFileHeaderSize];
  FillFileHeader(header, static_cast<std::uint32_t>(dib.size() + kBitmapFileHeaderSize),
                 static_cast<std::uint32_t>(kBitmapFileHeaderSize + pixelOffset));
  if (!fileutil::WriteAll(f.get(), header) || !fileutil::WriteAll(f.get(), dib)) return 0;
  return std::fclose(f.release()) == 0 ? 1 : 0;
}

DibImage ReadBitmapFile(const std::string& path) {
  fileutil::File f = fileutil::Open(path, "rb");
  if (!f) return {};
  std::optional<std::uint64_t> size = fileutil::SizeOf(f.get());
  if (!size || *size < kBitmapFileHeaderSize + kDibInfoHeaderSize || *size > kMaxBitmapFileSize) {
    return {};
  }
  std::uint8_t fileHeader[kBitmapFileHeaderSize];
  std::uint8_t info[kDibInfoHeaderSize];
  if (!fileutil::ReadExact(f.get(), fileHeader) || fileHeader[0] != 'B' || fileHeader[1] != 'M' ||
      !fileutil::ReadExact(f.get(), info)) {
    return {};
  }
  // Only the 40-byte header form is read; the colour table is limited to 256
  // entries and must end before the pixels; the rows must all be present.
  std::span<const std::uint8_t> header(info);
  std::int32_t width = DibWidth(header);
  std::int32_t height = DibHeight(header);
  std::uint16_t bitCount = DibBitCount(header);
  if (bytes::Le32(info) != kDibInfoHeaderSize || bytes::Le32(info + 32) > kMaxColourTableEntries ||
      width <= 0 || height <= 0 || bitCount == 0 || bitCount > 32) {
    return {};
  }
  std::uint64_t c = DibPixelOffset(header);
  std::uint64_t offBits = bytes::Le32(fileHeader + 10);
  std::uint64_t rows = static_cast<std::uint64_t>(DibStride(static_cast<std::uint64_t>(width), bitCount)) *
                       static_cast<std::uint64_t>(height);
  if (offBits < kBitmapFileHeaderSize + c || offBits > *size || *size - offBits < rows) return {};

  DibImage block = AllocateBlock(static_cast<std::size_t>(c + (*size - offBits)));
  if (!block) return {};
  std::span<std::uint8_t> out = block.bytes();
  if (std::fseek(f.get(), static_cast<long>(kBitmapFileHeaderSize), SEEK_SET) != 0 ||
      !fileutil::ReadExact(f.get(), out.first(static_cast<std::size_t>(c))) ||
      std::fseek(f.get(), static_cast<long>(offBits), SEEK_SET) != 0 ||
      !fileutil::ReadExact(f.get(), out.subspan(static_cast<std::size_t>(c)))) {
    return {};
  }
  return block;
}

}  // namespace lumarel
