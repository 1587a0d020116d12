#pragma once

#include <string>

namespace quillon {

struct Session;
class Dialogs;
class System;

inline constexpr const char* DeviceNetEdsPathValue =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Hilscher GmbH\\SyCon_net\\DnEDSPath";
inline constexpr const char* CanOpenEdsPathValue =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Hilscher GmbH\\SyCon_net\\CoEDSPath";
inline constexpr const char* ExportIconFile = "OVN_K310_HB612.ico";

inline constexpr const char* NoValidEdsMessage = "No valid EDS-File to export!";
inline constexpr const char* SyconPathMissingMessage =
    "SYCON.net-Path not found in registry. Cannot export EDS!";
inline constexpr const char* ExportQuestion = "Do you really want to export EDS-File?";

inline constexpr const char* NoTextViewerMessage = "No text editor could be started to show ";

// Command5 / m_shEDS: opens the file named in the project box in the text viewer, as it stands
// (a placeholder such as "none" is handed over too). When no viewer can be started at all, says
// so; problems with the file itself are the viewer's to report.
void ShowEds(Session& session, Dialogs& dialogs, System& system);

// How an export ended. Every outcome but Declined has been reported to the user by then; the
// window needs no more, the command line turns it into its exit status.
enum class ExportResult
{
    Exported,
    NoEds,      // the project box names no EDS
    NoFolder,   // the registry names no SYCON.net directory
    Declined,   // the user answered No
    CopyFailed, // the icon or the EDS could not be copied
};

// Command2 / m_creMapList: copies the current EDS and the station icon into the SYCON.net EDS
// directory read from the registry, after asking. Refuses with a message when there is no EDS or
// no SYCON.net directory; a copy that fails is reported by name and no success is reported.
ExportResult ExportEds(Session& session, Dialogs& dialogs, System& system);

// The name the EDS is exported under, starting with a separator: the part of `edsPath` after the
// EDS directory (the directory's closing separator included), or, for a file that does not lie
// directly in that directory, a separator and the file's own name.
[[nodiscard]] std::string exportedEdsName(const std::string& edsPath,
                                          const std::string& edsDirectory);

} // namespace quillon
