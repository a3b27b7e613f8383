// SPDX-License-Identifier: MIT
#include "pictureio/OpenPicture.h"

#include <algorithm>
#include <cctype>

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

}  // namespace

OpenedAs OpenTypeFor(const std::string& path) {
  const std::string ext = LowerExtension(path);
  if (ext == "jpg" || ext == "jpeg") return OpenedAs::Jpeg;
  if (ext == "bmp") return OpenedAs::Bitmap;
  fileutil::InputFile input = fileutil::OpenInput(path);
  unsigned char magic[2] = {};
  if (input.file && std::fread(magic, 1, 2, input.file.get()) == 2 && magic[0] == 0xFF &&
      magic[1] == 0xD8)
    return OpenedAs::Jpeg;
  return OpenedAs::Bitmap;
}

OpenedCanvas OpenPictureFile(const std::string& path, const std::string& scratchBmp,
                              Notifier& notifier) {
  OpenedCanvas opened;
  // Nothing is opened for reading before the path is known to be a regular file.
  const fileutil::InputFile input = fileutil::OpenInput(path);
  if (input.status != ImageStatus::Done) {
    Warn(notifier, "This file could not be found. ", "ERROR");
    opened.result = input.status;
    return opened;
  }
  std::string bitmapPath = path;
  if (OpenTypeFor(path) == OpenedAs::Jpeg) {
    // A file that does not decode leaves the scratch file empty, which the
    // reader then refuses as the wrong type.
    if (fileutil::File clear = fileutil::Open(scratchBmp, "wb"); !clear) {
      Warn(notifier, "This file could not be found. ", "ERROR");
      opened.result = ImageStatus::WriteFailed;
      return opened;
    }
    DecodeJpegFile(path, scratchBmp);
    bitmapPath = scratchBmp;
  }
  DibImage canvas = AllocateBlock(kPictureBlockSize);
  if (!canvas) {
    Warn(notifier, "Not enough memory.", "Global Memory");
    opened.result = ImageStatus::NoMemory;
    return opened;
  }
  opened.result = ReadBitmapFileIntoCanvas(bitmapPath, canvas, notifier);
  if (opened.result) opened.canvas = std::move(canvas);
  return opened;
}

}  // namespace lumarel
