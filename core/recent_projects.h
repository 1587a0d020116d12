#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace quillon {

// The File menu offers this many of the project files last loaded or saved.
constexpr std::size_t RecentProjectCount = 5;

// `recent` with `path` moved (or added) to the front, without repeats, at most
// RecentProjectCount entries; an empty path changes nothing.
[[nodiscard]] std::vector<std::string> withRecentProject(std::vector<std::string> recent,
                                                         const std::string& path);

// The entries of `recent` that still name a readable file, in order, at most RecentProjectCount:
// a project moved or deleted since is not offered.
[[nodiscard]] std::vector<std::string>
existingRecentProjects(const std::vector<std::string>& recent);

} // namespace quillon
