// SPDX-License-Identifier: MIT
// DecodeJpegFile: JPEG file to BMP file. The library calls are made from small
// C-style phase functions that set the long-jump target of the error manager;
// the object owning the decompression struct releases it exactly once.
#include "imagefile/JpegDecode.h"

#include <algorithm>
#include <new>
#include <vector>

#include "imagefile/BmpCodec.h"
#include "imagefile/FileUtil.h"
#include "imagefile/JpegError.h"

#include <jerror.h>

namespace lumarel {

namespace {

// The library may use this much working memory at most (coefficient buffers of
// progressive files); beyond it the decode fails instead of growing.
constexpr long kMaxDecodeMemory = 512L * 1024 * 1024;

struct DecodeState {
  JpegErrorManager err{};
  jpeg_decompress_struct cinfo{};
  jpeg_progress_mgr progress{};
  bool created = false;

  DecodeState() = default;
  DecodeState(const DecodeState&) = delete;
  DecodeState& operator=(const DecodeState&) = delete;
  ~DecodeState() {
    if (created) jpeg_destroy_decompress(&cinfo);
  }
};

// Stops files with absurdly many scans before they cost minutes of work.
void LimitScans(j_common_ptr common) {
  if (!common->is_decompressor) return;
  auto* cinfo = reinterpret_cast<j_decompress_ptr>(common);
  if (cinfo->input_scan_number > kMaxDecodeScans) {
    common->err->msg_code = JERR_NOT_COMPILED;
    common->err->error_exit(common);
  }
}

bool CreatePhase(DecodeState& s) {
  if (setjmp(s.err.jump)) return false;
  s.cinfo.err = InitJpegErrorManager(s.err);
  jpeg_create_decompress(&s.cinfo);
  s.created = true;
  s.progress.progress_monitor = LimitScans;
  s.cinfo.progress = &s.progress;
  s.cinfo.mem->max_memory_to_use = kMaxDecodeMemory;
  return true;
}

bool ReadHeaderPhase(DecodeState& s, std::FILE* in) {
  if (setjmp(s.err.jump)) return false;
  jpeg_stdio_src(&s.cinfo, in);
  jpeg_read_header(&s.cinfo, TRUE);
  return true;
}

bool DecompressPhase(DecodeState& s, std::uint8_t* rows, std::size_t rowBytes) {
  if (setjmp(s.err.jump)) return false;
  jpeg_start_decompress(&s.cinfo);
  if (static_cast<std::size_t>(s.cinfo.output_width) * s.cinfo.output_components != rowBytes) {
    return false;
  }
  while (s.cinfo.output_scanline < s.cinfo.output_height) {
    JSAMPROW row = rows + static_cast<std::size_t>(s.cinfo.output_scanline) * rowBytes;
    if (jpeg_read_scanlines(&s.cinfo, &row, 1) != 1) return false;
  }
  return true;
}

bool FinishPhase(DecodeState& s) {
  if (setjmp(s.err.jump)) return false;
  jpeg_finish_decompress(&s.cinfo);
  return true;
}

// Refuses sizes no caller can use and colour spaces other than grey and RGB
// output, before any picture memory is allocated.
ImageResult AcceptableFrame(const jpeg_decompress_struct& cinfo, std::uint64_t fileSize) {
  const std::uint64_t w = cinfo.image_width;
  const std::uint64_t h = cinfo.image_height;
  if (w == 0 || h == 0) return ImageStatus::WrongType;
  if (w > kMaxDecodeDimension || h > kMaxDecodeDimension || w * h > kMaxDecodePixels ||
      w * h > std::max<std::uint64_t>(640 * 480, fileSize * kMaxPixelsPerFileByte)) {
    return ImageStatus::TooLarge;
  }
  const bool supported = (cinfo.out_color_space == JCS_RGB && cinfo.num_components == 3) ||
                         (cinfo.out_color_space == JCS_GRAYSCALE && cinfo.num_components == 1);
  return supported ? ImageStatus::Done : ImageStatus::WrongType;
}

// A phase that returned false: the library's error, or our own check.
ImageResult PhaseFailure(const DecodeState& s) {
  return s.err.failed ? ImageStatus::LibraryError : ImageStatus::WrongType;
}

}  // namespace

ImageResult DecodeJpegFile(const std::string& jpegPath, const std::string& bmpPath) {
  DecodeState s;
  if (!CreatePhase(s)) return ImageStatus::LibraryError;
  fileutil::InputFile input = fileutil::OpenInput(jpegPath);
  if (!input.file) return input.status;
  fileutil::File out = fileutil::Open(bmpPath, "wb");
  if (!out) return ImageStatus::WriteFailed;
  if (!ReadHeaderPhase(s, input.file.get())) return PhaseFailure(s);
  if (ImageResult frame = AcceptableFrame(s.cinfo, input.size); !frame) return frame;

  const int components = s.cinfo.out_color_space == JCS_GRAYSCALE ? 1 : 3;
  const std::size_t rowBytes = static_cast<std::size_t>(s.cinfo.image_width) * components;
  std::vector<std::uint8_t> rows;
  try {
    rows.resize(rowBytes * s.cinfo.image_height);
  } catch (const std::bad_alloc&) {
    return ImageStatus::NoMemory;
  }
  if (!DecompressPhase(s, rows.data(), rowBytes)) return PhaseFailure(s);

  std::int32_t xPels = 0;
  std::int32_t yPels = 0;
  if (s.cinfo.density_unit == 2) {
    xPels = s.cinfo.X_density * 100;
    yPels = s.cinfo.Y_density * 100;
  }
  if (!WriteDecodedBitmap(out.get(), s.cinfo.output_width, s.cinfo.output_height, components,
                          xPels, yPels, rows.data())) {
    return ImageStatus::WriteFailed;
  }
  if (!FinishPhase(s)) return PhaseFailure(s);
  return std::fclose(out.release()) == 0 ? ImageStatus::Done : ImageStatus::WriteFailed;
}

}  // namespace lumarel
