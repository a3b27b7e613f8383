// SPDX-License-Identifier: MIT
// The user's preview cache on disk: $XDG_CACHE_HOME/lumarel/previews
// (~/.cache/lumarel/previews). It is untrusted input: a file that is
// missing, truncated, too large or damaged is ignored (and replaced by the
// next write), never a failure of the command. It is written whole through
// the atomic writer, so two runs at once leave one of their files, never a
// mixture; the last writer wins.
#pragma once

#include <string>

#include "link/RememberedPreviews.h"

namespace lumarel::cli {

// The cache file's path; empty when no cache folder is known.
std::string PreviewCachePath();

// Fills cache from path; false when there was nothing usable (cache empty).
bool LoadPreviewCache(const std::string& path, RememberedPreviews& cache);

// Writes cache to path (its folder made, mode 0700); false with the reason
// in `why` when it could not be written.
bool SavePreviewCache(const std::string& path, const RememberedPreviews& cache, std::string& why);

}  // namespace lumarel::cli
