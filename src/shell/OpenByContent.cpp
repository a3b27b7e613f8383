// SPDX-License-Identifier: MIT
#include "shell/OpenByContent.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "imagefile/PictureType.h"

namespace lumarel {

MessageAnswer FileNamingNotifier::Show(const std::string& text, const std::string& caption,
                                       MessageButtons buttons, MessageIcon icon) {
  std::string named = text;
  while (!named.empty() && named.back() == ' ') named.pop_back();
  return inner_.Show(named + "\n" + path_, caption, buttons, icon);
}

void FileNamingNotifier::Note(const std::string& text, const std::string& caption) {
  inner_.Note(path_ + ": " + text, caption);
}

std::optional<OpenedPicture> LoadPictureFile(const std::string& path, AppState& state,
                                             Notifier& notifier) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path absolute = fs::absolute(path, error);
  FileNamingNotifier named(notifier, error ? path : absolute.string());
  auto refuse = [&named](const std::string& text) {
    named.Show(text, "ERROR", MessageButtons::Ok, MessageIcon::Exclamation);
    return std::nullopt;
  };
  if (!fs::exists(absolute, error)) return refuse("This file could not be found.");
  if (!fs::is_regular_file(absolute, error)) return refuse("This file type is wrong.");
  std::ifstream file(absolute, std::ios::binary);
  std::array<std::uint8_t, 3> head{};
  if (!file) return refuse("This file could not be read: " + std::string(std::strerror(errno)));
  file.read(reinterpret_cast<char*>(head.data()), head.size());
  const std::size_t got = static_cast<std::size_t>(file.gcount());
  FileDialogRecord record;  // as the Open dialog leaves it for a chosen file
  record.fileName = absolute.string();
  record.fileTitle = absolute.filename().string();
  switch (SniffPictureType(std::span<const std::uint8_t>(head.data(), got))) {
    case PictureType::Jpeg: record.filterIndex = kOpenFilterJpeg; break;
    case PictureType::Bmp: record.filterIndex = kOpenFilterBitmap; break;
    case PictureType::Unknown: return refuse("This file type is wrong.");
  }
  return LoadChosenPicture(record, state, named);
}

}  // namespace lumarel
