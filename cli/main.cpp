#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

#include "core/windows_api.h"
#endif

#include "cli/cli_app.h"
#include "core/file_path.h"

namespace {

namespace fs = std::filesystem;

#ifdef _WIN32

// The directory of the running executable, where the settings file and resources are looked up.
std::string executableDir()
{
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return ".";
        if (length < buffer.size()) {
            buffer.resize(length);
            return quillon::fromFsPath(fs::path(buffer).parent_path());
        }
        buffer.resize(buffer.size() * 2);
    }
}

#else

std::string executableDir(const char* argv0)
{
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec)
        return self.parent_path().string();
    const fs::path fromArgv = fs::absolute(fs::path(argv0 ? argv0 : ""), ec);
    return ec ? std::string(".") : fromArgv.parent_path().string();
}

#endif

int run(const std::vector<std::string>& args, const std::string& exeDir)
{
    const int status = quillon::runCli(args, std::cout, std::cerr, exeDir);
    std::cout.flush();
    return std::cout ? status : quillon::ExitRefused;
}

} // namespace

#ifdef _WIN32

// Arguments arrive as UTF-16, so a file name with umlauts in it is not squeezed
// through the ANSI code page; the program works with UTF-8 inside. Standard output and error are
// binary, so an EDS written to standard output keeps its CR LF and every report reads the same as
// on other systems.
int wmain(int argc, wchar_t** argv)
{
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(quillon::fromFsPath(fs::path(argv[i])));
    return run(args, executableDir());
}

#else

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    return run(args, executableDir(argc > 0 ? argv[0] : nullptr));
}

#endif
