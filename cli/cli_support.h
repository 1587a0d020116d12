#pragma once

#include <cstddef>
#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/dialogs.h"
#include "core/program_location.h"
#include "core/types.h"

namespace quillon {

struct Session;

// What every subcommand gets: where to read and write, and where the settings file is.
struct CliContext
{
    std::istream& in; // a project given as "--project -"
    std::ostream& out;
    std::ostream& err;
    std::string exeDir;     // the program directory
    std::string iniPath;    // --ini, or the settings file findProgramLocation chose
    DefaultFolders folders; // what the settings file's empty path lines stand for
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

// Reports a message about `file` on the error stream: "quillon-cli: FILE: message".
void report(CliContext& context, const std::string& file, const std::string& message);

// --- Files and standard streams ---------------------------------------------------------------

// "-" and /dev/stdout stand for standard output, so a pipeline can take the file from there.
[[nodiscard]] bool isStandardOutput(const std::string& path);

// Writes `bytes` unchanged to standard output (for "-" and /dev/stdout) or, replacing it in one
// step, to the file `path`. On failure reports "cannot write FILE: reason" and returns false.
[[nodiscard]] bool writeOutput(CliContext& context, const std::string& path,
                               std::string_view bytes);

// What a written EDS names itself in its "FileName=" line: the output's absolute path, as the
// window's file dialog gives it; "" for standard output, which is no file.
[[nodiscard]] std::string fileNameLineFor(const std::string& outputPath);

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

// The value of --format when it is one of `allowed`, the first of them when it is not given.
// nullopt after a usage error that names the choices.
[[nodiscard]] std::optional<std::string> formatOption(CliContext& context,
                                                      const ParsedOptions& options,
                                                      const std::vector<std::string>& allowed);

// --- The station -----------------------------------------------------------------------------

// Where the station comes from: a project file, or catalogue modules added in order.
struct StationSource
{
    FieldbusProtocol protocol = FieldbusProtocol::None;
    std::optional<std::string> projectFile;
    std::vector<std::string> modules;
};

// "devicenet", "canopen" or "none", as --protocol takes it.
[[nodiscard]] const char* protocolName(FieldbusProtocol protocol);

// Reads the common station options (--protocol, --project, --module; "--project -" reads the
// project from standard input). `allowNone` says whether "--protocol none" is accepted,
// `allowHeadAlone` whether neither --project nor --module may be given, for the head alone.
// Returns the usage error text, or "" when fine.
[[nodiscard]] std::string stationSourceFrom(const ParsedOptions& options, bool allowNone,
                                            bool allowHeadAlone, StationSource& source);

// The station options, for subcommands that build a station.
[[nodiscard]] std::vector<OptionDef> stationOptionDefs();

// The Dialogs of the command line: message boxes go to the error stream as their texts, each
// line after "quillon-cli: " and the file they concern; the open and save dialogs are answered
// with paths given on the command line, questions with No unless told otherwise.
class CliDialogs : public Dialogs
{
public:
    explicit CliDialogs(std::ostream& err) : m_err(err) {}
    using Dialogs::notice;

    void answerOpenWith(std::string path) { m_openPath = std::move(path); }
    void answerSaveWith(std::string path) { m_savePath = std::move(path); }
    // Running a command can be the user's Yes to the question it asks.
    void answerQuestionsWith(bool yes) { m_answer = yes; }
    // The file the following messages concern, named at their start; "" for none.
    void concerning(std::string file) { m_subject = std::move(file); }

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
    bool m_answer = false;
    std::string m_subject;
};

// The catalogue record a module name means: a display name from the catalogue list, or a
// five-character model name such as "KD236" matched against the records' resource file names.
// nullopt when nothing matches.
[[nodiscard]] std::optional<int> findCatalogueModule(const Session& session,
                                                     const std::string& name);

// Starts a session from the settings file the way the window starts. Messages go to the error
// stream. Returns ExitSuccess or the exit status to end with.
[[nodiscard]] int startSession(CliContext& context, Session& session, CliDialogs& dialogs);

// Starts a session from the settings file the way the window starts, chooses the protocol and
// loads or builds the station. Messages go to the error stream. Returns ExitSuccess or the exit
// status to end with.
[[nodiscard]] int buildStation(CliContext& context, const StationSource& source, Session& session,
                               CliDialogs& dialogs);

} // namespace quillon
