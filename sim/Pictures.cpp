// SPDX-License-Identifier: MIT
#include "Pictures.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <sys/stat.h>

#include "Jpeg.h"
#include "Scene.h"

namespace lumarel::sim {
namespace {

constexpr int kPreviewQuality = 75;
constexpr int kFineQuality = 88;
constexpr int kNormalQuality = 72;

std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

PictureTime FileTime(const std::filesystem::path& path) {
  PictureTime time;
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return time;
  std::tm local{};
  if (localtime_r(&info.st_mtime, &local) == nullptr) return time;
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min};
}

bool IsJpegName(const std::filesystem::path& path) {
  std::string ext = path.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  return ext == ".jpg" || ext == ".jpeg";
}

// Calendar arithmetic by minutes from 30 Dec 1999 10:00, through mktime.
PictureTime GeneratedTime(int index) {
  std::tm when{};
  when.tm_year = 99, when.tm_mon = 11, when.tm_mday = 30, when.tm_hour = 10;
  when.tm_min = index * (24 * 60 + 37);
  when.tm_isdst = -1;
  std::mktime(&when);
  return {when.tm_year + 1900, when.tm_mon + 1, when.tm_mday, when.tm_hour, when.tm_min};
}

}  // namespace

std::string MakeStoredPicture(std::vector<std::uint8_t> jpeg, std::uint8_t quality,
                              const PictureTime& taken, StoredPicture& picture) {
  if (jpeg.size() > kLargestPicture) return "larger than 925696 bytes";
  RgbImage decoded;
  if (!DecodeJpeg(jpeg, decoded)) return "not a readable JPEG file";
  if (decoded.width > kLargestWidth || decoded.height > kLargestHeight)
    return "larger than 640 x 480 pixels";
  picture.preview = EncodeJpeg(Resize(decoded, kPreviewWidth, kPreviewHeight), kPreviewQuality);
  if (picture.preview.empty()) return "its preview could not be encoded";
  picture.jpeg = std::move(jpeg);
  picture.quality = quality;
  picture.width = static_cast<std::uint16_t>(decoded.width);
  picture.height = static_cast<std::uint16_t>(decoded.height);
  picture.previewWidth = kPreviewWidth;
  picture.previewHeight = kPreviewHeight;
  picture.taken = taken;
  return {};
}

std::vector<StoredPicture> LoadPictureFolder(const std::string& folder,
                                             std::vector<std::string>& warnings) {
  std::vector<std::filesystem::path> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error))
    if (entry.is_regular_file() && IsJpegName(entry.path())) files.push_back(entry.path());
  if (error) warnings.push_back(folder + ": " + error.message());
  std::sort(files.begin(), files.end());
  std::vector<StoredPicture> pictures;
  for (const auto& path : files) {
    std::vector<std::uint8_t> bytes = ReadWholeFile(path);
    int width = 0, height = 0;
    const std::uint8_t quality = ReadJpegSize(bytes, width, height) && width >= 640 ? 0x01 : 0x00;
    StoredPicture picture;
    const std::string why = MakeStoredPicture(std::move(bytes), quality, FileTime(path), picture);
    if (why.empty()) pictures.push_back(std::move(picture));
    else warnings.push_back(path.string() + ": skipped, " + why);
  }
  return pictures;
}

std::vector<StoredPicture> GeneratePictures(int count, unsigned seed) {
  static constexpr std::uint8_t kHighNibbles[] = {0x00, 0x40, 0x50};
  std::vector<StoredPicture> pictures;
  for (int i = 0; i < count; ++i) {
    const bool fine = i % 2 == 0;
    const RgbImage image = RenderScene(fine ? 640 : 320, fine ? 480 : 240, seed * 131u + i, 0, i + 1);
    const auto quality = static_cast<std::uint8_t>(kHighNibbles[i % 3] | (fine ? 0x01 : 0x00));
    StoredPicture picture;
    MakeStoredPicture(EncodeJpeg(image, fine ? kFineQuality : kNormalQuality), quality,
                      GeneratedTime(i), picture);
    pictures.push_back(std::move(picture));
  }
  return pictures;
}

}  // namespace lumarel::sim
