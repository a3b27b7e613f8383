// SPDX-License-Identifier: MIT
// What `get` will fetch and where, decided from the picture list before the
// first transfer: the selected numbers, less the pictures already imported
// (--new), each with its file name, less the files that exist and are not to
// be replaced (--skip-existing, the overwrite question). Names are planned
// over the whole list, so a picture's name does not depend on which pictures
// a run selects.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/ImportRecord.h"
#include "cli/OverwritePolicy.h"
#include "cli/RunReport.h"
#include "link/PictureList.h"

namespace lumarel::cli {

struct PlannedPicture {
  int number = 0;                     // 1-based, as listed when the run began
  int position = -1;                  // 0-based place in the list now; -1: no longer there
  std::string fileName;               // below outDir, with the pattern's folders
  std::string path;                   // outDir / fileName
  PictureKey key;                     // for the import record
  std::optional<LocalTime> time;      // the picture's own date; nothing when the list's is impossible
  bool replace = false;               // the file there is to be replaced (asked or forced)
};

struct GetPlan {
  std::vector<PlannedPicture> fetch;
  // Pictures --new found by a line of an older version: the same line with
  // today's key, to add to the record so that they are known whatever changes
  // on the camera later.
  std::vector<ImportEntry> renewed;
  bool quit = false;  // the user chose to download nothing more
};

// "picture 3 (1999-12-30 10:01)": how messages name a planned picture.
std::string PictureName(const PlannedPicture& picture);

// With --original --processed: where the processed picture goes, beside the
// original ("x.jpg" -> "x-processed.jpg", or .bmp by --format).
std::string ProcessedPath(const std::string& originalPath, FileFormat format);

// List entry k (0-based) as the import record may know it.
PictureIdentity IdentityOf(const PictureList& list, int k);

// numbers: the resolved selection (1-based, ascending) of the list's received
// entries. Skipped pictures are counted in report as they are left out.
GetPlan PlanGet(const Request& request, const std::vector<int>& numbers, const PictureList& list,
                const ImportRecord& record, OverwritePolicy& policy, RunReport& report);

// After the list was read again: where each planned picture from `first` on
// is now, found by its key (of equal ones the nearest to where it was, never
// two at one place); -1 for a picture that is no longer on the camera.
void FindAgain(std::vector<PlannedPicture>& fetch, std::size_t first, const PictureList& list);

}  // namespace lumarel::cli
