// SPDX-License-Identifier: MIT
// Printing: the fit to the printable area, the job name, the cancel dialog,
// and a real page printed to PDF and rendered back to check where the picture is.
#include <QDialog>
#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>

#include "GuiTestSupport.h"
#include "windows/PrintPicture.h"

namespace lumarel {
namespace {

MemoryBlock SolidPicture(int w, int h, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
  const std::size_t stride = DibStride(w, 24);
  MemoryBlock block = AllocateBlock(40 + stride * h + 100);
  WriteDibHeader(block.bytes(), w, h, 24);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = block.data() + 40 + stride * y + 3 * x;
      p[0] = b, p[1] = g, p[2] = r;
    }
  }
  return block;
}

// Colours after PDF rendering may be off by a unit or two.
::testing::AssertionResult Near(QRgb actual, QColor expected) {
  const QColor a(actual);
  if (std::abs(a.red() - expected.red()) <= 3 && std::abs(a.green() - expected.green()) <= 3 &&
      std::abs(a.blue() - expected.blue()) <= 3) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << a.name().toStdString() << " is not near "
                                       << expected.name().toStdString();
}

struct FitCase {
  int w, h, pageW, pageH;
  QSize expected;
};
class FitToPageTest : public ::testing::TestWithParam<FitCase> {};

TEST_P(FitToPageTest, KeepsProportionsWithinThePage) {
  const FitCase& c = GetParam();
  EXPECT_EQ(FitToPage(c.w, c.h, c.pageW, c.pageH), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, FitToPageTest,
    ::testing::Values(FitCase{640, 480, 4800, 6600, {4800, 3600}},   // landscape: page width
                      FitCase{480, 640, 4800, 6600, {4800, 6400}},   // 6600*480/640 = 4950 > 4800
                      FitCase{120, 640, 4800, 6600, {1237, 6600}},   // portrait: page height
                      FitCase{640, 480, 6600, 4800, {6400, 4800}},   // landscape page
                      FitCase{1, 1, 100, 100, {100, 100}},           // square on square: width
                      FitCase{0, 480, 100, 100, {0, 0}}));           // no picture

class PrintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pdf = QString::fromStdString(dir / "page.pdf");
    SetPrintDialogRunner([this](QPrinter& printer, QWidget* owner) {
      ++dialogs;
      dialogOwner = owner;
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setOutputFileName(pdf);
      printer.setPageSize(QPageSize(QPageSize::A4));
      printer.setPageOrientation(QPageLayout::Portrait);
      return accept;
    });
    window.setWindowTitle("12F: 06/15/2001 10:30");
    window.show();
  }
  void TearDown() override { SetPrintDialogRunner(nullptr); }

  // The printed page as a picture, or a null image when no PDF renderer is at hand.
  QImage RenderPage() {
    const QString gs = QStandardPaths::findExecutable("gs");
    if (gs.isEmpty()) return {};
    const QString png = QString::fromStdString(dir / "page.png");
    QProcess::execute(gs, {"-q", "-dNOPAUSE", "-dBATCH", "-dSAFER", "-sDEVICE=png16m", "-r30",
                           "-sOutputFile=" + png, pdf});
    return QImage(png);
  }

  testing::TempDir dir;
  QString pdf;
  QWidget window;
  int dialogs = 0;
  QWidget* dialogOwner = nullptr;
  bool accept = true;
};

TEST_F(PrintTest, CancelledDialogPrintsNothing) {
  accept = false;
  MemoryBlock picture = SolidPicture(64, 48, 0, 0, 255);
  EXPECT_EQ(PrintPicture(&window, picture.bytes()), 1);
  EXPECT_EQ(dialogs, 1);
  EXPECT_EQ(dialogOwner, &window);
  EXPECT_FALSE(QFile::exists(pdf));
  EXPECT_TRUE(window.isEnabled());
}

TEST_F(PrintTest, LandscapePictureFillsThePageWidth) {
  MemoryBlock picture = SolidPicture(64, 48, 0, 0, 255);  // red
  EXPECT_EQ(PrintPicture(&window, picture.bytes()), 0);
  const PrintJobReport job = LastPrintJob();
  EXPECT_EQ(job.documentName, "12F");
  EXPECT_FALSE(job.aborted);
  EXPECT_EQ(job.target, QRect(QPoint(0, 0), FitToPage(64, 48, job.printable.width(),
                                                      job.printable.height())));
  EXPECT_EQ(job.target.width(), job.printable.width());
  EXPECT_TRUE(window.isEnabled());
  EXPECT_EQ(ActivePrintCancelDialog(), nullptr);
  ASSERT_TRUE(QFile::exists(pdf));

  QImage page = RenderPage();
  if (page.isNull()) GTEST_SKIP() << "no PDF renderer";
  page.save(QString(LUMAREL_BINARY_DIR) + "/gui_print_page.png");
  const int w = page.width(), h = page.height();
  EXPECT_TRUE(Near(page.pixel(w / 2, h / 5), QColor(255, 0, 0)));     // inside the picture
  EXPECT_TRUE(Near(page.pixel(w / 2, h * 4 / 5), QColor(255, 255, 255)));  // below it
  // Width-filling: the picture reaches across the printable width (margins stay white).
  EXPECT_TRUE(Near(page.pixel(w * 4 / 5, h / 5), QColor(255, 0, 0)));
}

TEST_F(PrintTest, PortraitPictureFillsThePageHeight) {
  MemoryBlock picture = SolidPicture(20, 100, 255, 0, 0);  // blue, tall
  window.setWindowTitle("AB");
  EXPECT_EQ(PrintPicture(&window, picture.bytes()), 0);
  const PrintJobReport job = LastPrintJob();
  EXPECT_EQ(job.documentName, "AB");
  EXPECT_EQ(job.target.height(), job.printable.height());
  QImage page = RenderPage();
  if (page.isNull()) GTEST_SKIP() << "no PDF renderer";
  const int w = page.width(), h = page.height();
  EXPECT_TRUE(Near(page.pixel(w / 8, h / 2), QColor(0, 0, 255)));
  EXPECT_TRUE(Near(page.pixel(w * 3 / 4, h / 2), QColor(255, 255, 255)));
}

TEST_F(PrintTest, CancelDuringSpoolingAbortsAndReenablesTheWindowAtOnce) {
  MemoryBlock picture = SolidPicture(64, 48, 0, 0, 255);
  bool disabledWhileSpooling = false;
  QString caption, text;
  QTimer::singleShot(0, [&] {
    QDialog* dialog = ActivePrintCancelDialog();
    ASSERT_NE(dialog, nullptr);
    disabledWhileSpooling = !window.isEnabled();
    caption = dialog->windowTitle();
    dialog->findChild<QPushButton*>("button2")->click();
    EXPECT_TRUE(window.isEnabled());
    EXPECT_EQ(ActivePrintCancelDialog(), nullptr);
  });
  EXPECT_EQ(PrintPicture(&window, picture.bytes()), 0);
  EXPECT_TRUE(disabledWhileSpooling);
  EXPECT_EQ(caption, "Cancel Print Job");
  EXPECT_TRUE(LastPrintJob().aborted);
  EXPECT_TRUE(window.isEnabled());
}

}  // namespace
}  // namespace lumarel
