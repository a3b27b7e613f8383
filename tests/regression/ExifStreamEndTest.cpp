// SPDX-License-Identifier: MIT
// Where a JPEG stream ends. The marker walk of the stream tools is segment
// aware, but the end of a stream is taken as the first FF D9 byte pair, and
// that pair can occur inside a header segment's payload (an APP1 text, or a
// quantisation table holding the values 255 and 217 in a row).
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include <jpeglib.h>

#include "FuzzSupport.h"
#include "imagefile/ExifFile.h"
#include "imagefile/JpegDecode.h"
#include "imagefile/JpegStream.h"

namespace lumarel::fuzz {
namespace {

// A 32 x 16 colour JPEG (2x1 sampling, standard Huffman tables in one
// segment, so that the Exif writer keeps its scan) whose luminance table starts with 255, 217: its
// DQT payload holds the bytes FF D9.
std::vector<std::uint8_t> JpegWithFfD9InQuantTable() {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr jerr{};
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = 32;
  cinfo.image_height = 16;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  unsigned int table[64];
  for (unsigned int& q : table) q = 16;
  table[0] = 255;  // zigzag positions 0 and 1 are natural positions 0 and 1
  table[1] = 217;
  jpeg_add_quant_table(&cinfo, 0, table, 100, TRUE);
  cinfo.comp_info[0].h_samp_factor = 2;
  cinfo.comp_info[0].v_samp_factor = 1;
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<JSAMPLE> row(32 * 3);
  while (cinfo.next_scanline < cinfo.image_height) {
    for (std::size_t i = 0; i < row.size(); ++i) row[i] = static_cast<JSAMPLE>(i * 5);
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&cinfo, &r, 1);
  }
  jpeg_finish_compress(&cinfo);
  std::vector<std::uint8_t> out(buffer, buffer + size);
  jpeg_destroy_compress(&cinfo);
  std::free(buffer);
  // One DHT segment with all four tables, as the camera writes them, so that
  // the scan is reused: compaction gathers them (its block is zero-filled
  // after the EOI it copies).
  MemoryBlock compact = CompactJpegStream(out);
  if (!compact) return {};
  std::size_t end = compact.size();
  while (end > 0 && compact.data()[end - 1] == 0) --end;
  return std::vector<std::uint8_t>(compact.data(), compact.data() + end);
}

TEST(ExifStreamEndTest, TheTestPictureHoldsFfD9BeforeItsScan) {
  const std::vector<std::uint8_t> jpeg = JpegWithFfD9InQuantTable();
  ASSERT_FALSE(jpeg.empty());
  EXPECT_LT(JpegStreamLength(jpeg), jpeg.size() / 2);
  EXPECT_EQ(HasStandardHuffmanCountsIn(jpeg), 1);
}

// Found by fuzz_jpeg_stream (an FF D9 inside an APP1 payload): WriteExifFile
// ends the main stream at JpegStreamLength of the compacted stream, which
// stops inside the DQT segment, so the saved file is cut short while the call
// reports success. The end should come from the segment walk (CopyScan's FF D9
// after SOS), e.g. CompactJpegStream returning the length it wrote.
TEST(ExifStreamEndTest, ExifFileOfPictureWithFfD9InItsTablesIsComplete) {
  const std::vector<std::uint8_t> jpeg = JpegWithFfD9InQuantTable();
  const std::string path = RunPath("ffd9-table.jpg");
  ASSERT_TRUE(WriteFileBytes(path, jpeg.data(), jpeg.size()));
  SilentNotifier notifier;
  FixedClock clock;
  ASSERT_TRUE(WriteExifFile(path, path, 75, notifier, clock));

  JpegFrame frame;
  ASSERT_TRUE(JpegFrameInfo(path, frame));
  EXPECT_EQ(frame.width, 32);
  EXPECT_EQ(frame.height, 16);
  const std::string written = ReadFileBytes(path);
  ASSERT_GE(written.size(), jpeg.size());
  EXPECT_EQ(static_cast<std::uint8_t>(written[written.size() - 2]), 0xFF);
  EXPECT_EQ(static_cast<std::uint8_t>(written.back()), 0xD9);
  EXPECT_TRUE(DecodeJpegFile(path, RunPath("ffd9-table.bmp")));
}

}  // namespace
}  // namespace lumarel::fuzz
