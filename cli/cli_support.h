#pragma once

#include <cstddef>
#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/dialogs.h"
#include "core/types.h"

namespace quillon {

struct Session;

// What every subcommand gets: where to write, and where the settings file is.
struct CliContext
{
    std::ostream& out;
    std::ostream& err;
    std::string exeDir;  // the program directory: defaults in the settings file are relative to it
    std::string iniPath; // --ini, or Quillon.ini in exeDir
};

// A subcommand: its name, its synopsis line for --help, and the function that runs it with the
// arguments after its name. Returns the exit status.
struct Subcommand
{
    std::string_view name;
    std::string_view synopsis;
    int (*run)(CliContext& context, const std::vector<std::string>& args);
};

// Reports wrong usage on the error stream and gives the usage exit status.
int usageError(CliContext& context, const std::string& message);

// --- Options ---------------------------------------------------------------------------------

enum class OptionArity
{
    Flag, // --name
    One,  // --name VALUE or --name=VALUE, once
    Many, // --name VALUE... : one or more values up to the next option; may be repeated
};

struct OptionDef
{
    std::string_view name; // with its leading "--"
    OptionArity arity;
};

// The options given, by name; a flag holds no values.
using ParsedOptions = std::map<std::string, std::vector<std::string>, std::less<>>;

struct OptionsResult
{
    ParsedOptions options;
    std::string error; // not empty on wrong usage
};

// Parses `args` against `defs`. Unknown options, stray words, a missing value and a repeated
// single-value option are usage errors.
[[nodiscard]] OptionsResult parseOptions(const std::vector<std::string>& args,
                                         const std::vector<OptionDef>& defs);

// The single value of an option, if given.
[[nodiscard]] std::optional<std::string> optionValue(const ParsedOptions& options,
                                                     std::string_view name);

// --- The station -----------------------------------------------------------------------------

// Where the station comes from: a project file, or catalogue modules added in order.
struct StationSource
{
    FieldbusProtocol protocol = FieldbusProtocol::None;
    std::optional<std::string> projectFile;
    std::vector<std::string> modules;
};

// Reads the common station options (--protocol, --project, --module). `allowNone` says whether
// "--protocol none" is accepted. Returns the usage error text, or "" when fine.
[[nodiscard]] std::string stationSourceFrom(const ParsedOptions& options, bool allowNone,
                                            StationSource& source);

// The station options, for subcommands that build a station.
[[nodiscard]] std::vector<OptionDef> stationOptionDefs();

// The Dialogs of the command line: message boxes go to the error stream as their texts, the open
// and save dialogs are answered with paths given on the command line, questions with No.
class CliDialogs : public Dialogs
{
public:
    explicit CliDialogs(std::ostream& err) : m_err(err) {}
    using Dialogs::notice;

    void answerOpenWith(std::string path) { m_openPath = std::move(path); }
    void answerSaveWith(std::string path) { m_savePath = std::move(path); }

    void notice(const std::string& text, const std::string& detail) override;
    bool askYesNo(const std::string& text) override;
    std::optional<std::string> openFile(const FileRequest& request) override;
    std::optional<std::string> saveFile(const FileRequest& request) override;

    // How many message boxes have been shown; an operation that showed one refused or failed.
    [[nodiscard]] std::size_t noticeCount() const { return m_notices; }

private:
    std::ostream& m_err;
    std::optional<std::string> m_openPath;
    std::optional<std::string> m_savePath;
    std::size_t m_notices = 0;
};

// The catalogue record a module name means: a display name from the catalogue list, or a
// five-character model name such as "KD236" matched against the records' resource file names.
// nullopt when nothing matches.
[[nodiscard]] std::optional<int> findCatalogueModule(const Session& session,
                                                     const std::string& name);

// Starts a session from the settings file the way the window starts, chooses the protocol and
// loads or builds the station. Messages go to the error stream. Returns ExitSuccess or the exit
// status to end with.
[[nodiscard]] int buildStation(CliContext& context, const StationSource& source, Session& session,
                               CliDialogs& dialogs);

} // namespace quillon
