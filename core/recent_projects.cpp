#include "core/recent_projects.h"

#include <algorithm>

#include "core/file_access.h"
#include "core/item_reader.h"

namespace quillon {

std::vector<std::string> withRecentProject(std::vector<std::string> recent, const std::string& path)
{
    if (path.empty())
        return recent;
    recent.erase(std::remove(recent.begin(), recent.end(), path), recent.end());
    recent.insert(recent.begin(), path);
    if (recent.size() > RecentProjectCount)
        recent.resize(RecentProjectCount);
    return recent;
}

std::vector<std::string> existingRecentProjects(const std::vector<std::string>& recent)
{
    std::vector<std::string> existing;
    for (const std::string& path : recent) {
        if (existing.size() == RecentProjectCount)
            break;
        if (isReadableFile(path))
            existing.push_back(path);
    }
    return existing;
}

} // namespace quillon
