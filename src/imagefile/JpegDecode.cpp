// SPDX-License-Identifier: MIT
// DecodeJpegFile: JPEG file to BMP file. The library calls are made from small
// C-style phase functions that set the long-jump target of the error manager;
// the object owning the decompression struct releases it exactly once.
#include "imagefile/JpegDecode.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <vector>

#include "imagefile/BmpCodec.h"
#include "imagefile/FileUtil.h"
#include "imagefile/JpegError.h"
#include "imagefile/Orientation.h"

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
  jpeg_save_markers(&s.cinfo, JPEG_APP0 + 1, 0xFFFF);  // Exif, for the orientation
  jpeg_read_header(&s.cinfo, TRUE);
  // Four-channel files come out as CMYK (the library turns YCCK into it); we
  // make RGB of that ourselves.
  if (s.cinfo.jpeg_color_space == JCS_CMYK || s.cinfo.jpeg_color_space == JCS_YCCK)
    s.cinfo.out_color_space = JCS_CMYK;
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

// Refuses sizes no caller can use and colour spaces other than grey, RGB and
// CMYK output, before any picture memory is allocated.
ImageResult AcceptableFrame(const jpeg_decompress_struct& cinfo, std::uint64_t fileSize) {
  const std::uint64_t w = cinfo.image_width;
  const std::uint64_t h = cinfo.image_height;
  if (w == 0 || h == 0) return ImageStatus::WrongType;
  if (w > kMaxDecodeDimension || h > kMaxDecodeDimension || w * h > kMaxDecodePixels)
    return ImageStatus::TooLarge;
  // Huffman coding spends at least a bit or so per 8 x 8 block: a tiny file
  // claiming megapixels is cut short or forged. Arithmetic coding can code a
  // flat picture in far less, so only the limits above bound it.
  if (!cinfo.arith_code && w * h > std::max<std::uint64_t>(640 * 480, fileSize * kMaxPixelsPerFileByte))
    return ImageStatus::WrongType;
  const bool supported = (cinfo.out_color_space == JCS_RGB && cinfo.num_components == 3) ||
                         (cinfo.out_color_space == JCS_GRAYSCALE && cinfo.num_components == 1) ||
                         (cinfo.out_color_space == JCS_CMYK && cinfo.num_components == 4);
  return supported ? ImageStatus::Done : ImageStatus::WrongType;
}

// CMYK rows to RGB in place (3 bytes a pixel out of every 4). Files with an
// Adobe marker store the inks inverted, as Photoshop writes them.
void CmykToRgb(std::uint8_t* rows, std::size_t pixels, bool inverted) {
  for (std::size_t i = 0; i < pixels; ++i) {
    const std::uint8_t* in = rows + 4 * i;
    unsigned c = in[0], m = in[1], y = in[2], k = in[3];
    if (!inverted) {
      c = 255 - c;
      m = 255 - m;
      y = 255 - y;
      k = 255 - k;
    }
    std::uint8_t* out = rows + 3 * i;
    out[0] = static_cast<std::uint8_t>((c * k + 127) / 255);
    out[1] = static_cast<std::uint8_t>((m * k + 127) / 255);
    out[2] = static_cast<std::uint8_t>((y * k + 127) / 255);
  }
}

int OrientationOf(const jpeg_decompress_struct& cinfo) {
  for (jpeg_saved_marker_ptr m = cinfo.marker_list; m != nullptr; m = m->next) {
    if (m->marker != JPEG_APP0 + 1) continue;
    const int o = ExifOrientationOf(std::span<const std::uint8_t>(m->data, m->data_length));
    if (o != 1) return o;
  }
  return 1;
}

// A phase that returned false: the library's error, or our own check.
ImageResult PhaseFailure(const DecodeState& s) {
  return s.err.failed ? ImageStatus::LibraryError : ImageStatus::WrongType;
}

}  // namespace

ImageResult DecodeJpegFile(const std::string& jpegPath, const std::string& bmpPath,
                           DecodedSize* size) {
  DecodeState s;
  if (!CreatePhase(s)) return ImageStatus::LibraryError;
  fileutil::InputFile input = fileutil::OpenInput(jpegPath);
  if (!input.file) return input.result();
  fileutil::File out = fileutil::Open(bmpPath, "wb");
  if (!out) return WriteError(errno);
  // Whatever fails from here leaves the scratch file empty: half a picture
  // must never pass for a whole one.
  auto fail = [&](ImageResult r) {
    out.reset();
    (void)!::truncate(bmpPath.c_str(), 0);
    return r;
  };
  if (!ReadHeaderPhase(s, input.file.get())) return fail(PhaseFailure(s));
  if (size != nullptr) *size = {s.cinfo.image_width, s.cinfo.image_height};
  if (ImageResult frame = AcceptableFrame(s.cinfo, input.size); !frame) return fail(frame);

  const bool cmyk = s.cinfo.out_color_space == JCS_CMYK;
  const int components = s.cinfo.out_color_space == JCS_GRAYSCALE ? 1 : 3;
  const std::size_t w = s.cinfo.image_width;
  const std::size_t h = s.cinfo.image_height;
  const std::size_t rowBytes = w * (cmyk ? 4 : components);
  std::vector<std::uint8_t> rows;
  try {
    rows.resize(rowBytes * h);
  } catch (const std::bad_alloc&) {
    return fail(ImageStatus::NoMemory);
  }
  if (!DecompressPhase(s, rows.data(), rowBytes)) return fail(PhaseFailure(s));
  if (cmyk) CmykToRgb(rows.data(), w * h, s.cinfo.saw_Adobe_marker);
  const std::size_t stored = w * components;  // bytes of a stored row from here on

  std::int32_t xPels = 0;
  std::int32_t yPels = 0;
  if (s.cinfo.density_unit == 2) {
    xPels = s.cinfo.X_density * 100;
    yPels = s.cinfo.Y_density * 100;
  }
  // The picture is written upright: the Exif orientation is applied here.
  const int orientation = OrientationOf(s.cinfo);
  const bool swap = SwapsSides(orientation);
  const std::uint32_t outW = static_cast<std::uint32_t>(swap ? h : w);
  const std::uint32_t outH = static_cast<std::uint32_t>(swap ? w : h);
  if (swap) std::swap(xPels, yPels);
  std::vector<std::uint8_t> turned(orientation == 1 ? 0 : std::size_t{outW} * components);
  const DecodedRowOf rowOf = [&](std::uint32_t y) -> const std::uint8_t* {
    if (orientation == 1) return rows.data() + y * stored;
    for (std::uint32_t x = 0; x < outW; ++x) {
      const StoredPixel p = StoredPixelOf(orientation, x, y, static_cast<std::uint32_t>(w),
                                          static_cast<std::uint32_t>(h));
      std::memcpy(&turned[std::size_t{x} * components], &rows[p.y * stored + std::size_t{p.x} * components],
                  static_cast<std::size_t>(components));
    }
    return turned.data();
  };
  if (!WriteDecodedBitmap(out.get(), outW, outH, components, xPels, yPels, rowOf))
    return fail(WriteError(errno));
  if (!FinishPhase(s)) return fail(PhaseFailure(s));
  if (std::fclose(out.release()) != 0) {
    const int error = errno;
    (void)!::truncate(bmpPath.c_str(), 0);
    return WriteError(error);
  }
  return ImageStatus::Done;
}

}  // namespace lumarel
