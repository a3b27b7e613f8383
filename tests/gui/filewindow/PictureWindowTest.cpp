// SPDX-License-Identifier: MIT
// The picture windows as widgets: the close question, the clipboard, scroll
// bars and placement, the adjustment and print commands, and screenshots.
#include <QApplication>
#include <QPointer>
#include <QClipboard>
#include <QMimeData>
#include <QPrinter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QWheelEvent>

#include "PictureWindowSupport.h"
#include "windows/CaptureWindow.h"
#include "windows/FileWindow.h"
#include "windows/PrintPicture.h"

namespace lumarel::testing {
namespace {

namespace fs = std::filesystem;

class PictureWindowTest : public ::testing::Test {
 protected:
  PictureWindowTest() {
    dir = fs::path(tmp.path().toStdString());
    context.tempPathA = (dir / "tmpA").string();
    context.tempPathB = (dir / "tmpB").string();
    context.clock = &clock;
    context.fileDialog = &record;
  }
  FileWindow* OpenFileWindow(int modified = 0) {
    auto* w = new FileWindow(host, context, PictureInit(640, 480, kPictureBlockSize, modified));
    w->setWindowTitle(modified ? kLivePhotoTitle : "picture.bmp");
    subs.push_back(mdi.Add(w));
    return w;
  }
  CaptureWindow* OpenCapture(int w, int h) {
    auto* window = new CaptureWindow(host, context,
                                     PictureInit(w, h, CapturePictureBlockSize(w, h)));
    window->setWindowTitle("  2N: 01/12/31 9:05");
    window->resize(w, h);
    subs.push_back(mdi.Add(window));
    return window;
  }
  static void SaveShot(QWidget* w, const char* name) {
    w->grab().save(QString(LUMAREL_BINARY_DIR) + "/" + name);
  }

  QTemporaryDir tmp;
  fs::path dir;
  FakeHost host;
  FakeClock clock;
  FileDialogRecord record;
  PictureWindowContext context;
  MdiHolder mdi;
  std::vector<QMdiSubWindow*> subs;
};

TEST_F(PictureWindowTest, UnchangedPictureClosesWithoutQuestion) {
  FileWindow* w = OpenFileWindow(0);
  QPointer<FileWindow> alive(w);
  EXPECT_TRUE(subs.back()->close());
  QApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(host.notifier.shown.empty());
  EXPECT_TRUE(alive.isNull());
}

TEST_F(PictureWindowTest, LivePhotoAsksAndNoClosesWithoutSaving) {
  OpenFileWindow(1);
  host.notifier.answers = {MessageAnswer::No};
  SaveDialogScript dialog;
  EXPECT_TRUE(subs.back()->close());
  ASSERT_EQ(host.notifier.shown.size(), 1u);
  EXPECT_EQ(host.notifier.shown[0].text, "Save changes to Live Image Photo?");
  EXPECT_EQ(host.notifier.shown[0].caption, "Lumarel");
  EXPECT_EQ(host.notifier.shown[0].buttons, MessageButtons::YesNoCancel);
  EXPECT_EQ(host.notifier.shown[0].icon, MessageIcon::Question);
  EXPECT_TRUE(dialog.dialogs.empty());
}

// Cancel (Escape, the close box) keeps the window and its changes.
TEST_F(PictureWindowTest, CancelOnTheSaveQuestionKeepsTheWindow) {
  FileWindow* w = OpenFileWindow(1);
  host.notifier.answers = {MessageAnswer::Cancel};
  SaveDialogScript dialog;
  EXPECT_FALSE(subs.back()->close());
  EXPECT_TRUE(w->isVisible());
  EXPECT_TRUE(dialog.dialogs.empty());
  EXPECT_EQ(w->Doc().Modified, 1);
}

TEST_F(PictureWindowTest, YesThenCancelledSaveKeepsTheWindow) {
  FileWindow* w = OpenFileWindow(1);
  host.notifier.answers = {MessageAnswer::Yes};
  SaveDialogScript dialog;  // cancels
  EXPECT_FALSE(subs.back()->close());
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(dialog.dialogs, std::vector<std::string>{kSaveDialogName});
  // Asked again, the user saves: the window closes, still marked modified until then.
  dialog.Choose((dir / "kept.bmp").string(), 2);
  host.notifier.answers = {MessageAnswer::Yes};
  EXPECT_TRUE(subs.back()->close());
  EXPECT_EQ(FileSize(dir / "kept.bmp"), 921654u);
}

// A save that wrote the file leaves nothing to ask about; one that did not
// (cancelled) keeps the question.
TEST_F(PictureWindowTest, SavedPictureClosesWithoutAskingAgain) {
  CaptureWindow* w = OpenCapture(320, 240);
  w->Doc().Modified = 1;  // as OK in the adjustment dialog leaves it
  SaveDialogScript dialog;
  w->Command(kCmdSaveAs);  // cancelled
  EXPECT_EQ(w->Doc().Modified, 1);
  dialog.Choose((dir / "a.bmp").string(), 2);
  w->Command(kCmdSaveAs);
  EXPECT_EQ(w->Doc().Modified, 0);
  EXPECT_TRUE(subs.back()->close());
  EXPECT_TRUE(host.notifier.shown.empty());
}

// image/bmp holds a BMP file, as image programs expect: the 14-byte header,
// then the picture's header and rows. Qt's own BMP reader is the judge.
TEST_F(PictureWindowTest, CopyToClipboardGivesABmpFileAndAnImage) {
  FileWindow* file = OpenFileWindow();
  file->Command(kCmdCopyToClipboard);
  const QMimeData* data = QApplication::clipboard()->mimeData();
  ASSERT_NE(data, nullptr);
  ASSERT_TRUE(data->hasFormat("image/bmp"));
  const QImage image = qvariant_cast<QImage>(data->imageData());
  EXPECT_EQ(image.size(), QSize(640, 480));
  EXPECT_EQ(image.pixelColor(10, 479), QColor(10, 0, 10));  // stored row 0, column 10

  CaptureWindow* capture = OpenCapture(320, 240);
  for (PictureWindow* w : {static_cast<PictureWindow*>(file), static_cast<PictureWindow*>(capture)}) {
    w->Command(kCmdCopyToClipboard);
    const QByteArray bmp = QApplication::clipboard()->mimeData()->data("image/bmp");
    const int width = w == file ? 640 : 320, height = w == file ? 480 : 240;
    const int size = 14 + 40 + width * height * 3;
    ASSERT_EQ(bmp.size(), size);
    const auto* b = reinterpret_cast<const std::uint8_t*>(bmp.constData());
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(b[2] | b[3] << 8 | b[4] << 16 | b[5] << 24, size);
    EXPECT_EQ(b[6] | b[7] | b[8] | b[9], 0);
    EXPECT_EQ(b[10] | b[11] << 8 | b[12] << 16 | b[13] << 24, 54);
    EXPECT_EQ(0, std::memcmp(b + 14, w->Doc().Picture().data(), size - 14));
    const QImage read = QImage::fromData(bmp, "BMP");
    ASSERT_EQ(read.size(), QSize(width, height));
    EXPECT_EQ(read.pixelColor(10, height - 1), QColor(10, 0, 10));
  }
}

// One notch of the wheel scrolls the desktop's wheel lines of text along the
// bar it turns: vertical, or horizontal for a sideways wheel or with Shift.
TEST_F(PictureWindowTest, WheelScrollsTheDesktopsLinesPerNotch) {
  QApplication::setWheelScrollLines(2);
  CaptureWindow* w = OpenCapture(640, 480);
  const int step = 2 * w->fontMetrics().lineSpacing();
  subs.back()->resize(subs.back()->width() - 240, subs.back()->height() - 200);
  QApplication::processEvents();
  auto wheel = [&](QPoint delta, Qt::KeyboardModifiers mods = {}, QWidget* target = nullptr) {
    QWheelEvent event(QPointF(50, 50), QPointF(50, 50), QPoint(), delta, Qt::NoButton, mods,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(target ? target : w, &event);
  };
  wheel(QPoint(0, -120));
  EXPECT_EQ(w->Vertical().Position(), step);
  EXPECT_EQ(w->VerticalBar()->value(), step);
  wheel(QPoint(0, -240));
  EXPECT_EQ(w->Vertical().Position(), 3 * step);
  wheel(QPoint(0, 120), {}, w->VerticalBar());  // over the bar: the same step
  EXPECT_EQ(w->Vertical().Position(), 2 * step);
  wheel(QPoint(-120, 0));
  EXPECT_EQ(w->Horizontal().Position(), step);
  wheel(QPoint(0, -120), Qt::ShiftModifier);
  EXPECT_EQ(w->Horizontal().Position(), 2 * step);
  EXPECT_EQ(w->Vertical().Position(), 2 * step);
  wheel(QPoint(0, -12000));  // clamped at the end
  EXPECT_EQ(w->Vertical().Position(), w->Vertical().Maximum());
  wheel(QPoint(0, 1200));  // and at the start
  EXPECT_EQ(w->Vertical().Position(), 0);
  QApplication::setWheelScrollLines(3);
}

TEST_F(PictureWindowTest, SmallCaptureWindowScrollsUpToViewSizeLessClient) {
  CaptureWindow* w = OpenCapture(640, 480);
  EXPECT_EQ(w->Doc().FullClientWidth, 640);
  EXPECT_EQ(w->Doc().FullClientHeight, 480);
  EXPECT_FALSE(w->HorizontalBar()->isVisible());
  subs.back()->resize(subs.back()->width() - 240, subs.back()->height() - 200);
  QApplication::processEvents();
  const QSize client = w->ClientSize();
  ASSERT_LT(client.width(), 640);
  EXPECT_TRUE(w->HorizontalBar()->isVisible());
  EXPECT_TRUE(w->VerticalBar()->isVisible());
  EXPECT_EQ(w->HorizontalBar()->maximum(), 636 - client.width());
  EXPECT_EQ(w->VerticalBar()->maximum(), 478 - client.height());
  // Past the end: clamped to the maximum.
  for (int i = 0; i < 100; ++i) w->ScrollNotify(Qt::Horizontal, PictureScrollAction::PageForward);
  EXPECT_EQ(w->Horizontal().Position(), 636 - client.width());
  EXPECT_EQ(w->HorizontalBar()->value(), 636 - client.width());
  // The bar's own arrow moves by 4.
  w->VerticalBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(w->Vertical().Position(), 4);
  w->VerticalBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(w->Vertical().Position(), 24);
  EXPECT_EQ(w->VerticalBar()->value(), 24);
  // The picture shows from the scroll position: pixel (0, 0) is (max, 24).
  QApplication::processEvents();
  const QImage shot = w->grab().toImage();
  const QColor px = shot.pixelColor(0, 0);
  const int x = 636 - client.width(), y = 479 - 24;  // rows are stored bottom-up
  EXPECT_EQ(px, QColor((x + y) & 255, y & 255, x & 255));
  SaveShot(subs.back(), "capture_scrolled.png");
  // Enlarged past its creation size: the bars go and the picture is centred.
  subs.back()->resize(subs.back()->width() + 400, subs.back()->height() + 300);
  QApplication::processEvents();
  EXPECT_FALSE(w->HorizontalBar()->isVisible());
  EXPECT_FALSE(w->VerticalBar()->isVisible());
}

TEST_F(PictureWindowTest, WideFileWindowCentresThePicture) {
  FileWindow* w = OpenFileWindow();
  EXPECT_EQ(FileWindow::SharedFullClient(), QSize(640, 480));
  subs.back()->resize(subs.back()->width() + 160, subs.back()->height());
  QApplication::processEvents();
  ASSERT_EQ(w->ClientSize().width(), 800);
  const QImage shot = w->grab().toImage();
  EXPECT_EQ(shot.pixelColor(79, 100), QColor(192, 192, 192));  // background
  EXPECT_EQ(shot.pixelColor(80, 0), QColor(479 & 255, 479 & 255, 0));
  SaveShot(subs.back(), "file_window.png");
  // Shrunk: the Openfile window's range is its full client size less the client.
  subs.back()->resize(subs.back()->width() - 400, subs.back()->height() - 100);
  QApplication::processEvents();
  EXPECT_EQ(w->VerticalBar()->maximum(), 480 - w->ClientSize().height());
  EXPECT_EQ(w->HorizontalBar()->maximum(), 640 - w->ClientSize().width());
}

TEST_F(PictureWindowTest, AdjustAndPrintCommandsReachTheirDialogs) {
  FileWindow* w = OpenFileWindow();
  std::vector<std::string> names;
  SetModalHook([&](QDialog& d) {
    names.push_back(d.objectName().toStdString());
    return 0;  // Cancel
  });
  EXPECT_TRUE(w->Command(kCmdImageAdjust));
  SetModalHook(nullptr);
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(w->Doc().Modified, 0);
  const std::string pdf = (dir / "page.pdf").string();
  SetPrintDialogRunner([&](QPrinter& printer, QWidget*) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf));
    return true;
  });
  EXPECT_TRUE(w->Command(kCmdPrint));
  SetPrintDialogRunner(nullptr);
  EXPECT_GT(FileSize(pdf), 0u);
  EXPECT_FALSE(w->Command(kCmdDataIn));
}

TEST_F(PictureWindowTest, WithoutCameraDataOutSendsNothing) {
  FileWindow* w = OpenFileWindow();
  EXPECT_TRUE(w->Command(kCmdFineMode));
  EXPECT_TRUE(w->Command(kCmdNormalMode));
  EXPECT_TRUE(host.notifier.shown.empty());
}

}  // namespace
}  // namespace lumarel::testing
