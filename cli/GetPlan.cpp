// SPDX-License-Identifier: MIT
#include "cli/GetPlan.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "cli/FileNames.h"
#include "cli/PictureDate.h"
#include "link/PictureKey.h"
#include "platform/Files.h"

namespace lumarel::cli {
namespace {

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace

std::string PictureName(const PlannedPicture& p) {
  const LocalTime& t = p.key.time;
  char text[64];
  std::snprintf(text, sizeof text, "picture %d (%04d-%02d-%02d %02d:%02d)", p.number, t.year,
                t.month, t.day, t.hour, t.minute);
  return text;
}

std::string ProcessedPath(const std::string& originalPath, FileFormat format) {
  const std::string base = originalPath.substr(0, originalPath.size() - 4);  // less ".jpg"
  return base + "-processed" + ExtensionOf(format);
}

PictureIdentity IdentityOf(const PictureList& list, int k) {
  PictureIdentity id{KeyOf(list, k), {}};
  const PictureEntry& e = list.entries[static_cast<std::size_t>(k)];
  id.olderKey = id.key;
  id.olderKey.time.year = FullYear(DisplayYear(e.date.yearByte));
  if (const std::uint8_t* slot = list.store.Slot(static_cast<std::size_t>(k)))
    id.olderKey.previewHash = PreviewHash({slot, kPreviewSlotSize});
  return id;
}

GetPlan PlanGet(const Request& request, const std::vector<int>& numbers, const PictureList& list,
                const ImportRecord& record, OverwritePolicy& policy, RunReport& report) {
  const int count = list.receivedEntries;
  std::span<const PictureEntry> entries(list.entries.data(), static_cast<std::size_t>(count));
  std::vector<NameRequest> all;
  for (int k = 0; k < count; ++k)
    all.push_back({NameFieldsOf(entries[static_cast<std::size_t>(k)], k + 1, count),
                   IdentityOf(list, k)});
  // --original names the camera's JPEG; the processed one follows it (see ProcessedPath).
  const std::string extension =
      request.original ? ".jpg" : ExtensionOf(request.format.value_or(FileFormat::Jpeg));
  const std::vector<std::string> names =
      PlanFileNames(all, request.filePattern, extension, &record);

  GetPlan plan;
  for (int n : numbers) {
    if (n < 1 || n > count) continue;  // resolved against the list before
    if (plan.quit) {
      report.Skipped();
      continue;
    }
    const std::size_t k = static_cast<std::size_t>(n - 1);
    PlannedPicture p;
    p.number = n;
    p.position = n - 1;
    p.key = all[k].id.key;
    p.fileName = names[k];
    p.path = JoinPath(request.outDir, p.fileName);
    p.time = entries[k].TakenAt();
    if (const ImportEntry* known = request.onlyNew ? record.Find(all[k].id) : nullptr) {
      if (!(known->key == p.key)) plan.renewed.push_back({p.key, known->fileName});
      report.Skipped();
      continue;
    }
    // With --original --processed either file of the picture is asked about.
    const std::string existing =
        Exists(p.path) ? p.path
        : request.original && request.processed &&
                Exists(ProcessedPath(p.path, request.format.value_or(FileFormat::Jpeg)))
            ? ProcessedPath(p.path, request.format.value_or(FileFormat::Jpeg))
            : std::string();
    if (!existing.empty()) {
      if (request.skipExisting) {
        report.Skipped();
        continue;
      }
      const OverwriteDecision decision = policy.ForExisting(existing);
      if (decision != OverwriteDecision::Write) {
        report.Skipped(policy.Mode() == OverwriteMode::Skip);
        plan.quit = decision == OverwriteDecision::Quit;
        continue;
      }
      p.replace = true;
    }
    plan.fetch.push_back(std::move(p));
  }
  return plan;
}

void FindAgain(std::vector<PlannedPicture>& fetch, std::size_t first, const PictureList& list) {
  const int count = std::min<int>(list.receivedEntries, kMaxPictures);
  std::vector<PictureKey> keys;
  for (int k = 0; k < count; ++k) keys.push_back(KeyOf(list, k));
  std::vector<bool> taken(keys.size(), false);
  for (std::size_t i = first; i < fetch.size(); ++i) {
    PlannedPicture& p = fetch[i];
    const int was = p.position < 0 ? p.number - 1 : p.position;
    int found = -1;
    for (int k = 0; k < count; ++k) {
      if (taken[static_cast<std::size_t>(k)] || !(keys[static_cast<std::size_t>(k)] == p.key))
        continue;
      if (found < 0 || std::abs(k - was) < std::abs(found - was)) found = k;
    }
    if (found >= 0) taken[static_cast<std::size_t>(found)] = true;
    p.position = found;
  }
}

}  // namespace lumarel::cli
