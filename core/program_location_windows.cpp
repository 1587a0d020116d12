// The person's folders on Windows: settings in %APPDATA%\Quillon, documents in the shell's
// Documents folder (which the person may have moved, so it is asked for, not guessed).
#ifdef _WIN32

#include <filesystem>
#include <string>

// shlobj.h and knownfolders.h build on the declarations of windows.h, so the order matters.
// clang-format off
#include "core/windows_api.h"
#include <shlobj.h>
#include <knownfolders.h>
// clang-format on

#include "core/file_path.h"
#include "core/program_location.h"

namespace quillon {

namespace {

std::string environmentValue(const wchar_t* name)
{
    std::wstring value(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
        if (length == 0)
            return {};
        if (length < value.size()) {
            value.resize(length);
            return fromFsPath(std::filesystem::path(value));
        }
        value.resize(length);
    }
}

std::string knownFolder(const KNOWNFOLDERID& id)
{
    PWSTR path = nullptr;
    std::string folder;
    if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path)) && path)
        folder = fromFsPath(std::filesystem::path(path));
    CoTaskMemFree(path);
    return folder;
}

} // namespace

UserFolders platformUserFolders()
{
    UserFolders folders;
    std::string settings = environmentValue(L"APPDATA");
    if (settings.empty())
        settings = knownFolder(FOLDERID_RoamingAppData);
    if (!settings.empty())
        folders.settings = settings + "\\Quillon";
    folders.documents = knownFolder(FOLDERID_Documents);
    return folders;
}

} // namespace quillon

#endif // _WIN32
