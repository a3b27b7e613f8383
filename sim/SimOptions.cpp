// SPDX-License-Identifier: MIT
#include "SimOptions.h"

#include <cctype>
#include <charconv>
#include <climits>

namespace lumarel::sim {

const char* const kSimUsage =
    "usage: vidmarelle-sim --link PATH [options]\n"
    "       vidmarelle-sim --probe PATH\n"
    "  --link PATH            put a symbolic link to the camera's line at PATH\n"
    "  --pictures DIR         serve the JPEG files of DIR as the stored pictures\n"
    "  --generate N           serve N generated pictures (default 12)\n"
    "  --model NNN            model code, three digits (default 931; 631 also works)\n"
    "  --write-protected      the card's write-protect switch is on\n"
    "  --mode photo|vcr|nocard  camera mode at start (SIGUSR1 switches to photo)\n"
    "  --max-speed BPS        fastest speed answered: 115200, 57600, 19200 or 9600\n"
    "  --memory-full-after N  uploads taken before the card reports full\n"
    "  --realtime             pace output at the line speed (10 bits per byte)\n"
    "  --adapter-latency MS   behave as a USB-serial adapter whose latency timer is MS\n"
    "                         (1-255): a packet's tail short of a 62-byte USB frame\n"
    "                         is held MS milliseconds\n"
    "  --garble-every N       garble every Nth packet\n"
    "  --drop-every N         drop every Nth packet\n"
    "  --silent-after N       send nothing after N packets\n"
    "  --garble-rate P        garble each packet with chance P (0 to 1)\n"
    "  --drop-rate P          drop each packet with chance P (0 to 1)\n"
    "  --silence-rate P       before each packet, with chance P, the line goes quiet\n"
    "  --silence-ms MS|MIN-MAX  length of those silences (default 500-2000)\n"
    "  --busy-during-live     answer the third frame of each live run with StatusBusy\n"
    "  --hangup-after N       close the line after N picture data packets, as an unplug\n"
    "  --bad-preview K        the Kth preview of the index (from 1) is not a JPEG\n"
    "  --upload-no-reply      never answer an upload command\n"
    "  --upload-silent-after N  stop answering after N packets of an upload\n"
    "  --nak-upload-after N   take N packets of each upload, then answer every packet\n"
    "                         (resends too) with ReplyNak, for ever\n"
    "  --write-protect-after N  turn the write-protect switch on once N commands\n"
    "                         after an identification have been answered\n"
    "  --truncated-picture K  the Kth picture (from 1) holds only the first half of\n"
    "                         its JPEG, no end marker; its header gives the cut size\n"
    "  --small-previews       every second picture's preview is 80 x 60, not 160 x 120\n"
    "  --return-after MS      after --hangup-after, the line is there again MS later\n"
    "                         (the camera started afresh)\n"
    "  --return-without K     ...and picture K (from 1) is gone, as if deleted on the camera\n"
    "  --seed N               seed of the generated pictures, live scene, line noise\n"
    "                         and random faults\n"
    "  --log FILE             one line per command and response ('-': standard error)\n"
    "  --probe PATH           act as a client: identify, negotiate, list the pictures\n"
    "  --version              print the version and exit\n"
    "signals: SIGUSR1 photo mode (card present), SIGUSR2 toggles write protection,\n"
    "         SIGINT/SIGTERM stop\n";

namespace {

bool ToInt(const std::string& text, long& value) {
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && ptr == end;
}

bool ParseMode(const std::string& text, CameraMode& mode) {
  if (text == "photo") mode = CameraMode::Photo;
  else if (text == "vcr") mode = CameraMode::Vcr;
  else if (text == "nocard") mode = CameraMode::NoCard;
  else return false;
  return true;
}

bool IsModel(const std::string& text) {
  return text.size() == 3 && std::isdigit(static_cast<unsigned char>(text[0])) &&
         std::isdigit(static_cast<unsigned char>(text[1])) && std::isdigit(static_cast<unsigned char>(text[2]));
}

// A chance from 0 to 1.
bool ToRate(const std::string& text, double& rate) {
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, rate);
  return ec == std::errc() && ptr == end && rate >= 0.0 && rate <= 1.0;
}

// "MS" or "MIN-MAX" milliseconds, MIN <= MAX, at most a minute.
bool ToRange(const std::string& text, int& low, int& high) {
  const std::size_t dash = text.find('-');
  long a = 0, b = 0;
  if (!ToInt(text.substr(0, dash), a)) return false;
  b = a;
  if (dash != std::string::npos && !ToInt(text.substr(dash + 1), b)) return false;
  if (a < 0 || b < a || b > 60000) return false;
  low = static_cast<int>(a);
  high = static_cast<int>(b);
  return true;
}

// Options that take a chance or a range.
bool FaultOption(const std::string& name, const std::string& value, FaultSettings& f) {
  if (name == "--garble-rate") return ToRate(value, f.garbleRate);
  if (name == "--drop-rate") return ToRate(value, f.dropRate);
  if (name == "--silence-rate") return ToRate(value, f.silenceRate);
  if (name == "--silence-ms") return ToRange(value, f.silenceMinMs, f.silenceMaxMs);
  return false;
}

bool IsSpeed(long speed) { return speed == 9600 || speed == 19200 || speed == 57600 || speed == 115200; }

// Options that take a number; the target and the smallest value allowed.
bool NumberOption(const std::string& name, long value, SimOptions& o) {
  if (name == "--generate" && value >= 0 && value <= 800) o.generate = static_cast<int>(value);
  else if (name == "--max-speed" && IsSpeed(value)) o.camera.maxSpeed = static_cast<std::uint32_t>(value);
  else if (name == "--memory-full-after" && value >= 0) o.camera.memoryFullAfter = static_cast<int>(value);
  else if (name == "--garble-every" && value >= 0) o.faults.garbleEvery = static_cast<int>(value);
  else if (name == "--drop-every" && value >= 0) o.faults.dropEvery = static_cast<int>(value);
  else if (name == "--silent-after" && value >= 0) o.faults.silentAfter = static_cast<int>(value);
  else if (name == "--hangup-after" && value >= 0) o.faults.hangupAfter = static_cast<int>(value);
  else if (name == "--bad-preview" && value >= 1) o.camera.badPreview = static_cast<int>(value);
  else if (name == "--upload-silent-after" && value >= 0)
    o.camera.uploadSilentAfter = static_cast<int>(value);
  else if (name == "--nak-upload-after" && value >= 0)
    o.camera.nakUploadAfter = static_cast<int>(value);
  else if (name == "--write-protect-after" && value >= 0)
    o.camera.writeProtectAfter = static_cast<int>(value);
  else if (name == "--truncated-picture" && value >= 1)
    o.camera.truncatedPicture = static_cast<int>(value);
  else if (name == "--seed" && value >= 0) o.seed = static_cast<unsigned>(value);
  else if (name == "--adapter-latency" && value >= 1 && value <= 255) o.adapterLatencyMs = static_cast<int>(value);
  // Changes to the card.
  else if (name == "--return-after" && value >= 0) o.card.returnAfterMs = static_cast<int>(value);
  else if (name == "--return-without" && value >= 1) o.card.returnWithout = static_cast<int>(value);
  else return false;
  return true;
}

}  // namespace

bool ParseSimOptions(const std::vector<std::string>& args, SimOptions& o, std::string& error) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& name = args[i];
    if (name == "--help" || name == "-h") { o.help = true; continue; }
    if (name == "--version") { o.version = true; continue; }
    if (name == "--write-protected") { o.camera.writeProtected = true; continue; }
    if (name == "--realtime") { o.realtime = true; continue; }
    if (name == "--busy-during-live") { o.camera.busyDuringLive = true; continue; }
    if (name == "--upload-no-reply") { o.camera.uploadNoReply = true; continue; }
    if (name == "--small-previews") { o.card.smallPreviews = true; continue; }
    if (i + 1 >= args.size()) {
      error = name.rfind("--", 0) == 0 ? name + " needs a value" : "unknown argument " + name;
      return false;
    }
    const std::string& value = args[++i];
    long number = 0;
    if (name == "--link") o.link = value;
    else if (name == "--pictures") o.picturesDir = value;
    else if (name == "--log") o.logFile = value;
    else if (name == "--probe") o.probe = value;
    else if (name == "--model" && IsModel(value)) o.camera.model = value;
    else if (name == "--mode" && ParseMode(value, o.camera.mode)) {}
    else if (FaultOption(name, value, o.faults)) {}
    else if (ToInt(value, number) && number <= INT_MAX && NumberOption(name, number, o)) {}
    else {
      error = "bad option " + name + " " + value;
      return false;
    }
  }
  o.camera.sceneSeed = o.seed;
  o.faults.seed = o.seed;
  if (!o.help && !o.version && o.link.empty() && o.probe.empty()) {
    error = "--link PATH or --probe PATH is needed";
    return false;
  }
  if (!o.picturesDir.empty() && o.generate >= 0) {
    error = "--pictures and --generate exclude each other";
    return false;
  }
  return true;
}

}  // namespace lumarel::sim
