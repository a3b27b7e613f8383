// SPDX-License-Identifier: MIT
#include "platform/serial/PortHolders.h"

#include <grp.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

namespace lumarel {
namespace {

namespace fs = std::filesystem;

bool AllDigits(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) {
           return std::isdigit(static_cast<unsigned char>(c));
         });
}

std::string CommandName(const fs::path& processDir) {
  std::ifstream in(processDir / "comm");
  std::string name;
  std::getline(in, name);
  return name;
}

}  // namespace

std::vector<PortHolder> FindPortHolders(const std::string& device, const std::string& procRoot) {
  std::error_code ec;
  fs::path target = fs::canonical(device, ec);
  if (ec) target = device;
  std::vector<PortHolder> holders;
  for (const auto& process : fs::directory_iterator(procRoot, ec)) {
    const std::string pid = process.path().filename().string();
    if (!AllDigits(pid)) continue;
    std::error_code fdError;
    for (const auto& fd : fs::directory_iterator(process.path() / "fd", fdError)) {
      std::error_code linkError;
      const fs::path open = fs::read_symlink(fd.path(), linkError);
      if (linkError || open != target) continue;
      holders.push_back(PortHolder{std::stol(pid), CommandName(process.path())});
      break;
    }
  }
  std::sort(holders.begin(), holders.end(),
            [](const PortHolder& a, const PortHolder& b) { return a.pid < b.pid; });
  return holders;
}

std::string DeviceGroup(const std::string& device) {
  struct stat st {};
  if (::stat(device.c_str(), &st) == 0) {
    if (const group* g = ::getgrgid(st.st_gid); g != nullptr && g->gr_gid != 0)
      return g->gr_name;
  }
  return "dialout";
}

std::string PortFailureDetail(const std::string& device, PortOpenError error,
                              const std::string& procRoot) {
  if (error == PortOpenError::PermissionDenied) {
    const std::string group = DeviceGroup(device);
    return "only members of the group " + group + " may use it: sudo usermod -aG " + group +
           " $USER, then log in again";
  }
  if (error == PortOpenError::Busy) {
    std::string held;
    for (const PortHolder& h : FindPortHolders(device, procRoot)) {
      if (!held.empty()) held += ", ";
      held += (h.name.empty() ? std::string("process") : h.name) + " (process " +
              std::to_string(h.pid) + ")";
    }
    return held.empty() ? std::string() : "held by " + held;
  }
  return {};
}

}  // namespace lumarel
