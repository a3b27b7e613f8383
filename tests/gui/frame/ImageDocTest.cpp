// SPDX-License-Identifier: MIT
// The picture window record: creation from its creation record, block
// allocation and its failures, sizes, and drawing a DIB through Qt.
#include <QColor>
#include <QImage>

#include "GuiTestSupport.h"
#include "PlatformFakes.h"
#include "windows/DibQImage.h"
#include "windows/DisplayPalette.h"
#include "windows/ImageDoc.h"

namespace lumarel {
namespace {

using testing::RecordingNotifier;

// A 24-bit DIB with pixel (x, y) (top-down) = blue x, green y, red 7.
MemoryBlock MakePicture(int w, int h, std::size_t blockSize = 0) {
  const std::size_t stride = DibStride(w, 24);
  MemoryBlock block = AllocateBlock(blockSize ? blockSize : 40 + stride * h);
  WriteDibHeader(block.bytes(), w, h, 24);
  for (int y = 0; y < h; ++y) {
    std::uint8_t* row = block.data() + 40 + stride * (h - 1 - y);
    for (int x = 0; x < w; ++x) {
      row[3 * x] = static_cast<std::uint8_t>(x);
      row[3 * x + 1] = static_cast<std::uint8_t>(y);
      row[3 * x + 2] = 7;
    }
  }
  return block;
}

TEST(ImageDoc, TakesOverTheCreationRecordsBlocks) {
  RecordingNotifier notifier;
  ImageDocInit init;
  init.PictureIndex = 12;
  init.ViewWidth = 636;
  init.ViewHeight = 478;
  ASSERT_TRUE(AllocateImageDocBlocks(init, kPictureBlockSize, false, notifier));
  const std::uint8_t* picture = init.PictureBlock.data();
  std::unique_ptr<ImageDoc> doc = MakeImageDoc(std::move(init));
  EXPECT_FALSE(init.PictureBlock);
  EXPECT_EQ(doc->Picture().data(), picture);
  EXPECT_EQ(doc->Picture().size(), 925696u);
  EXPECT_EQ(doc->PictureIndex, 12);
  EXPECT_EQ(doc->Modified, 0);
  EXPECT_EQ(doc->PictureWidth(), 640);
  EXPECT_EQ(doc->PictureHeight(), 480);
  EXPECT_FALSE(doc->HasPalette());  // true colour: no palette block
  EXPECT_TRUE(doc->Palette().empty());
  EXPECT_TRUE(notifier.shown.empty());
}

TEST(ImageDoc, PaletteDisplayGetsAPaletteBlock) {
  RecordingNotifier notifier;
  ImageDocInit init;
  ASSERT_TRUE(AllocateImageDocBlocks(init, CapturePictureBlockSize(160, 120), true, notifier));
  EXPECT_EQ(init.PictureBlock.size(), 160u * 120 * 3 + 100);
  EXPECT_EQ(init.PaletteBlock.size(), 1032u);
  EXPECT_TRUE(MakeImageDoc(std::move(init))->HasPalette());
}

TEST(ImageDoc, FailedPictureBlockOpensNoWindow) {
  RecordingNotifier notifier;
  ImageDocInit init;
  ScopedAllocationFailure fail(0);
  EXPECT_FALSE(AllocateImageDocBlocks(init, kPictureBlockSize, true, notifier));
  ASSERT_EQ(notifier.shown.size(), 1u);
  EXPECT_EQ(notifier.shown[0].text, "Not enough memory.");
  EXPECT_EQ(notifier.shown[0].caption, "Global Memory");
}

TEST(ImageDoc, FailedPaletteBlockStillOpensTheWindow) {
  RecordingNotifier notifier;
  ImageDocInit init;
  ScopedAllocationFailure fail(1);
  EXPECT_TRUE(AllocateImageDocBlocks(init, kPictureBlockSize, true, notifier));
  EXPECT_TRUE(init.PictureBlock);
  EXPECT_FALSE(init.PaletteBlock);
  EXPECT_EQ(notifier.shown.size(), 1u);
}

TEST(DibToImage, TwentyFourBitRowsAreBottomUpBgr) {
  MemoryBlock dib = MakePicture(6, 3, 1000);  // block larger than its content
  QImage image = DibToImage(dib.bytes());
  ASSERT_EQ(image.size(), QSize(6, 3));
  EXPECT_EQ(QColor(image.pixel(0, 0)), QColor(7, 0, 0));
  EXPECT_EQ(QColor(image.pixel(5, 2)), QColor(7, 2, 5));
}

TEST(DibToImage, RefusesPicturesThatDoNotFitTheirBlock) {
  MemoryBlock dib = MakePicture(6, 3);
  EXPECT_FALSE(DibToImage(dib.bytes()).isNull());
  EXPECT_TRUE(DibToImage(dib.bytes().first(dib.size() - 1)).isNull());
  EXPECT_TRUE(DibToImage(dib.bytes().first(20)).isNull());
  WriteDibHeader(dib.bytes(), 60000, 3, 24);
  EXPECT_TRUE(DibToImage(dib.bytes()).isNull());
  WriteDibHeader(dib.bytes(), 6, 3, 16);
  EXPECT_TRUE(DibToImage(dib.bytes()).isNull());
}

TEST(DisplayPalette, RemakeReadsTheLogicalPaletteAndRenderMapsToIt) {
  std::vector<std::uint8_t> logical(1032, 0);
  logical[1] = 0x03;
  logical[3] = 0x01;  // 256 entries
  for (int i = 0; i < 256; ++i) {
    logical[4 + 4 * i] = static_cast<std::uint8_t>(i & 0xF0);  // reds in steps of 16
  }
  DisplayPalette palette;
  QImage image(1, 1, QImage::Format_RGB32);
  image.setPixel(0, 0, qRgb(37, 0, 0));
  EXPECT_EQ(palette.Render(image).pixel(0, 0), image.pixel(0, 0));  // true colour
  palette.SetEnabled(true);
  palette.Remake(logical);
  EXPECT_EQ(palette.Colours().size(), 256);
  EXPECT_EQ(QColor(palette.Render(image).pixel(0, 0)), QColor(32, 0, 0));
  palette.Remake(std::span<const std::uint8_t>(logical).first(12));  // short block
  EXPECT_EQ(palette.Colours().size(), 2);
}

}  // namespace
}  // namespace lumarel
