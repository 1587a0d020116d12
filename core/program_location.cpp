#include "core/program_location.h"

#include <filesystem>
#include <system_error>

#include "core/file_access.h"
#include "core/file_path.h"
#include "core/item_reader.h"
#include "core/session.h"

namespace quillon {

namespace {

constexpr const char* SettingsFileName = "Quillon.ini";

std::string joined(const std::string& folder, const std::string& name)
{
    if (folder.empty())
        return name;
    const char last = folder.back();
    return last == '/' || last == PathSeparator ? folder + name : folder + PathSeparator + name;
}

std::string asFolder(const std::string& path)
{
    return joined(path, std::string());
}

// The installed program's own files: ../share/quillon from the executable's folder, written
// without the "..", since the path ends up in dialogs and messages.
std::string installedDataDir(const std::string& programDir)
{
    const std::filesystem::path data = toFsPath(programDir) / ".." / "share" / "quillon";
    std::string normal = fromFsPath(data.lexically_normal());
    while (normal.size() > 1 && (normal.back() == '/' || normal.back() == PathSeparator))
        normal.pop_back();
    return normal;
}

// A value of user-dirs.dirs as the shell reads it: quoted or bare, backslash escaping the next
// character.
std::string unquoted(std::string_view value)
{
    std::string text;
    const bool quoted = !value.empty() && value.front() == '"';
    if (quoted)
        value.remove_prefix(1);
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\\' && i + 1 < value.size()) {
            text += value[++i];
        } else if (quoted ? c == '"' : (c == ' ' || c == '\t' || c == '#')) {
            break;
        } else {
            text += c;
        }
    }
    return text;
}

} // namespace

DefaultFolders portableFolders(const std::string& programDir)
{
    const std::string base = programDir + PathSeparator;
    return {base + "Projects" + PathSeparator, base + "Resources" + PathSeparator,
            base + "EDSFiles" + PathSeparator};
}

ProgramLocation findProgramLocation(const std::string& programDir, const UserFolders& user)
{
    ProgramLocation location;
    location.programDir = programDir;
    const std::string beside = joined(programDir, SettingsFileName);
    if (isReadableFile(beside)) {
        location.iniPath = beside;
        location.folders = portableFolders(programDir);
        return location;
    }

    location.portable = false;
    const std::string data = installedDataDir(programDir);
    const std::string own =
        user.settings.empty() ? std::string() : joined(user.settings, SettingsFileName);
    location.iniPath = !own.empty() && isReadableFile(own) ? own : joined(data, SettingsFileName);
    location.folders.resources = asFolder(joined(data, "Resources"));
    // Without any Documents folder the two stay relative to wherever the program was started.
    const std::string mine = joined(user.documents, "Quillon");
    location.folders.projects = asFolder(joined(mine, "Projects"));
    location.folders.edsFiles = asFolder(joined(mine, "EDSFiles"));
    return location;
}

std::string xdgDocumentsDir(std::string_view userDirsText, const std::string& home)
{
    constexpr std::string_view Key = "XDG_DOCUMENTS_DIR=";
    std::string found;
    for (const std::string& line : splitLines(userDirsText)) {
        std::string_view entry = line;
        while (!entry.empty() && (entry.front() == ' ' || entry.front() == '\t'))
            entry.remove_prefix(1);
        if (entry.substr(0, Key.size()) != Key)
            continue;
        // The shell reads the file from top to bottom, so the last assignment counts.
        std::string value = unquoted(entry.substr(Key.size()));
        for (const std::string_view name : {"${HOME}", "$HOME"}) {
            if (value.compare(0, name.size(), name) == 0 &&
                (value.size() == name.size() || value[name.size()] == '/')) {
                value = home + value.substr(name.size());
                break;
            }
        }
        // The file belongs to the freedesktop.org desktops, whose separator is '/'.
        if (!value.empty() && value.front() != '/')
            value = home + '/' + value;
        found = value;
    }
    return found;
}

void useProgramLocation(Session& session, const ProgramLocation& location)
{
    session.programDir = location.programDir;
    session.iniPath = location.iniPath;
    session.defaultFolders = location.folders;
}

bool ensureFolder(const std::string& folder)
{
    if (folder.empty())
        return false;
    std::error_code ec;
    const std::filesystem::path path = toFsPath(folder);
    if (std::filesystem::is_directory(path, ec))
        return true;
    std::filesystem::create_directories(path, ec);
    return std::filesystem::is_directory(path, ec);
}

} // namespace quillon
