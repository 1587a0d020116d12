// Platform services on Windows: the real registry and Notepad.
#ifdef _WIN32

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <cstring>
#include <string>
#include <vector>

// shellapi.h builds on the declarations of windows.h, so the order matters.
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include "core/system.h"

namespace quillon {

namespace {

// The root keys a full value path may start with, long and short names.
HKEY rootKeyOf(const std::string& name)
{
    struct Root
    {
        const char* longName;
        const char* shortName;
        HKEY key;
    };
    static const Root roots[] = {
        {"HKEY_LOCAL_MACHINE", "HKLM", HKEY_LOCAL_MACHINE},
        {"HKEY_CURRENT_USER", "HKCU", HKEY_CURRENT_USER},
        {"HKEY_CLASSES_ROOT", "HKCR", HKEY_CLASSES_ROOT},
        {"HKEY_USERS", "HKU", HKEY_USERS},
        {"HKEY_CURRENT_CONFIG", "HKCC", HKEY_CURRENT_CONFIG},
    };
    for (const Root& root : roots) {
        if (_stricmp(name.c_str(), root.longName) == 0 ||
            _stricmp(name.c_str(), root.shortName) == 0)
            return root.key;
    }
    return nullptr;
}

// One value of one registry view as text: strings as they stand (REG_EXPAND_SZ comes back
// expanded, since RRF_RT_REG_SZ asks for that), numbers in decimal.
bool readValue(HKEY root, const std::string& subKey, const char* valueName, REGSAM view,
               std::string& result)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, subKey.c_str(), 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS)
        return false;
    const DWORD flags = RRF_RT_REG_SZ | RRF_RT_REG_DWORD;
    std::vector<char> buffer(512, '\0');
    bool ok = false;
    // The size asked for first is only a guess for expanded strings, so a short buffer is retried.
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD type = 0;
        DWORD size = static_cast<DWORD>(buffer.size());
        const LSTATUS status =
            RegGetValueA(key, nullptr, valueName, flags, &type, buffer.data(), &size);
        if (status == ERROR_MORE_DATA) {
            buffer.assign(static_cast<std::size_t>(size) + 512, '\0');
            continue;
        }
        if (status == ERROR_SUCCESS) {
            if (type == REG_DWORD) {
                DWORD number = 0;
                std::memcpy(&number, buffer.data(), sizeof number);
                result = std::to_string(number);
            } else {
                result.assign(buffer.data()); // RegGetValue ends strings with a NUL
            }
            ok = true;
        }
        break;
    }
    RegCloseKey(key);
    return ok;
}

class WindowsSystem : public System
{
public:
    // "ROOT\sub\key\value"; a path ending in a backslash reads the key's default value.
    std::string readRegistryString(const std::string& fullValuePath) override
    {
        const auto firstSlash = fullValuePath.find('\\');
        const auto lastSlash = fullValuePath.rfind('\\');
        if (firstSlash == std::string::npos)
            return {};
        const HKEY root = rootKeyOf(fullValuePath.substr(0, firstSlash));
        if (!root)
            return {};
        const std::string subKey =
            lastSlash > firstSlash
                ? fullValuePath.substr(firstSlash + 1, lastSlash - firstSlash - 1)
                : std::string();
        const std::string valueName = fullValuePath.substr(lastSlash + 1);
        const char* value = valueName.empty() ? nullptr : valueName.c_str();

        // SYCON.net is a 32-bit program and registers itself in the 32-bit view; look there first,
        // then in the native 64-bit one.
        std::string result;
        for (REGSAM view :
             {static_cast<REGSAM>(KEY_WOW64_32KEY), static_cast<REGSAM>(KEY_WOW64_64KEY)}) {
            if (readValue(root, subKey, value, view, result))
                return result;
        }
        return {};
    }

    void openInTextEditor(const std::string& parameters,
                          const std::string& workingDirectory) override
    {
        ShellExecuteA(nullptr, "Open", "Notepad.exe", parameters.c_str(),
                      workingDirectory.empty() ? nullptr : workingDirectory.c_str(), 1);
    }
};

} // namespace

std::unique_ptr<System> makePlatformSystem()
{
    return std::make_unique<WindowsSystem>();
}

} // namespace quillon

#endif // _WIN32
