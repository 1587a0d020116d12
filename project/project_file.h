#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/types.h"

namespace quillon {

struct Session;
class Dialogs;

inline constexpr const char* SaveConfigurationTitle = "Save Actual Configuration";
inline constexpr const char* LoadConfigurationTitle = "Load An Existing Configuration";
inline constexpr const char* ProjectFileEmptyMessage = " File empty. Please try another one!";
inline constexpr const char* ProjectFileBrokenMessage = "This is no readable project file: ";
inline constexpr const char* ProjectFileNotSavedMessage =
    "The configuration could not be saved in ";
inline constexpr const char* ProjectLoadedHint =
    "With configuration controls you can add, insert and clear modules. To select a module in "
    "HB612-cluster, click on it. When you are ready, you can save actual configuration and create "
    "an EDS-File!\r\n";

// A project file holds positions 0..7 of the cluster, seven lines each.
constexpr int ProjectRecordCount = 8;
constexpr int ProjectLinesPerRecord = 7;

// Real project files are well under 1 KiB; anything past this bound (or with a line longer than
// 64 KiB) is not a project file and is refused before it is read into memory.
constexpr std::size_t ProjectFileMaxBytes = 1u << 20;

// The text of a project file for positions 0..7 of `slots`: 56 lines, each ended by CR LF.
[[nodiscard]] std::string writeProjectText(const ClusterTable& slots);

// What reading a project file's text gave.
struct ProjectParse
{
    std::vector<ModuleInfo> records; // the complete records read, in position order (at most 8)
    bool empty = false;              // the text has no bytes at all
    bool complete = false;           // all eight records were read
    int failedLine = 0;              // 1-based line of the item that failed; 0 when none failed
    std::string error;               // why it failed, e.g. "number out of range: 40000"
    // For each record read: the lines its PictureFile and its ResourceFile stand in.
    std::vector<std::array<int, 2>> nameLines;
};

// Reads the eight records of a project file. Items split at line ends and commas; numbers must
// be whole numbers in signed 16 bits. Stops at the first item that cannot be read and reports it;
// never fails in any other way, whatever the bytes.
[[nodiscard]] ProjectParse parseProjectText(std::string_view text);

// The first file name in the records read that is no plain file name in the resource folder
// (a position in use needs both names; a free one may leave them empty), as "line 8: the resource
// file name \"../x\" ..."; nullopt when every name is plain.
[[nodiscard]] std::optional<std::string> refusedFileName(const ProjectParse& parsed);

// How a load ended, for callers that must tell the cases apart (the command line).
enum class LoadStatus
{
    Loaded,     // the file was read and shown
    Cancelled,  // the open dialog was cancelled
    Unreadable, // the file could not be opened, or is far too large to be a project file
    Empty,      // the file is empty; the message was shown
    Broken,     // a record could not be read; the records before it were taken over
};

struct LoadOutcome
{
    LoadStatus status = LoadStatus::Cancelled;
    std::string path;   // the file chosen, "" when cancelled
    std::string detail; // for Unreadable and Broken: which line failed and why
};

// Command4 / m_SaPro: asks for a file and writes positions 0..7 into it. The file is replaced in
// one step, so a failed write leaves the old file as it was. A cancelled dialog ends the command
// quietly; a failed write (a read-only file, a full disk) is reported with the file and the
// reason. Both mark the configuration as modified again.
void SaveConfiguration(Session& session, Dialogs& dialogs);

// Command3 / m_LoPro: asks for a project file and rebuilds the cluster, the used bytes, the
// pictures and the grid from it. An empty file is refused with a message and changes nothing, and
// so is a file that names a picture or resource file outside the resource folder (reported by
// name, line and the name); a file that cannot be read, or breaks off, is reported by name and
// line, keeping the records read before the fault.
void LoadConfiguration(Session& session, Dialogs& dialogs);

// The same as LoadConfiguration, telling the caller how it ended.
[[nodiscard]] LoadOutcome loadConfiguration(Session& session, Dialogs& dialogs);

// LoadConfiguration with `path` as the file chosen, without the dialog (a project file named on
// the command line or picked from the recent projects); the same messages when it fails.
LoadOutcome LoadConfigurationFrom(Session& session, Dialogs& dialogs, const std::string& path);

// The same without the messages, telling the caller how it ended.
[[nodiscard]] LoadOutcome loadConfigurationFile(Session& session, Dialogs& dialogs,
                                                const std::string& path);

// The same with the file's bytes already read (the command line reads them from standard input):
// `name` stands for the file in the project box and in the messages.
[[nodiscard]] LoadOutcome loadConfigurationText(Session& session, Dialogs& dialogs,
                                                const std::string& name, std::string_view bytes);

} // namespace quillon
