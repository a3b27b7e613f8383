// SPDX-License-Identifier: MIT
#include "cli/FileNames.h"

#include <cstdio>
#include <set>


namespace lumarel::cli {
namespace {

constexpr std::size_t kNameMax = 255;
// The longest extension and "-NNN" suffix a name can get.
constexpr std::size_t kSuffixRoom = 4 + 4;

// Longest expansion of each token.
std::size_t TokenWidth(char token) {
  switch (token) {
    case 'Y': return 4;
    case 'y': case 'm': case 'd': case 'H': case 'M': case 'S': return 2;
    case 'n': case 'N': case 'C': return 3;
    case 'q': case '%': return 1;
    default: return 0;
  }
}

std::string Digits(int value, int width) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*d", width, value);
  return text;
}

}  // namespace

std::string CheckFilePattern(const std::string& pattern) {
  if (pattern.empty()) return "--filename needs a pattern";
  if (pattern[0] == '/') return "--filename must not be an absolute path";
  std::size_t start = 0;  // of the current part (folder or name)
  std::size_t longest = 0;
  for (std::size_t i = 0; i <= pattern.size(); ++i) {
    const unsigned char c = i < pattern.size() ? static_cast<unsigned char>(pattern[i]) : '/';
    if (c == '/') {
      const std::string part = pattern.substr(start, i - start);
      const bool last = i == pattern.size();  // gets the extension: never "." or ".."
      if (part.empty() || (!last && (part == "." || part == "..")))
        return "--filename must not contain empty, '.' or '..' folders";
      // The last part gets the extension and a "-NNN" suffix.
      if (longest + (last ? kSuffixRoom : 0) > kNameMax)
        return "--filename makes names that are too long";
      start = i + 1;
      longest = 0;
      continue;
    }
    if (c < 0x20 || c == 0x7F) return "--filename must not contain control characters";
    if (c != '%') {
      ++longest;
      continue;
    }
    if (i + 1 == pattern.size()) return "--filename ends with a lone '%'";
    const std::size_t width = TokenWidth(pattern[++i]);
    if (width == 0) return std::string("unknown token %") + pattern[i] + " in --filename";
    longest += width;
  }
  return "";
}

int NumberWidth(int pictureCount) {
  int width = 1;
  for (int n = pictureCount; n >= 10; n /= 10) ++width;
  return width;
}

std::string ExpandFilePattern(const std::string& pattern, const NameFields& f) {
  std::string name;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '%' || i + 1 == pattern.size()) {
      name += pattern[i];
      continue;
    }
    switch (pattern[++i]) {
      case 'Y': name += Digits(f.time.year, 4); break;
      case 'y': name += Digits(f.time.year % 100, 2); break;
      case 'm': name += Digits(f.time.month, 2); break;
      case 'd': name += Digits(f.time.day, 2); break;
      case 'H': name += Digits(f.time.hour, 2); break;
      case 'M': name += Digits(f.time.minute, 2); break;
      case 'S': name += Digits(f.time.second, 2); break;
      case 'n': name += Digits(f.number, f.numberWidth); break;
      case 'N': name += Digits(f.number, NumberWidth(kMaxPictures)); break;
      case 'C': name += f.extension; break;
      case 'q': name += f.fine ? 'F' : 'N'; break;
      default: name += pattern[i]; break;  // %%
    }
  }
  return name;
}

NameFields NameFieldsOf(const PictureEntry& entry, int number, int pictureCount) {
  return NameFields{entry.ListedTime(), number, NumberWidth(pictureCount), entry.Fine()};
}

std::vector<std::string> PlanFileNames(const std::vector<NameRequest>& pictures,
                                       const std::string& pattern, const std::string& extension,
                                       const ImportRecord* record) {
  std::set<std::string> used;
  std::vector<std::string> names;
  for (const NameRequest& p : pictures) {
    NameFields fields = p.fields;
    fields.extension = extension.empty() ? "" : extension.substr(1);
    const std::string base = ExpandFilePattern(pattern, fields);
    std::string name = base + extension;
    for (int k = 2; used.count(name) != 0 ||
                    (record != nullptr && record->NameTakenByOther(name, p.id));
         ++k)
      name = base + "-" + std::to_string(k) + extension;
    used.insert(name);
    names.push_back(name);
  }
  return names;
}

}  // namespace lumarel::cli
