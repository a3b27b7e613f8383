#include "pictureio/SaveAs.h"

#include "imagefile/BitmapFile.h"
#include "imagefile/DibImage.h"
#include "imagefile/FileUtil.h"
#include "imagefile/FreeSpace.h"
#include "imagefile/JpegEncode.h"
#include "imageproc/PaletteDib.h"

namespace lumarel {
namespace {

constexpr std::uint64_t kExifRoom = 40960;  // room for the Exif segment and thumbnail
constexpr int kJpegQuality = 75;

const char* Sampling(SaveWindow window) {
  return window == SaveWindow::Live ? "4x1,1x1,1x1" : "2x1,1x1,1x1";
}

const char* DiskFullCaption(SaveWindow window, SaveFileType type) {
  if (window == SaveWindow::Live) return "Lumarel";
  if (window == SaveWindow::File && type == SaveFileType::Jpeg) return "Lumarel";
  return "CARD LINK";
}

bool EnoughSpace(const SaveServices& s, const std::string& path, std::uint64_t need) {
  const std::optional<std::uint64_t> free = s.freeSpace ? s.freeSpace(path) : FreeBytesForPath(path);
  return !free || *free >= need;  // an unknown figure lets the write itself decide
}

SaveResult DiskFull(const SaveServices& s, SaveWindow window, SaveFileType type) {
  s.notifier->Show("Disk is full.", DiskFullCaption(window, type), MessageButtons::Ok,
                   MessageIcon::Exclamation);
  return SaveResult::DiskFull;
}

std::optional<std::uint64_t> FileSizeOf(const std::string& path) {
  fileutil::File f = fileutil::Open(path, "rb");
  return f ? fileutil::SizeOf(f.get()) : std::nullopt;
}

// BMP to scratch, a trial encoding for the size, the space check, the real
// encoding and (except for the Live window) the Exif rewrite in place.
SaveResult SaveJpeg(std::span<const std::uint8_t> picture, const std::string& path,
                    SaveWindow window, const SaveServices& s) {
  if (!WriteFullColourBmp(picture, s.tempPathA)) return SaveResult::Failed;
  if (EncodeJpegFile(s.tempPathA, s.tempPathB, Sampling(window), kJpegQuality) == 0)
    return SaveResult::Failed;
  const std::optional<std::uint64_t> trial = FileSizeOf(s.tempPathB);
  if (!trial) return SaveResult::Failed;
  const std::uint64_t need = window == SaveWindow::Live ? *trial : *trial + kExifRoom;
  if (!EnoughSpace(s, path, need)) return DiskFull(s, window, SaveFileType::Jpeg);
  if (window != SaveWindow::Live) ExifRecodeQuality = kJpegQuality;
  if (EncodeJpegFile(s.tempPathA, path, Sampling(window), kJpegQuality) == 0)
    return SaveResult::Failed;
  if (window == SaveWindow::Live) return SaveResult::Saved;
  switch (WriteExifFile(path, path, *s.notifier, *s.clock)) {
    case 1: return SaveResult::Saved;
    case -1: return DiskFull(s, window, SaveFileType::Jpeg);
    default: return SaveResult::Failed;
  }
}

SaveResult SaveBmp256(std::span<const std::uint8_t> picture, const std::string& path,
                      SaveWindow window, const SaveServices& s) {
  const int w = DibWidth(picture), h = DibHeight(picture);
  const std::size_t size = PaletteDibSize(w, h);
  const std::uint64_t need = window == SaveWindow::Capture
                                 ? 3ull * w * h + 54
                                 : size + kBitmapFileHeaderSize;
  if (!EnoughSpace(s, path, need)) return DiskFull(s, window, SaveFileType::Bmp256);
  MemoryBlock block = AllocateBlock(size);
  if (!block) {
    s.notifier->Show("Not enough memory.", "Global Memory", MessageButtons::Ok,
                     MessageIcon::Exclamation);
    return SaveResult::NotEnoughMemory;
  }
  switch (MakePaletteDib(*s.notifier, picture, block)) {
    case ReductionResult::Done: break;
    case ReductionResult::OutOfMemory: return SaveResult::NotEnoughMemory;  // nothing useful to write
    default: return SaveResult::Failed;
  }
  return WriteBitmapFile(path, block) == 1 ? SaveResult::Saved : SaveResult::Failed;
}

}  // namespace

bool WriteFullColourBmp(std::span<const std::uint8_t> picture, const std::string& path) {
  const std::size_t content = DibContentSize(picture);
  if (content == 0 || content > picture.size() || DibBitCount(picture) != 24) return false;
  return WriteBitmapFile(path, picture.first(content)) == 1;
}

SaveResult SavePictureFile(std::span<const std::uint8_t> picture, const std::string& path,
                           SaveFileType type, SaveWindow window, const SaveServices& s) {
  if (DibBitCount(picture) != 24 || DibContentSize(picture) == 0) return SaveResult::Failed;
  switch (type) {
    case SaveFileType::Jpeg: return SaveJpeg(picture, path, window, s);
    case SaveFileType::FullColourBmp: {
      const std::uint64_t need = 3ull * DibWidth(picture) * DibHeight(picture) + 54;
      if (!EnoughSpace(s, path, need)) return DiskFull(s, window, type);
      return WriteFullColourBmp(picture, path) ? SaveResult::Saved : SaveResult::Failed;
    }
    case SaveFileType::Bmp256: return SaveBmp256(picture, path, window, s);
  }
  return SaveResult::Failed;
}

}  // namespace lumarel
