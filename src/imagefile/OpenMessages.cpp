// SPDX-License-Identifier: MIT
#include "imagefile/OpenMessages.h"

#include <cctype>
#include <cerrno>
#include <cstring>

#include "imagefile/BmpRead.h"

namespace lumarel {
namespace {

std::string Reason(int error) {
  std::string text = std::strerror(error != 0 ? error : EIO);
  if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  return text;
}

}  // namespace

std::string OpenFailureText(ImageResult result, unsigned width, unsigned height) {
  switch (result.status()) {
    case ImageStatus::Done: return "";
    case ImageStatus::NotFound:
      if (result.error() == EACCES || result.error() == EPERM)
        return "This file cannot be read: permission denied.";
      if (result.error() == 0 || result.error() == ENOENT || result.error() == ENOTDIR)
        return "This file could not be found. ";
      return "This file cannot be opened: " + Reason(result.error()) + ".";
    case ImageStatus::NotAFile: return "This is not a regular file (a folder, FIFO or device).";
    case ImageStatus::WrongType:
    case ImageStatus::LibraryError: return "This file type is wrong.";
    case ImageStatus::TooLarge:
      return "This picture is too large: " + std::to_string(width) + " x " +
             std::to_string(height) + "; at most " + std::to_string(kMaxBmpDimension) + " x " +
             std::to_string(kMaxBmpDimension) + " and " + std::to_string(kMaxBmpPixels / 1000000) +
             " million pixels.";
    case ImageStatus::NoPixels: return "This file holds no picture data.";
    case ImageStatus::NoMemory: return "Not enough memory.";
    case ImageStatus::DiskFull: return "Disk is full.";
    case ImageStatus::WriteFailed:
      return "The picture could not be decoded: " + Reason(result.error()) + ".";
  }
  return "This file type is wrong.";
}

void ShowOpenFailure(Notifier& notifier, ImageResult result, unsigned width, unsigned height) {
  if (result) return;
  const char* caption = result == ImageStatus::NoMemory ? "Global Memory" : "ERROR";
  notifier.Show(OpenFailureText(result, width, height), caption, MessageButtons::Ok,
                MessageIcon::Exclamation);
}

std::string MissingRowsText(int rowsPresent, int height) {
  return "Part of the picture data is missing: " + std::to_string(rowsPresent) + " of " +
         std::to_string(height) + " rows are there, the rest is shown black.";
}

}  // namespace lumarel
