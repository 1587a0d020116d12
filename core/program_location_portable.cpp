// The person's folders away from Windows, as the freedesktop.org base directory and user
// directory conventions name them: settings under $XDG_CONFIG_HOME (else ~/.config), Documents
// as XDG_DOCUMENTS_DIR in user-dirs.dirs there says (the file xdg-user-dir reads), else
// ~/Documents.
#ifndef _WIN32

#include <cstdlib>

#include "core/file_access.h"
#include "core/item_reader.h"
#include "core/program_location.h"

namespace quillon {

namespace {

// A user-dirs.dirs file is a few hundred bytes.
constexpr std::size_t UserDirsMaxBytes = 64u << 10;

std::string environmentValue(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

} // namespace

UserFolders platformUserFolders()
{
    // Without $HOME (the password database would need the C library's name services, which the
    // statically linked command line lacks) the folders stay unknown.
    const std::string home = environmentValue("HOME");
    std::string config = environmentValue("XDG_CONFIG_HOME");
    // The convention ignores a relative value.
    if (config.empty() || config.front() != '/')
        config = home.empty() ? std::string() : home + "/.config";

    UserFolders folders;
    if (!config.empty()) {
        folders.settings = config + "/quillon";
        if (const auto text = readFileBytes(config + "/user-dirs.dirs", UserDirsMaxBytes))
            folders.documents = xdgDocumentsDir(*text, home);
    }
    if (folders.documents.empty() && !home.empty())
        folders.documents = home + "/Documents";
    return folders;
}

} // namespace quillon

#endif // _WIN32
