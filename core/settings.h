#pragma once

#include <array>
#include <string>
#include <vector>

#include "core/program_location.h"
#include "core/types.h"

namespace quillon {

// What the settings file holds.
struct Settings
{
    std::string projectPath;
    std::string resourcePath;
    std::string edsFilePath;
    IoLimits deviceNetLimits{};
    IoLimits canOpenLimits{};
    std::vector<std::string> moduleNames;
    std::array<ModuleInfo, CatalogueCapacity> catalogue;
    int catalogueRecordCount = 0;
};

struct SettingsError
{
    std::string detail; // which file and line failed, and why
};

struct SettingsResult
{
    bool ok = false;
    Settings settings;
    SettingsError error;
};

// Reads the settings file at `path`. Empty directory lines fall back to `defaults`. Any failure
// (missing file, end of file inside a section, a number outside signed 16 bits or not a number, a
// 62nd module record) gives ok == false with a detail naming the line.
[[nodiscard]] SettingsResult readSettingsFile(const std::string& path,
                                              const DefaultFolders& defaults);

// The same with the folders beside the executable in `programDir` as defaults.
[[nodiscard]] SettingsResult readSettingsFile(const std::string& path,
                                              const std::string& programDir);

// The same on text already in memory; `fileName` only names the file in error details.
[[nodiscard]] SettingsResult parseSettings(const std::string& bytes, const std::string& fileName,
                                           const DefaultFolders& defaults);
[[nodiscard]] SettingsResult parseSettings(const std::string& bytes, const std::string& fileName,
                                           const std::string& programDir);

} // namespace quillon
