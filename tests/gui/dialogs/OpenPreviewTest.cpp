// SPDX-License-Identifier: MIT
// The Open dialog's preview pane: the check box and its remembered state, the
// size fields, decoding a file only when it differs from the last one, the
// fitting into the 120 x 120 box, and a screenshot of the dialog.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QListView>
#include <QSignalSpy>
#include <QTest>

#include "DialogSupport.h"
#include "ExternalTools.h"
#include "imageproc/Palette.h"
#include "platform/ProfileFile.h"
#include "shell/OpenDialog.h"
#include "windows/DisplayPalette.h"

namespace lumarel {
namespace {

using testing::Convert;

class OpenPreviewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    jpeg_ = env_.Path("small.jpg");
    bmp_ = env_.Path("big.bmp");
    LUMAREL_SKIP_WITHOUT("convert");
    ASSERT_TRUE(Convert("-size 320x240 gradient:yellow-navy -quality 90 " + jpeg_));
    ASSERT_TRUE(Convert("-size 800x600 -seed 3 plasma: -type TrueColor BMP3:" + bmp_));
    text_ = env_.Path("notes.txt");
    ASSERT_TRUE(Convert("-size 4x4 xc:white TXT:" + text_));
  }
  std::unique_ptr<OpenDialog> Dialog() {
    record_.initialDirectory = &env_.state.InitialDirectory;
    return std::make_unique<OpenDialog>(env_.state, record_, env_.notifier);
  }
  static QString Field(QWidget& dialog, const char* id) {
    auto* field = dialog.findChild<QLineEdit*>(id);
    return field ? field->text() : QString("missing");
  }
  static QCheckBox* Check(QWidget& dialog) { return dialog.findChild<QCheckBox*>("1006"); }

  testing::PreparedState env_;
  FileDialogRecord record_;
  std::string jpeg_, bmp_, text_;
};

TEST_F(OpenPreviewTest, CheckBoxStartsFromTheSetting) {
  env_.state.FilePreview = false;
  EXPECT_FALSE(Check(*Dialog())->isChecked());
  env_.state.FilePreview = true;
  auto dialog = Dialog();
  ASSERT_TRUE(Check(*dialog));
  EXPECT_TRUE(Check(*dialog)->isChecked());
  EXPECT_TRUE(dialog->findChild<QLineEdit*>("1031")->isReadOnly());
  EXPECT_TRUE(dialog->findChild<QLineEdit*>("1032")->isReadOnly());
  EXPECT_EQ(dialog->Preview().PreviewWidth(), 1);
  EXPECT_EQ(dialog->Preview().PreviewHeight(), 1);
  EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
}

TEST_F(OpenPreviewTest, SameFileIsDecodedOnlyOnce) {
  env_.state.FilePreview = true;
  auto dialog = Dialog();
  OpenPreview& preview = dialog->Preview();
  const QString jpeg = QString::fromStdString(jpeg_);
  preview.OnSelectionChanged(jpeg);
  preview.OnSelectionChanged(jpeg);
  EXPECT_EQ(preview.LoadCount(), 1);
  EXPECT_EQ(Field(*dialog, "1031"), "320");
  EXPECT_EQ(Field(*dialog, "1032"), "240");
  EXPECT_EQ(preview.Picture().size(), QSize(320, 240));

  preview.OnSelectionChanged(QString::fromStdString(bmp_));
  EXPECT_EQ(preview.LoadCount(), 2);
  EXPECT_EQ(Field(*dialog, "1031"), "800");
  EXPECT_EQ(Field(*dialog, "1032"), "600");
  preview.OnSelectionChanged(jpeg);
  EXPECT_EQ(preview.LoadCount(), 3);
  EXPECT_TRUE(env_.notifier.shown.empty());
}

// A file that is no picture, or a folder, clears the box and the fields
// instead of leaving the previous picture there; a missing one changes nothing.
TEST_F(OpenPreviewTest, OtherFilesAndFoldersClearThePreviewMissingOnesLeaveIt) {
  env_.state.FilePreview = true;
  auto dialog = Dialog();
  OpenPreview& preview = dialog->Preview();
  const QString jpeg = QString::fromStdString(jpeg_);
  for (const std::string& other : {text_, env_.Path("work")}) {
    preview.OnSelectionChanged(jpeg);
    ASSERT_FALSE(preview.Picture().isNull());
    preview.OnSelectionChanged(QString::fromStdString(other));
    EXPECT_TRUE(preview.LastPath().isEmpty()) << other;
    EXPECT_TRUE(preview.Picture().isNull()) << other;
    EXPECT_EQ(Field(*dialog, "1031"), "") << other;
    EXPECT_EQ(Field(*dialog, "1032"), "") << other;
  }
  preview.OnSelectionChanged(jpeg);
  preview.OnSelectionChanged(QString::fromStdString(env_.Path("gone.jpg")));
  EXPECT_EQ(preview.LastPath(), jpeg);
  EXPECT_EQ(Field(*dialog, "1031"), "320");
  EXPECT_TRUE(env_.notifier.shown.empty());
}

TEST_F(OpenPreviewTest, PreviewOffLoadsNothing) {
  env_.state.FilePreview = false;
  auto dialog = Dialog();
  dialog->Preview().OnSelectionChanged(QString::fromStdString(jpeg_));
  EXPECT_EQ(dialog->Preview().LoadCount(), 0);
  EXPECT_EQ(Field(*dialog, "1031"), "");
}

TEST_F(OpenPreviewTest, UncheckingEmptiesFieldsAndIsRemembered) {
  env_.state.FilePreview = true;
  auto dialog = Dialog();
  dialog->Preview().OnSelectionChanged(QString::fromStdString(jpeg_));
  Check(*dialog)->click();
  EXPECT_FALSE(env_.state.FilePreview);
  EXPECT_EQ(Field(*dialog, "1031"), "");
  EXPECT_EQ(Field(*dialog, "1032"), "");
  EXPECT_TRUE(dialog->Preview().LastPath().isEmpty());
  ASSERT_TRUE(env_.state.WriteSettings());
  EXPECT_EQ(GetProfileString(env_.state.SettingsPath, "Mode", "FILEPREV", "?"), "0");

  // Checking again previews the file the dialog has selected.
  dialog->selectFile(QString::fromStdString(bmp_));
  Check(*dialog)->click();
  EXPECT_TRUE(env_.state.FilePreview);
  EXPECT_EQ(Field(*dialog, "1031"), "800");
  ASSERT_TRUE(env_.state.WriteSettings());
  EXPECT_EQ(GetProfileString(env_.state.SettingsPath, "Mode", "FILEPREV", "?"), "1");
}

TEST_F(OpenPreviewTest, PaletteDisplayDrawsThroughTheDefaultPalette) {
  env_.state.FilePreview = true;
  env_.state.PaletteDisplay = true;
  env_.state.DefaultPaletteCopy = AllocateBlock(kLogicalPaletteSize);
  const LogicalPalette palette = DefaultPalette();
  std::copy(palette.begin(), palette.end(), env_.state.DefaultPaletteCopy.data());
  auto dialog = Dialog();
  dialog->Preview().OnSelectionChanged(QString::fromStdString(jpeg_));
  const int remakes = SharedDisplayPalette().RemakeCount();
  SharedDisplayPalette().SetEnabled(true);  // as the frame does on an 8-bit screen
  const QImage shown = dialog->Preview().grab().toImage();
  SharedDisplayPalette().SetEnabled(false);
  EXPECT_EQ(SharedDisplayPalette().RemakeCount(), remakes + 1);
  EXPECT_EQ(SharedDisplayPalette().Colours().size(), 256);
  EXPECT_TRUE(SharedDisplayPalette().Colours().contains(shown.pixel(80, 100) | 0xFF000000u));
}

// Moving the current item of the dialog's file list, as a click does, previews it.
TEST_F(OpenPreviewTest, DialogSelectionReachesThePreview) {
  env_.state.FilePreview = true;
  auto dialog = Dialog();
  dialog->setDirectory(QString::fromStdString(env_.dir.Path()));
  dialog->show();
  auto* view = dialog->findChild<QListView*>("listView");
  ASSERT_TRUE(view);
  QModelIndex item;
  const bool listed = QTest::qWaitFor(
      [&] {
        const QModelIndex root = view->rootIndex();
        for (int row = 0; row < view->model()->rowCount(root); ++row) {
          const QModelIndex index = view->model()->index(row, 0, root);
          if (index.data().toString() == "small.jpg") item = index;
        }
        return item.isValid();
      },
      5000);
  ASSERT_TRUE(listed);
  view->setCurrentIndex(item);
  EXPECT_EQ(dialog->Preview().LoadCount(), 1);
  EXPECT_EQ(Field(*dialog, "1031"), "320");
  EXPECT_EQ(Field(*dialog, "1032"), "240");
  QTest::qWait(50);
  testing::Screenshot(*dialog, "open_dialog.png");
  dialog->reject();
}

// Typing a name selects the file in the list without moving the current item:
// the pane previews it all the same, and decodes it once.
TEST_F(OpenPreviewTest, TypedFileNamePreviewsTheFile) {
  env_.state.FilePreview = true;
  auto dialog = Dialog();
  dialog->setDirectory(QString::fromStdString(env_.dir.Path()));
  dialog->show();
  auto* view = dialog->findChild<QListView*>("listView");
  auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
  ASSERT_TRUE(view && name);
  ASSERT_TRUE(QTest::qWaitFor([&] { return view->model()->rowCount(view->rootIndex()) >= 3; },
                              5000));
  QTest::keyClicks(name, "small.jpg");
  ASSERT_TRUE(QTest::qWaitFor([&] { return dialog->Preview().LoadCount() > 0; }, 5000));
  EXPECT_EQ(Field(*dialog, "1031"), "320");
  EXPECT_EQ(Field(*dialog, "1032"), "240");
  EXPECT_FALSE(dialog->Preview().Picture().isNull());
  QTest::keyClick(name, Qt::Key_Backspace);
  QTest::keyClicks(name, "g");  // the same file selected again
  QTest::qWait(50);
  EXPECT_EQ(dialog->Preview().LoadCount(), 1);
  dialog->reject();
}

struct FitCase {
  int w, h;
  QRect expected;
};

class FitPreviewTest : public ::testing::TestWithParam<FitCase> {};

TEST_P(FitPreviewTest, LongerSideFillsTheBox) {
  EXPECT_EQ(FitPreview(GetParam().w, GetParam().h), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, FitPreviewTest,
    ::testing::Values(FitCase{320, 240, QRect(20, 55, 120, 90)},
                      FitCase{240, 320, QRect(35, 40, 90, 120)},
                      FitCase{800, 600, QRect(20, 55, 120, 90)},
                      FitCase{100, 100, QRect(20, 40, 120, 120)},
                      FitCase{1, 1, QRect(20, 40, 120, 120)},
                      FitCase{640, 1, QRect(20, 100, 120, 0)},
                      FitCase{0, 10, QRect()}),
    [](const ::testing::TestParamInfo<FitCase>& info) {
      return std::to_string(info.param.w) + "x" + std::to_string(info.param.h);
    });

}  // namespace
}  // namespace lumarel
