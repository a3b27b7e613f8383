// SPDX-License-Identifier: MIT
// Replays every seed and every committed fuzz finding through the entry
// function of its fuzz target, so that the ordinary (ASan + UBSan) test run
// catches a reader that regresses on them without needing clang or libFuzzer.
#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "FuzzEntries.h"
#include "FuzzSupport.h"
#include "Seeds.h"

namespace lumarel::fuzz {
namespace {

using Entry = int (*)(const std::uint8_t*, std::size_t);

struct Target {
  const char* name;
  Entry entry;
};

void PrintTo(const Target& t, std::ostream* os) { *os << t.name; }

const std::vector<Target>& Targets() {
  static const std::vector<Target> targets = {
      {"fuzz_bitmap_file", FuzzBitmapFile}, {"fuzz_encode_bmp", FuzzEncodeBmp},
      {"fuzz_decode_jpeg", FuzzDecodeJpeg}, {"fuzz_jpeg_stream", FuzzJpegStream},
      {"fuzz_exif_file", FuzzExifFile},     {"fuzz_canvas_read", FuzzCanvasRead},
      {"fuzz_live_zoom", FuzzLiveZoom},     {"fuzz_link_dispatch", FuzzLinkDispatch},
  };
  return targets;
}

Corpus SeedsFor(const std::string& target) {
  if (target == "fuzz_bitmap_file" || target == "fuzz_canvas_read" || target == "fuzz_encode_bmp") {
    Corpus c = BitmapSeeds();
    if (target == "fuzz_encode_bmp") {
      for (auto& [name, bytes] : c) bytes.insert(bytes.begin(), 75);
    }
    return c;
  }
  if (target == "fuzz_live_zoom") return LiveZoomSeeds();
  if (target == "fuzz_link_dispatch") return LinkSeeds();
  Corpus c = JpegSeeds();
  if (target == "fuzz_exif_file") {
    for (auto& [name, bytes] : c) bytes.insert(bytes.begin(), 75);
  }
  return c;
}

// The seeds of `target` and the committed findings under inputs/<target>/.
Corpus ReplaysFor(const std::string& target) {
  Corpus all;
  for (auto& [name, bytes] : SeedsFor(target)) all["seed " + name] = bytes;
  const std::filesystem::path dir = std::filesystem::path(LUMAREL_REGRESSION_INPUTS) / target;
  std::error_code ec;
  for (const auto& file : std::filesystem::directory_iterator(dir, ec)) {
    const std::string text = ReadFileBytes(file.path().string());
    all["found " + file.path().filename().string()] = Bytes(text.begin(), text.end());
  }
  return all;
}

class ReplayTest : public ::testing::TestWithParam<Target> {};

TEST_P(ReplayTest, EverySeedAndFindingRunsCleanly) {
  const Target& t = GetParam();
  const Corpus replays = ReplaysFor(t.name);
  EXPECT_FALSE(replays.empty());
  for (const auto& [name, bytes] : replays) {
    SCOPED_TRACE(name);
    EXPECT_EQ(t.entry(bytes.data(), bytes.size()), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Fuzz, ReplayTest, ::testing::ValuesIn(Targets()),
                         [](const ::testing::TestParamInfo<Target>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace lumarel::fuzz
