// SPDX-License-Identifier: MIT
// The import record of a download folder, ".lumarel-imports": one line per
// picture saved there, so that `get --new` fetches only pictures never
// imported before. A picture is known by what the camera's list says about it
// (date and time, quality byte, size) and a hash of its preview, never by its
// position, which changes whenever an earlier picture is deleted.
//
// Line format (tab-separated, the file name last so it may hold blanks):
//   YYYY-MM-DD HH:MM <TAB> QQ <TAB> WIDTHxHEIGHT <TAB> HASH <TAB> NAME
// QQ is the quality byte in hex, HASH 16 hex digits (PreviewHash of the
// preview's own bytes; lines of older versions hashed the whole preview slot
// and are still recognised). Lines starting with '#'
// are comments. A line that does not parse is kept in the file but does not
// count; the loader reports it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "link/PictureKey.h"
#include "platform/Clock.h"

namespace lumarel::cli {

inline constexpr char kImportRecordName[] = ".lumarel-imports";

// How the record may know one picture: by its key (see link/PictureKey.h),
// or, on lines older versions wrote, by `olderKey`: the hash of the whole
// preview slot, and the year they read from the list's two-digit name.
struct PictureIdentity {
  PictureKey key;
  PictureKey olderKey;
  bool Matches(const PictureKey& recorded) const {
    return recorded == key || recorded == olderKey;
  }
};

struct ImportEntry {
  PictureKey key;
  std::string fileName;  // below the record's folder ("2000/01/x.jpg" with date folders)
};

// One line of the record; nothing when it is not one.
std::string FormatImportLine(const ImportEntry& entry);
std::optional<ImportEntry> ParseImportLine(const std::string& line);

class ImportRecord {
 public:
  // Reads DIR/.lumarel-imports. A missing file is an empty record; a file
  // that exists but cannot be read makes Load fail (false), so that a later
  // write cannot replace it with less than it held.
  bool Load(const std::string& dir);

  const std::vector<ImportEntry>& Entries() const { return entries_; }
  // 1-based numbers of the lines that were not understood (skipped).
  const std::vector<int>& SkippedLines() const { return skipped_; }

  // "DIR/.lumarel-imports: line 3, 7 not understood, ignored", or "" when
  // every line was read: what the caller prints after Load.
  std::string SkippedLinesWarning(const std::string& dir) const;

  // The entry of the same picture, wherever it was on the camera.
  const ImportEntry* Find(const PictureIdentity& picture) const;
  // True when a picture other than this one was saved under fileName.
  bool NameTakenByOther(const std::string& fileName, const PictureIdentity& picture) const;

  // Adds one line to the record in DIR. The file is rewritten through a
  // temporary file that is synced and renamed over it, with the folder
  // locked and the record read again under the lock: a crash, a full disk or
  // a second run at the same time leaves either the old record or the new
  // one, never a torn line, and never loses a line another run added. The
  // same picture saved again under the same name adds nothing.
  bool Append(const std::string& dir, const ImportEntry& entry);

 private:
  std::vector<ImportEntry> entries_;
  std::vector<int> skipped_;
};

}  // namespace lumarel::cli
