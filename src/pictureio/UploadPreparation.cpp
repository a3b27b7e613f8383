// SPDX-License-Identifier: MIT
#include "pictureio/UploadPreparation.h"

#include "pictureio/SaveAs.h"
#include "imagefile/DibImage.h"
#include "imagefile/ExifFile.h"
#include "imagefile/FileUtil.h"
#include "imagefile/JpegEncode.h"
#include "imageproc/Resample.h"

namespace lumarel {
namespace {

constexpr char kSampling[] = "2x1,1x1,1x1";
constexpr int kPictureQuality = 70;
constexpr int kPreviewQuality = 10;

bool ReadFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
  fileutil::File f = fileutil::Open(path, "rb");
  if (!f) return false;
  const auto size = fileutil::SizeOf(f.get());
  if (!size || *size == 0) return false;
  bytes.resize(static_cast<std::size_t>(*size));
  return fileutil::ReadExact(f.get(), bytes);
}

}  // namespace

int UploadRecodeQuality(bool fine, std::uint64_t size) {
  if (fine) return size <= 90112 ? 70 : 45;
  return size <= 39936 ? 70 : 60;
}

PreparedUpload PrepareUpload(std::span<const std::uint8_t> canvas, bool fine,
                             const std::string& a, const std::string& b, Notifier& notifier,
                             Clock& clock) {
  PreparedUpload out;
  std::vector<std::uint8_t> half;
  std::span<const std::uint8_t> main = canvas;
  if (!fine) {
    half.assign(kPictureBlockSize, 0);
    if (!MakeHalfSizePicture(canvas, half)) return out;
    main = half;
  }
  if (!WriteFullColourBmp(main, a) || !EncodeJpegFile(a, b, kSampling, kPictureQuality) ||
      !ReadFile(b, out.picture)) {
    return out;
  }
  const int recode = UploadRecodeQuality(fine, out.picture.size());
  // The camera lists the picture as taken when it arrives; its Exif says the same.
  const LocalTime now = clock.Now();
  if (!WriteExifFile(b, b, recode, notifier, clock, PictureDates::Both(now)) ||
      !ReadFile(b, out.picture)) {
    return out;
  }

  out.thumbnail.assign(kPreviewSlotSize, 0);
  if (!MakeQuarterThumbnail(canvas, out.thumbnail) || !WriteFullColourBmp(out.thumbnail, a) ||
      !EncodeJpegFile(a, b, kSampling, kPreviewQuality) || !ReadFile(b, out.preview)) {
    return out;
  }
  out.ok = true;
  return out;
}

}  // namespace lumarel
