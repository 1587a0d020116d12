#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif

#include "cli/cli_app.h"

namespace {

// The directory of the running executable, where the settings file and resources are looked up.
std::string executableDir(const char* argv0)
{
    namespace fs = std::filesystem;
    std::error_code ec;
#ifdef _WIN32
    char buffer[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    if (length > 0 && length < MAX_PATH)
        return fs::path(std::string(buffer, length)).parent_path().string();
#else
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec)
        return self.parent_path().string();
#endif
    const fs::path fromArgv = fs::absolute(fs::path(argv0 ? argv0 : ""), ec);
    return ec ? std::string(".") : fromArgv.parent_path().string();
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const int status = quillon::runCli(args, std::cout, std::cerr, executableDir(argv[0]));
    std::cout.flush();
    return std::cout ? status : quillon::ExitRefused;
}
