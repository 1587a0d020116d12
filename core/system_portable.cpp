// Platform services away from Windows. There is no registry: the values the program would read
// from it stand in a plain text file, one "FULL\VALUE\PATH=value" per line, for example
//   HKEY_LOCAL_MACHINE\SOFTWARE\Hilscher GmbH\SyCon_net\CoEDSPath=/home/me/sycon/eds
// The file is named by the environment variable QUILLON_REGISTRY_FILE; when that is not set (or
// empty) it is $XDG_CONFIG_HOME/quillon/registry.txt, else ~/.config/quillon/registry.txt.
// Blank lines and lines starting with '#' or ';' are comments. Value paths compare without regard
// to case, as the registry does; the first line that names a path gives its value.
// The text viewer is the desktop's default editor, started through xdg-open.
#ifndef _WIN32

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <spawn.h>
#include <string_view>
#include <sys/wait.h>

#include "core/file_access.h"
#include "core/item_reader.h"
#include "core/system.h"

extern char** environ;

namespace quillon {

namespace {

// Far more than any hand-written registry file needs; guards against a wrong path.
constexpr std::size_t RegistryFileMaxBytes = 1u << 20;

std::string environmentValue(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string registryFilePath()
{
    std::string path = environmentValue("QUILLON_REGISTRY_FILE");
    if (!path.empty())
        return path;
    const std::string config = environmentValue("XDG_CONFIG_HOME");
    if (!config.empty())
        return config + "/quillon/registry.txt";
    const std::string home = environmentValue("HOME");
    if (home.empty())
        return {};
    return home + "/.config/quillon/registry.txt";
}

std::string_view trimmed(std::string_view text)
{
    const auto isSpace = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

class PortableSystem : public System
{
public:
    std::string readRegistryString(const std::string& fullValuePath) override
    {
        const std::string path = registryFilePath();
        if (path.empty())
            return {};
        const auto bytes = readFileBytes(path, RegistryFileMaxBytes);
        if (!bytes)
            return {};
        for (const std::string& line : splitLines(*bytes)) {
            const std::string_view entry = trimmed(line);
            if (entry.empty() || entry.front() == '#' || entry.front() == ';')
                continue;
            const auto equals = entry.find('=');
            if (equals == std::string_view::npos)
                continue;
            if (equalsIgnoringCase(trimmed(entry.substr(0, equals)), trimmed(fullValuePath)))
                return std::string(trimmed(entry.substr(equals + 1)));
        }
        return {};
    }

    // xdg-open is started through a shell that puts it in the background, so the viewer belongs
    // to no one here and no finished child is left behind. Most desktops' xdg-open hands the file
    // on and ends at once; the shell waits up to two seconds for that and passes its exit status
    // on, so a missing xdg-open or one that finds no viewer is reported. One that is still running
    // then has started a viewer that it waits for.
    bool openInTextEditor(const std::string& parameters,
                          const std::string& workingDirectory) override
    {
        std::string script = "command -v xdg-open >/dev/null 2>&1 || exit 127; "
                             "xdg-open \"$1\" >/dev/null 2>&1 & viewer=$!; n=0; "
                             "while kill -0 $viewer 2>/dev/null; do "
                             "[ $n -ge 20 ] && exit 0; sleep 0.1; n=$((n+1)); done; "
                             "wait $viewer";
        if (!workingDirectory.empty())
            script = "cd \"$2\" 2>/dev/null; " + script;
        std::string shell = "/bin/sh";
        std::string dashC = "-c";
        std::string name = "quillon-viewer";
        std::string param = parameters;
        std::string dir = workingDirectory;
        char* argv[] = {shell.data(), dashC.data(), script.data(), name.data(),
                        param.data(), dir.data(),   nullptr};
        pid_t pid = 0;
        if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv, environ) != 0)
            return false;
        int status = 0;
        while (waitpid(pid, &status, 0) < 0) {
            if (errno != EINTR)
                return false;
        }
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
};

} // namespace

std::unique_ptr<System> makePlatformSystem()
{
    return std::make_unique<PortableSystem>();
}

} // namespace quillon

#endif // _WIN32
