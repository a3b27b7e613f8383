// SPDX-License-Identifier: MIT
#include "ExternalTools.h"
#include "imagefile/JpegStream.h"

#include <gtest/gtest.h>

#include "ImageTestSupport.h"
#include "imagefile/JpegDecode.h"
#include "imagefile/JpegEncode.h"
#include "PlatformFakes.h"

namespace lumarel {
namespace {

using testing::Bytes;
using testing::ReadFileBytes;
using testing::WriteFileBytes;

class JpegStreamTest : public testing::ScratchDir {
 protected:
  std::string Encoded(const std::string& sampling, const std::string& name = "e.jpg") {
    testing::BmpSpec shape;
    shape.width = 40;
    shape.height = 24;
    WriteFileBytes(Path("e.bmp"), testing::MakeBmp(shape));
    EXPECT_TRUE(EncodeJpegFile(Path("e.bmp"), Path(name), sampling, 75));
    return Path(name);
  }
};

Bytes Seg(std::uint8_t marker, const Bytes& payload) {
  Bytes s = {0xFF, marker, 0, 0};
  bytes::PutBe16(&s[2], static_cast<std::uint32_t>(payload.size() + 2));
  s.insert(s.end(), payload.begin(), payload.end());
  return s;
}
Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

TEST_F(JpegStreamTest, HeadersEndAfterSosLength) {
  const std::string path = Encoded("2x1,1x1,1x1");
  const Bytes file = ReadFileBytes(path);
  MemoryBlock headers = ReadJpegHeaders(path);
  ASSERT_TRUE(headers);
  const std::size_t sos = testing::Segments(file).back().offset;
  ASSERT_EQ(headers.size(), sos + 4);
  EXPECT_TRUE(std::equal(headers.data(), headers.data() + headers.size(), file.begin()));
}

struct HeaderDamage {
  const char* name;
  Bytes bytes;
};
class ReadJpegHeadersRefuses : public JpegStreamTest,
                               public ::testing::WithParamInterface<HeaderDamage> {};
TEST_P(ReadJpegHeadersRefuses, Hostile) {
  WriteFileBytes(Path("h.jpg"), GetParam().bytes);
  EXPECT_FALSE(ReadJpegHeaders(Path("h.jpg")));
  JpegFrame frame;
  EXPECT_FALSE(JpegFrameInfo(Path("h.jpg"), frame));
}
INSTANTIATE_TEST_SUITE_P(
    Files, ReadJpegHeadersRefuses,
    ::testing::Values(HeaderDamage{"Empty", {}}, HeaderDamage{"OneByte", {0xFF}},
                      HeaderDamage{"Bitmap", {'B', 'M', 0xFF, 0xDA, 0, 2}},
                      HeaderDamage{"NoSoi", {0x12, 0x34, 0xFF, 0xDA, 0, 2}},
                      HeaderDamage{"NoSos", Cat({{0xFF, 0xD8}, Seg(0xE0, Bytes(14, 0))})},
                      HeaderDamage{"LengthRunsPastEnd", {0xFF, 0xD8, 0xFF, 0xE0, 0x40, 0x00, 1, 2}},
                      HeaderDamage{"LengthBelowTwo", {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x00, 0xFF, 0xDA}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(JpegStreamTest, HeadersMissingFile) { EXPECT_FALSE(ReadJpegHeaders(Path("none.jpg"))); }

TEST_F(JpegStreamTest, FrameInfoOfOwnOutput) {
  JpegFrame frame;
  ASSERT_TRUE(JpegFrameInfo(Encoded("4x1,1x1,1x1"), frame));
  EXPECT_EQ(frame.width, 40);
  EXPECT_EQ(frame.height, 24);
  EXPECT_EQ(frame.componentCount, 3);
  ASSERT_EQ(frame.sampling.size(), 3u);
  EXPECT_EQ(frame.sampling[0].horizontal, 4);
  EXPECT_EQ(frame.sampling[0].vertical, 1);
  EXPECT_EQ(frame.sampling[2].horizontal, 1);
}

TEST(JpegFrame, NoSof0GivesZeros) {
  const Bytes headers = Cat({{0xFF, 0xD8}, Seg(0xC2, {8, 0, 8, 0, 8, 1, 1, 0x11, 0}), {0xFF, 0xDA, 0, 8}});
  JpegFrame frame = ParseJpegFrame(headers);
  EXPECT_EQ(frame.width, 0);
  EXPECT_EQ(frame.componentCount, 0);
}

TEST(JpegFrame, TruncatedComponentListIsCut) {
  const Bytes headers = Cat({{0xFF, 0xD8}, Seg(0xC0, {8, 0, 8, 0, 16, 3, 1, 0x21, 0}), {0xFF, 0xDA, 0, 8}});
  JpegFrame frame = ParseJpegFrame(headers);
  EXPECT_EQ(frame.width, 16);
  EXPECT_EQ(frame.componentCount, 3);
  ASSERT_EQ(frame.sampling.size(), 1u);
  EXPECT_EQ(frame.sampling[0].horizontal, 2);
}

TEST_F(JpegStreamTest, HuffmanTestOnSeparateAndCombinedTables) {
  testing::RecordingNotifier notifier;
  const std::string path = Encoded("2x1,1x1,1x1");
  EXPECT_EQ(HasStandardHuffmanCounts(path, notifier), 0);
  MemoryBlock compact = CompactJpegStream(ReadWholeFile(path));
  ASSERT_TRUE(compact);
  Bytes one(compact.data(), compact.data() + JpegStreamLength(compact));
  WriteFileBytes(Path("one.jpg"), one);
  EXPECT_EQ(HasStandardHuffmanCounts(Path("one.jpg"), notifier), 1);
  EXPECT_TRUE(notifier.shown.empty());
  // A changed count in the combined segment fails the test.
  for (const testing::Segment& s : testing::Segments(one)) {
    if (s.marker == 0xC4) one[s.offset + 5 + 2] ^= 1;
  }
  WriteFileBytes(Path("changed.jpg"), one);
  EXPECT_EQ(HasStandardHuffmanCounts(Path("changed.jpg"), notifier), 0);
}

TEST_F(JpegStreamTest, HuffmanTestOnUnreadableFileShowsMessage) {
  testing::RecordingNotifier notifier;
  WriteFileBytes(Path("x.jpg"), Bytes{'B', 'M', 0, 0});
  EXPECT_EQ(HasStandardHuffmanCounts(Path("x.jpg"), notifier), 0);
  ASSERT_EQ(notifier.shown.size(), 1u);
  EXPECT_EQ(notifier.shown[0].text, "This is not a Jpeg file.");
  EXPECT_EQ(notifier.shown[0].buttons, MessageButtons::Ok);
}

TEST(HuffmanCounts, DhtWhoseSymbolsRunPastItsSegmentIsSafe) {
  Bytes payload(17, 0);
  payload[16] = 200;  // claims 200 symbols, none present
  const Bytes headers = Cat({{0xFF, 0xD8}, Seg(0xC4, payload), {0xFF, 0xDA, 0, 8}});
  EXPECT_EQ(HasStandardHuffmanCountsIn(headers), 0);
}

TEST(JpegStreamLength, UpToFirstEoi) {
  const Bytes s = {0xFF, 0xD8, 1, 0xFF, 0xD9, 0xFF, 0xD9, 0};
  EXPECT_EQ(JpegStreamLength(s), 5u);
  const Bytes none = {0xFF, 0xD8, 1, 2, 0xFF};
  EXPECT_EQ(JpegStreamLength(none), 5u);
  EXPECT_EQ(JpegStreamLength({}), 0u);
}

TEST(CompactJpegStream, GathersTablesAndDropsAppAndComments) {
  const Bytes dqt0 = Cat({{0x00}, Bytes(64, 3)});
  const Bytes dqt1 = Cat({{0x01}, Bytes(64, 4)});
  const Bytes dht0 = Cat({{0x00}, Bytes(16, 0), Bytes{}});
  const Bytes dht1 = Cat({{0x10}, {0, 1}, Bytes(14, 0), {0x42}});
  const Bytes sof = Seg(0xC0, {8, 0, 8, 0, 8, 1, 1, 0x11, 0});
  const Bytes dri = Seg(0xDD, {0, 4});
  const Bytes scan = {0xFF, 0xDA, 0, 8, 1, 1, 0, 0, 63, 0, 0x12, 0xFF, 0x00, 0x34, 0xFF, 0xD0, 0x56, 0xFF, 0xD9};
  const Bytes in = Cat({{0xFF, 0xD8}, Seg(0xE0, Bytes(14, 7)), Seg(0xE1, Bytes(30, 8)), Seg(0xFE, {'h', 'i'}),
                        Seg(0xDB, dqt0), Seg(0xC4, dht0), sof, Seg(0xDB, dqt1), Seg(0xEF, {1}), Seg(0xC4, dht1),
                        dri, scan, {0xAA, 0xBB}});
  MemoryBlock out = CompactJpegStream(in);
  ASSERT_TRUE(out);
  ASSERT_EQ(out.size(), in.size());
  const Bytes expected = Cat({{0xFF, 0xD8}, Seg(0xDB, Cat({dqt0, dqt1})), Seg(0xC4, Cat({dht0, dht1})), sof, dri, scan});
  EXPECT_EQ(Bytes(out.data(), out.data() + expected.size()), expected);
  for (std::size_t i = expected.size(); i < out.size(); ++i) ASSERT_EQ(out.data()[i], 0) << i;
  EXPECT_EQ(JpegStreamLength(out), expected.size());
}

TEST(CompactJpegStream, RefusesBrokenStreams) {
  const Bytes sof = Seg(0xC0, {8, 0, 8, 0, 8, 1, 1, 0x11, 0});
  EXPECT_FALSE(CompactJpegStream(Cat({{0xFF, 0xD8}, sof, {0xFF, 0xDA, 0, 8, 1, 2, 3}})));  // no EOI
  EXPECT_FALSE(CompactJpegStream(Cat({{0xFF, 0xD8}, {0xFF, 0xC0, 0x7F, 0xFF, 1}})));        // past end
  EXPECT_FALSE(CompactJpegStream(Cat({{0xFF, 0xD8}, {0xFF, 0xE0, 0, 1, 0xFF, 0xD9}})));     // length 1
  EXPECT_FALSE(CompactJpegStream(Cat({{0xFF, 0xD8}, {0x00, 0x00, 0xFF, 0xD9}})));           // not a marker
  EXPECT_FALSE(CompactJpegStream(Cat({{0xFF, 0xD8}, Seg(0xDB, {0}), {0xFF, 0xDB, 0x40}})));  // later DQT cut
  EXPECT_FALSE(CompactJpegStream(Bytes{}));
  const Bytes eoiOnly = {0xFF, 0xD8, 0xFF, 0xD9};
  EXPECT_TRUE(CompactJpegStream(eoiOnly));
}

TEST(CompactJpegStream, GatheredSegmentOver64KiBIsRefused) {
  Bytes in = {0xFF, 0xD8};
  for (int i = 0; i < 3; ++i) {
    const Bytes dqt = Seg(0xDB, Bytes(30000, 1));
    in.insert(in.end(), dqt.begin(), dqt.end());
  }
  in.insert(in.end(), {0xFF, 0xDA, 0, 2, 0xFF, 0xD9});
  EXPECT_FALSE(CompactJpegStream(in));
}

TEST_F(JpegStreamTest, CompactedRealFileStillDecodesTheSame) {
  LUMAREL_SKIP_WITHOUT("convert", "exiftool");
  ASSERT_EQ(testing::Run("convert -size 48x32 gradient:red-blue -set comment hello -sampling-factor 2x1 " + Path("c.jpg")), 0);
  ASSERT_EQ(testing::Run("exiftool -overwrite_original -Make=Other " + Path("c.jpg")), 0);
  MemoryBlock compact = CompactJpegStream(ReadWholeFile(Path("c.jpg")));
  ASSERT_TRUE(compact);
  const Bytes out(compact.data(), compact.data() + JpegStreamLength(compact));
  for (const testing::Segment& s : testing::Segments(out)) {
    EXPECT_FALSE((s.marker >= 0xE0 && s.marker <= 0xEF) || s.marker == 0xFE) << int(s.marker);
  }
  WriteFileBytes(Path("d.jpg"), out);
  ASSERT_TRUE(DecodeJpegFile(Path("c.jpg"), Path("c.bmp")));
  ASSERT_TRUE(DecodeJpegFile(Path("d.jpg"), Path("d.bmp")));
  EXPECT_EQ(ReadFileBytes(Path("c.bmp")), ReadFileBytes(Path("d.bmp")));
}

}  // namespace
}  // namespace lumarel
