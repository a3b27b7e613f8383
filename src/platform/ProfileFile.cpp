// SPDX-License-Identifier: MIT
#include "platform/ProfileFile.h"

#include "platform/AtomicFile.h"

#include <cctype>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace lumarel {
namespace {

constexpr std::string_view kBlanks = " \t";

std::string_view Trim(std::string_view s) {
  std::size_t first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  std::size_t last = s.find_last_not_of(kBlanks);
  return s.substr(first, last - first + 1);
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

// The name of a "[name]" line, or nothing for any other line.
std::optional<std::string_view> SectionName(std::string_view line) {
  std::string_view t = Trim(line);
  if (t.empty() || t.front() != '[') return std::nullopt;
  t.remove_prefix(1);
  std::size_t close = t.find(']');
  return Trim(close == std::string_view::npos ? t : t.substr(0, close));
}

struct Entry {
  std::string_view key;
  std::string_view rawValue;
};

// A key line; a line without '=' is a key with an empty value. Comments and blanks are not.
std::optional<Entry> KeyLine(std::string_view line) {
  std::string_view t = Trim(line);
  if (t.empty() || t.front() == ';' || t.front() == '[') return std::nullopt;
  std::size_t eq = t.find('=');
  if (eq == std::string_view::npos) return Entry{t, {}};
  return Entry{Trim(t.substr(0, eq)), t.substr(eq + 1)};
}

std::string CleanValue(std::string_view raw) {
  std::string_view v = Trim(raw);
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    v = v.substr(1, v.size() - 2);
  return std::string(v);
}

// A value is one line: anything from a line break on would become lines of its own.
std::string_view OneLine(std::string_view value) {
  return value.substr(0, value.find_first_of("\r\n"));
}

// The file's text; empty when it does not exist, nothing when it exists but cannot be read.
std::optional<ProfileText> LoadProfile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::error_code ec;
    if (std::filesystem::exists(path, ec) || ec) return std::nullopt;
    return ProfileText::Parse("");
  }
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return ProfileText::Parse(text.str());
}

ProfileText ReadProfile(const std::string& path) {
  return LoadProfile(path).value_or(ProfileText::Parse(""));
}

}  // namespace

ProfileText ProfileText::Parse(std::string_view text) {
  ProfileText p;
  p.finalNewline_ = text.empty() || text.back() == '\n';
  bool first = true;
  while (!text.empty()) {
    std::size_t nl = text.find('\n');
    std::string_view line = text.substr(0, nl);
    if (!line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
      if (first) p.newline_ = "\r\n";
    }
    first = false;
    p.lines_.emplace_back(line);
    text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
  }
  return p;
}

std::optional<ProfileText::Range> ProfileText::FindSection(std::string_view section) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    auto name = SectionName(lines_[i]);
    if (!name || !SameName(*name, Trim(section))) continue;
    std::size_t end = i + 1;
    while (end < lines_.size() && !SectionName(lines_[end])) ++end;
    return Range{i, end};
  }
  return std::nullopt;
}

std::optional<std::size_t> ProfileText::FindKey(const Range& range, std::string_view key) const {
  for (std::size_t i = range.header + 1; i < range.end; ++i) {
    auto entry = KeyLine(lines_[i]);
    if (entry && SameName(entry->key, Trim(key))) return i;
  }
  return std::nullopt;
}

std::optional<std::string> ProfileText::Find(std::string_view section,
                                             std::string_view key) const {
  auto range = FindSection(section);
  if (!range) return std::nullopt;
  auto line = FindKey(*range, key);
  if (!line) return std::nullopt;
  return CleanValue(KeyLine(lines_[*line])->rawValue);
}

bool ProfileText::HasSection(std::string_view section) const {
  return FindSection(section).has_value();
}

void ProfileText::Set(std::string_view section, std::string_view key, std::string_view value) {
  finalNewline_ = true;
  auto range = FindSection(section);
  if (!range) {
    if (!lines_.empty() && !Trim(lines_.back()).empty()) lines_.emplace_back();
    lines_.push_back("[" + std::string(Trim(section)) + "]");
    lines_.push_back(std::string(Trim(key)) + "=" + std::string(OneLine(value)));
    return;
  }
  if (auto line = FindKey(*range, key)) {
    // Keep the key as the file spells it.
    std::string name(KeyLine(lines_[*line])->key);
    lines_[*line] = name + "=" + std::string(OneLine(value));
    return;
  }
  // After the section's last non-blank line, so blank separators stay before the next section.
  std::size_t at = range->end;
  while (at > range->header + 1 && Trim(lines_[at - 1]).empty()) --at;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at),
                std::string(Trim(key)) + "=" + std::string(OneLine(value)));
}

std::string ProfileText::Text() const {
  std::string out;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    out += lines_[i];
    if (i + 1 < lines_.size() || finalNewline_) out += newline_;
  }
  return out;
}

int ParseProfileInt(std::string_view value) {
  std::string_view v = Trim(value);
  bool negative = false;
  if (!v.empty() && (v.front() == '-' || v.front() == '+')) {
    negative = v.front() == '-';
    v.remove_prefix(1);
  }
  long long n = 0;
  for (char c : v) {
    if (c < '0' || c > '9') break;
    n = n * 10 + (c - '0');
    if (n > 2147483648LL) n = 2147483648LL;  // saturate instead of overflowing
  }
  if (negative) n = -n;
  if (n > 2147483647LL) n = 2147483647LL;
  return static_cast<int>(n);
}

std::string GetProfileString(const std::string& path, std::string_view section,
                             std::string_view key, std::string_view def) {
  if (auto value = ReadProfile(path).Find(section, key)) return *value;
  std::size_t last = def.find_last_not_of(kBlanks);
  return std::string(last == std::string_view::npos ? std::string_view{} : def.substr(0, last + 1));
}

int GetProfileInt(const std::string& path, std::string_view section, std::string_view key,
                  int def) {
  auto value = ReadProfile(path).Find(section, key);
  if (!value || value->empty()) return def;
  return ParseProfileInt(*value);
}

bool WriteProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value) {
  // An existing file that cannot be read is left alone rather than replaced by one key.
  std::optional<ProfileText> text = LoadProfile(path);
  if (!text) return false;
  text->Set(section, key, value);
  // Written through a symbolic link rather than replacing the link by a file.
  WriteFailure failure;
  if (WriteFileAtomically(path, text->Text(), WriteMode::Replace, SymlinkPolicy::Follow, &failure))
    return true;
  errno = failure.kind == WriteFailure::Kind::System ? failure.error : EINVAL;
  return false;
}

bool ProfileHasSection(const std::string& path, std::string_view section) {
  return ReadProfile(path).HasSection(section);
}

}  // namespace lumarel
