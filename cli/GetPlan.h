// SPDX-License-Identifier: MIT
// What `get` will fetch and where, decided from the picture list before the
// first transfer: the selected numbers, less the pictures already imported
// (--new), each with its file name, less the files that exist and are not to
// be replaced (--skip-existing, the overwrite question). Names are planned
// over the whole list, so a picture's name does not depend on which pictures
// a run selects.
#pragma once

#include <cstdint>
#include <functional>
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
  int number = 0;                     // 1-based
  std::string fileName;               // without the folder
  std::string path;                   // outDir / fileName
  PictureKey key;                     // for the import record
  std::optional<LocalTime> time;      // the picture's own date; nothing when the list's is impossible
  bool replace = false;               // the file there is to be replaced (asked or forced)
};

struct GetPlan {
  std::vector<PlannedPicture> fetch;
  bool quit = false;  // the user chose to download nothing more
};

// The bytes a list entry's preview is known by (k 0-based).
using PreviewBytes = std::function<std::span<const std::uint8_t>(int k)>;

// numbers: the resolved selection (1-based, ascending); entries: the list's
// received entries. Skipped pictures are counted in report as they are left out.
GetPlan PlanGet(const Request& request, const std::vector<int>& numbers,
                std::span<const PictureEntry> entries, const PreviewBytes& previewOf,
                const ImportRecord& record, OverwritePolicy& policy, RunReport& report);

}  // namespace lumarel::cli
