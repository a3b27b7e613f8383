// SPDX-License-Identifier: MIT
#include "PictureSteps.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "BenchReport.h"
#include "imagefile/BitmapFile.h"
#include "imagefile/ExifFile.h"
#include "imagefile/JpegDecode.h"
#include "imagefile/JpegEncode.h"
#include "imageproc/AdjustmentSession.h"
#include "imageproc/ColourBoost.h"
#include "imageproc/PaletteDib.h"

namespace lumarel::bench {
namespace {

constexpr int kSaveQuality = 75;
constexpr const char* kCaptureSampling = "2x1,1x1,1x1";

class PrintingNotifier final : public Notifier {
 public:
  MessageAnswer Show(const std::string& text, const std::string& caption, MessageButtons,
                     MessageIcon) override {
    std::fprintf(stderr, "message: %s (%s)\n", text.c_str(), caption.c_str());
    return MessageAnswer::Ok;
  }
};

}  // namespace

Notifier& BenchMessages() {
  static PrintingNotifier notifier;
  return notifier;
}

bool TakeOverDecode(const std::vector<std::uint8_t>& jpeg, const ScratchFiles& files,
                    DibImage& picture) {
  if (!WriteWholeFile(files.a, jpeg.data(), jpeg.size())) return false;
  std::remove(files.b.c_str());
  if (!DecodeJpegFile(files.a, files.b)) return false;
  // The header and the rows go into the picture block, as the take-over reads them.
  std::FILE* f = std::fopen(files.b.c_str(), "rb");
  if (f == nullptr) return false;
  std::uint8_t fileHeader[kBitmapFileHeaderSize];
  bool ok = std::fread(fileHeader, 1, sizeof fileHeader, f) == sizeof fileHeader;
  ok = ok && std::fread(picture.data(), 1, kDibInfoHeaderSize, f) == kDibInfoHeaderSize;
  const std::size_t rows = ok ? DibContentSize(picture.bytes()) : 0;
  ok = ok && rows > kDibInfoHeaderSize && rows <= picture.size();
  ok = ok && std::fread(picture.data() + kDibInfoHeaderSize, 1, rows - kDibInfoHeaderSize, f) ==
                 rows - kDibInfoHeaderSize;
  std::fclose(f);
  return ok;
}

bool TakeOverPostProcess(DibImage& picture, std::uint8_t quality) {
  if (PostProcessingFor(quality) == PostProcessing::None) return true;
  return ApplyQualityPostProcessing(picture.bytes(), quality, BenchMessages());
}

bool WritePictureBmp(const DibImage& picture, const std::string& path) {
  const std::size_t content = DibContentSize(picture.bytes());
  return content > 0 && static_cast<bool>(WriteBitmapFile(path, picture.bytes().first(content)));
}

bool SaveAsExifJpeg(const DibImage& picture, const ScratchFiles& files, const std::string& path) {
  if (!WritePictureBmp(picture, files.a)) return false;
  if (!EncodeJpegFile(files.a, files.b, kCaptureSampling, kSaveQuality)) return false;
  if (!EncodeJpegFile(files.a, path, kCaptureSampling, kSaveQuality)) return false;
  return static_cast<bool>(WriteExifFile(path, path, kSaveQuality, BenchMessages()));
}

bool SaveAs256ColourBmp(const DibImage& picture, const std::string& path) {
  const int width = DibWidth(picture.bytes()), height = DibHeight(picture.bytes());
  MemoryBlock block = AllocateBlock(PaletteDibSize(width, height));
  if (!block) return false;
  if (MakePaletteDib(BenchMessages(), picture.bytes(), block.bytes()) != ReductionResult::Done)
    return false;
  return static_cast<bool>(WriteBitmapFile(path, block.bytes()));
}

bool AdjustAndApply(DibImage& picture) {
  AdjustmentSession session;
  if (!session.Open(picture.bytes())) return false;
  session.Scroll(AdjustSlider::Brightness, ScrollAction::PageRight, 0);
  session.Scroll(AdjustSlider::Contrast, ScrollAction::PageRight, 0);
  session.Scroll(AdjustSlider::Saturation, ScrollAction::PageRight, 0);
  session.Scroll(AdjustSlider::Sharpness, ScrollAction::ThumbTrack, 40);
  const bool applied = session.Apply(picture.bytes());
  session.Close();
  return applied;
}

double MeanColourError(const DibImage& picture, const std::string& path) {
  const DibImage other = ReadBitmapFile(path);
  if (!other) return -1;
  const int width = DibWidth(picture.bytes()), height = DibHeight(picture.bytes());
  const int bits = DibBitCount(other.bytes());
  if (DibWidth(other.bytes()) != width || DibHeight(other.bytes()) != height ||
      (bits != 8 && bits != 24)) {
    return -1;
  }
  const std::uint8_t* table = other.data() + kDibInfoHeaderSize;  // blue, green, red, 0
  const std::size_t tableEntries = DibColourCount(other.bytes());
  const std::uint8_t* src = DibPixels(picture);
  const std::uint8_t* dst = DibPixels(other);
  const std::size_t srcStride = DibStride(width, 24), dstStride = DibStride(width, bits);
  double total = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* s = src + y * srcStride + x * 3;
      const std::uint8_t* d = dst + y * dstStride + x * 3;
      if (bits == 8) {
        const std::size_t index = dst[y * dstStride + x];
        if (index >= tableEntries) return -1;
        d = table + index * 4;
      }
      for (int c = 0; c < 3; ++c) total += std::abs(int(s[c]) - int(d[c]));
    }
  }
  return total / (3.0 * width * height);
}

}  // namespace lumarel::bench
