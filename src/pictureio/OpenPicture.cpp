// SPDX-License-Identifier: MIT
#include "pictureio/OpenPicture.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "imagefile/PictureType.h"
#include "imagefile/FileUtil.h"
#include "imagefile/JpegDecode.h"
#include "imagefile/OpenMessages.h"
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

}  // namespace

OpenedAs TypeOf(std::FILE* file, const std::string& path) {
  std::uint8_t magic[3] = {};
  const std::size_t read = std::fread(magic, 1, sizeof magic, file);
  std::rewind(file);
  switch (SniffPictureType({magic, read})) {
    case PictureType::Jpeg: return OpenedAs::Jpeg;
    case PictureType::Bmp: return OpenedAs::Bitmap;
    case PictureType::Unknown: break;
  }
  // Neither: the name decides which reader says what is wrong with it.
  const std::string ext = LowerExtension(path);
  return ext == "jpg" || ext == "jpeg" ? OpenedAs::Jpeg : OpenedAs::Bitmap;
}

OpenedCanvas OpenPictureFile(const std::string& path, const std::string& scratchBmp,
                              Notifier& notifier) {
  OpenedCanvas opened;
  // Nothing is opened for reading before the path is known to be a regular file.
  const fileutil::InputFile input = fileutil::OpenInput(path);
  if (input.status != ImageStatus::Done) {
    opened.result = input.result();
    ShowOpenFailure(notifier, opened.result);
    return opened;
  }
  std::string bitmapPath = path;
  if (TypeOf(input.file.get(), path) == OpenedAs::Jpeg) {
    // A decode that fails (a full scratch folder among the reasons) fails the
    // open: half a picture is never shown as the whole one.
    DecodedSize size;
    opened.result = DecodeJpegFile(path, scratchBmp, &size);
    if (!opened.result) {
      ShowOpenFailure(notifier, opened.result, size.width, size.height);
      return opened;
    }
    opened.taken = JpegPictureDates(input.file.get());
    bitmapPath = scratchBmp;
  }
  DibImage canvas = AllocateBlock(kPictureBlockSize);
  if (!canvas) {
    opened.result = ImageStatus::NoMemory;
    ShowOpenFailure(notifier, opened.result);
    return opened;
  }
  opened.result = ReadBitmapFileIntoCanvas(bitmapPath, canvas, notifier);
  if (opened.result) opened.canvas = std::move(canvas);
  return opened;
}

}  // namespace lumarel
