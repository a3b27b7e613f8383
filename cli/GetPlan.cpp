// SPDX-License-Identifier: MIT
#include "cli/GetPlan.h"

#include <sys/stat.h>

#include "cli/FileNames.h"
#include "cli/PictureDate.h"
#include "platform/Files.h"

namespace lumarel::cli {
namespace {

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace

GetPlan PlanGet(const Request& request, const std::vector<int>& numbers,
                std::span<const PictureEntry> entries, const PreviewBytes& previewOf,
                const ImportRecord& record, OverwritePolicy& policy, RunReport& report) {
  const int count = static_cast<int>(entries.size());
  std::vector<NameRequest> all;
  for (int k = 0; k < count; ++k)
    all.push_back(NameRequestFor(entries[static_cast<std::size_t>(k)], k + 1, count, previewOf(k)));
  const std::string extension = ExtensionOf(request.format.value_or(FileFormat::Jpeg));
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
    p.key = all[k].key;
    p.fileName = names[k];
    p.path = JoinPath(request.outDir, p.fileName);
    if (const auto date = EntryDateOf(entries[k])) p.time = PictureTime(*date);
    if (request.onlyNew && record.Find(p.key) != nullptr) {
      report.Skipped();
      continue;
    }
    if (Exists(p.path)) {
      if (request.skipExisting) {
        report.Skipped();
        continue;
      }
      const OverwriteDecision decision = policy.ForExisting(p.path);
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

}  // namespace lumarel::cli
