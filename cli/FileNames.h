// SPDX-License-Identifier: MIT
// File names of downloads from a pattern (`--filename`):
//   %Y year (4 digits)  %y year (2)  %m month  %d day  %H hour  %M minute
//   %S seconds (00: the camera's list has none)
//   %n the picture's number, zero-padded to the width of the card's count
//   %N the picture's number, zero-padded to 3 digits (the card's 800 pictures)
//   %q F or N           %C the extension ("jpg", "bmp")   %%  a percent sign
// A '/' makes folders below --out ("%Y/%m/%Y%m%d-%H%M"). The extension follows
// the file format. Names depend on the picture, not on the order of a run,
// except that pictures of one run that would share a name get "-2", "-3", ...
// in list order.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cli/ImportRecord.h"
#include "link/PictureList.h"

namespace lumarel::cli {

inline constexpr char kDefaultFilePattern[] = "%Y%m%d-%H%M-%q";

// Why a pattern cannot be used; empty when it can. Refused: an empty pattern,
// an unknown or unfinished token, a leading '/', an empty, "." or ".." folder
// (a name never leaves --out), control characters (the import record is
// line-based), and parts whose names would exceed the file system's 255 bytes.
std::string CheckFilePattern(const std::string& pattern);

// What a name is made of.
struct NameFields {
  LocalTime time;      // the picture's date
  int number = 0;      // 1-based position on the card
  int numberWidth = 1; // digits of %n
  bool fine = false;
  std::string extension = "jpg";  // %C
};

// Digits of the card's picture count (at least 1): %n of picture 7 of 120 is "007".
int NumberWidth(int pictureCount);

// The pattern expanded (no extension); the pattern must have passed CheckFilePattern.
std::string ExpandFilePattern(const std::string& pattern, const NameFields& fields);

// One picture of a run to be named.
struct NameRequest {
  NameFields fields;
  PictureIdentity id;  // to tell its own import-record line from another picture's
};

// The name fields of picture `number` (1-based) of a card holding pictureCount.
NameFields NameFieldsOf(const PictureEntry& entry, int number, int pictureCount);

// The file name (with extension) of each request, in order. Callers pass the
// whole list, so that a picture's suffix does not depend on the selection. A name is taken
// when an earlier picture of the run has it, or when the import record says
// another picture was saved under it (that file belongs to that picture).
// Files already in the folder are not avoided: an existing file of the same
// name is the same picture saved before, which --skip-existing, --new and the
// overwrite question deal with.
std::vector<std::string> PlanFileNames(const std::vector<NameRequest>& pictures,
                                       const std::string& pattern, const std::string& extension,
                                       const ImportRecord* record);

}  // namespace lumarel::cli
