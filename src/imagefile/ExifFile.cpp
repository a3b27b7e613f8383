// SPDX-License-Identifier: MIT
// WriteExifFile: rewrites a JPEG file as SOI, one APP1 Exif segment with a
// thumbnail, and the compacted main stream, put in place by the atomic writer.
#include "imagefile/ExifFile.h"

#include <cerrno>
#include <cstdio>

#include "imagefile/ByteOrder.h"
#include "imagefile/ExifMessages.h"
#include "imagefile/ExifSegment.h"
#include "imagefile/ExifThumbnail.h"
#include "imagefile/FileUtil.h"
#include "imagefile/JpegEncode.h"
#include "imagefile/JpegStream.h"
#include "imagefile/Orientation.h"
#include "imagefile/TempFile.h"
#include "platform/AtomicFile.h"
#include "platform/Files.h"

namespace lumarel {

namespace {

constexpr const char* kMainSampling = "2x1,1x1,1x1";
// Larger sources are not read into memory.
constexpr std::uint64_t kMaxSourceSize = 256ull * 1024 * 1024;

// The main picture's scan data can be kept when its luminance is sampled 2x1
// or 2x2, its first chrominance 1x1, and its Huffman tables are the standard
// ones gathered in one segment.
bool CanReuseScan(const JpegFrame& frame, const std::string& sourcePath, Notifier& notifier) {
  if (frame.sampling.size() < 2) return false;
  const JpegComponentSampling y = frame.sampling[0];
  const JpegComponentSampling cb = frame.sampling[1];
  if (y.horizontal != 2 || (y.vertical != 1 && y.vertical != 2)) return false;
  if (cb.horizontal != 1 || cb.vertical != 1) return false;
  return HasStandardHuffmanCounts(sourcePath, notifier) == 1;
}

// Fills in the length field and the per-file tags of the APP1 segment.
bool PatchSegment(MemoryBlock& segment, std::size_t thumbLength, const ExifThumbnail& thumb,
                  const std::string& written, const PictureDates& taken, Notifier& notifier) {
  if (472 + thumbLength > 0xFFFF) return false;  // an APP1 segment holds at most 64 KiB
  bytes::PutBe16(segment.data() + 2, static_cast<std::uint32_t>(472 + thumbLength));
  std::span<std::uint8_t> s = segment.bytes();
  SetExifTag(s, 0xA002, static_cast<std::uint32_t>(thumb.pictureWidth), notifier);
  SetExifTag(s, 0xA003, static_cast<std::uint32_t>(thumb.pictureHeight), notifier);
  SetExifTag(s, 0x0202, static_cast<std::uint32_t>(thumbLength), notifier);
  SetExifTag(s, 0x9003, ExifDateText(taken.original), notifier);
  SetExifTag(s, 0x9004, ExifDateText(taken.digitized), notifier);
  SetExifTag(s, 0x0132, written, notifier);
  return true;
}

bool WriteFinished(const std::string& path, std::span<const std::uint8_t> main,
                   std::span<const std::uint8_t> segment, std::span<const std::uint8_t> thumb) {
  fileutil::File f = fileutil::Open(path, "wb");
  if (!f) return false;
  const std::size_t mainLength = JpegStreamEnd(main);
  if (mainLength < 2) return false;
  if (!fileutil::WriteAll(f.get(), main.first(2)) ||
      !fileutil::WriteAll(f.get(), segment.first(kExifSegmentSize)) ||
      !fileutil::WriteAll(f.get(), thumb) ||
      !fileutil::WriteAll(f.get(), main.subspan(2, mainLength - 2))) {
    return false;
  }
  return std::fclose(f.release()) == 0;
}

// A failed write with less than this left on the file system ran out of room.
constexpr std::uint64_t kFullSlack = 65536;

}  // namespace

ImageResult WriteExifFile(const std::string& sourcePath, const std::string& destPath,
                          int recodeQuality, Notifier& notifier, Clock& clock,
                          const PictureDates& taken) {
  // The source is looked at only when it is a regular file, and read once
  // from the descriptor that was checked; every later step reads a private
  // copy, never the user's path again.
  fileutil::InputFile source = fileutil::OpenInput(sourcePath);
  if (!source.file) {
    ShowExifMessage(notifier, kMsgNotJpeg);
    return source.result();
  }
  if (source.size > kMaxSourceSize) {
    ShowExifMessage(notifier, kMsgNotJpeg);
    return ImageStatus::TooLarge;
  }
  MemoryBlock bytes = AllocateBlock(static_cast<std::size_t>(source.size));
  if (!bytes) return ImageStatus::NoMemory;
  if (!fileutil::ReadExact(source.file.get(), bytes.bytes())) {
    ShowExifMessage(notifier, kMsgNotJpeg);
    return ImageStatus::WrongType;
  }
  source.file.reset();
  TempFileGuard copy(MakeTempFile());
  if (copy.path().empty()) return ImageStatus::WriteFailed;
  {
    fileutil::File f = fileutil::Open(copy.path(), "wb");
    if (!f || !fileutil::WriteAll(f.get(), bytes.bytes()) || std::fclose(f.release()) != 0)
      return WriteError(errno);
  }
  const std::string& input = copy.path();
  // A picture to be turned upright is re-encoded turned, with orientation 1.
  const int orientation = JpegOrientation(bytes.bytes());
  // A picture saved again keeps the dates it was taken, unless told better.
  const PictureDates own = JpegPictureDates(bytes.bytes());
  const PictureDates dates{taken.original ? taken.original : own.original,
                           taken.digitized ? taken.digitized : own.digitized};
  bytes.Reset();

  MemoryBlock segment = BuildExifSegment();
  if (!segment) return ImageStatus::NoMemory;
  JpegFrame frame;
  if (!JpegFrameInfo(input, frame)) {
    ShowExifMessage(notifier, kMsgNotJpeg);
    return ImageStatus::WrongType;
  }
  TempFileGuard decoded(MakeTempFile());
  if (decoded.path().empty()) return ImageStatus::WriteFailed;
  ExifThumbnail thumb = MakeExifThumbnail(input, decoded.path(), notifier);
  if (!thumb.jpeg) return thumb.result;
  const bool reuse = orientation == 1 && CanReuseScan(frame, input, notifier);
  if (reuse) decoded.Remove();

  MemoryBlock thumbStream = CompactJpegStream(thumb.jpeg);
  thumb.jpeg.Reset();
  if (!thumbStream) return ImageStatus::WriteFailed;
  const std::size_t thumbLength = JpegStreamEnd(thumbStream);
  if (thumbLength == 0) return ImageStatus::WriteFailed;
  if (!PatchSegment(segment, thumbLength, thumb, ExifDateText(clock.Now()), dates,
                    notifier)) {
    return ImageStatus::WriteFailed;
  }

  TempFileGuard recoded;
  if (!reuse) {
    recoded = TempFileGuard(MakeTempFile());
    if (recoded.path().empty() ||
        !EncodeJpegFile(decoded.path(), recoded.path(), kMainSampling, recodeQuality)) {
      return ImageStatus::WriteFailed;
    }
  }
  MemoryBlock main = CompactJpegStream(ReadWholeFile(reuse ? input : recoded.path()));
  decoded.Remove();
  recoded.Remove();
  if (!main || main.size() < 2 || main.data()[0] != 0xFF || main.data()[1] != 0xD8) {
    // The source's own stream is kept when reused: then the source is at fault.
    return reuse ? ImageStatus::WrongType : ImageStatus::WriteFailed;
  }

  // Put in place whole or not at all: the destination keeps its old bytes
  // when the disk fills.
  AtomicFile finished(destPath, WriteMode::Replace);
  if (finished.Ok() &&
      WriteFinished(finished.TempPath(), main, segment, thumbStream.bytes().first(thumbLength)) &&
      finished.Commit()) {
    return ImageStatus::Done;
  }
  const int error = finished.Failure().error;
  const std::optional<std::uint64_t> free = FreeDiskSpace(finished.Target());
  return error == ENOSPC || error == EDQUOT || (free && *free < kFullSlack)
             ? ImageStatus::DiskFull
             : ImageStatus::WriteFailed;
}

}  // namespace lumarel
