// SPDX-License-Identifier: MIT
// lumarel-cli against the simulated camera: every camera command and exit
// status, end to end over the simulator's pseudo-terminal.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <thread>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <set>
#include <sstream>

#include "ExternalTools.h"
#include "CliProcess.h"
#include "TempDir.h"

namespace lumarel::testing {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::istringstream in(line);
  for (std::string f; std::getline(in, f, '\t');) fields.push_back(f);
  return fields;
}

class CliCamera : public ::testing::Test {
 protected:
  void StartSim(std::vector<std::string> options) {
    sim_ = std::make_unique<Simulator>(dir_, std::move(options));
    ASSERT_TRUE(sim_->Ready());
  }
  RunResult Cli(std::vector<std::string> args) {
    std::vector<std::string> argv{CliPath(), "--port", sim_->Link()};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv, dir_.Path());
  }
  // The list's picture lines (without free and total).
  std::vector<std::vector<std::string>> ListEntries() {
    const RunResult r = Cli({"list"});
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<std::vector<std::string>> entries;
    for (const std::string& line : Lines(r.out)) {
      auto f = Fields(line);
      if (!f.empty() && f[0] != "free" && f[0] != "total") entries.push_back(f);
    }
    return entries;
  }

  ScratchDir dir_;
  std::unique_ptr<Simulator> sim_;
};

TEST_F(CliCamera, InfoGivesOneKeyValuePerLine) {
  StartSim({"--generate", "3", "--model", "631"});
  const RunResult r = Cli({"info"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "model: 631\nvariant: 1\nwrite-protected: no\ncapacity: " +
                Lines(r.out)[3].substr(10) + "\npictures: 3\nspeed: 115200\n");
}

TEST_F(CliCamera, MaxSpeedCapsTheNegotiation) {
  StartSim({"--generate", "2"});
  const RunResult r = Cli({"--max-speed", "19200", "info"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("speed: 19200\n"), std::string::npos) << r.out;
  const std::string log = sim_->LogText();
  EXPECT_EQ(log.find("rx CmdSpeed115200"), std::string::npos);
  EXPECT_EQ(log.find("rx CmdSpeed57600"), std::string::npos);
}

TEST_F(CliCamera, ListHasOneTabSeparatedLinePerPictureThenFreeAndTotal) {
  StartSim({"--generate", "20"});
  const RunResult r = Cli({"list"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 22u);
  for (int i = 0; i < 20; ++i) {
    const auto f = Fields(lines[i]);
    ASSERT_EQ(f.size(), 5u) << lines[i];
    EXPECT_EQ(f[0], std::to_string(i + 1));
    EXPECT_TRUE(f[3] == "F" || f[3] == "N") << lines[i];
    EXPECT_EQ(f[4], f[3] == "F" ? "640x480" : "320x240");
    // The label and the default file name carry the number and quality.
    EXPECT_EQ(f[2].rfind(std::to_string(i + 1) + f[3], 0), 0u) << f[2];
    EXPECT_NE(f[1].find(std::to_string(i + 1) + f[3] + ":"), std::string::npos) << f[1];
  }
  EXPECT_EQ(Fields(lines[20]).size(), 3u);
  EXPECT_EQ(Fields(lines[20])[0], "free");
  EXPECT_EQ(lines[21], "total\t20");
}

TEST_F(CliCamera, ThumbsWritesEveryPreviewAsA24BitBmp) {
  StartSim({"--generate", "5"});
  const std::string out = dir_ / "thumbs";
  ASSERT_EQ(::mkdir(out.c_str(), 0755), 0);
  const RunResult r = Cli({"thumbs", out});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto entries = ListEntries();
  const auto files = DirectoryNames(out);
  ASSERT_EQ(files.size(), entries.size());
  for (const auto& e : entries) {
    const std::string path = out + "/" + e[2] + ".bmp";
    ASSERT_TRUE(FileExists(path)) << path;
    const std::string bytes = ReadText(path);
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    EXPECT_EQ(bytes.size(), 54u + 160 * 120 * 3);
    EXPECT_EQ(static_cast<unsigned char>(bytes[28]), 24);  // bits per pixel
  }
}

TEST_F(CliCamera, PortsTellsWhatStandsBehindEachComPort) {
  StartSim({"--generate", "1"});
  const RunResult r = Cli({"ports"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 4u) << r.out;
  EXPECT_EQ(lines[0], "COM1: " + sim_->Link() + ": exists, can be opened, a camera answers");
  EXPECT_EQ(lines[1], "COM2: no device");
  std::ofstream(dir_ / "plain") << "x";
  const RunResult plain = RunProgram({CliPath(), "--port", dir_ / "plain", "ports"}, dir_.Path());
  EXPECT_EQ(plain.status, 1);
  EXPECT_NE(plain.out.find(": exists, cannot be opened: "), std::string::npos) << plain.out;
  const RunResult none = RunProgram({CliPath(), "--port", dir_ / "none", "ports"}, dir_.Path());
  EXPECT_EQ(none.status, 1);
  EXPECT_NE(none.out.find(": does not exist\n"), std::string::npos) << none.out;
}

TEST_F(CliCamera, NoCameraIsALinkFailure) {
  const RunResult r = RunProgram({CliPath(), "--port", dir_ / "nothing", "info"}, dir_.Path());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("no camera found"), std::string::npos) << r.err;
  // A port that opens with no camera behind it is named as such.
  StartSim({"--generate", "1"});
  ::kill(sim_->Pid(), SIGSTOP);
  const RunResult silent = Cli({"info"});
  ::kill(sim_->Pid(), SIGCONT);
  EXPECT_EQ(silent.status, 1);
  EXPECT_NE(silent.err.find(sim_->Link() + ": opened, but no camera answered"), std::string::npos)
      << silent.err;
}

TEST_F(CliCamera, WithoutPortTheSettingsFileMapsComPorts) {
  StartSim({"--generate", "2"});
  const std::string settings = dir_ / "zelcam.ini";
  std::ofstream(settings) << "[Ports]\nCOM1=\nCOM2=" << sim_->Link() << "\n";
  const RunResult r = RunProgram({CliPath(), "--settings", settings, "info"}, dir_.Path());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("pictures: 2"), std::string::npos);
}

TEST_F(CliCamera, TheUsersConfigFolderMapsThePortsAndNothingIsWrittenElsewhere) {
  StartSim({"--generate", "2"});
  const std::string home = dir_ / "home", work = dir_ / "work", tmp = dir_ / "tmp";
  for (const std::string& d : {home, home + "/.config", home + "/.config/lumarel", work, tmp})
    ASSERT_EQ(::mkdir(d.c_str(), 0700), 0) << d;
  std::ofstream(home + "/.config/lumarel/zelcam.ini")
      << "[Ports]\nCOM1=" << sim_->Link() << "\nCOM2=\nCOM3=\nCOM4=\n";
  // Only HOME and XDG_CONFIG_HOME (and TMPDIR, to watch the scratch folder).
  const RunResult r = RunProgram({"/bin/sh", "-c",
                                  "cd '" + work + "' && exec /usr/bin/env -i HOME='" + home +
                                      "' XDG_CONFIG_HOME='" + home + "/.config' TMPDIR='" + tmp +
                                      "' '" + CliPath() + "' info"},
                                 dir_.Path());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("pictures: 2"), std::string::npos) << r.out;
  EXPECT_TRUE(DirectoryNames(work).empty());
  EXPECT_TRUE(DirectoryNames(tmp).empty());  // the scratch folder went at exit
  EXPECT_EQ(DirectoryNames(home + "/.config/lumarel"), std::vector<std::string>{"zelcam.ini"});
  EXPECT_EQ(Cli({"--version"}).out.rfind("lumarel-cli ", 0), 0u);
}

TEST_F(CliCamera, VcrModeStopsWithTheProgramsMessage) {
  StartSim({"--mode", "vcr"});
  const RunResult r = Cli({"list"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("WARNING:  VIDMARELLE is in VCR MODE."), std::string::npos) << r.err;
}

TEST_F(CliCamera, NoCardStopsWithTheProgramsMessage) {
  StartSim({"--mode", "nocard"});
  const RunResult r = Cli({"info"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("WARNING:  NO CARD!"), std::string::npos) << r.err;
}

TEST_F(CliCamera, DeleteWithoutYesOrTerminalIsRefusedBeforeConnecting) {
  StartSim({"--generate", "3"});
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"delete", "1"}, std::vector<std::string>{"erase"}}) {
    const RunResult r = Cli(args);
    EXPECT_EQ(r.status, 1) << "a question no one could answer";
    EXPECT_NE(r.err.find("--yes"), std::string::npos) << r.err;
  }
  EXPECT_EQ(sim_->LogText().find("CmdIdentify"), std::string::npos);
}

TEST_F(CliCamera, DeleteTwoAndFiveOnwardLeavesThreePicturesNumberedOneToThree) {
  StartSim({"--generate", "6"});
  const auto before = ListEntries();
  ASSERT_EQ(before.size(), 6u);
  const RunResult r = Cli({"delete", "2", "5-", "--yes"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto after = ListEntries();
  ASSERT_EQ(after.size(), 3u);
  const int kept[] = {0, 2, 3};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(after[i][0], std::to_string(i + 1));
    // The same picture as before (its date), under its new number.
    EXPECT_EQ(after[i][1].substr(4), before[kept[i]][1].substr(4));
  }
}

// On a terminal the program's question is asked; "no" is not a failure.
TEST_F(CliCamera, ADeclinedDeleteQuestionDeletesNothingAndExitsZero) {
  LUMAREL_SKIP_WITHOUT("script");
  StartSim({"--generate", "2"});
  const RunResult r = RunProgram(
      {"/bin/sh", "-c",
       "printf 'n\\n' | script -qec \"'" + CliPath() + "' --port '" + sim_->Link() +
           "' delete 1\" /dev/null"},
      dir_.Path());
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("Delete selected page?"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("nothing deleted"), std::string::npos) << r.out;
  EXPECT_EQ(ListEntries().size(), 2u);
}

TEST_F(CliCamera, DeleteOfAPictureNotListedIsAUsageError) {
  StartSim({"--generate", "3"});
  const RunResult r = Cli({"delete", "4", "--yes"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(Cli({"delete", "4-", "--yes"}).status, 2);
  EXPECT_EQ(sim_->LogText().find("CmdDeleteBegin"), std::string::npos);
}

TEST_F(CliCamera, DeleteOnAWriteProtectedCardIsRefused) {
  StartSim({"--generate", "3", "--write-protected"});
  const RunResult r = Cli({"delete", "--all", "--yes"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("WARNING: The card is write protected."), std::string::npos) << r.err;
  EXPECT_EQ(ListEntries().size(), 3u);
}

TEST_F(CliCamera, DeleteAllEmptiesTheCard) {
  StartSim({"--generate", "4"});
  const RunResult r = Cli({"delete", "--all", "--yes"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(ListEntries().empty());
}

TEST_F(CliCamera, EraseSendsFlashAllErase) {
  StartSim({"--generate", "4"});
  const RunResult r = Cli({"erase", "--yes"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(sim_->LogText().find("rx CmdEraseAll"), std::string::npos);
  EXPECT_TRUE(ListEntries().empty());
}


// Header fields of a BMP file (little-endian).
std::uint32_t Le32(const std::string& b, std::size_t at) {
  return std::uint32_t(std::uint8_t(b[at])) | std::uint32_t(std::uint8_t(b[at + 1])) << 8 |
         std::uint32_t(std::uint8_t(b[at + 2])) << 16 | std::uint32_t(std::uint8_t(b[at + 3])) << 24;
}

void ExpectBmp(const std::string& path, int w, int h, int bits) {
  const std::string b = ReadText(path);
  ASSERT_GE(b.size(), 54u) << path;
  EXPECT_EQ(b.substr(0, 2), "BM");
  const std::uint32_t table = bits == 8 ? 1024 : 0;
  const std::uint32_t stride = ((w * bits + 31) / 32) * 4;
  EXPECT_EQ(b.size(), 54 + table + stride * h) << path;
  EXPECT_EQ(Le32(b, 2), b.size());
  EXPECT_EQ(Le32(b, 10), 54 + table);
  EXPECT_EQ(Le32(b, 18), std::uint32_t(w));
  EXPECT_EQ(Le32(b, 22), std::uint32_t(h));
  EXPECT_EQ(std::uint8_t(b[28]), bits);
}

bool ToolSucceeds(const std::string& command) { return std::system(command.c_str()) == 0; }

TEST_F(CliCamera, GetAllInEveryFormatSavesAsTheCaptureWindowDoes) {
  LUMAREL_SKIP_WITHOUT("exiftool", "djpeg");
  StartSim({"--generate", "20"});
  const auto entries = ListEntries();
  ASSERT_EQ(entries.size(), 20u);
  for (const char* format : {"jpg", "bmp", "bmp8"}) {
    const std::string out = dir_ / format;
    ASSERT_EQ(::mkdir(out.c_str(), 0755), 0);
    const RunResult r = Cli({"get", "--all", "--format", format, "--out", out});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(DirectoryNames(out).size(), 21u) << format;  // and the import record
    const auto paths = Lines(r.out);  // in the list's order
    ASSERT_EQ(paths.size(), 20u) << r.out;
    for (std::size_t i = 0; i < paths.size(); ++i) {
      const bool fine = entries[i][3] == "F";
      const std::string ext = std::string(format) == "jpg" ? ".jpg" : ".bmp";
      const std::string& path = paths[i];
      EXPECT_EQ(path.substr(path.size() - 4), ext);
      ASSERT_TRUE(FileExists(path)) << path;
      if (ext == ".jpg") {
        EXPECT_TRUE(ToolSucceeds("exiftool -validate -warning -error '" + path +
                                 "' | grep -q 'Validate *: OK'")) << path;
        EXPECT_TRUE(ToolSucceeds("djpeg '" + path + "' > /dev/null")) << path;
      } else {
        ExpectBmp(path, fine ? 640 : 320, fine ? 480 : 240, std::string(format) == "bmp" ? 24 : 8);
      }
    }
  }
  EXPECT_EQ(CountOccurrences(sim_->LogText(), "rx CmdSendPicture"), 60);
}

TEST_F(CliCamera, SkipExistingTransfersNothingTheSecondTime) {
  StartSim({"--generate", "4"});
  ASSERT_EQ(Cli({"get", "--all", "--skip-existing", "--out", dir_.Path()}).status, 0);
  const int first = CountOccurrences(sim_->LogText(), "rx CmdSendPicture");
  EXPECT_EQ(first, 4);
  const RunResult again = Cli({"get", "--all", "--skip-existing", "--out", dir_.Path()});
  ASSERT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(CountOccurrences(sim_->LogText(), "rx CmdSendPicture"), first);
}

TEST_F(CliCamera, AnInterruptedGetLeavesNoFileUnderARealName) {
  // Count the packets of connecting and listing, then let a second camera fall
  // silent part of the way into the first picture.
  int listing = 0;
  {
    ScratchDir probeDir;
    Simulator probe(probeDir, {"--generate", "3"});
    ASSERT_TRUE(probe.Ready());
    ASSERT_EQ(RunProgram({CliPath(), "--port", probe.Link(), "list"}, probeDir.Path()).status, 0);
    const std::string log = probe.LogText();
    listing = CountOccurrences(log, " tx ");
  }
  StartSim({"--generate", "3", "--silent-after", std::to_string(listing + 40)});
  const std::string out = dir_ / "pictures";
  ASSERT_EQ(::mkdir(out.c_str(), 0755), 0);
  const RunResult r = Cli({"get", "--all", "--retries", "0", "--out", out});
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(sim_->LogText().find("[silent]"), std::string::npos);
  EXPECT_TRUE(DirectoryNames(out).empty());
}

TEST_F(CliCamera, GetOfAPictureNotListedIsAUsageError) {
  StartSim({"--generate", "2"});
  const RunResult r = Cli({"get", "3", "--out", dir_.Path()});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("no picture 3 (the camera lists 2)\nTry 'lumarel-cli --help'."),
            std::string::npos)
      << r.err;
  EXPECT_EQ(Cli({"get", "3-", "--out", dir_.Path()}).status, 2);
  // A folder that cannot be made is found before connecting.
  std::ofstream(dir_ / "plain") << "x";
  EXPECT_EQ(Cli({"get", "1", "--out", dir_ / "plain/sub"}).status, 3);
  EXPECT_EQ(CountOccurrences(sim_->LogText(), "rx CmdSendPicture"), 0);
}

// "YY/M/D H:MM" of a list label, and exiftool's DateTimeOriginal of a file,
// as year % 100, month, day, hour, minute.
std::vector<int> LabelDate(const std::string& label) {
  std::vector<int> d(5, -1);
  std::sscanf(label.substr(label.find(':') + 1).c_str(), "%d/%d/%d %d:%d", &d[0], &d[1], &d[2],
              &d[3], &d[4]);
  return d;
}

std::vector<int> ExifDate(const std::string& path) {
  std::vector<int> d(5, -1);
  const std::string cmd = "exiftool -s3 -DateTimeOriginal '" + path + "'";
  if (FILE* p = ::popen(cmd.c_str(), "r")) {
    int seconds = 0;
    if (std::fscanf(p, "%d:%d:%d %d:%d:%d", &d[0], &d[1], &d[2], &d[3], &d[4], &seconds) == 6)
      d[0] %= 100;
    ::pclose(p);
  }
  return d;
}

// --new fetches each picture once, whatever its number becomes: a second run
// and a run after deleting an earlier picture fetch nothing.
TEST_F(CliCamera, GetNewImportsEachPictureOnce) {
  StartSim({"--generate", "3"});
  const auto entries = ListEntries();
  ASSERT_EQ(entries.size(), 3u);
  const std::string out = dir_ / "new/pictures";  // made by get
  const RunResult first = Cli({"get", "--all", "--new", "--out", out});
  ASSERT_EQ(first.status, 0) << first.err;
  const auto paths = Lines(first.out);
  ASSERT_EQ(paths.size(), 3u) << first.out;
  const bool exiftool = ToolInstalled("exiftool");
  for (std::size_t i = 0; i < paths.size(); ++i) {
    EXPECT_EQ(paths[i].rfind(out + "/", 0), 0u) << paths[i];
    ASSERT_TRUE(FileExists(paths[i])) << paths[i];
    if (exiftool) {
      EXPECT_EQ(ExifDate(paths[i]), LabelDate(entries[i][1])) << paths[i];
    }
  }
  EXPECT_NE(first.err.find("3 saved, 0 skipped, 0 failed"), std::string::npos) << first.err;

  const RunResult second = Cli({"get", "--all", "--new", "--out", out});
  ASSERT_EQ(second.status, 0) << second.err;
  EXPECT_EQ(second.out, "");
  ASSERT_EQ(Cli({"delete", "1", "--yes"}).status, 0);
  const RunResult third = Cli({"get", "--all", "--new", "--out", out});
  ASSERT_EQ(third.status, 0) << third.err;
  EXPECT_EQ(third.out, "");
  EXPECT_EQ(CountOccurrences(sim_->LogText(), "rx CmdSendPicture"), 3);
  EXPECT_EQ(DirectoryNames(out).size(), 4u);  // three pictures and the import record
}

// Ranges select pictures; an existing file is replaced only when asked to.
// Previews of two sizes: deleting a picture on the camera moves a small
// preview into a slot a larger one filled; --new still knows every picture.
TEST_F(CliCamera, NewAfterADeleteOnTheCameraSavesNoCopy) {
  StartSim({"--generate", "3", "--small-previews"});
  const std::string out = dir_ / "out";
  const RunResult first = Cli({"get", "--all", "--new", "--out", out});
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_EQ(Lines(first.out).size(), 3u);
  ASSERT_EQ(Cli({"delete", "1", "--yes"}).status, 0);
  const RunResult second = Cli({"get", "--all", "--new", "--out", out});
  EXPECT_EQ(second.status, 0) << second.err;
  EXPECT_EQ(second.out, "");
  EXPECT_NE(second.err.find("0 saved, 2 skipped, 0 failed"), std::string::npos) << second.err;
}

// The weekly import: date folders, the camera's own JPEG bytes (the stored
// files, byte for byte), the processed picture beside it, and a second run
// that saves nothing.
TEST_F(CliCamera, GetOriginalIntoDateFoldersKeepsTheCamerasBytes) {
  const std::string pictures = dir_ / "pictures";
  ASSERT_EQ(::mkdir(pictures.c_str(), 0755), 0);
  ASSERT_TRUE(ToolSucceeds("convert -size 640x480 plasma:fractal -seed 3 -quality 60 '" +
                           pictures + "/a.jpg'"));
  ASSERT_TRUE(ToolSucceeds("convert -size 320x240 gradient:red-blue -quality 90 '" + pictures +
                           "/b.jpg'"));
  StartSim({"--pictures", pictures});
  const std::string out = dir_ / "out";
  const std::vector<std::string> get{"get", "--all", "--new", "--original", "--processed",
                                     "--filename", "%Y/%m/%Y%m%d-%H%M%S-%N", "--out", out};
  const RunResult first = Cli(get);
  ASSERT_EQ(first.status, 0) << first.err;
  const std::vector<std::string> written = Lines(first.out);
  ASSERT_EQ(written.size(), 4u) << first.out;
  for (int k = 0; k < 2; ++k) {
    const std::string& original = written[static_cast<std::size_t>(2 * k)];
    EXPECT_EQ(original.substr(original.size() - 8), "-00" + std::to_string(k + 1) + ".jpg");
    EXPECT_NE(original.find(out + "/20"), std::string::npos) << "a year folder: " << original;
    EXPECT_EQ(ReadText(original), ReadText(pictures + (k == 0 ? "/a.jpg" : "/b.jpg")));
    EXPECT_EQ(written[static_cast<std::size_t>(2 * k + 1)],
              original.substr(0, original.size() - 4) + "-processed.jpg");
    EXPECT_TRUE(ToolSucceeds("djpeg '" + written[static_cast<std::size_t>(2 * k + 1)] +
                             "' > /dev/null"));
  }
  const RunResult second = Cli(get);
  EXPECT_EQ(second.status, 0) << second.err;
  EXPECT_EQ(second.out, "");
  EXPECT_NE(second.err.find("0 saved, 2 skipped, 0 failed"), std::string::npos) << second.err;
}

// The preview cache: a second `get --new` of an unchanged card saves nothing
// and the camera sends no preview; a picture replaced on the camera by
// another of the same minute and size (its preview differs) is fetched.
TEST_F(CliCamera, PreviewCacheSkipsKnownPreviewsButNotAReplacedPicture) {
  const std::string pictures = dir_ / "pictures";
  ASSERT_EQ(::mkdir(pictures.c_str(), 0755), 0);
  auto make = [&](const std::string& name, const std::string& source, const std::string& when) {
    return ToolSucceeds("convert -size 640x480 " + source + " -quality 80 '" + pictures + "/" +
                        name + "' && touch -d '" + when + "' '" + pictures + "/" + name + "'");
  };
  ASSERT_TRUE(make("a.jpg", "plasma:fractal -seed 3", "2001-06-15 09:05"));
  ASSERT_TRUE(make("b.jpg", "gradient:red-blue", "2001-06-15 09:06"));
  const CacheHome cache(dir_ / "cache");
  StartSim({"--pictures", pictures});
  const std::string out = dir_ / "out";
  const std::vector<std::string> get{"get", "--all", "--new", "--out", out};
  const RunResult first = Cli(get);
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_EQ(Lines(first.out).size(), 2u) << first.out;
  EXPECT_TRUE(FileExists(dir_ / "cache/lumarel/previews"));
  const std::string previewData = "DataPacket seq 1 (index entry";
  const int read = CountOccurrences(sim_->LogText(), previewData);
  EXPECT_EQ(read, 2);

  const RunResult second = Cli(get);
  EXPECT_EQ(second.status, 0) << second.err;
  EXPECT_EQ(second.out, "");
  EXPECT_NE(second.err.find("0 saved, 2 skipped, 0 failed"), std::string::npos) << second.err;
  EXPECT_EQ(CountOccurrences(sim_->LogText(), previewData), read) << "no preview sent again";
  EXPECT_EQ(CountOccurrences(sim_->LogText(), "preview skipped"), 2);

  sim_.reset();
  ASSERT_TRUE(make("b.jpg", "plasma:fractal -seed 11", "2001-06-15 09:06"));
  StartSim({"--pictures", pictures});
  const RunResult third = Cli(get);
  EXPECT_EQ(third.status, 0) << third.err;
  EXPECT_NE(third.err.find("1 saved, 1 skipped, 0 failed"), std::string::npos) << third.err;
  const std::string log = sim_->LogText();
  EXPECT_EQ(CountOccurrences(log, "index entry 0: preview skipped"), 1) << log;
  EXPECT_EQ(CountOccurrences(log, "DataPacket seq 1 (index entry 1"), 1) << log;

  EXPECT_EQ(Cli({"--no-cache", "list"}).status, 0);
  EXPECT_EQ(CountOccurrences(sim_->LogText(), "DataPacket seq 1 (index entry 0"),
            CountOccurrences(log, "DataPacket seq 1 (index entry 0") + 1);
}

// The trace: time-stamped lines in order, the bytes each way, the command's steps.
TEST_F(CliCamera, DebugLogfileTracesTheLineAndTheSteps) {
  StartSim({"--generate", "2"});
  const std::string trace = dir_ / "trace.log";
  const RunResult r = Cli({"--debug-logfile", trace, "get", "2", "--out", dir_ / "out"});
  ASSERT_EQ(r.status, 0) << r.err;
  double last = 0;
  std::set<std::string> kinds;
  for (const std::string& line : Lines(ReadText(trace))) {
    std::istringstream in(line);
    double stamp = -1;
    std::string dir;
    in >> stamp >> dir;
    EXPECT_GE(stamp, last) << line;
    last = stamp;
    kinds.insert(dir);
  }
  EXPECT_EQ(kinds, (std::set<std::string>{"--", "io", "rx", "tx"}));
  const std::string text = ReadText(trace);
  for (const std::string& part :
       {"io open " + sim_->Link(), std::string(" rx 116 bytes: "), std::string(" tx 1 byte: "),
        std::string("-- picture 2 (1999-12-31 10:37): download from place 2"),
        std::string("-- outcome done"), std::string("saved " + (dir_ / "out"))})
    EXPECT_NE(text.find(part), std::string::npos) << part;
  const RunResult onStderr = Cli({"--debug", "info"});
  EXPECT_NE(onStderr.err.find(" -- outcome done"), std::string::npos) << onStderr.err;
  EXPECT_EQ(onStderr.out.find(" tx "), std::string::npos) << "stdout stays the command's";
}

// -0 ends each path with NUL; the hook runs after each file and at the end,
// its output kept off standard output; a failing hook fails the run.
TEST_F(CliCamera, HookAndNulSeparatedPaths) {
  StartSim({"--generate", "2"});
  const std::string out = dir_ / "out", log = dir_ / "hook.txt";
  const std::string hook = "echo \"$LUMAREL_ACTION $LUMAREL_NUMBER $LUMAREL_DATE $LUMAREL_FILE"
                           "$LUMAREL_SAVED $LUMAREL_STATUS\" >> '" + log + "'; echo noise";
  const RunResult r = Cli({"get", "--all", "-0", "--hook", hook, "--out", out});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string first = out + "/19991230-1000-F.jpg", second = out + "/19991231-1037-N.jpg";
  EXPECT_EQ(r.out, first + '\0' + second + '\0');
  EXPECT_EQ(ReadText(log), "saved 1 1999-12-30T10:00:00 " + first + " \nsaved 2 1999-12-31T10:37:00 " +
                               second + " \nend   2 0\n");
  const RunResult failing = Cli({"get", "1", "--force-overwrite", "--hook", "exit 3", "--out", out});
  EXPECT_EQ(failing.status, 1) << failing.err;
  EXPECT_NE(failing.err.find("the hook failed (status 3)"), std::string::npos) << failing.err;
}

TEST_F(CliCamera, GetRangeKeepsExistingFilesWithoutForceOverwrite) {
  StartSim({"--generate", "4"});
  const std::string out = dir_ / "out";
  const RunResult r = Cli({"get", "2-3", "--out", out});
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(Lines(r.out).size(), 2u) << r.out;
  EXPECT_EQ(DirectoryNames(out).size(), 3u);
  const std::string path = Lines(r.out)[0];
  std::ofstream(path, std::ios::trunc) << "mine";
  // No terminal to ask: the file is kept and the run fails.
  const RunResult kept = Cli({"get", "2", "--out", out});
  EXPECT_EQ(kept.status, 1) << kept.err;
  EXPECT_EQ(ReadText(path), "mine");
  const RunResult forced = Cli({"get", "2", "--force-overwrite", "--out", out});
  ASSERT_EQ(forced.status, 0) << forced.err;
  EXPECT_EQ(ReadText(path).substr(0, 2), "\xFF\xD8");
  const RunResult open = Cli({"get", "4-", "--out", out});
  ASSERT_EQ(open.status, 0) << open.err;
  EXPECT_EQ(Lines(open.out).size(), 1u) << open.out;
}

TEST_F(CliCamera, PutThenListShowsTheNewEntry) {
  LUMAREL_SKIP_WITHOUT("convert");
  StartSim({"--generate", "3"});
  const std::string in = dir_ / "in.jpg";
  ASSERT_TRUE(ToolSucceeds("convert -size 320x240 gradient:red-blue '" + in + "'"));
  for (const char* quality : {"--fine", "--normal"}) {
    const RunResult r = Cli({"put", in, quality});
    ASSERT_EQ(r.status, 0) << r.err;
  }
  const auto entries = ListEntries();
  ASSERT_EQ(entries.size(), 5u);
  EXPECT_EQ(entries[3][3], "F");
  EXPECT_EQ(entries[3][4], "640x480");
  EXPECT_EQ(entries[4][3], "N");
  EXPECT_EQ(entries[4][4], "320x240");
}

TEST_F(CliCamera, PutOfAFileThatIsNoPictureIsAFileError) {
  StartSim({"--generate", "1"});
  const std::string in = dir_ / "text.bmp";
  std::ofstream(in) << "not a picture";
  const RunResult r = Cli({"put", in, "--fine"});
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(r.err.find("ERROR: This file type is wrong."), std::string::npos) << r.err;
  // A directory is refused before it is read, and nothing is sent.
  const RunResult folder = Cli({"put", dir_.Path(), "--fine"});
  EXPECT_EQ(folder.status, 3);
  EXPECT_NE(folder.err.find("is not a regular file"), std::string::npos) << folder.err;
  EXPECT_EQ(ListEntries().size(), 1u);
}

TEST_F(CliCamera, PutWhenTheCardIsFullReportsTheProgramsMessage) {
  LUMAREL_SKIP_WITHOUT("convert");
  StartSim({"--generate", "1", "--memory-full-after", "0"});
  const std::string in = dir_ / "in.bmp";
  ASSERT_TRUE(ToolSucceeds("convert -size 640x480 gradient:green-yellow -type truecolor '" + in + "'"));
  const RunResult r = Cli({"put", in, "--fine"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Vidmarelle Info: The Vidmarelle's memory is full."), std::string::npos)
      << r.err;
  EXPECT_EQ(ListEntries().size(), 1u);
}

TEST_F(CliCamera, LiveSavesOneFrameAs160By120Bmp) {
  StartSim({"--generate", "1"});
  const RunResult r = Cli({"live", dir_ / "live.bmp"});
  ASSERT_EQ(r.status, 0) << r.err;
  ExpectBmp(dir_ / "live.bmp", 160, 120, 24);
  EXPECT_NE(sim_->LogText().find("rx CmdLiveStop"), std::string::npos);
}

TEST_F(CliCamera, StillSavesTheZoomPictureInEachFormat) {
  LUMAREL_SKIP_WITHOUT("djpeg");
  StartSim({"--generate", "1"});
  ASSERT_EQ(Cli({"still", dir_ / "still.jpg"}).status, 0);
  EXPECT_TRUE(ToolSucceeds("djpeg '" + (dir_ / "still.jpg") + "' > /dev/null"));
  ASSERT_EQ(Cli({"still", dir_ / "still.bmp"}).status, 0);
  ExpectBmp(dir_ / "still.bmp", 640, 480, 24);
  ASSERT_EQ(Cli({"still", dir_ / "still8", "--format", "bmp8"}).status, 0);
  ExpectBmp(dir_ / "still8", 640, 480, 8);
}

// Faults of the camera and the line end in exit status 1 with one clear
// message, never in success, and leave no file behind.
class CliFault : public CliCamera {
 protected:
  static int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  }
};

TEST_F(CliFault, PutThatNeverReachesTheCameraFails) {
  for (const std::vector<std::string>& fault :
       {std::vector<std::string>{"--upload-no-reply"}, {"--upload-silent-after", "3"}}) {
    SCOPED_TRACE(fault[0]);
    std::vector<std::string> options{"--generate", "1"};
    options.insert(options.end(), fault.begin(), fault.end());
    StartSim(options);
    const std::string in = dir_ / "in.bmp";
    ASSERT_TRUE(ToolSucceeds("convert -size 640x480 gradient:red-blue -type truecolor '" + in + "'"));
    const RunResult r = Cli({"put", in, "--fine"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("lumarel-cli: the camera does not answer"), std::string::npos) << r.err;
    sim_.reset();
  }
}

TEST_F(CliFault, ALineThatHangsUpEndsGetAtOnceNamingTheDevice) {
  StartSim({"--generate", "2", "--hangup-after", "5"});
  const std::string out = dir_ / "out";
  ASSERT_EQ(::mkdir(out.c_str(), 0755), 0);
  const auto started = std::chrono::steady_clock::now();
  const RunResult r = Cli({"get", "--all", "--retries", "0", "--out", out});
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("lumarel-cli: picture 1 (1999-12-30 10:00): the line to " + sim_->Link() +
                       " was lost: "),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("picture 2 (1999-12-31 10:37): not attempted"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("0 saved, 0 skipped, 1 failed, 1 not attempted"), std::string::npos) << r.err;
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(15));
  EXPECT_TRUE(DirectoryNames(out).empty());
  // With retries, a device that does not come back costs a bounded wait, then the run ends.
  sim_.reset();
  StartSim({"--generate", "2", "--hangup-after", "5"});
  const auto retried = std::chrono::steady_clock::now();
  const RunResult again = Cli({"get", "--all", "--out", out});
  EXPECT_EQ(again.status, 1) << again.err;
  EXPECT_NE(again.err.find("(try 2 of 2)"), std::string::npos) << again.err;
  EXPECT_NE(again.err.find("giving up"), std::string::npos) << again.err;
  EXPECT_NE(again.err.find("0 saved, 0 skipped, 1 failed, 1 not attempted"), std::string::npos)
      << again.err;
  EXPECT_LT(std::chrono::steady_clock::now() - retried, std::chrono::seconds(30));
  EXPECT_TRUE(DirectoryNames(out).empty());
}

// The camera comes back after an unplug with picture 3 deleted on it: every
// remaining picture is found again by its key, picture 3 is named and not
// saved, and no file or record line holds another picture.
TEST_F(CliFault, ACameraBackWithAPictureFewerNeverSavesAnotherPicture) {
  StartSim({"--generate", "4", "--hangup-after", "600", "--return-after", "1000",
            "--return-without", "3"});
  const std::string out = dir_ / "out", ref = dir_ / "ref";
  const RunResult r = Cli({"get", "--all", "--original", "--out", out});
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("picture 3 (2000-01-01 11:14): the camera's list changed"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("3 saved, 0 skipped, 1 failed"), std::string::npos) << r.err;
  // The card as it is now, fetched plainly: the same camera bytes in the same
  // names (the originals: a processed file also holds the time it was saved).
  ASSERT_EQ(Cli({"get", "--all", "--original", "--out", ref}).status, 0);
  const std::vector<std::string> names = DirectoryNames(ref);
  EXPECT_EQ(DirectoryNames(out), names);
  for (const std::string& name : names)  // the pictures and the import record
    EXPECT_EQ(ReadText(out + "/" + name), ReadText(ref + "/" + name)) << name;
  const RunResult again = Cli({"get", "--all", "--new", "--original", "--out", out});
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_NE(again.err.find("0 saved, 3 skipped, 0 failed"), std::string::npos) << again.err;
}

// get --all into dir/out, started in the background; returns once the first
// picture's transfer has begun (the line paced as the real one).
pid_t StartGetAndWaitForAPicture(const Simulator& sim, const ScratchDir& dir,
                                 std::vector<std::string> more = {}) {
  std::vector<std::string> argv{CliPath(), "--port", sim.Link(), "get", "--all", "--out",
                                dir / "out"};
  argv.insert(argv.end(), more.begin(), more.end());
  const pid_t cli = Spawn(argv, dir / "get.out", dir / "get.err");
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (sim.LogText().find("rx CmdSendPicture") == std::string::npos &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  return cli;
}

// A camera that falls silent in the middle of a picture for longer than one
// try lasts: each try opens the port again and identifies the camera, so a
// later try finds it and the run completes.
TEST_F(CliFault, ALongSilenceInAPictureIsOutlastedByLaterTries) {
  StartSim({"--generate", "2", "--realtime"});
  const std::string out = dir_ / "out";
  const pid_t cli = StartGetAndWaitForAPicture(*sim_, dir_, {"--retries", "3"});
  ASSERT_GT(cli, 0);
  ::kill(sim_->Pid(), SIGSTOP);
  std::this_thread::sleep_for(std::chrono::seconds(12));
  ::kill(sim_->Pid(), SIGCONT);
  EXPECT_EQ(WaitFor(cli, std::chrono::seconds(90)), 0) << ReadText(dir_ / "get.err");
  const std::string err = ReadText(dir_ / "get.err");
  EXPECT_NE(err.find("reconnecting to fetch picture 1 (1999-12-30 10:00) (try 2 of 3)"),
            std::string::npos)
      << err;
  EXPECT_EQ(Lines(ReadText(dir_ / "get.out")).size(), 2u);
  EXPECT_EQ(DirectoryNames(out).size(), 3u);  // two pictures and the import record
}

// Ctrl-C in the middle of a picture: status 130 and no file, whole or half.
TEST_F(CliFault, CtrlCDuringGetExits130LeavingNoFile) {
  StartSim({"--generate", "2", "--realtime"});
  const pid_t cli = StartGetAndWaitForAPicture(*sim_, dir_);
  ASSERT_GT(cli, 0);
  ::kill(cli, SIGINT);
  EXPECT_EQ(WaitFor(cli, std::chrono::seconds(30)), 130) << ReadText(dir_ / "get.err");
  EXPECT_NE(ReadText(dir_ / "get.err").find("0 saved, 0 skipped, 0 failed, 2 not attempted"),
            std::string::npos)
      << "the summary so far";
  EXPECT_TRUE(DirectoryNames(dir_ / "out").empty());
}

TEST_F(CliFault, ABadPreviewIsReportedOnceAndEveryPictureIsListed) {
  StartSim({"--generate", "3", "--bad-preview", "2"});
  const RunResult r = Cli({"list"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Count(r.err, "ERROR: "), 1) << r.err;
  EXPECT_EQ(Count(r.out, "\t640x480\n") + Count(r.out, "\t320x240\n"), 3) << r.out;
}

TEST_F(CliFault, EraseOnAWriteProtectedCardIsRefusedBeforeSending) {
  StartSim({"--generate", "2", "--write-protected"});
  const RunResult r = Cli({"erase", "--yes"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("WARNING: The card is write protected."), std::string::npos) << r.err;
  EXPECT_EQ(sim_->LogText().find("rx CmdEraseAll"), std::string::npos);
}

TEST_F(CliFault, DeleteAllOnAnEmptyCardSendsNothing) {
  StartSim({"--generate", "0"});
  const RunResult r = Cli({"delete", "--all", "--yes"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("nothing to delete"), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "") << "human text only on standard error";
  EXPECT_EQ(sim_->LogText().find("rx CmdEraseAll"), std::string::npos);
}

// A missing output folder is found before any line time is spent, with one message.
TEST_F(CliFault, OutputFoldersAreCheckedBeforeConnecting) {
  StartSim({"--generate", "3"});
  const std::string missing = dir_ / "missing";
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"thumbs", missing}, {"still", missing + "/s.jpg"},
        {"live", missing + "/l.bmp"}}) {
    SCOPED_TRACE(args[0]);
    const RunResult r = Cli(args);
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(Count(r.err, "lumarel-cli: "), 1) << r.err;
  }
  EXPECT_EQ(sim_->LogText().find("CmdIdentify"), std::string::npos);
}

}  // namespace
}  // namespace lumarel::testing
