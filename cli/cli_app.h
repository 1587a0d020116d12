#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace quillon {

// Exit statuses of quillon-cli.
enum CliExit : int
{
    ExitSuccess = 0,
    ExitRefused = 1,  // the program refused or failed in a way it has a message for
    ExitBadInput = 2, // wrong usage, or input that cannot be read
};

// Runs quillon-cli with `args` (the arguments after the program name). Results go to `out`,
// messages to `err`; `exeDir` is the directory the settings file and resources are looked up in
// by default. Returns the exit status; never throws for bad arguments or bad files.
[[nodiscard]] int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                         const std::string& exeDir);

// The same with standard input given: "--project -" reads the project from `in`.
[[nodiscard]] int runCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                         std::ostream& err, const std::string& exeDir);

} // namespace quillon
