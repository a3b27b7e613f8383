#include "pictureio/OpenPicture.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "imagefile/FileUtil.h"
#include "imagefile/JpegDecode.h"
#include "imageproc/CanvasRead.h"

namespace lumarel {
namespace {

std::string LowerExtension(const std::string& path) {
  const auto dot = path.rfind('.');
  const auto slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string ext = path.substr(dot + 1);
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext;
}

void Warn(Notifier& notifier, const char* text, const char* caption) {
  notifier.Show(text, caption, MessageButtons::Ok, MessageIcon::Exclamation);
}

bool ReadAll(const std::string& path, std::vector<std::uint8_t>& bytes) {
  fileutil::File f = fileutil::Open(path, "rb");
  if (!f) return false;
  const auto size = fileutil::SizeOf(f.get());
  if (!size) return false;
  bytes.resize(static_cast<std::size_t>(*size));
  return fileutil::ReadExact(f.get(), bytes);
}

}  // namespace

OpenedAs OpenTypeFor(const std::string& path) {
  const std::string ext = LowerExtension(path);
  if (ext == "jpg" || ext == "jpeg") return OpenedAs::Jpeg;
  if (ext == "bmp") return OpenedAs::Bitmap;
  fileutil::File f = fileutil::Open(path, "rb");
  unsigned char magic[2] = {};
  if (f && std::fread(magic, 1, 2, f.get()) == 2 && magic[0] == 0xFF && magic[1] == 0xD8)
    return OpenedAs::Jpeg;
  return OpenedAs::Bitmap;
}

OpenedCanvas OpenPictureFile(const std::string& path, const std::string& scratchBmp,
                              Notifier& notifier) {
  OpenedCanvas opened;
  std::string bitmapPath = path;
  if (!fileutil::Open(path, "rb")) {
    Warn(notifier, "This file could not be found. ", "ERROR");
    return opened;
  }
  if (OpenTypeFor(path) == OpenedAs::Jpeg) {
    // A file that does not decode leaves the scratch file empty, which the
    // reader then refuses as the wrong type.
    if (fileutil::File clear = fileutil::Open(scratchBmp, "wb"); !clear) {
      Warn(notifier, "This file could not be found. ", "ERROR");
      return opened;
    }
    DecodeJpegFile(path, scratchBmp);
    bitmapPath = scratchBmp;
  }
  std::vector<std::uint8_t> file;
  if (!ReadAll(bitmapPath, file)) {
    Warn(notifier, "This file could not be found. ", "ERROR");
    return opened;
  }
  DibImage canvas = AllocateBlock(kPictureBlockSize);
  if (!canvas) {
    Warn(notifier, "Not enough memory.", "Global Memory");
    opened.result = OpenResult::NoMemory;
    return opened;
  }
  if (ReadBitmapIntoCanvas(file, canvas, notifier) == 0) {
    opened.result = OpenResult::WrongType;
    return opened;
  }
  opened.result = OpenResult::Opened;
  opened.canvas = std::move(canvas);
  return opened;
}

}  // namespace lumarel
