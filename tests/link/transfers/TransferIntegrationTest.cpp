// SPDX-License-Identifier: MIT
// Downloads, uploads, deletes and the live picture against the simulator over
// a pseudo-terminal, with the receive thread and the EventLoop.
#include <gtest/gtest.h>

#include <cstring>

#include "SimLinkRig.h"
#include "LiveEncoding.h"
#include "Scene.h"

namespace lumarel::testing {
namespace {

TEST(DownloadAll, EveryPictureOfA20PictureCard) {
  const TempDir scratch;
  const fs::path dir = scratch.Path();
  SimRig rig(dir / "com1", {}, {}, sim::GeneratePictures(20, 3));
  TransferRig t(dir);
  ASSERT_TRUE(t.Connect());
  DownloadAllAndCompare(t, rig.Source(), dir);
}

TEST(TransferIntegration, MultiPictureDownloadChain) {
  const TempDir scratch;
  const fs::path dir = scratch.Path();
  SimRig rig(dir / "com1", {}, {}, sim::GeneratePictures(8, 5));
  TransferRig t(dir);
  ASSERT_TRUE(t.Connect());
  PictureList& list = t.link->Pictures();
  for (int p : {6, 1, 3}) list.entries[p].selectionMark = 1;
  list.selectedCount = 3;
  list.currentPicture = 6;
  std::vector<std::unique_ptr<TestTarget>> windows;
  std::vector<int> fetched;
  auto dataIn = [&] {  // the Preview window's Data in
    const int p = t.transfers->Download().ChooseNext();
    ASSERT_GE(p, 0);
    fetched.push_back(p);
    const PictureEntry& e = list.entries[p];
    windows.push_back(std::make_unique<TestTarget>(std::size_t(e.width) * e.height * 3 + 100));
    t.transfers->Download().CaptureWindowCreated(*windows.back(), *t.capture);
    t.transfers->Download().Start(p);
  };
  t.ui.onCommand = [&](LinkWindow w, int id) {
    if (w == LinkWindow::Preview && id == menu::kDataIn) dataIn();
  };
  dataIn();
  ASSERT_TRUE(t.RunUntil([&] { return fetched.size() == 3 && !t.link->State().downloadActive; },
                         120s));
  EXPECT_EQ(fetched, (std::vector<int>{1, 3, 6}));
  EXPECT_EQ(t.ui.rec.Count("WaitOpen DATA_TRANS"), 1);
  EXPECT_EQ(t.ui.rec.Count("WaitClose"), 1);
  for (std::size_t i = 0; i < 3; ++i) {
    const auto expected = ExpectedPicture(rig.Source()[fetched[i]], dir);
    EXPECT_EQ(std::memcmp(windows[i]->picture.data(), expected.data(), expected.size()), 0) << i;
  }
}

struct UploadCase {
  bool fine;
  int sourceIndex;  // a generated picture of the right size: even Fine, odd Normal
};
class Upload : public ::testing::TestWithParam<UploadCase> {};

TEST_P(Upload, CameraStoresTheJpegAndTheListGrows) {
  const TempDir scratch;
  const fs::path dir = scratch.Path();
  auto pictures = sim::GeneratePictures(6, 9);
  const sim::StoredPicture sent = pictures[GetParam().sourceIndex];
  SimRig rig(dir / "com1", {}, {}, sim::GeneratePictures(5, 2));
  TransferRig t(dir);
  ASSERT_TRUE(t.Connect());
  UploadRequest r;
  r.fine = GetParam().fine;
  r.picture = sent.jpeg;
  r.preview = sent.preview;
  r.entry.label = FormatLabel(6, r.fine, {26, 12, 7, 4, 20});
  r.entry.width = sent.width;
  r.entry.height = sent.height;
  std::vector<std::uint8_t> thumb(57640, 0x21);
  r.previewSlot = thumb;
  ASSERT_TRUE(t.transfers->Upload().Start(r, *t.openfile));
  ASSERT_TRUE(t.RunUntil([&] { return !t.transfers->Upload().Running(); }, 60s));
  EXPECT_EQ(t.link->Pictures().receivedEntries, 6);
  EXPECT_EQ(std::string(t.link->Pictures().entries[5].label.data()),
            std::string(r.entry.label.data()));
  EXPECT_EQ(t.link->State().responseKind, ResponseKind::Picture);
  EXPECT_EQ(t.link->ExpectedLength(), 116);
  EXPECT_TRUE(t.notifier.shown.empty());
  rig.Stop();
  ASSERT_EQ(rig.Camera().Pictures().size(), 6u);
  const sim::StoredPicture& stored = rig.Camera().Pictures().back();
  EXPECT_EQ(stored.jpeg, sent.jpeg);
  EXPECT_EQ(stored.width, sent.width);
  EXPECT_EQ(stored.height, sent.height);
  EXPECT_EQ(stored.quality & 0x0F, r.fine ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Qualities, Upload,
                         ::testing::Values(UploadCase{true, 0}, UploadCase{false, 1}));

TEST(TransferIntegration, UploadToAFullCardDiscardsTheEntry) {
  const TempDir scratch;
  const fs::path dir = scratch.Path();
  sim::CameraSettings cs;
  cs.memoryFullAfter = 0;
  SimRig rig(dir / "com1", cs, {}, sim::GeneratePictures(3, 2));
  TransferRig t(dir);
  ASSERT_TRUE(t.Connect());
  const auto sent = sim::GeneratePictures(1, 4)[0];
  UploadRequest r;
  r.picture = sent.jpeg;
  r.preview = sent.preview;
  r.entry.label = FormatLabel(4, true, {26, 1, 1, 1, 1});
  ASSERT_TRUE(t.transfers->Upload().Start(r, *t.openfile));
  ASSERT_TRUE(t.RunUntil([&] { return !t.transfers->Upload().Running(); }, 30s));
  ASSERT_EQ(t.notifier.shown.size(), 1u);
  EXPECT_EQ(t.notifier.shown[0].text, "The Vidmarelle's memory is full.");
  EXPECT_EQ(t.link->Pictures().receivedEntries, 3);
  EXPECT_EQ(t.link->Pictures().entries[3].label[0], '\0');
}

TEST(TransferIntegration, DeletePagesThenErase) {
  const TempDir scratch;
  const fs::path dir = scratch.Path();
  SimRig rig(dir / "com1", {}, {}, sim::GeneratePictures(6, 6));
  TransferRig t(dir);
  ASSERT_TRUE(t.Connect());
  PictureList& list = t.link->Pictures();
  list.entries[1].selectionMark = 1;
  list.entries[4].selectionMark = 1;
  list.selectedCount = 2;
  list.currentPicture = 1;
  ASSERT_TRUE(t.transfers->Delete().DeletePages());
  ASSERT_TRUE(t.RunUntil([&] { return list.receivedEntries == 4 && !t.link->WaitDialogOpen(); }, 30s));
  for (int i = 0; i < 4; ++i) EXPECT_EQ(std::atoi(list.entries[i].label.data()), i + 1);
  // The list and the card agree: position 1 now holds the old third picture.
  TestTarget target(0);
  ASSERT_TRUE(t.Download(1, target));
  const auto expected = ExpectedPicture(rig.Source()[2], dir);
  EXPECT_EQ(std::memcmp(target.picture.data(), expected.data(), expected.size()), 0);
  t.transfers->Download().CaptureWindowDestroyed(target);

  t.link->State().responseKind = ResponseKind::Index;
  ASSERT_TRUE(t.transfers->Delete().FlashAllErase());
  // The list follows the card: an erase leaves nothing to offer.
  ASSERT_TRUE(t.RunUntil([&] { return list.receivedEntries == 0 && list.pictureCount == 0; }, 30s));
  EXPECT_TRUE(t.ui.rec.Has("Menu Frame 40013 off"));
  rig.Stop();
  EXPECT_TRUE(rig.Camera().Pictures().empty());
}

// Mean absolute difference between a bottom-up BGR picture's rows and a scene.
double MeanError(const std::vector<std::uint8_t>& dib, int width, int height,
                 const sim::RgbImage& scene, int firstRow, int rowStep) {
  long error = 0, samples = 0;
  for (int y = firstRow; y < height; y += rowStep) {
    const std::uint8_t* row = dib.data() + 40 + std::size_t(height - 1 - y) * width * 3;
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < 3; ++c, ++samples) error += std::abs(row[x * 3 + 2 - c] - scene.Pixel(x, y)[c]);
  }
  return samples ? double(error) / double(samples) : 1e9;
}

TEST(TransferIntegration, TenLiveFramesAndOneZoomStill) {
  const TempDir scratch;
  const fs::path dir = scratch.Path();
  SimRig rig(dir / "com1", {}, {}, sim::GeneratePictures(2, 1));
  TransferRig t(dir);
  ASSERT_TRUE(t.Connect());
  LiveControl& live = t.transfers->Live();
  int frames = 0;
  t.ui.onRepaint = [&](LinkWindow w, std::optional<Rect> area) {
    if (w != LinkWindow::Live || !area || *area != kLiveFrameArea) return;
    if (++frames < 10) live.Painted();  // the window's paint asks for the next frame
  };
  live.Activated();
  live.LiveButtonNotified(true, true);
  ASSERT_TRUE(t.RunUntil([&] { return frames == 10; }, 60s));
  const sim::RgbImage scene = sim::RenderScene(160, 120, 1, 9, -1);
  EXPECT_LT(MeanError(t.liveFrame, 160, 120, scene, 2, 2), 10.0);  // the camera lines
  EXPECT_LT(MeanError(t.liveFrame, 160, 120, scene, 1, 2), 16.0);  // the mixed rows

  live.ZoomButtonNotified(true, true);   // 109 -> 110: live stops
  live.ZoomButtonNotified(false, true);  // 110 -> 105: the still is asked for
  ASSERT_TRUE(t.RunUntil([&] { return live.Faces().zoom == face::kCapture; }, 60s));
  const sim::RgbImage photo = sim::RenderScene(640, 480, 1, 10, -1);
  EXPECT_LT(MeanError(t.livePhoto, 640, 480, photo, 1, 2), 3.0);
  EXPECT_LT(MeanError(t.livePhoto, 640, 480, photo, 0, 1), 6.0);
  EXPECT_TRUE(t.ui.rec.Has("Menu Frame 40014 on"));
  EXPECT_EQ(t.ui.rec.disconnectDialogs, 0);
}

enum class Silenced { Download, Upload, Live, Zoom };
class Silence : public ::testing::TestWithParam<Silenced> {};

TEST_P(Silence, ASilentCameraEndsInTheDisconnectDialog) {
  const TempDir scratch;
  const fs::path dir = scratch.Path();
  SimRig rig(dir / "com1", {}, {}, sim::GeneratePictures(3, 1));
  TransferRig t(dir);
  ASSERT_TRUE(t.Connect());
  rig.Stop();  // the camera says nothing from now on
  TestTarget target(0);
  const auto sent = sim::GeneratePictures(1, 4)[0];
  UploadRequest r;
  r.picture = sent.jpeg;
  r.preview = sent.preview;
  target.picture.assign(640 * 480 * 3 + 100, 0);
  const std::optional<LinkOutcome> outcome = t.RunOperation(
      [&](OperationDone done) {
        switch (GetParam()) {
          case Silenced::Download: t.Ops().Download(0, target, *t.capture, done); break;
          case Silenced::Upload: t.Ops().Upload(r, *t.openfile, done); break;
          case Silenced::Live: t.Ops().LiveFrame(done); break;
          case Silenced::Zoom: t.Ops().ZoomStill(done); break;
        }
      },
      20s);
  ASSERT_TRUE(outcome.has_value());
  EXPECT_EQ(outcome->kind, OutcomeKind::CameraSilent);
  EXPECT_EQ(t.ui.rec.disconnectDialogs, 1);
  EXPECT_FALSE(t.link->WaitDialogOpen());
  EXPECT_EQ(t.ui.rec.status, "Ready");
  if (GetParam() == Silenced::Upload) {
    EXPECT_EQ(t.link->ExpectedLength(), 116);
  }
  if (GetParam() == Silenced::Live) {
    EXPECT_FALSE(t.link->State().liveActive);
  }
  t.transfers->Download().CaptureWindowDestroyed(target);
}

INSTANTIATE_TEST_SUITE_P(Transfers, Silence,
                         ::testing::Values(Silenced::Download, Silenced::Upload, Silenced::Live,
                                           Silenced::Zoom));

}  // namespace
}  // namespace lumarel::testing
