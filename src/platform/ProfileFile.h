// SPDX-License-Identifier: MIT
// Settings files in the private-profile (INI) format, read and written the way
// the classic profile functions do: "[Section]" lines, "key=value" lines, ';'
// comment lines; section and key names match without regard to case; values are
// trimmed of surrounding blanks and of one pair of enclosing quotes. A write
// changes or adds exactly one line (and a section header when needed) and keeps
// every other line, comment and blank as it was.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumarel {

// The text of one profile file held as its lines.
class ProfileText {
 public:
  static ProfileText Parse(std::string_view text);

  // The value of key in section, or nothing when either is absent. The first
  // section of that name and its first such key count.
  std::optional<std::string> Find(std::string_view section, std::string_view key) const;
  // True when a "[section]" line exists (even with no keys under it).
  bool HasSection(std::string_view section) const;
  // Replaces the key's line by "key=value", or adds it at the end of its
  // section, or adds the section at the end of the text.
  void Set(std::string_view section, std::string_view key, std::string_view value);

  std::string Text() const;

 private:
  struct Range {
    std::size_t header;  // index of the "[section]" line
    std::size_t end;     // one past the section's last line
  };
  std::optional<Range> FindSection(std::string_view section) const;
  std::optional<std::size_t> FindKey(const Range& range, std::string_view key) const;

  std::vector<std::string> lines_;  // without line ends
  std::string newline_ = "\n";      // "\r\n" when the text used it
  bool finalNewline_ = true;
};

// Reads a value; def (without trailing blanks) when the file, section or key is missing.
std::string GetProfileString(const std::string& path, std::string_view section,
                             std::string_view key, std::string_view def);
// Reads a decimal integer value (leading sign and digits; anything else ends
// the number, no digits gives 0); def when the key is missing or empty.
int GetProfileInt(const std::string& path, std::string_view section, std::string_view key,
                  int def);
// Writes key=value, creating the file and section as needed; the file is
// replaced in one step so a failed write leaves the old one intact. On
// failure errno tells why.
bool WriteProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value);
// True when the file has a "[section]" line.
bool ProfileHasSection(const std::string& path, std::string_view section);

// Parses a profile value as the integer reader does.
int ParseProfileInt(std::string_view value);

}  // namespace lumarel
