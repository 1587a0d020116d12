#pragma once

#include <optional>
#include <string>

#include "core/clock.h"
#include "core/types.h"

namespace quillon {

struct Session;
class Dialogs;
class TemplateStore;

inline constexpr const char* EdsCreationFailedMessage =
    "EDS-File creation not possible! Resource-Files missing!";
inline constexpr const char* SetModuleParametersNotice =
    "For further work with ZLT-HB612 click command button 'Set Module Parameters'. Here you can "
    "set default values and change parameters if you want! Don't forget to save EDS file!";
inline constexpr const char* EdsDialogTitle = "Create EDS and Save";
inline constexpr const char* EdsDialogFilter = "EDS-File (*.eds)|*.eds";

struct EdsBuildResult
{
    bool ok = false;
    std::string text;  // the whole EDS, every line ended with CR LF
    std::string error; // what failed (file, line), when !ok
};

// The protocol's part of a generation: reads the templates from gstrResourcePath, fills
// SlotText and ModelName and returns the EDS text (without the final CR LF that the file gets).
// DeviceNet for that protocol, CANopen for any other. `outputPath` is what the CANopen header
// names as its file; `now` dates the header. Fails with a description on a template that cannot
// be read or does not fit, a cluster outside the generator's range, or an EDS that would pass the
// bound of an EDS file (4 MiB).
[[nodiscard]] EdsBuildResult buildEdsText(Session& session, FieldbusProtocol protocol,
                                          const std::string& outputPath, const DateTime& now,
                                          Dialogs& progress);

// The same with the templates taken from `templates` (for example held in memory).
[[nodiscard]] EdsBuildResult buildEdsText(Session& session, FieldbusProtocol protocol,
                                          const std::string& outputPath, const DateTime& now,
                                          Dialogs& progress, TemplateStore& templates);

// Why the cluster cannot be turned into an EDS of this protocol (more than 8 positions, a
// parameter counter beyond 32767, a negative byte count of a module or of the totals, CANopen
// byte totals the PDOs cannot carry, DeviceNet I/O sizes beyond 255 bytes), or nullopt. Reads
// the module templates to count DeviceNet parameters; templates it cannot read are left to the
// generation to report.
[[nodiscard]] std::optional<std::string> checkGeneratorRange(const Session& session,
                                                             FieldbusProtocol protocol);

// Command9 / m_crsavEDS "Create EDS File and Save": asks for the output file, generates the EDS
// of the cluster and writes it in one piece, then enables what needs an EDS. A cluster outside
// the generator's range is refused before the dialog; a cancelled dialog ends quietly; an output
// file that cannot be written or a template that cannot be read shows the resource message and
// leaves the file as it was (an earlier EDS stays whole). True when the EDS was written.
bool GenerateEds(Session& session, Dialogs& dialogs);

} // namespace quillon
