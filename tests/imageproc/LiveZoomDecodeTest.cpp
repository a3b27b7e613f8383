// SPDX-License-Identifier: MIT
// Live-frame and zoom-picture decoding into their pictures.
#include <gtest/gtest.h>

#include "TestPictures.h"
#include "imageproc/LiveDecode.h"
#include "imageproc/ZoomDecode.h"

namespace lumarel {
namespace {

using testing::Bgr;

constexpr std::size_t kPacket = 116;

// A picture block filled with 0x80 after its header, like the start-up ones.
std::vector<std::uint8_t> GreyBlock(int width, int height, std::size_t size) {
  std::vector<std::uint8_t> block(size, 0x80);
  WriteDibHeader(block, width, height, 24);
  return block;
}

// Pixel x of row `fromTop` (-1 = spare row) of a picture stored bottom-up.
Bgr TopRowPixel(const std::vector<std::uint8_t>& dib, int x, int fromTop) {
  const int h = DibHeight(dib);
  return testing::PixelAt(dib, x, h - 1 - fromTop);
}

std::array<std::uint8_t, kLiveLinePixels * 3> LiveLine(std::uint8_t byte, int index,
                                                       LiveDecoderState& state) {
  std::vector<std::uint8_t> packet(kPacket, byte);
  std::array<std::uint8_t, kLiveLinePixels * 3> line;
  DecodeLiveLine(packet, index, state, line);
  return line;
}

TEST(LiveDecodeTest, BrightnessOnlyByteGivesGrey) {
  LiveDecoderState state;
  const auto line = LiveLine(0xF0, 0, state);
  for (int k = 0; k < kLiveLinePixels * 3; ++k) ASSERT_EQ(line[k], 240);
}

TEST(LiveDecodeTest, NegativeFirstComponentClampsRedAndLiftsGreen) {
  LiveDecoderState state;
  const auto line = LiveLine(0x08, 0, state);  // A = 0, P = -128, Q = 0
  EXPECT_EQ(line[0], 0);
  EXPECT_EQ(line[1], 64);
  EXPECT_EQ(line[2], 0);
}

TEST(LiveDecodeTest, ChromaIsRememberedPerParityAcrossPackets) {
  LiveDecoderState state;
  LiveLine(0x08, 0, state);                    // P := -128
  const auto odd = LiveLine(0xF2, 1, state);   // A = 240, Q = 32, P from the even packet
  EXPECT_EQ(odd[0], 255);                      // 240 + 32
  EXPECT_EQ(odd[1], 255);                      // 240 + 64 - 6
  EXPECT_EQ(odd[2], 112);                      // 240 - 128
  const auto even = LiveLine(0xF0, 2, state);  // P := 0, Q = 32 kept
  EXPECT_EQ(even[0], 255);
  EXPECT_EQ(even[1], 234);                     // 240 - 0 - 32 / 5
  EXPECT_EQ(even[2], 240);
}

TEST(LiveDecodeTest, WideningTwoSamplesToThreePixels) {
  LiveDecoderState state;
  std::vector<std::uint8_t> packet(kPacket);
  for (int i = 0; i < kLiveSamples; ++i) packet[i] = static_cast<std::uint8_t>((i % 16) << 4);
  std::array<std::uint8_t, kLiveLinePixels * 3> line;
  DecodeLiveLine(packet, 0, state, line);
  // Samples 0, 16, 32: pixels 0, (0 + 7 x 16) / 10 = 11, (7 x 16 + 3 x 32) / 10 = 20.
  EXPECT_EQ(line[0], 0);
  EXPECT_EQ(line[3], 11);
  EXPECT_EQ(line[6], 20);
  EXPECT_EQ(line[9], 32);
  // The last pixel stands on sample 111 twice: (7 s + 3 s) / 10 = s.
  EXPECT_EQ(line[3 * 167], (111 % 16) * 16);
}

TEST(LiveDecodeTest, FrameFillsRowsZeroTo118AndTheSpareRow) {
  auto frame = GreyBlock(160, 120, kPreviewSlotSize);
  LiveDecoderState state;
  for (int k = 0; k < kLivePacketsPerFrame; ++k) {
    std::vector<std::uint8_t> packet(kPacket, static_cast<std::uint8_t>((k % 15) << 4));
    ASSERT_TRUE(DecodeLivePacket(packet, k, state, frame));
  }
  EXPECT_EQ(state.lineOffset, 120 * 480);
  for (int k = 0; k < kLivePacketsPerFrame; ++k) {
    const auto v = static_cast<std::uint8_t>((k % 15) * 16);
    EXPECT_EQ(TopRowPixel(frame, 0, 2 * k), (Bgr{v, v, v})) << "camera line " << k;
    if (k > 0) {
      const auto before = static_cast<std::uint8_t>(((k - 1) % 15) * 16);
      const auto mixed = static_cast<std::uint8_t>(before / 2 + v / 2);
      EXPECT_EQ(TopRowPixel(frame, 159, 2 * k - 1), (Bgr{mixed, mixed, mixed}));
    }
  }
  EXPECT_EQ(TopRowPixel(frame, 0, 119), (Bgr{0x80, 0x80, 0x80})) << "row 119 untouched";
  EXPECT_EQ(TopRowPixel(frame, 0, -1), (Bgr{0, 0, 0})) << "spare row: 0/2 + 0/2";
}

TEST(LiveDecodeTest, ExtraPacketsAndTightBlocksWriteNothingOutside) {
  std::vector<std::uint8_t> frame = GreyBlock(160, 120, 40 + 57600);  // no room for the spare row
  const auto original = frame;
  LiveDecoderState state;
  std::vector<std::uint8_t> packet(kPacket, 0xF0);
  ASSERT_TRUE(DecodeLivePacket(packet, 0, state, frame));
  EXPECT_TRUE(std::equal(frame.begin(), frame.end() - 480, original.begin()))
      << "only the top row may change";
  // A camera that sends more than 60 packets without a reset runs off the
  // picture: the rows past its top are dropped, the header is never reached.
  for (int k = 1; k < 200; ++k) DecodeLivePacket(packet, k, state, frame);
  EXPECT_TRUE(std::equal(frame.begin(), frame.begin() + 40, original.begin()));
  EXPECT_FALSE(DecodeLivePacket(std::vector<std::uint8_t>(111), 0, state, frame));
  std::vector<std::uint8_t> notAPicture(100, 0);
  EXPECT_FALSE(DecodeLivePacket(packet, 0, state, notAPicture));
}

// Zoom packet whose nine groups all carry Y, v, u for every pixel.
std::vector<std::uint8_t> ZoomPacket(std::uint8_t y, std::int8_t u, std::int8_t v) {
  std::vector<std::uint8_t> packet(kPacket, 0);
  for (int g = 0; g < 9; ++g) {
    std::uint8_t* group = packet.data() + 3 + 12 * g;
    std::fill(group, group + 8, y);
    group[8] = group[9] = static_cast<std::uint8_t>(v);
    group[10] = group[11] = static_cast<std::uint8_t>(u);
  }
  return packet;
}

TEST(ZoomDecodeTest, GroupPixelFormula) {
  ZoomDecoderState state;
  auto packet = ZoomPacket(0, 0, 0);
  packet[3] = 100;
  packet[3 + 8] = 20;   // v of pixels 0..3
  packet[3 + 10] = 10;  // u of pixels 0..3
  packet[3 + 12 * 8 + 9] = static_cast<std::uint8_t>(-20);  // v of pixels 68..71
  DecodeZoomGroups(packet, 1, state);
  const std::uint8_t* p = state.line.data() + 3 * 72;
  EXPECT_EQ(p[0], 121);
  EXPECT_EQ(p[1], 79);
  EXPECT_EQ(p[2], 133);
  const std::uint8_t* last = state.line.data() + 3 * (72 + 71);
  EXPECT_EQ(last[1], 17);  // 0 - 0 - (-1720 / 100)
  EXPECT_EQ(last[2], 0);   // -20 - 13 clamps
}

TEST(ZoomDecodeTest, LinesFillTwoRowsEach) {
  auto photo = GreyBlock(640, 480, kPictureBlockSize);
  ZoomDecoderState state;
  for (int k = 0; k < 9; ++k) ASSERT_TRUE(DecodeZoomPacket(ZoomPacket(101, 0, 0), k, state, photo));
  EXPECT_EQ(TopRowPixel(photo, 0, -1), (Bgr{101, 101, 101}));
  EXPECT_EQ(TopRowPixel(photo, 639, 0), (Bgr{100, 100, 100}));  // 101/2 + 101/2
  EXPECT_EQ(TopRowPixel(photo, 639, 1), (Bgr{101, 101, 101}));
  EXPECT_EQ(TopRowPixel(photo, 0, 2), (Bgr{0x80, 0x80, 0x80}));
  for (int k = 9; k < 18; ++k) DecodeZoomPacket(ZoomPacket(51, 0, 0), k, state, photo);
  EXPECT_EQ(TopRowPixel(photo, 5, 2), (Bgr{75, 75, 75}));  // 50 + 25
  EXPECT_EQ(TopRowPixel(photo, 5, 3), (Bgr{51, 51, 51}));
}

TEST(ZoomDecodeTest, WholePictureFillsAll480RowsAndNothingElse) {
  auto photo = GreyBlock(640, 480, kPicture640x480ContentSize);  // no spare room
  ZoomDecoderState state;
  for (int k = 0; k < kZoomPacketsPerPicture + 30; ++k) {
    DecodeZoomPacket(ZoomPacket(static_cast<std::uint8_t>(k / 9 % 2 ? 10 : 200), 0, 0), k, state,
                     photo);
  }
  for (int row = 0; row < 480; ++row) ASSERT_NE(TopRowPixel(photo, 320, row).g, 0x80) << row;
}

}  // namespace
}  // namespace lumarel
