// SPDX-License-Identifier: MIT
#include "cli/ImportRecord.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "platform/AtomicFile.h"
#include "platform/Files.h"
#include "platform/Descriptor.h"

namespace lumarel::cli {
namespace {

constexpr char kHeader[] =
    "# lumarel-cli import record: date and time, quality, size, preview hash, file name\n";

// The whole file; nothing when it exists but cannot be read, "" when it does not exist.
std::optional<std::string> ReadWhole(const std::string& path) {
  Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (fd.get() < 0) return errno == ENOENT ? std::optional<std::string>("") : std::nullopt;
  std::string text;
  char buffer[8192];
  while (true) {
    const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) return text;
    text.append(buffer, static_cast<std::size_t>(n));
  }
}

bool ReadHex(const std::string& text, std::size_t digits, std::uint64_t& value) {
  if (text.size() != digits) return false;
  value = 0;
  for (char c : text) {
    int v = 0;
    if (c >= '0' && c <= '9') v = c - '0';
    else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
    else return false;
    value = value << 4 | static_cast<std::uint64_t>(v);
  }
  return true;
}

// Reads "text" completely with the sscanf format; n fields expected.
template <typename... Args>
bool ScanAll(const std::string& text, const char* format, int fields, Args*... args) {
  int used = -1;
  const std::string withEnd = std::string(format) + "%n";
  return std::sscanf(text.c_str(), withEnd.c_str(), args..., &used) == fields &&
         used == static_cast<int>(text.size());
}

// A name below the record's folder: no tab, not absolute, no "." or ".."
// folder (folders of a --filename pattern are allowed).
bool UsableName(const std::string& name) {
  if (name.empty() || name[0] == '/' || name.find('\t') != std::string::npos) return false;
  std::size_t start = 0;
  for (std::size_t end = name.find('/');; end = name.find('/', start)) {
    const std::string part = name.substr(start, end == std::string::npos ? end : end - start);
    if (part.empty() || part == "." || part == "..") return false;
    if (end == std::string::npos) return true;
    start = end + 1;
  }
}

}  // namespace

std::string FormatImportLine(const ImportEntry& e) {
  if (!UsableName(e.fileName) || e.fileName.find_first_of("\n\r") != std::string::npos) return "";
  const LocalTime& t = e.key.time;
  char fields[96];
  std::snprintf(fields, sizeof fields, "%04d-%02d-%02d %02d:%02d\t%02x\t%ux%u\t%016llx\t", t.year,
                t.month, t.day, t.hour, t.minute, e.key.quality, unsigned{e.key.width},
                unsigned{e.key.height}, static_cast<unsigned long long>(e.key.previewHash));
  return fields + e.fileName;
}

std::optional<ImportEntry> ParseImportLine(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (int i = 0; i < 4; ++i) {
    const auto tab = line.find('\t', start);
    if (tab == std::string::npos) return std::nullopt;
    fields.push_back(line.substr(start, tab - start));
    start = tab + 1;
  }
  fields.push_back(line.substr(start));
  ImportEntry e;
  LocalTime& t = e.key.time;
  unsigned w = 0, h = 0;
  std::uint64_t quality = 0;
  if (!ScanAll(fields[0], "%4d-%2d-%2d %2d:%2d", 5, &t.year, &t.month, &t.day, &t.hour,
               &t.minute) ||
      t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour < 0 || t.hour > 23 ||
      t.minute < 0 || t.minute > 59)
    return std::nullopt;
  if (!ReadHex(fields[1], 2, quality) || !ReadHex(fields[3], 16, e.key.previewHash))
    return std::nullopt;
  if (fields[2].empty() || !std::isdigit(static_cast<unsigned char>(fields[2][0])) ||
      !ScanAll(fields[2], "%5ux%5u", 2, &w, &h) || w > 0xFFFF || h > 0xFFFF)
    return std::nullopt;
  e.fileName = fields[4];
  if (!UsableName(e.fileName)) return std::nullopt;
  e.key.quality = static_cast<std::uint8_t>(quality);
  e.key.width = static_cast<std::uint16_t>(w);
  e.key.height = static_cast<std::uint16_t>(h);
  return e;
}

namespace {

void ParseRecord(const std::string& text, std::vector<ImportEntry>& entries,
                 std::vector<int>& skipped) {
  entries.clear();
  skipped.clear();
  std::istringstream in(text);
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    if (auto entry = ParseImportLine(line)) entries.push_back(std::move(*entry));
    else skipped.push_back(number);
  }
}

}  // namespace

bool ImportRecord::Load(const std::string& dir) {
  const std::optional<std::string> text = ReadWhole(JoinPath(dir, kImportRecordName));
  if (!text) return false;
  ParseRecord(*text, entries_, skipped_);
  return true;
}

std::string ImportRecord::SkippedLinesWarning(const std::string& dir) const {
  if (skipped_.empty()) return "";
  std::string text = JoinPath(dir, kImportRecordName) + ": line";
  for (std::size_t i = 0; i < skipped_.size(); ++i)
    text += (i == 0 ? " " : ", ") + std::to_string(skipped_[i]);
  return text + " not understood, ignored";
}

const ImportEntry* ImportRecord::Find(const PictureIdentity& picture) const {
  for (const ImportEntry& e : entries_)
    if (picture.Matches(e.key)) return &e;
  return nullptr;
}

bool ImportRecord::NameTakenByOther(const std::string& fileName,
                                    const PictureIdentity& picture) const {
  for (const ImportEntry& e : entries_)
    if (e.fileName == fileName && !picture.Matches(e.key)) return true;
  return false;
}

bool ImportRecord::Append(const std::string& dir, const ImportEntry& entry) {
  const std::string line = FormatImportLine(entry);
  if (line.empty()) return false;
  Descriptor dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dirFd.get() < 0) return false;
  // Held until dirFd closes: another run's read-modify-write waits for ours.
  while (::flock(dirFd.get(), LOCK_EX) != 0)
    if (errno != EINTR) return false;

  const std::string path = JoinPath(dir, kImportRecordName);
  std::optional<std::string> text = ReadWhole(path);
  if (!text) return false;  // never replace a record that could not be read
  ParseRecord(*text, entries_, skipped_);
  for (const ImportEntry& e : entries_)
    if (e.key == entry.key && e.fileName == entry.fileName) return true;  // saved again
  if (text->empty()) *text = kHeader;
  if (text->back() != '\n') *text += '\n';
  *text += line + '\n';

  // Replaced whole: a crash or a full disk leaves the old record or the new one.
  if (!WriteFileAtomically(path, *text, WriteMode::Replace)) return false;
  ParseRecord(*text, entries_, skipped_);
  return true;
}

}  // namespace lumarel::cli
