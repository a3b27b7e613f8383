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
  // A note, not an error: the conversion did what it should.
  EXPECT_EQ(r.err, "lumarel-cli: note: Part of the image will be cut off.\n");
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
  // A picture stored sideways is written upright, as ImageMagick turns it.
  ASSERT_TRUE(Sh("exiftool -q -n -Orientation=6 -o '" + (dir_ / "side.jpg") + "' '" +
                 (dir_ / "small.jpg") + "'"));
  ASSERT_EQ(Cli({"exif", dir_ / "side.jpg", dir_ / "upright.jpg"}).status, 0);
  EXPECT_TRUE(ValidExif(dir_ / "upright.jpg"));
  EXPECT_TRUE(Sh("identify -format '%wx%h' '" + (dir_ / "upright.jpg") + "' | grep -qx 240x320"));
  EXPECT_TRUE(Sh("test -z \"$(exiftool -s3 -n -Orientation '" + (dir_ / "upright.jpg") +
                 "' | grep -v '^1$')\""));
  EXPECT_TRUE(Sh("convert '" + (dir_ / "side.jpg") + "' -auto-orient '" + (dir_ / "turned.ppm") +
                 "' && compare -metric AE -fuzz 6% '" + (dir_ / "turned.ppm") + "' '" +
                 (dir_ / "upright.jpg") + "' null: 2>&1 | grep -qx '[0-9]\\{1,3\\}'"));
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

// Every input gets one line that says what is wrong with it (or a note when
// it opened), whatever its name claims it is.
TEST_F(CliOffline, EachInputGetsOneAccurateMessage) {
  ASSERT_EQ(::mkdir((dir_ / "folder.bmp").c_str(), 0700), 0);
  ASSERT_EQ(::mkfifo((dir_ / "fifo.bmp").c_str(), 0600), 0);
  ASSERT_EQ(::symlink("loop.jpg", (dir_ / "loop.jpg").c_str()), 0);
  // A picture larger than any limit, in a file that claims gigabytes (sparse).
  std::ofstream(dir_ / "huge.bmp") << BmpHeader(20000, 20000, 24, 0);
  ASSERT_EQ(::truncate((dir_ / "huge.bmp").c_str(), 1200000000L), 0);
  std::ofstream(dir_ / "nonsense.bmp") << BmpHeader(4, 4, 24, 0, 66) << std::string(64, 'x');
  std::ofstream(dir_ / "jpeg-inside.bmp") << BmpHeader(4, 4, 24, 4) << ReadText(dir_ / "small.jpg");
  std::ofstream(dir_ / "no-pixels.bmp") << BmpHeader(40, 30, 24, 0);
  std::ofstream(dir_ / "cut.bmp") << BmpHeader(40, 30, 24, 0) << std::string(120 * 10, '\x7f');
  std::ofstream(dir_ / "bitmap.JPG") << ReadText(dir_ / "cut.bmp") << std::string(120 * 20, 'x');
  std::ofstream(dir_ / "photo.bmp") << ReadText(dir_ / "small.jpg");
  std::ofstream(dir_ / "-dash.jpg") << ReadText(dir_ / "small.jpg");
  struct Case {
    const char* command;
    const char* input;  // relative to the folder the command runs in
    int status;
    const char* message;  // the one line of standard error, in part; "" for none
  };
  for (const Case& c : {
           Case{"convert", "missing.jpg", 3, "ERROR: This file could not be found. "},
           Case{"convert", "folder.bmp", 3, "/folder.bmp is not a regular file"},
           Case{"adjust", "fifo.bmp", 3, "/fifo.bmp is not a regular file"},
           Case{"exif", "/dev/zero", 3, "lumarel-cli: /dev/zero is not a regular file"},
           Case{"convert", "loop.jpg", 3, "loop.jpg: Too many levels of symbolic links"},
           Case{"convert", "huge.bmp", 3,
                "ERROR: This picture is too large: 20000 x 20000; at most 16384 x 16384"},
           Case{"convert", "nonsense.bmp", 3, "ERROR: This file type is wrong."},
           Case{"adjust", "jpeg-inside.bmp", 3, "ERROR: This file type is wrong."},
           Case{"exif", "large.bmp", 3, "large.bmp is not a JPEG file that can be read"},
           Case{"convert", "no-pixels.bmp", 3, "ERROR: This file holds no picture data."},
           Case{"convert", "cut.bmp", 0,
                "lumarel-cli: note: Part of the picture data is missing: 10 of 30 rows"},
           Case{"convert", "bitmap.JPG", 0, ""},
           Case{"convert", "photo.bmp", 0, ""}}) {
    SCOPED_TRACE(std::string(c.command) + " " + c.input);
    const std::string in = c.input[0] == '/' ? c.input : dir_ / c.input;
    const RunResult r = Cli({c.command, "--", in, dir_ / "x.bmp"});
    EXPECT_EQ(r.status, c.status) << r.err;
    if (c.message[0] == '\0') {
      EXPECT_EQ(r.err, "");
    } else {
      EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
      EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
    }
    EXPECT_EQ(FileExists(dir_ / "x.bmp"), c.status == 0);
    std::remove((dir_ / "x.bmp").c_str());
  }
  // After "--" a name that starts with '-' is a file.
  EXPECT_TRUE(Sh("cd '" + dir_.Path() + "' && '" + CliPath() + "' convert -- -dash.jpg -out.bmp"));
  EXPECT_EQ(FileSize(dir_ / "-out.bmp"), 921654);
}

// The output is replaced whole with its mode kept, or, when it is no regular
// file, left alone with one line saying why.
TEST_F(CliOffline, OutputsAreReplacedSafelyOrNotAtAll) {
  const std::string out = dir_ / "private.bmp";
  std::ofstream(out) << "old";
  ASSERT_EQ(::chmod(out.c_str(), 0600), 0);
  ASSERT_EQ(Cli({"convert", dir_ / "small.jpg", out}).status, 0);
  struct stat st {};
  ASSERT_EQ(::stat(out.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  EXPECT_EQ(st.st_size, 921654);
  ASSERT_EQ(::symlink("private.bmp", (dir_ / "link.bmp").c_str()), 0);
  ASSERT_EQ(::mkfifo((dir_ / "fifo.bmp").c_str(), 0600), 0);
  for (const auto& [target, why] : {std::pair<std::string, std::string>{"/dev/null", "/dev/null is not a regular file"},
                                    {dir_ / "fifo.bmp", "fifo.bmp is not a regular file"},
                                    {dir_ / "link.bmp", "link.bmp is a symbolic link"}}) {
    SCOPED_TRACE(target);
    const RunResult r = Cli({"convert", dir_ / "small.jpg", target});
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find(why), std::string::npos) << r.err;
  }
  ASSERT_EQ(::lstat("/dev/null", &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));
  ASSERT_EQ(::lstat((dir_ / "link.bmp").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(FileSize(out), 921654);
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
