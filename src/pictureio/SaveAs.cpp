// SPDX-License-Identifier: MIT
#include "pictureio/SaveAs.h"

#include <cerrno>
#include <cstdio>
#include <optional>

#include "imagefile/BitmapFile.h"
#include "imagefile/DibImage.h"
#include "imagefile/FileUtil.h"
#include "imagefile/JpegEncode.h"
#include "imageproc/PaletteDib.h"
#include "platform/AtomicFile.h"
#include "platform/Files.h"

namespace lumarel {
namespace {

constexpr std::uint64_t kExifRoom = 40960;  // room for the Exif segment and thumbnail
constexpr int kJpegQuality = 75;
// A write that failed with less than this left on the destination's file
// system failed for want of space.
constexpr std::uint64_t kFullSlack = 65536;

// True when the file system that a failed write went to has (almost) no room left.
bool LeftFull(const std::string& writtenPath) {
  const std::optional<std::uint64_t> free = FreeDiskSpace(writtenPath);
  return free && *free < kFullSlack;
}

const char* Sampling(SaveWindow window) {
  return window == SaveWindow::Live ? "4x1,1x1,1x1" : "2x1,1x1,1x1";
}

const char* DiskFullCaption(SaveWindow window, SaveFileType type) {
  if (window == SaveWindow::Live) return "Lumarel";
  if (window == SaveWindow::File && type == SaveFileType::Jpeg) return "Lumarel";
  return "CARD LINK";
}

bool EnoughSpace(const SaveServices& s, const std::string& path, std::uint64_t need) {
  const std::optional<std::uint64_t> free = s.freeSpace ? s.freeSpace(path) : FreeDiskSpace(path);
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
                    const std::string& out, SaveWindow window, const SaveServices& s) {
  if (!WriteFullColourBmp(picture, s.tempPathA)) return SaveResult::Failed;
  if (!EncodeJpegFile(s.tempPathA, s.tempPathB, Sampling(window), kJpegQuality))
    return SaveResult::Failed;
  const std::optional<std::uint64_t> trial = FileSizeOf(s.tempPathB);
  if (!trial) return SaveResult::Failed;
  const std::uint64_t need = window == SaveWindow::Live ? *trial : *trial + kExifRoom;
  if (!EnoughSpace(s, path, need)) return DiskFull(s, window, SaveFileType::Jpeg);
  if (!EncodeJpegFile(s.tempPathA, out, Sampling(window), kJpegQuality))
    return SaveResult::Failed;
  if (window == SaveWindow::Live) return SaveResult::Saved;
  switch (WriteExifFile(out, out, kJpegQuality, *s.notifier, *s.clock, s.taken).status()) {
    case ImageStatus::Done: return SaveResult::Saved;
    case ImageStatus::DiskFull: return DiskFull(s, window, SaveFileType::Jpeg);
    default: return SaveResult::Failed;
  }
}

SaveResult SaveBmp256(std::span<const std::uint8_t> picture, const std::string& path,
                      const std::string& out, SaveWindow window, const SaveServices& s) {
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
  return WriteBitmapFile(out, block) ? SaveResult::Saved : SaveResult::Failed;
}

}  // namespace

bool WriteFullColourBmp(std::span<const std::uint8_t> picture, const std::string& path) {
  const std::size_t content = DibContentSize(picture);
  if (content == 0 || content > picture.size() || DibBitCount(picture) != 24) return false;
  return static_cast<bool>(WriteBitmapFile(path, picture.first(content)));
}

SaveResult SavePictureInto(std::span<const std::uint8_t> picture, AtomicFile& target,
                           SaveFileType type, SaveWindow window, const SaveServices& s) {
  if (DibBitCount(picture) != 24 || DibContentSize(picture) == 0 || !target.Ok())
    return SaveResult::Failed;
  const std::string& path = target.Target();
  const std::string& out = target.TempPath();
  SaveResult result = SaveResult::Failed;
  switch (type) {
    case SaveFileType::Jpeg: result = SaveJpeg(picture, path, out, window, s); break;
    case SaveFileType::FullColourBmp: {
      const std::uint64_t need = 3ull * DibWidth(picture) * DibHeight(picture) + 54;
      if (!EnoughSpace(s, path, need)) return DiskFull(s, window, type);
      result = WriteFullColourBmp(picture, out) ? SaveResult::Saved : SaveResult::Failed;
      break;
    }
    case SaveFileType::Bmp256: result = SaveBmp256(picture, path, out, window, s); break;
  }
  // The free-space figure can be stale or too hopeful: a write that ran out of
  // room says so like the check would have.
  if (result == SaveResult::Failed && LeftFull(out)) return DiskFull(s, window, type);
  return result;
}

SaveResult SavePictureFile(std::span<const std::uint8_t> picture, const std::string& path,
                           SaveFileType type, SaveWindow window, const SaveServices& s) {
  // The file chosen in the dialog is the one replaced, also through a link.
  AtomicFile target(path, WriteMode::Replace, SymlinkPolicy::Follow, ".lumarel-save-");
  if (!target.Ok()) {
    if (target.Failure().kind == WriteFailure::Kind::NotRegular)
      s.notifier->Show(DescribeWriteFailure(path, target.Failure()), "Lumarel", MessageButtons::Ok,
                       MessageIcon::Exclamation);
    return SaveResult::Failed;
  }
  SaveResult result = SavePictureInto(picture, target, type, window, s);
  if (result == SaveResult::Saved && !target.Commit()) {
    result = target.Failure().error == ENOSPC || target.Failure().error == EDQUOT
                 ? DiskFull(s, window, type)
                 : SaveResult::Failed;
  }
  return result;
}

}  // namespace lumarel
