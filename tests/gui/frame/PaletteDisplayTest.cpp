// SPDX-License-Identifier: MIT
// Palette display: the start-up switch (screen depth, or the environment
// variable that forces it), the shared palette's life with the frame, and
// pictures painted through it: every sample is the palette entry nearest to
// the picture's own colour.
#include <QMdiSubWindow>
#include <QTest>
#include <cstdlib>
#include <memory>
#include <optional>
#include <set>

#include "GuiTestSupport.h"
#include "PlatformFakes.h"
#include "imagefile/DibImage.h"
#include "imageproc/Palette.h"
#include "shell/Frame.h"
#include "windows/CaptureWindow.h"
#include "windows/DisplayPalette.h"
#include "windows/PermanentWindows.h"

namespace lumarel {
namespace {

// Sets an environment variable for one scope and puts the old value back.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) setenv(name, value, 1);
    else unsetenv(name);
  }
  ~ScopedVariable() {
    if (old_) setenv(name_, old_->c_str(), 1);
    else unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(PaletteDisplaySwitch, OnlyTheValueOneForcesPaletteDisplay) {
  {
    ScopedVariable unset(kPaletteDisplayVariable, nullptr);
    EXPECT_FALSE(StartupEnvironment::FromProcess(24).forcePaletteDisplay);
  }
  {
    ScopedVariable on(kPaletteDisplayVariable, "1");
    const StartupEnvironment env = StartupEnvironment::FromProcess(24);
    EXPECT_TRUE(env.forcePaletteDisplay);
    EXPECT_EQ(env.screenDepth, 24);
  }
  for (const char* value : {"0", "", "yes", "10"}) {
    ScopedVariable other(kPaletteDisplayVariable, value);
    EXPECT_FALSE(StartupEnvironment::FromProcess(32).forcePaletteDisplay) << value;
  }
}

TEST(NearestColourTest, SquaredDistanceAndFirstOfEqualsWins) {
  const QList<QRgb> colours{qRgb(0, 0, 0), qRgb(100, 0, 0), qRgb(0, 100, 0), qRgb(100, 0, 0)};
  EXPECT_EQ(NearestColour(qRgb(60, 0, 0), colours), 1);
  EXPECT_EQ(NearestColour(qRgb(100, 0, 0), colours), 1);   // exact, and before the twin
  EXPECT_EQ(NearestColour(qRgb(50, 50, 0), colours), 0);   // three at 5000: the first
  EXPECT_EQ(NearestColour(qRgb(90, 5, 0), colours), 1);    // twins at 125: the first
  EXPECT_EQ(NearestColour(qRgb(40, 40, 0), colours), 0);   // 3200 beats 5200
  EXPECT_EQ(NearestColour(qRgb(60, 61, 0), colours), 2);
  EXPECT_EQ(NearestColour(qRgb(1, 2, 3), {}), -1);
}

TEST(DisplayPaletteRenderTest, IndexedPicturesAreMappedAndReleaseSwitchesOff) {
  std::vector<std::uint8_t> logical(kLogicalPaletteSize, 0);
  logical[1] = 0x03;
  logical[2] = 2;
  logical[4 + 4 + 2] = 255;  // entry 1: blue
  DisplayPalette palette;
  palette.SetEnabled(true);
  palette.Remake(logical);
  QImage indexed(2, 1, QImage::Format_Indexed8);
  indexed.setColorTable({qRgb(10, 20, 200), qRgb(30, 30, 30)});
  indexed.setPixel(0, 0, 0);
  indexed.setPixel(1, 0, 1);
  const QImage shown = palette.Render(indexed);
  EXPECT_EQ(QColor(shown.pixel(0, 0)), QColor(0, 0, 255));
  EXPECT_EQ(QColor(shown.pixel(1, 0)), QColor(0, 0, 0));
  palette.Release();
  EXPECT_FALSE(palette.Enabled());
  EXPECT_TRUE(palette.Colours().isEmpty());
  EXPECT_EQ(palette.Render(indexed).pixel(0, 0), indexed.pixel(0, 0));
}

// The colours of a logical palette block, as the shared palette reads them.
QList<QRgb> ColoursOf(std::span<const std::uint8_t> logical) {
  DisplayPalette palette;
  palette.Remake(logical);
  return palette.Colours();
}

// A w x h 24-bit picture whose colour at (x, y) from the top is colour(x, y).
template <typename Colour>
void FillPicture(std::span<std::uint8_t> dib, int w, int h, Colour colour) {
  WriteDibHeader(dib, w, h, 24);
  const std::size_t stride = DibStride(static_cast<std::size_t>(w), 24);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const QRgb c = colour(x, y);
      std::uint8_t* p = dib.data() + kDibInfoHeaderSize + stride * (h - 1 - y) + 3 * x;
      p[0] = static_cast<std::uint8_t>(qBlue(c));
      p[1] = static_cast<std::uint8_t>(qGreen(c));
      p[2] = static_cast<std::uint8_t>(qRed(c));
    }
  }
}

QRgb Gradient(int x, int y) { return qRgb((x * 7 + y) & 0xFF, (y * 5) & 0xFF, (x * 3) & 0xFF); }

class PaletteFrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch.env.forcePaletteDisplay = true;  // on a true-colour screen
    frame = std::make_unique<Frame>(link, scratch.env);
    frame->EnableMdiClient(true);
    frame->show();
  }
  void TearDown() override {
    if (frame) frame->close();
    frame.reset();
  }
  testing::ScriptedMessages messages;
  testing::ScratchEnvironment scratch;
  testing::RecordingFrameLink link;
  PictureWindowContext context;  // outlives the windows, which keep a reference to it
  std::unique_ptr<Frame> frame;
};

TEST_F(PaletteFrameTest, StartUpMakesTheSharedPaletteFromTheDefaultPaletteUntilShutDown) {
  ASSERT_TRUE(frame->State().PaletteDisplay);
  const DisplayPalette& shared = SharedDisplayPalette();
  EXPECT_TRUE(shared.Enabled());
  const LogicalPalette defaults = DefaultPalette();
  EXPECT_EQ(shared.Colours(), ColoursOf(defaults));
  EXPECT_EQ(shared.Colours().size(), 256);
  frame->close();
  EXPECT_FALSE(shared.Enabled());
  EXPECT_TRUE(shared.Colours().isEmpty());
}

TEST(PaletteFrameDepthTest, OnlyAnEightBitScreenSwitchesItOn) {
  testing::ScriptedMessages messages;
  for (int depth : {8, 16, 24, 32}) {
    testing::ScratchEnvironment scratch;
    scratch.env.screenDepth = depth;
    testing::RecordingFrameLink link;
    Frame frame(link, scratch.env);
    EXPECT_EQ(SharedDisplayPalette().Enabled(), depth == 8) << depth;
    EXPECT_EQ(SharedDisplayPalette().Colours().isEmpty(), depth != 8) << depth;
    frame.close();
  }
}

// The active Preview window remakes the palette from its default copy when it
// paints, whatever another window left in it, and stretches the mapped thumbnails.
TEST_F(PaletteFrameTest, PreviewThumbnailsShowTheNearestDefaultPaletteColours) {
  SimplePreviewModel model;
  const QRgb solid = qRgb(37, 201, 90);
  std::vector<std::uint8_t> plain(kPreviewSlotSize, 0), varied(kPreviewSlotSize, 0);
  FillPicture(std::span(plain), 160, 120, [&](int, int) { return solid; });
  FillPicture(std::span(varied), 160, 120, Gradient);
  model.entries = {{"  1F: 06/15/1 10:30", plain}, {"  2N: 06/15/1 10:31", varied}};
  model.total = 2;
  PreviewWindow* preview = frame->Preview();
  preview->SetModel(&model);
  preview->SetDefaultPalette(frame->State().DefaultPaletteCopy.bytes());
  ASSERT_EQ(frame->ActiveChild(), preview);
  std::vector<std::uint8_t> other(kLogicalPaletteSize, 0);
  other[1] = 0x03;
  other[2] = 1;  // one black entry, as a picture window might have left it
  SharedDisplayPalette().Remake(other);

  const QImage shot = preview->grab().toImage().convertToFormat(QImage::Format_RGB32);
  const QList<QRgb> colours = ColoursOf(frame->State().DefaultPaletteCopy.bytes());
  ASSERT_EQ(SharedDisplayPalette().Colours(), colours);
  const std::set<QRgb> entries(colours.begin(), colours.end());
  const QRgb nearest = colours[NearestColour(solid, colours)];
  ASSERT_NE(nearest, solid);  // the colour is not in the palette itself
  int outside = 0;
  for (int y = 0; y < 90; y += 7) {
    for (int x = 0; x < 120; x += 9) {
      EXPECT_EQ(shot.pixel(10 + x, 60 + y), nearest) << x << "," << y;
      if (!entries.count(shot.pixel(150 + x, 60 + y))) ++outside;
    }
  }
  EXPECT_EQ(outside, 0);
}

TEST_F(PaletteFrameTest, CaptureWindowPaintsEachPixelAsItsNearestPaletteEntry) {
  const int w = 160, h = 120;
  context.paletteDisplay = true;
  context.currentPalette = frame->State().CurrentPalette.bytes();
  ImageDocInit init;
  ASSERT_TRUE(AllocateImageDocBlocks(init, CapturePictureBlockSize(w, h), true, frame->Messages()));
  ASSERT_TRUE(init.PaletteBlock);
  FillPicture(init.PictureBlock.bytes(), w, h, Gradient);
  // As a download does: the shared palette buffer gets the picture's colours,
  // and the window keeps a copy.
  testing::RecordingNotifier notifier;
  std::span<std::uint8_t> current = frame->State().CurrentPalette.bytes();
  ASSERT_EQ(MakeDisplayPalette(notifier, init.PictureBlock.bytes(), current),
            ReductionResult::Done);
  ASSERT_TRUE(CopyLogicalPalette(current, init.PaletteBlock.bytes()));
  const QList<QRgb> colours = ColoursOf(init.PaletteBlock.bytes());
  ASSERT_EQ(colours.size(), 256);
  init.ViewWidth = w - 4;
  init.ViewHeight = h - 2;
  auto* window = new CaptureWindow(*frame, context, std::move(init));
  window->setWindowTitle("  1F: 06/15/1 10:30");
  window->resize(w, h);
  frame->AddChild(window);
  ASSERT_EQ(frame->ActiveChild(), window);
  ASSERT_EQ(window->ClientSize(), QSize(w, h));

  const QImage shot = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(SharedDisplayPalette().Colours(), colours);  // remade from the window's own palette
  int changed = 0;
  for (int y = 0; y < h; y += 3) {
    for (int x = 0; x < w; x += 5) {
      const QRgb source = Gradient(x, y);
      ASSERT_EQ(shot.pixel(x, y), colours[NearestColour(source, colours)]) << x << "," << y;
      if (shot.pixel(x, y) != source) ++changed;
    }
  }
  EXPECT_GT(changed, 0);  // more colours than entries: some pixels did move
}

}  // namespace
}  // namespace lumarel
