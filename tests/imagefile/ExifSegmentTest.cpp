// SPDX-License-Identifier: MIT
#include "imagefile/ExifSegment.h"

#include <gtest/gtest.h>

#include <cstring>

#include "ImageTestSupport.h"
#include "PlatformFakes.h"

namespace lumarel {
namespace {

using testing::Bytes;

constexpr std::size_t T0 = kExifTiffStart;  // TIFF offset 0 within the segment

TEST(ExifSegment, Header) {
  MemoryBlock s = BuildExifSegment();
  ASSERT_TRUE(s);
  ASSERT_EQ(s.size(), 474u);
  const std::uint8_t head[] = {0xFF, 0xE1, 0x01, 0xD8, 'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0};
  EXPECT_EQ(0, std::memcmp(s.data(), head, sizeof head));
}

// TIFF offset and the bytes expected there.
struct Expected {
  const char* name;
  std::uint32_t offset;
  Bytes bytes;
};
Bytes Le32(std::uint32_t v) { return {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)}; }
Bytes Text(const char* t, std::size_t n) { return Bytes(t, t + n); }
Bytes Entry(std::uint16_t tag, std::uint16_t type, std::uint32_t count, Bytes value) {
  Bytes e = {std::uint8_t(tag), std::uint8_t(tag >> 8), std::uint8_t(type), std::uint8_t(type >> 8)};
  Bytes c = Le32(count);
  e.insert(e.end(), c.begin(), c.end());
  e.insert(e.end(), value.begin(), value.end());
  return e;
}
// Entry i of the IFD starting at TIFF offset `ifd`.
std::uint32_t EntryAt(std::uint32_t ifd, int i) { return ifd + 2 + 12 * i; }

class ExifSegmentLayout : public ::testing::TestWithParam<Expected> {};
TEST_P(ExifSegmentLayout, BytesAtTiffOffset) {
  MemoryBlock s = BuildExifSegment();
  ASSERT_TRUE(s);
  const Expected& e = GetParam();
  ASSERT_LE(T0 + e.offset + e.bytes.size(), s.size());
  EXPECT_EQ(Bytes(s.data() + T0 + e.offset, s.data() + T0 + e.offset + e.bytes.size()), e.bytes);
}
INSTANTIATE_TEST_SUITE_P(
    Offsets, ExifSegmentLayout,
    ::testing::Values(
        Expected{"Ifd0Count", 8, {9, 0}},
        Expected{"Make", EntryAt(8, 0), Entry(0x010F, 2, 10, Le32(122))},
        Expected{"Model", EntryAt(8, 1), Entry(0x0110, 2, 10, Le32(132))},
        Expected{"XResolution", EntryAt(8, 2), Entry(0x011A, 5, 1, Le32(142))},
        Expected{"YResolution", EntryAt(8, 3), Entry(0x011B, 5, 1, Le32(150))},
        Expected{"ResolutionUnit", EntryAt(8, 4), Entry(0x0128, 3, 1, {2, 0, 0, 0})},
        Expected{"Software", EntryAt(8, 5), Entry(0x0131, 2, 8, Le32(158))},
        Expected{"DateTime", EntryAt(8, 6), Entry(0x0132, 2, 20, Le32(166))},
        Expected{"YCbCrPositioning", EntryAt(8, 7), Entry(0x0213, 3, 1, {2, 0, 0, 0})},
        Expected{"ExifPointer", EntryAt(8, 8), Entry(0x8769, 4, 1, Le32(186))},
        Expected{"Ifd0Next", 118, Le32(370)},
        Expected{"MakeText", 122, Text("Quorandel\0", 10)},
        Expected{"ModelText", 132, Text("QD-K7700 \0", 10)},
        Expected{"XResolutionValue", 142, Text("\x48\0\0\0\1\0\0\0", 8)},
        Expected{"YResolutionValue", 150, Text("\x48\0\0\0\1\0\0\0", 8)},
        Expected{"SoftwareText", 158, Text("Ver.1.0\0", 8)},
        Expected{"DateTimeText", 166, Text("1999:01:01 00:00:00\0", 20)},
        Expected{"ExifCount", 186, {9, 0}},
        Expected{"ExifVersion", EntryAt(186, 0), Entry(0x9000, 7, 4, Text("0210", 4))},
        Expected{"DateTimeOriginal", EntryAt(186, 1), Entry(0x9003, 2, 20, Le32(300))},
        Expected{"DateTimeDigitized", EntryAt(186, 2), Entry(0x9004, 2, 20, Le32(320))},
        Expected{"ComponentsConfiguration", EntryAt(186, 3), Entry(0x9101, 7, 4, {1, 2, 3, 0})},
        Expected{"FlashpixVersion", EntryAt(186, 4), Entry(0xA000, 7, 4, Text("0100", 4))},
        Expected{"ColorSpace", EntryAt(186, 5), Entry(0xA001, 3, 1, {1, 0, 0, 0})},
        Expected{"PixelX", EntryAt(186, 6), Entry(0xA002, 4, 1, Le32(0))},
        Expected{"PixelY", EntryAt(186, 7), Entry(0xA003, 4, 1, Le32(0))},
        Expected{"InteropPointer", EntryAt(186, 8), Entry(0xA005, 4, 1, Le32(340))},
        Expected{"ExifNext", 296, Le32(0)},
        Expected{"OriginalText", 300, Text("1999:01:01 00:00:00\0", 20)},
        Expected{"DigitizedText", 320, Text("1999:01:01 00:00:00\0", 20)},
        Expected{"InteropCount", 340, {2, 0}},
        Expected{"InteropIndex", EntryAt(340, 0), Entry(0x0001, 2, 4, Text("R98\0", 4))},
        Expected{"InteropVersion", EntryAt(340, 1), Entry(0x0002, 7, 4, Text("0100", 4))},
        Expected{"InteropNext", 366, Le32(0)},
        Expected{"Ifd1Count", 370, {6, 0}},
        Expected{"Compression", EntryAt(370, 0), Entry(0x0103, 3, 1, {6, 0, 0, 0})},
        Expected{"Ifd1XResolution", EntryAt(370, 1), Entry(0x011A, 5, 1, Le32(448))},
        Expected{"Ifd1YResolution", EntryAt(370, 2), Entry(0x011B, 5, 1, Le32(456))},
        Expected{"Ifd1ResolutionUnit", EntryAt(370, 3), Entry(0x0128, 3, 1, {2, 0, 0, 0})},
        Expected{"ThumbnailOffset", EntryAt(370, 4), Entry(0x0201, 4, 1, Le32(464))},
        Expected{"ThumbnailLength", EntryAt(370, 5), Entry(0x0202, 4, 1, Le32(0))},
        Expected{"Ifd1Next", 444, Le32(0)},
        Expected{"Ifd1Resolutions", 448, Text("\x48\0\0\0\1\0\0\0\x48\0\0\0\1\0\0\0", 16)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ExifSegment, AllocationFailureGivesNull) {
  ScopedAllocationFailure fail;
  EXPECT_FALSE(BuildExifSegment());
}

TEST(SetExifTag, LittleEndianNumbersAndTexts) {
  testing::RecordingNotifier notifier;
  MemoryBlock s = BuildExifSegment();
  EXPECT_EQ(SetExifTag(s, 0xA002, 640u, notifier), 1);
  EXPECT_EQ(SetExifTag(s, 0x0202, 0x01020304u, notifier), 1);
  EXPECT_EQ(SetExifTag(s, 0x9004, std::string("2001:03:07 09:05:02"), notifier), 1);
  EXPECT_EQ(SetExifTag(s, 0x0001, std::string("R99"), notifier), 1);  // value in the entry itself
  EXPECT_EQ(bytes::Le32(s.data() + T0 + EntryAt(186, 6) + 8), 640u);
  EXPECT_EQ(bytes::Le32(s.data() + T0 + EntryAt(370, 5) + 8), 0x01020304u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(s.data() + T0 + 320)), "2001:03:07 09:05:02");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(s.data() + T0 + EntryAt(340, 0) + 8)), "R99");
  EXPECT_TRUE(notifier.shown.empty());
}

TEST(SetExifTag, MissingTagShowsMessageAndChangesNothing) {
  testing::RecordingNotifier notifier;
  MemoryBlock s = BuildExifSegment();
  const Bytes before(s.data(), s.data() + s.size());
  EXPECT_EQ(SetExifTag(s, 0x1234, 5u, notifier), 0);
  ASSERT_EQ(notifier.shown.size(), 1u);
  EXPECT_EQ(notifier.shown[0].text, "Can not find the Tag.");
  EXPECT_EQ(Bytes(s.data(), s.data() + s.size()), before);
}

TEST(SetExifTag, TextLongerThanTheTagIsRefused) {
  testing::RecordingNotifier notifier;
  MemoryBlock s = BuildExifSegment();
  const Bytes before(s.data(), s.data() + s.size());
  EXPECT_EQ(SetExifTag(s, 0x0131, std::string("Version 1.0.0.0"), notifier), 0);
  EXPECT_EQ(Bytes(s.data(), s.data() + s.size()), before);
}

// A big-endian segment: IFD0 with ImageWidth (SHORT) and the Exif pointer, an
// Exif IFD holding DateTimeOriginal.
Bytes BigEndianSegment() {
  Bytes s(10 + 8 + 2 + 24 + 4 + 2 + 12 + 4 + 20, 0);
  std::memcpy(s.data(), "\xFF\xE1\0\0Exif\0\0MM\0\x2A\0\0\0\x08", 18);
  std::uint8_t* t = s.data() + 10;
  bytes::PutBe16(t + 8, 2);
  const std::uint8_t e0[] = {0x01, 0x00, 0, 3, 0, 0, 0, 1, 0, 0, 0, 0};
  const std::uint8_t e1[] = {0x87, 0x69, 0, 4, 0, 0, 0, 1, 0, 0, 0, 38};
  std::memcpy(t + 10, e0, 12);
  std::memcpy(t + 22, e1, 12);
  bytes::PutBe16(t + 38, 1);
  const std::uint8_t e2[] = {0x90, 0x03, 0, 2, 0, 0, 0, 20, 0, 0, 0, 56};
  std::memcpy(t + 40, e2, 12);
  return s;
}

TEST(SetExifTag, BigEndianSegment) {
  testing::RecordingNotifier notifier;
  Bytes s = BigEndianSegment();
  EXPECT_EQ(SetExifTag(s, 0x0100, 0x00000280u, notifier), 1);
  EXPECT_EQ(bytes::Be32(&s[10 + 10 + 8]), 0x280u);
  EXPECT_EQ(SetExifTag(s, 0x9003, std::string("2001:03:07 09:05:02"), notifier), 1);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&s[10 + 56])), "2001:03:07 09:05:02");
  EXPECT_TRUE(notifier.shown.empty());
}

TEST(SetExifTag, HostileSegmentsAreSafe) {
  testing::RecordingNotifier notifier;
  Bytes s = BigEndianSegment();
  bytes::PutBe32(&s[10 + 40 + 8], 0x7FFFFFF0);  // DateTimeOriginal data past the end
  EXPECT_EQ(SetExifTag(s, 0x9003, std::string("x"), notifier), 0);
  Bytes loop = BigEndianSegment();
  bytes::PutBe32(&loop[10 + 34], 8);  // IFD0's next offset points to itself
  EXPECT_EQ(SetExifTag(loop, 0x4444, 1u, notifier), 0);
  Bytes huge = BigEndianSegment();
  bytes::PutBe16(&huge[10 + 8], 0xFFFF);  // entry count past the end
  EXPECT_EQ(SetExifTag(huge, 0x0100, 1u, notifier), 0);
  Bytes tiny = {0xFF, 0xE1, 0, 4};
  EXPECT_EQ(SetExifTag(tiny, 0x0100, 1u, notifier), 0);
}

}  // namespace
}  // namespace lumarel
