#include "app/main_window_ops.h"

#include <algorithm>
#include <cctype>

#include "core/cluster.h"
#include "core/dialogs.h"
#include "core/file_access.h"
#include "core/item_reader.h"
#include "core/session.h"
#include "core/startup.h"
#include "iomap/eds_export.h"
#include "params/editor_commands.h"
#include "project/project_file.h"

namespace quillon {

namespace {

void offerToSave(Session& s, Dialogs& dialogs)
{
    if (s.ConfigurationModified && dialogs.askYesNo(SaveQuestion))
        SaveConfiguration(s, dialogs);
}

void discardEditor(Session& s)
{
    s.view.editorExists = false;
    s.view.editorVisible = false;
}

// True when `path` ends in `extension` (".edp"), in any case: Windows does not tell them apart.
bool hasExtension(const std::string& path, const std::string& extension)
{
    if (path.size() <= extension.size())
        return false;
    return std::equal(extension.begin(), extension.end(),
                      path.end() - static_cast<std::ptrdiff_t>(extension.size()),
                      [](char a, char b) {
                          return std::tolower(static_cast<unsigned char>(a)) ==
                                 std::tolower(static_cast<unsigned char>(b));
                      });
}

std::string fileNameOf(const std::string& path)
{
    const auto slash = path.find_last_of(std::string("/") + PathSeparator);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

void closeMainWindow(Session& s, Dialogs& dialogs)
{
    offerToSave(s, dialogs);
    discardEditor(s);
}

bool ResetProgram(Session& s, Dialogs& dialogs)
{
    if (!dialogs.askYesNo(ResetQuestion))
        return true;
    closeMainWindow(s, dialogs);
    return startUp(s, dialogs);
}

void ExitProgram(Session& s, Dialogs& dialogs)
{
    offerToSave(s, dialogs);
    discardEditor(s);
    s.view.quitRequested = true;
}

void exportFromMenu(Session& s, Dialogs& dialogs, System& system)
{
    ExportEds(s, dialogs, system);
    s.view.enable("m_creMapList", false);
}

bool openFileOnStart(Session& s, Dialogs& dialogs, const std::string& path)
{
    if (hasExtension(path, ".edp"))
        return LoadConfigurationFrom(s, dialogs, path).status == LoadStatus::Loaded;
    if (!hasExtension(path, ".eds")) {
        dialogs.notice(UnknownFileKindMessage + path);
        return false;
    }
    // The menu's command ends quietly on a file it cannot read, since the person has just seen
    // it in the dialog; a name typed on the command line may simply be wrong.
    if (!isReadableFile(path)) {
        dialogs.notice(StartEdsUnreadableMessage + path);
        return false;
    }
    if (s.Protocol == FieldbusProtocol::None)
        ChooseProtocol(s, FieldbusProtocol::CanOpen);
    return LoadEdsForEditing(s, dialogs, path);
}

void ActivateCatalogueEntry(Session& s, Dialogs& dialogs, int row)
{
    SelectCatalogueEntry(s, dialogs, row);
    if (s.view.isEnabled("Command7"))
        AddModule(s, dialogs);
}

std::string mainWindowTitle(const Session& s)
{
    std::string title = ProgramName;
    if (!s.ConfigurationOpen)
        return title;
    title += " - ";
    title += s.projectFile.empty() ? std::string("Untitled") : fileNameOf(s.projectFile);
    if (s.ConfigurationModified)
        title += '*';
    return title;
}

} // namespace quillon
