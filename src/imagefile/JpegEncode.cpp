// SPDX-License-Identifier: MIT
// EncodeJpegFile: BMP file to baseline JFIF JPEG file. The BMP is read into
// memory by our own reader; the library calls run in C-style phase functions
// that set the long-jump target of the shared error manager.
#include "imagefile/JpegEncode.h"

#include <cstdio>
#include <new>
#include <vector>

#include "imagefile/BmpCodec.h"
#include "imagefile/FileUtil.h"
#include "imagefile/JpegDecode.h"
#include "imagefile/JpegError.h"
#include "imagefile/SamplingFactors.h"

namespace lumarel {

const std::array<std::uint8_t, 64> kLuminanceBaseTable = {
    8,  5,  5,  8,  12, 20, 25, 30, 6,  6,  7,  9,  13, 29, 30, 33,
    7,  6,  8,  12, 20, 28, 34, 28, 7,  8,  11, 14, 25, 43, 40, 31,
    9,  11, 18, 28, 34, 54, 51, 38, 12, 18, 27, 32, 40, 52, 56, 46,
    24, 32, 39, 43, 51, 60, 60, 50, 36, 46, 47, 49, 61, 50, 51, 49};

const std::array<std::uint8_t, 64> kChrominanceBaseTable = {
    8,  9,  12, 23, 49, 49, 49, 49, 9,  10, 13, 33, 49, 49, 49, 49,
    12, 13, 28, 49, 49, 49, 49, 49, 23, 33, 49, 49, 49, 49, 49, 49,
    49, 49, 49, 49, 49, 49, 49, 49, 49, 49, 49, 49, 49, 49, 49, 49,
    49, 49, 49, 49, 49, 49, 49, 49, 49, 49, 49, 49, 49, 49, 49, 49};

namespace {

// Natural (row-major) position of the k-th coefficient in zigzag order.
constexpr std::array<int, 64> kZigzagToNatural = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
    12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
    35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
    58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

std::array<unsigned int, 64> NaturalOrder(const std::array<std::uint8_t, 64>& zigzag) {
  std::array<unsigned int, 64> natural{};
  for (int k = 0; k < 64; ++k) natural[kZigzagToNatural[k]] = zigzag[k];
  return natural;
}

struct EncodeState {
  JpegErrorManager err{};
  jpeg_compress_struct cinfo{};
  bool created = false;

  EncodeState() = default;
  EncodeState(const EncodeState&) = delete;
  EncodeState& operator=(const EncodeState&) = delete;
  ~EncodeState() {
    if (created) jpeg_destroy_compress(&cinfo);
  }
};

// Everything the compression phase needs, prepared outside it.
struct EncodeJob {
  const BmpPicture* picture = nullptr;
  const SamplingFactors* sampling = nullptr;
  int quality = 75;
  std::FILE* out = nullptr;
};

bool CreatePhase(EncodeState& s) {
  if (setjmp(s.err.jump)) return false;
  s.cinfo.err = InitJpegErrorManager(s.err);
  jpeg_create_compress(&s.cinfo);
  s.created = true;
  s.cinfo.in_color_space = JCS_RGB;
  s.cinfo.input_components = 3;
  jpeg_set_defaults(&s.cinfo);
  return true;
}

void ApplySampling(jpeg_compress_struct& cinfo, const SamplingFactors& sampling) {
  for (int ci = 0; ci < sampling.count && ci < cinfo.num_components; ++ci) {
    cinfo.comp_info[ci].h_samp_factor = sampling.horizontal[ci];
    cinfo.comp_info[ci].v_samp_factor = sampling.vertical[ci];
  }
}

bool CompressPhase(EncodeState& s, const EncodeJob& job) {
  if (setjmp(s.err.jump)) return false;
  jpeg_compress_struct& cinfo = s.cinfo;
  cinfo.image_width = job.picture->width;
  cinfo.image_height = job.picture->height;
  cinfo.input_components = 3;
  cinfo.data_precision = 8;
  if (job.picture->hasDensity) {
    cinfo.density_unit = 2;
    cinfo.X_density = job.picture->xDensity;
    cinfo.Y_density = job.picture->yDensity;
  }
  jpeg_default_colorspace(&cinfo);
  const int scale = jpeg_quality_scaling(job.quality);
  const std::array<unsigned int, 64> luminance = NaturalOrder(kLuminanceBaseTable);
  const std::array<unsigned int, 64> chrominance = NaturalOrder(kChrominanceBaseTable);
  jpeg_add_quant_table(&cinfo, 0, luminance.data(), scale, TRUE);
  jpeg_add_quant_table(&cinfo, 1, chrominance.data(), scale, TRUE);
  ApplySampling(cinfo, *job.sampling);
  jpeg_stdio_dest(&cinfo, job.out);
  jpeg_start_compress(&cinfo, TRUE);
  const std::size_t rowBytes = static_cast<std::size_t>(job.picture->width) * 3;
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(job.picture->rgb.data() + cinfo.next_scanline * rowBytes);
    if (jpeg_write_scanlines(&cinfo, &row, 1) != 1) return false;
  }
  jpeg_finish_compress(&cinfo);
  return true;
}

// Reads the BMP file through the one BMP reader, after checking that its
// first byte is "B"; only the bytes its headers need are read.
ImageResult ReadInput(std::FILE* in, BmpPicture& picture) {
  int first = std::fgetc(in);
  if (first != 'B') return ImageStatus::WrongType;
  FileBmpSource source(in);
  return ReadBmpForEncoder(source, picture);
}

}  // namespace

int ScaledQuantiser(int base, int quality) {
  int q = quality < 1 ? 1 : (quality > 100 ? 100 : quality);
  int scale = q < 50 ? 5000 / q : 200 - 2 * q;
  long value = (static_cast<long>(base) * scale + 50) / 100;
  return value < 1 ? 1 : (value > 255 ? 255 : static_cast<int>(value));
}

ImageResult EncodeJpegFile(const std::string& bmpPath, const std::string& jpegPath,
                           const std::string& sampling, int quality) {
  EncodeState s;
  if (!CreatePhase(s)) return ImageStatus::LibraryError;
  fileutil::InputFile input = fileutil::OpenInput(bmpPath);
  if (!input.file) return input.status;
  fileutil::File out = fileutil::Open(jpegPath, "wb");
  if (!out) return ImageStatus::WriteFailed;
  BmpPicture picture;
  if (ImageResult read = ReadInput(input.file.get(), picture); !read) return read;
  const SamplingFactors factors = ParseSamplingFactors(sampling);
  EncodeJob job{&picture, &factors, quality, out.get()};
  try {
    if (!CompressPhase(s, job)) {
      return s.err.failed ? ImageStatus::LibraryError : ImageStatus::WriteFailed;
    }
  } catch (const std::bad_alloc&) {
    return ImageStatus::NoMemory;
  }
  return std::fclose(out.release()) == 0 ? ImageStatus::Done : ImageStatus::WriteFailed;
}

}  // namespace lumarel
