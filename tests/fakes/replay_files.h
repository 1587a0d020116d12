#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace quillon::test {

// A fuzz target's seeds under <data>/fuzz-corpus/<target>, then the reproducers once saved for it
// under <data>/fuzz-regressions/<target>, each folder in name order. A folder not there adds none.
inline std::vector<std::filesystem::path> replayFiles(const std::filesystem::path& data,
                                                      const std::string& target)
{
    std::vector<std::filesystem::path> files;
    for (const char* folder : {"fuzz-corpus", "fuzz-regressions"}) {
        const std::size_t first = files.size();
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(data / folder / target, ec)) {
            if (entry.is_regular_file())
                files.push_back(entry.path());
        }
        std::sort(files.begin() + static_cast<std::ptrdiff_t>(first), files.end());
    }
    return files;
}

} // namespace quillon::test
