#pragma once

#include <string>

namespace quillon {

struct Session;
class Dialogs;

inline constexpr const char* NoEdsMessage =
    "There is no EDS-File to work with! Please create or load an existing one!";
inline constexpr const char* NotCanOpenEdsMessage = "Sorry! But this is no CANopen EDS-File!";
inline constexpr const char* EdsUnreadableMessage = "The EDS-File cannot be read!";
inline constexpr const char* LoadEdsDialogTitle = "Load An Existing EDS - File";

// Command15 "Set  Module Parameters": hands the cluster's slots to the parameter editor and shows
// it; an editor hidden by its Exit button comes back as it was left. Refuses with a message when
// there is no current EDS. True when the editor is shown.
bool Command15_Click(Session& session, Dialogs& dialogs);

// Command16 "Load existing EDS and edit Parameters": lets the user choose a CANopen EDS, takes
// the module of every slot it names from the catalogue into the cluster's resource file and
// parameter count, and shows the editor, which sets the defaults once without asking. A file that
// is not a CANopen EDS, has no parameter objects, skips a slot or names a module the catalogue
// lacks is refused with a message and changes no slot, and so is a file that cannot be taken (a
// folder, a device, beyond the bounds of an EDS file); a cancelled dialog or a file that is not
// there ends quietly. True when the editor is shown.
bool Command16_Click(Session& session, Dialogs& dialogs);

// Command16_Click with `path` as the file chosen, without the dialog (an EDS named on the command
// line); the same messages, and the same quiet end for a file that cannot be read.
bool LoadEdsForEditing(Session& session, Dialogs& dialogs, const std::string& path);

} // namespace quillon
