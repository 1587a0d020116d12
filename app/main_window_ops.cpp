#include "app/main_window_ops.h"

#include "core/dialogs.h"
#include "core/session.h"
#include "core/startup.h"
#include "iomap/eds_export.h"
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

} // namespace quillon
