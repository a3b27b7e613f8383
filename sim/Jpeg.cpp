// SPDX-License-Identifier: MIT
#include "Jpeg.h"

#include <csetjmp>
#include <cstdio>
#include <algorithm>
#include <cstdlib>

#include <jpeglib.h>

namespace lumarel::sim {
namespace {

// libjpeg reports fatal errors through error_exit; jump back to the caller's setjmp.
struct JumpingErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
};

void JumpOnError(j_common_ptr info) {
  auto* manager = reinterpret_cast<JumpingErrorManager*>(info->err);
  std::longjmp(manager->jump, 1);
}

void Silence(j_common_ptr) {}

// Owns the memory buffer jpeg_mem_dest allocates with malloc.
struct MallocBuffer {
  unsigned char* data = nullptr;
  unsigned long size = 0;
  ~MallocBuffer() { std::free(data); }
};

// The setjmp frames below hold no objects with destructors: everything they
// touch lives in the callers, so a longjmp skips no clean-up.
bool CompressInto(const RgbImage& image, int quality, jpeg_compress_struct& info,
                  JumpingErrorManager& errors, MallocBuffer& out) {
  if (setjmp(errors.jump)) return false;
  jpeg_mem_dest(&info, &out.data, &out.size);
  info.image_width = static_cast<JDIMENSION>(image.width);
  info.image_height = static_cast<JDIMENSION>(image.height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(image.Pixel(0, static_cast<int>(info.next_scanline)));
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  return true;
}

bool DecompressInto(const std::vector<std::uint8_t>& jpeg, int scaleDenom, bool headerOnly,
                    jpeg_decompress_struct& info, JumpingErrorManager& errors, RgbImage& image) {
  if (setjmp(errors.jump)) return false;
  jpeg_mem_src(&info, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
  if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) return false;
  if (headerOnly) {
    image.width = static_cast<int>(info.image_width);
    image.height = static_cast<int>(info.image_height);
    return true;
  }
  info.out_color_space = JCS_RGB;
  info.scale_num = 1;
  info.scale_denom = static_cast<unsigned>(scaleDenom);
  jpeg_start_decompress(&info);
  if (info.output_components != 3) return false;
  image = RgbImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height));
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = image.Pixel(0, static_cast<int>(info.output_scanline));
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  return true;
}

bool Decode(const std::vector<std::uint8_t>& jpeg, RgbImage& image, int scaleDenom,
            bool headerOnly) {
  if (jpeg.empty()) return false;
  jpeg_decompress_struct info{};
  JumpingErrorManager errors{};
  info.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = JumpOnError;
  errors.base.output_message = Silence;
  jpeg_create_decompress(&info);
  const bool ok = DecompressInto(jpeg, scaleDenom, headerOnly, info, errors, image);
  jpeg_destroy_decompress(&info);
  return ok;
}

}  // namespace

std::vector<std::uint8_t> EncodeJpeg(const RgbImage& image, int quality) {
  if (image.width <= 0 || image.height <= 0) return {};
  jpeg_compress_struct info{};
  JumpingErrorManager errors{};
  info.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = JumpOnError;
  errors.base.output_message = Silence;
  jpeg_create_compress(&info);
  MallocBuffer out;
  const bool ok = CompressInto(image, quality, info, errors, out);
  jpeg_destroy_compress(&info);
  if (!ok || out.data == nullptr) return {};
  return std::vector<std::uint8_t>(out.data, out.data + out.size);
}

bool DecodeJpeg(const std::vector<std::uint8_t>& jpeg, RgbImage& image, int scaleDenom) {
  return Decode(jpeg, image, scaleDenom, false);
}

bool ReadJpegSize(const std::vector<std::uint8_t>& jpeg, int& width, int& height) {
  RgbImage image;
  if (!Decode(jpeg, image, 1, true)) return false;
  width = image.width;
  height = image.height;
  return true;
}

RgbImage Resize(const RgbImage& source, int width, int height) {
  RgbImage out(width, height);
  for (int y = 0; y < height; ++y) {
    const int y0 = y * source.height / height;
    const int y1 = std::max(y0 + 1, (y + 1) * source.height / height);
    for (int x = 0; x < width; ++x) {
      const int x0 = x * source.width / width;
      const int x1 = std::max(x0 + 1, (x + 1) * source.width / width);
      int sum[3] = {0, 0, 0};
      for (int sy = y0; sy < y1; ++sy)
        for (int sx = x0; sx < x1; ++sx)
          for (int c = 0; c < 3; ++c) sum[c] += source.Pixel(sx, sy)[c];
      const int count = (y1 - y0) * (x1 - x0);
      for (int c = 0; c < 3; ++c) out.Pixel(x, y)[c] = static_cast<std::uint8_t>(sum[c] / count);
    }
  }
  return out;
}

}  // namespace lumarel::sim
