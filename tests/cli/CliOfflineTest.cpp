// SPDX-License-Identifier: MIT
// The offline commands end to end against ImageMagick-made inputs, with
// exiftool, djpeg and the BMP headers as oracles; usage errors and exit statuses.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "BmpVariants.h"
#include "ExternalTools.h"
#include "CliProcess.h"

namespace lumarel::testing {
namespace {

bool Sh(const std::string& command) { return std::system(command.c_str()) == 0; }

std::uint32_t Le32(const std::string& b, std::size_t at) {
  return std::uint32_t(std::uint8_t(b[at])) | std::uint32_t(std::uint8_t(b[at + 1])) << 8 |
         std::uint32_t(std::uint8_t(b[at + 2])) << 16 | std::uint32_t(std::uint8_t(b[at + 3])) << 24;
}

class CliOffline : public ::testing::Test {
 protected:
  void SetUp() override {
    LUMAREL_SKIP_WITHOUT("convert", "identify", "exiftool", "djpeg");
    ASSERT_TRUE(Sh("convert -size 320x240 gradient:red-blue '" + (dir_ / "small.jpg") + "'"));
    ASSERT_TRUE(Sh("convert -size 800x600 gradient:green-yellow -type truecolor '" +
                   (dir_ / "large.bmp") + "'"));
  }
  RunResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), CliPath());
    return RunProgram(args, dir_.Path());
  }
  bool ValidExif(const std::string& path) {
    return Sh("exiftool -validate -warning -error '" + path + "' | grep -q 'Validate *: OK'") &&
           Sh("djpeg '" + path + "' > /dev/null");
  }
  ScratchDir dir_;
};

TEST_F(CliOffline, ConvertJpegToExifJpegOfTheCanvasSize) {
  const RunResult r = Cli({"convert", dir_ / "small.jpg", dir_ / "out.jpg"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(ValidExif(dir_ / "out.jpg"));
  EXPECT_TRUE(Sh("identify -format '%wx%h' '" + (dir_ / "out.jpg") + "' | grep -qx 640x480"));
}

TEST_F(CliOffline, ConvertLargeBmpCutsItAndSaysSo) {
  const RunResult r = Cli({"convert", dir_ / "large.bmp", dir_ / "out.bmp"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("ERROR: Part of the image will be cut off."), std::string::npos);
  const std::string b = ReadText(dir_ / "out.bmp");
  ASSERT_EQ(b.size(), 921654u);
  EXPECT_EQ(Le32(b, 2), 921654u);
  EXPECT_EQ(Le32(b, 10), 54u);
}

TEST_F(CliOffline, ConvertTo256ColoursWritesThePaletteBitmap) {
  const RunResult r = Cli({"convert", dir_ / "small.jpg", dir_ / "out.bmp", "--format", "bmp8"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string b = ReadText(dir_ / "out.bmp");
  ASSERT_EQ(b.size(), 308278u);
  EXPECT_EQ(Le32(b, 10), 1078u);
  EXPECT_EQ(std::uint8_t(b[28]), 8);
  EXPECT_TRUE(Sh("identify '" + (dir_ / "out.bmp") + "' > /dev/null"));
}

TEST_F(CliOffline, AdjustChangesThePictureAndNoValuesLeaveItAsOpened) {
  ASSERT_EQ(Cli({"convert", dir_ / "small.jpg", dir_ / "plain.bmp"}).status, 0);
  ASSERT_EQ(Cli({"adjust", dir_ / "small.jpg", dir_ / "same.bmp"}).status, 0);
  ASSERT_EQ(Cli({"adjust", dir_ / "small.jpg", dir_ / "auto.bmp", "--auto"}).status, 0);
  const RunResult manual = Cli({"adjust", dir_ / "small.jpg", dir_ / "manual.jpg", "--brightness",
                                "-30", "--contrast", "20", "--saturation", "10", "--sharpness", "50"});
  ASSERT_EQ(manual.status, 0) << manual.err;
  EXPECT_EQ(ReadText(dir_ / "same.bmp"), ReadText(dir_ / "plain.bmp"));
  EXPECT_NE(ReadText(dir_ / "auto.bmp"), ReadText(dir_ / "plain.bmp"));
  EXPECT_EQ(ReadText(dir_ / "auto.bmp").size(), 921654u);
  EXPECT_TRUE(ValidExif(dir_ / "manual.jpg"));
}

TEST_F(CliOffline, ExifRewritesAJpegFile) {
  const RunResult r = Cli({"exif", dir_ / "small.jpg", dir_ / "exif.jpg"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(ValidExif(dir_ / "exif.jpg"));
  EXPECT_TRUE(Sh("exiftool -ThumbnailImage -b '" + (dir_ / "exif.jpg") + "' | djpeg > /dev/null"));
}

TEST_F(CliOffline, FileErrorsExitWithThree) {
  RunResult r = Cli({"convert", dir_ / "missing.jpg", dir_ / "x.jpg"});
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(r.err.find("ERROR: This file could not be found. "), std::string::npos);
  std::ofstream(dir_ / "text.bmp") << "hello";
  r = Cli({"convert", dir_ / "text.bmp", dir_ / "x.jpg"});
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(r.err.find("ERROR: This file type is wrong."), std::string::npos);
  r = Cli({"convert", dir_ / "small.jpg", dir_ / "no/such/dir/x.jpg"});
  EXPECT_EQ(r.status, 3);
  r = Cli({"exif", dir_ / "large.bmp", dir_ / "x.jpg"});
  EXPECT_EQ(r.status, 3);
  EXPECT_FALSE(FileExists(dir_ / "x.jpg"));
}

// Every common BMP layout opens as ImageMagick shows it, placed on the canvas.
class CliOpensBmpLayouts : public ::testing::TestWithParam<BmpVariant> {};

TEST_P(CliOpensBmpLayouts, ConvertAndAdjustShowImageMagicksPixels) {
  if (!HaveImageMagick()) GTEST_SKIP() << "ImageMagick's convert is not installed";
  ScratchDir dir;
  const std::string in = MakeBmpVariant(dir.Path(), GetParam(), 331, 201);
  ASSERT_FALSE(in.empty());
  const std::vector<std::uint8_t> oracle = ImageMagickRgb(in);
  ASSERT_EQ(oracle.size(), 331u * 201 * 3);
  const RunResult r = RunProgram({CliPath(), "convert", in, dir / "out.bmp"}, dir.Path());
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string out = ReadText(dir / "out.bmp");
  ASSERT_EQ(out.size(), 921654u);
  const bool paletted = BmpBitCount(FileBytes(in)) <= 8;
  const std::vector<std::uint8_t> expected = ExpectedCanvasRows(oracle, 331, 201, paletted);
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(),
                         reinterpret_cast<const std::uint8_t*>(out.data()) + 54));
  // adjust without values opens the file the same way.
  const RunResult a = RunProgram({CliPath(), "adjust", in, dir / "same.bmp"}, dir.Path());
  ASSERT_EQ(a.status, 0) << a.err;
  EXPECT_EQ(ReadText(dir / "same.bmp"), out);
}

INSTANTIATE_TEST_SUITE_P(ImageMagick, CliOpensBmpLayouts, ::testing::ValuesIn(BmpVariants()),
                         [](const auto& info) { return std::string(info.param.name); });

// A 54-byte BMP header of w x h at `bits` with `compression`.
std::string BmpHeader(std::int32_t w, std::int32_t h, int bits, std::uint32_t compression,
                      std::uint32_t headerSize = 40) {
  std::string b(54, '\0');
  auto put = [&b](std::size_t at, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
  };
  b[0] = 'B';
  b[1] = 'M';
  put(10, 54, 4);
  put(14, headerSize, 4);
  put(18, static_cast<std::uint32_t>(w), 4);
  put(22, static_cast<std::uint32_t>(h), 4);
  put(26, 1, 2);
  put(28, static_cast<std::uint32_t>(bits), 2);
  put(30, compression, 4);
  return b;
}

TEST_F(CliOffline, RefusedInputsExitWithThreeAndWriteNothing) {
  ASSERT_EQ(::mkdir((dir_ / "folder.bmp").c_str(), 0700), 0);
  // A picture larger than any limit, in a file that claims gigabytes (sparse).
  std::ofstream(dir_ / "huge.bmp") << BmpHeader(20000, 20000, 24, 0);
  ASSERT_EQ(::truncate((dir_ / "huge.bmp").c_str(), 1200000000L), 0);
  std::ofstream(dir_ / "nonsense.bmp") << BmpHeader(4, 4, 24, 0, 66) << std::string(64, 'x');
  std::ofstream(dir_ / "jpeg-inside.bmp") << BmpHeader(4, 4, 24, 4) << ReadText(dir_ / "small.jpg");
  struct Case {
    const char* command;
    const char* input;
    const char* message;
  };
  for (const Case& c : {Case{"convert", "folder.bmp", "folder.bmp is not a regular file"},
                        Case{"adjust", "folder.bmp", "folder.bmp is not a regular file"},
                        Case{"exif", "folder.bmp", "folder.bmp is not a regular file"},
                        Case{"convert", "huge.bmp", "ERROR: This file type is wrong."},
                        Case{"convert", "nonsense.bmp", "ERROR: This file type is wrong."},
                        Case{"adjust", "jpeg-inside.bmp", "ERROR: This file type is wrong."},
                        Case{"exif", "large.bmp", "large.bmp is not a JPEG file that can be read"}}) {
    SCOPED_TRACE(std::string(c.command) + " " + c.input);
    const RunResult r = Cli({c.command, dir_ / c.input, dir_ / "x.jpg"});
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_FALSE(FileExists(dir_ / "x.jpg"));
  }
}

class CliUsage : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(CliUsage, MalformedCommandLinesExitWithTwo) {
  ScratchDir dir;
  std::vector<std::string> argv = GetParam();
  argv.insert(argv.begin(), CliPath());
  const RunResult r = RunProgram(argv, dir.Path());
  EXPECT_EQ(r.status, 2) << r.err;
  // One line saying what is wrong, then where to look.
  const std::string tryHelp = "\nTry 'lumarel-cli --help'.\n";
  EXPECT_EQ(r.err.rfind("lumarel-cli: ", 0), 0u) << r.err;
  ASSERT_GE(r.err.size(), tryHelp.size());
  EXPECT_EQ(r.err.find('\n'), r.err.size() - tryHelp.size()) << r.err;
  EXPECT_EQ(r.err.substr(r.err.size() - tryHelp.size()), tryHelp);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CliUsage,
    ::testing::Values(std::vector<std::string>{}, std::vector<std::string>{"fly"},
                      std::vector<std::string>{"get"}, std::vector<std::string>{"get", "0"},
                      std::vector<std::string>{"get", "1", "--all"},
                      std::vector<std::string>{"put", "a.jpg"},
                      std::vector<std::string>{"put", "a.jpg", "--fine", "--normal"},
                      std::vector<std::string>{"convert", "a.jpg"},
                      std::vector<std::string>{"convert", "a", "b", "--format", "png"},
                      std::vector<std::string>{"adjust", "a", "b", "--auto", "--contrast", "3"},
                      std::vector<std::string>{"adjust", "a", "b", "--sharpness", "-1"},
                      std::vector<std::string>{"--max-speed", "9600", "info"},
                      std::vector<std::string>{"info", "--yes"},
                      std::vector<std::string>{"get", "3-1"},
                      std::vector<std::string>{"get", "--all", "--filename", "../%n"}));

TEST(CliHelp, HelpAndVersionPrintAndSucceed) {
  ScratchDir dir;
  RunResult r = RunProgram({CliPath(), "--help"}, dir.Path());
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Exit status: 0 success;"), std::string::npos);
  r = RunProgram({CliPath(), "get", "--help"}, dir.Path());
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("usage: lumarel-cli [OPTIONS] get ", 0), 0u) << r.out;
  r = RunProgram({CliPath(), "--version"}, dir.Path());
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("lumarel-cli 0.", 0), 0u) << r.out;
}

}  // namespace
}  // namespace lumarel::testing
