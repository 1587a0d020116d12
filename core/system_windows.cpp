// Platform services on Windows: the real registry and Notepad. File names and registry texts go
// through the wide API, so a folder named with umlauts reaches the program whatever the ANSI
// code page is; inside the program they are UTF-8.
#ifdef _WIN32

#include <cstring>
#include <cwchar>
#include <filesystem>
#include <string>
#include <vector>

// shellapi.h builds on the declarations of windows.h, so the order matters.
// clang-format off
#include "core/windows_api.h"
#include <shellapi.h>
// clang-format on

#include "core/file_path.h"
#include "core/system.h"
#include "core/system_windows.h"

namespace quillon {

namespace {

std::wstring wide(const std::string& utf8)
{
    return toFsPath(utf8).wstring();
}

std::string utf8(const std::wstring& text)
{
    return fromFsPath(std::filesystem::path(text));
}

// The root keys a full value path may start with, long and short names.
HKEY rootKeyOf(const std::wstring& name)
{
    struct Root
    {
        const wchar_t* longName;
        const wchar_t* shortName;
        HKEY key;
    };
    static const Root roots[] = {
        {L"HKEY_LOCAL_MACHINE", L"HKLM", HKEY_LOCAL_MACHINE},
        {L"HKEY_CURRENT_USER", L"HKCU", HKEY_CURRENT_USER},
        {L"HKEY_CLASSES_ROOT", L"HKCR", HKEY_CLASSES_ROOT},
        {L"HKEY_USERS", L"HKU", HKEY_USERS},
        {L"HKEY_CURRENT_CONFIG", L"HKCC", HKEY_CURRENT_CONFIG},
    };
    for (const Root& root : roots) {
        if (_wcsicmp(name.c_str(), root.longName) == 0 ||
            _wcsicmp(name.c_str(), root.shortName) == 0)
            return root.key;
    }
    return nullptr;
}

// One value of one registry view as text: strings as they stand (REG_EXPAND_SZ comes back
// expanded, since RRF_RT_REG_SZ asks for that), numbers in decimal.
bool readValue(HKEY root, const std::wstring& subKey, const wchar_t* valueName, REGSAM view,
               std::string& result)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, subKey.c_str(), 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS)
        return false;
    const DWORD flags = RRF_RT_REG_SZ | RRF_RT_REG_DWORD;
    std::vector<wchar_t> buffer(512, L'\0');
    bool ok = false;
    // The size asked for first is only a guess for expanded strings, so a short buffer is retried.
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD type = 0;
        DWORD size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
        const LSTATUS status =
            RegGetValueW(key, nullptr, valueName, flags, &type, buffer.data(), &size);
        if (status == ERROR_MORE_DATA) {
            buffer.assign(static_cast<std::size_t>(size) / sizeof(wchar_t) + 512, L'\0');
            continue;
        }
        if (status == ERROR_SUCCESS) {
            if (type == REG_DWORD) {
                DWORD number = 0;
                std::memcpy(&number, buffer.data(), sizeof number);
                result = std::to_string(number);
            } else {
                result = utf8(buffer.data()); // RegGetValue ends strings with a NUL
            }
            ok = true;
        }
        break;
    }
    RegCloseKey(key);
    return ok;
}

std::intptr_t shellExecute(void* owner, const wchar_t* verb, const wchar_t* file,
                           const wchar_t* parameters, const wchar_t* directory, int show)
{
    return reinterpret_cast<std::intptr_t>(
        ShellExecuteW(static_cast<HWND>(owner), verb, file, parameters, directory, show));
}

class WindowsSystem : public System
{
public:
    explicit WindowsSystem(ShellExecuteFunction execute) : m_shellExecute(execute) {}

    // "ROOT\sub\key\value"; a path ending in a backslash reads the key's default value.
    std::string readRegistryString(const std::string& fullValuePath) override
    {
        const std::wstring path = wide(fullValuePath);
        const auto firstSlash = path.find(L'\\');
        const auto lastSlash = path.rfind(L'\\');
        if (firstSlash == std::wstring::npos)
            return {};
        const HKEY root = rootKeyOf(path.substr(0, firstSlash));
        if (!root)
            return {};
        const std::wstring subKey = lastSlash > firstSlash
                                        ? path.substr(firstSlash + 1, lastSlash - firstSlash - 1)
                                        : std::wstring();
        const std::wstring valueName = path.substr(lastSlash + 1);
        const wchar_t* value = valueName.empty() ? nullptr : valueName.c_str();

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

    // Notepad, shown normally (1), over the main window, in the program's directory.
    bool openInTextEditor(const std::string& parameters,
                          const std::string& workingDirectory) override
    {
        const std::wstring wideParameters = wide(parameters);
        const std::wstring wideDirectory = wide(workingDirectory);
        const std::intptr_t started = m_shellExecute(
            reinterpret_cast<void*>(ownerWindow()), L"Open", L"Notepad.exe", wideParameters.c_str(),
            workingDirectory.empty() ? nullptr : wideDirectory.c_str(), 1);
        return started > 32;
    }

private:
    ShellExecuteFunction m_shellExecute;
};

} // namespace

std::unique_ptr<System> makeWindowsSystem(ShellExecuteFunction shellExecute)
{
    return std::make_unique<WindowsSystem>(shellExecute);
}

std::unique_ptr<System> makePlatformSystem()
{
    return makeWindowsSystem(shellExecute);
}

} // namespace quillon

#endif // _WIN32
