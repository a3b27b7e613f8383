// SPDX-License-Identifier: MIT
// Figure 3: the picture pipeline on one 640 x 480 picture, each step timed
// side by side with the tools a user would reach for instead (djpeg / cjpeg of
// the same JPEG library, exiftool, ImageMagick's convert).
//
//   lumarel-bench-pictures [--quick] [--runs N]
//
// --quick runs every step once and only checks that it works (the CTest mode).
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "BenchReport.h"
#include "PictureSteps.h"
#include "Pictures.h"
#include "imagefile/BitmapFile.h"
#include "imagefile/ExifFile.h"
#include "imagefile/JpegDecode.h"
#include "imagefile/JpegEncode.h"

namespace lumarel::bench {
namespace {

namespace fs = std::filesystem;

struct Options {
  bool quick = false;
  int runs = 9;
};

bool ParseOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--quick") {
      o.quick = true;
      o.runs = 1;
    } else if (a == "--runs" && i + 1 < argc) {
      o.runs = std::max(1, std::atoi(argv[++i]));
    } else {
      std::fprintf(stderr, "usage: lumarel-bench-pictures [--quick] [--runs N]\n");
      return false;
    }
  }
  return true;
}

class PictureBench {
 public:
  PictureBench(const Options& options, const fs::path& dir)
      : options_(options), dir_(dir), report_("pictures") {
    files_.a = Path("scratchA.tmp");
    files_.b = Path("scratchB.tmp");
  }

  int Run();

 private:
  std::string Path(const char* name) const { return (dir_ / name).string(); }
  bool Have(const char* tool) {
    if (ToolExists(tool)) return true;
    report_.Note(std::string(tool) + " is not installed: its comparison is skipped");
    return false;
  }
  void Check(bool ok, const std::string& step) {
    if (!ok) report_.Fail(step);
  }
  // Two figures: wall-clock time against the tool as a user runs it, and
  // processor time against the tool's less that of starting an empty process
  // (the goal applies to the second: it is the steadier on a shared machine).
  void Compare(const std::string& name, const SideBySide& t, const std::string& reference,
               std::optional<Goal> goal = std::nullopt) {
    report_.Add({name, t.ours.wallMs, "ms", t.Ratio(),
                 reference + " " + Format(t.theirs.wallMs) + " ms", std::nullopt});
    report_.Add({name + ", processor time", t.ours.cpuMs, "ms", t.NetCpuRatio(),
                 reference + " " + Format(t.theirs.cpuMs - t.baseline.cpuMs) +
                     " ms net of process start",
                 goal});
  }
  static void StartProcess() { RunTool({"true"}); }
  static std::string Format(double ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3g", ms);
    return text;
  }

  void TakeOver();
  void SaveAsJpeg();
  void Bmp256();
  void Adjustment();

  Options options_;
  fs::path dir_;
  Report report_;
  ScratchFiles files_;
  sim::StoredPicture source_;
  DibImage picture_;  // the decoded and post-processed picture, as the Capture window holds it
};

int PictureBench::Run() {
  source_ = sim::GeneratePictures(3, 11)[2];  // 640 x 480 Fine, smoothing selected
  picture_ = AllocateBlock(kPictureBlockSize);
  std::printf("picture: %u x %u, quality 0x%02X, %zu JPEG bytes, %d runs per figure\n",
              source_.width, source_.height, source_.quality, source_.jpeg.size(), options_.runs);
  Check(WriteWholeFile(Path("source.jpg"), source_.jpeg.data(), source_.jpeg.size()), "source file");
  TakeOver();
  SaveAsJpeg();
  Bmp256();
  Adjustment();
  return report_.Summary();
}

void PictureBench::TakeOver() {
  const std::string jpg = Path("source.jpg"), bmp = Path("decoded.bmp");
  bool ok = true;
  if (Have("djpeg")) {
    const SideBySide decode = TimeSideBySide(
        options_.runs, [&] { ok = ok && static_cast<bool>(DecodeJpegFile(jpg, bmp)); },
        [&] { RunTool({"djpeg", "-bmp", jpg}, Path("djpeg.bmp")); }, StartProcess);
    Compare("decode JPEG to BMP file (DecodeJpegFile)", decode, "djpeg -bmp", Goal{1.5});
    const SideBySide whole = TimeSideBySide(
        options_.runs,
        [&] {
          ok = ok && TakeOverDecode(source_.jpeg, files_, picture_) &&
               TakeOverPostProcess(picture_, source_.quality);
        },
        [&] { RunTool({"djpeg", "-bmp", jpg}, Path("djpeg.bmp")); }, StartProcess);
    Compare("download take-over (temp files, decode, post-processing)", whole, "djpeg -bmp");
  }
  report_.Value("take-over temp files and decode", MedianMs(options_.runs, [&] {
                 ok = ok && TakeOverDecode(source_.jpeg, files_, picture_);
               }), "ms");
  DibImage work = AllocateBlock(kPictureBlockSize);
  report_.Value("take-over post-processing (boost and smoothing)", MedianMs(options_.runs, [&] {
                 std::memcpy(work.data(), picture_.data(), kPictureBlockSize);
                 ok = ok && TakeOverPostProcess(work, source_.quality);
               }), "ms");
  Check(ok, "take-over");
  // The picture every later step starts from.
  Check(TakeOverDecode(source_.jpeg, files_, picture_) &&
            TakeOverPostProcess(picture_, source_.quality),
        "take-over result");
}

void PictureBench::SaveAsJpeg() {
  const std::string bmp = Path("picture.bmp"), out = Path("saved.jpg");
  Check(WritePictureBmp(picture_, bmp), "picture BMP");
  bool ok = true;
  if (Have("cjpeg")) {
    const SideBySide encode = TimeSideBySide(
        options_.runs, [&] { ok = ok && static_cast<bool>(EncodeJpegFile(bmp, out, "2x1,1x1,1x1", 75)); },
        [&] { RunTool({"cjpeg", "-quality", "75", "-sample", "2x1", bmp}, Path("cjpeg.jpg")); },
        StartProcess);
    Compare("encode BMP to JPEG file (EncodeJpegFile)", encode, "cjpeg -quality 75 -sample 2x1",
            Goal{1.5});
  }
  // What a user does for the same Exif file: a 160 x 120 thumbnail with the
  // JPEG tools, then exiftool writing the tags and the thumbnail.
  const std::string plain = Path("plain.jpg"), tagged = Path("tagged.jpg");
  auto exiftool = [&] {
    RunTool({"djpeg", "-scale", "1/4", "-ppm", plain}, Path("thumb.ppm"));
    RunTool({"cjpeg", "-quality", "75", Path("thumb.ppm")}, Path("thumb.jpg"));
    RunTool({"exiftool", "-q", "-o", tagged, "-Make=Quorandel",
             "-Model=QD-K7700", "-XResolution=72", "-YResolution=72", "-ResolutionUnit=inches",
             "-Software=Ver.1.0", "-ModifyDate=now", "-DateTimeOriginal=now", "-CreateDate=now",
             "-YCbCrPositioning=Co-sited", "-ExifVersion=0210", "-FlashpixVersion=0100",
             "-ColorSpace=sRGB", "-ComponentsConfiguration=1 2 3 0", "-ExifImageWidth=640",
             "-ExifImageHeight=480", "-InteropIndex=R98", "-InteropVersion=0100",
             "-ThumbnailImage<=" + Path("thumb.jpg"), plain});
    std::remove(tagged.c_str());
  };
  if (Have("exiftool") && Have("djpeg") && Have("cjpeg")) {
    Check(static_cast<bool>(EncodeJpegFile(bmp, plain, "2x1,1x1,1x1", 75)), "plain JPEG");
    const std::string exif = Path("exif.jpg");
    const SideBySide tags = TimeSideBySide(
        options_.runs,
        [&] {
          fs::copy_file(plain, exif, fs::copy_options::overwrite_existing);
          ok = ok && static_cast<bool>(WriteExifFile(exif, exif, 75, BenchMessages()));
        },
        [&] {
          fs::copy_file(plain, exif, fs::copy_options::overwrite_existing);
          exiftool();
        },
        [&] {
          for (int i = 0; i < 3; ++i) StartProcess();
        });
    Compare("Exif assembly with thumbnail (WriteExifFile)", tags,
            "thumbnail by djpeg|cjpeg + exiftool");
    const SideBySide whole = TimeSideBySide(
        options_.runs, [&] { ok = ok && SaveAsExifJpeg(picture_, files_, out); },
        [&] {
          RunTool({"cjpeg", "-quality", "75", "-sample", "2x1", bmp}, Path("trial.jpg"));
          RunTool({"cjpeg", "-quality", "75", "-sample", "2x1", bmp}, plain);
          exiftool();
        },
        [&] {
          for (int i = 0; i < 5; ++i) StartProcess();
        });
    Compare("Save As Exif JPEG (BMP, two encodings, WriteExifFile)", whole,
            "cjpeg x2 + thumbnail + exiftool");
  } else {
    ok = ok && SaveAsExifJpeg(picture_, files_, out);
  }
  Check(ok, "Save As Exif JPEG");
}

void PictureBench::Bmp256() {
  const std::string bmp = Path("picture.bmp"), ours = Path("ours256.bmp"), theirs = Path("im256.bmp");
  bool ok = true;
  auto oursFileToFile = [&] {
    const DibImage read = ReadBitmapFile(bmp);
    DibImage block = AllocateBlock(kPictureBlockSize);
    if (!read || !block) return report_.Fail("256-colour BMP: reading " + bmp);
    std::memcpy(block.data(), read.data(), std::min(read.size(), block.size()));
    ok = ok && SaveAs256ColourBmp(block, ours);
  };
  if (Have("convert")) {
    const SideBySide t = TimeSideBySide(options_.runs, oursFileToFile, [&] {
      RunTool({"convert", bmp, "+dither", "-colors", "256", "-type", "Palette", "-compress", "None", "BMP3:" + theirs});
    }, StartProcess);
    Compare("256-colour BMP file to file (MakePaletteDib)", t, "convert +dither -colors 256");
    const double ourError = MeanColourError(picture_, ours);
    const double theirError = MeanColourError(picture_, theirs);
    Check(ourError >= 0 && theirError >= 0, "256-colour error");
    report_.Add({"256-colour mean colour error", ourError, "per channel",
                 theirError > 0 ? std::optional(ourError / theirError) : std::nullopt,
                 "convert " + Format(theirError), std::nullopt});
  } else {
    oursFileToFile();
  }
  report_.Value("256-colour reduction in memory (MakePaletteDib + write)",
               MedianMs(options_.runs, [&] { ok = ok && SaveAs256ColourBmp(picture_, ours); }), "ms");
  Check(ok, "256-colour BMP");
}

void PictureBench::Adjustment() {
  const std::string bmp = Path("picture.bmp"), ours = Path("adjusted.bmp"), theirs = Path("im_adjusted.bmp");
  bool ok = true;
  DibImage work = AllocateBlock(kPictureBlockSize);
  report_.Value("adjustment OK on the whole picture (open, sliders, apply)", MedianMs(options_.runs, [&] {
                 std::memcpy(work.data(), picture_.data(), kPictureBlockSize);
                 ok = ok && AdjustAndApply(work);
               }), "ms");
  auto oursFileToFile = [&] {
    const DibImage read = ReadBitmapFile(bmp);
    ok = ok && read;
    if (!ok) return;
    std::memcpy(work.data(), read.data(), std::min(read.size(), work.size()));
    ok = ok && AdjustAndApply(work) && WritePictureBmp(work, ours);
  };
  if (Have("convert")) {
    const SideBySide t = TimeSideBySide(options_.runs, oursFileToFile, [&] {
      RunTool({"convert", bmp, "-brightness-contrast", "10x20", "-modulate", "100,120", "-sharpen",
               "0x1", "BMP3:" + theirs});
    }, StartProcess);
    Compare("adjustment file to file (AdjustmentSession)", t,
            "convert -brightness-contrast -modulate -sharpen");
  } else {
    oursFileToFile();
  }
  Check(ok, "adjustment");
}

}  // namespace
}  // namespace lumarel::bench

int main(int argc, char** argv) {
  using namespace lumarel::bench;
  Options options;
  if (!ParseOptions(argc, argv, options)) return 2;
  char pattern[] = "/tmp/lumarel-bench-XXXXXX";
  const char* dir = ::mkdtemp(pattern);
  if (dir == nullptr) return 2;
  int status = PictureBench(options, dir).Run();
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
  return status;
}
