// Free space of the filesystem that holds a path.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace lumarel {

// Bytes available to the user on the filesystem holding `path` (a file that
// need not exist yet): statvfs of the nearest existing directory on the way up,
// computed in 64 bits. nullopt when no such directory can be queried.
std::optional<std::uint64_t> FreeBytesForPath(const std::string& path);

}  // namespace lumarel
