// SPDX-License-Identifier: MIT
// fuzz_seeds DIR: writes each target's seed corpus into DIR/<target>/.
#include <cstdio>
#include <filesystem>

#include "FuzzSupport.h"
#include "Seeds.h"

using namespace lumarel::fuzz;

namespace {

bool WriteCorpus(const std::filesystem::path& dir, const Corpus& corpus) {
  std::filesystem::create_directories(dir);
  for (const auto& [name, bytes] : corpus) {
    if (!WriteFileBytes((dir / ("seed-" + name)).string(), bytes.data(), bytes.size())) {
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seeds DIR\n");
    return 2;
  }
  const std::filesystem::path out = argv[1];
  const Corpus bitmaps = BitmapSeeds();
  const Corpus jpegs = JpegSeeds();
  const std::pair<const char*, const Corpus*> targets[] = {
      {"fuzz_bitmap_file", &bitmaps}, {"fuzz_encode_bmp", &bitmaps},
      {"fuzz_canvas_read", &bitmaps}, {"fuzz_decode_jpeg", &jpegs},
      {"fuzz_jpeg_stream", &jpegs},   {"fuzz_exif_file", &jpegs}};
  for (const auto& [name, corpus] : targets) {
    Corpus copy = *corpus;
    // Targets whose first byte is a choice get one leading byte.
    if (std::string(name) == "fuzz_encode_bmp" || std::string(name) == "fuzz_exif_file") {
      for (auto& [seed, bytes] : copy) bytes.insert(bytes.begin(), 75);
    }
    if (!WriteCorpus(out / name, copy)) return 1;
  }
  if (!WriteCorpus(out / "fuzz_live_zoom", LiveZoomSeeds())) return 1;
  if (!WriteCorpus(out / "fuzz_link_dispatch", LinkSeeds())) return 1;
  return 0;
}
