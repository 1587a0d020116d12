#include "params/editor_commands.h"

#include <filesystem>
#include <system_error>

#include "core/dialogs.h"
#include "core/file_access.h"
#include "core/file_path.h"
#include "core/item_reader.h"
#include "core/session.h"
#include "params/eds_parameters.h"
#include "params/parameter_editor.h"

namespace quillon {

namespace {

void handOverSlots(Session& session)
{
    for (std::size_t i = 0; i < session.gstrModule.size(); ++i) {
        session.gstrModule[i] = session.ClusterSlots[i].ResourceFile;
        session.gstrModPar[i] = session.ClusterSlots[i].ParameterCount;
    }
}

void showEditor(Session& session)
{
    session.view.editorExists = true;
    session.view.editorVisible = true;
    session.EditorLoaded = true;
}

} // namespace

bool Command15_Click(Session& session, Dialogs& dialogs)
{
    if (session.gstrActEDS.empty()) {
        dialogs.notice(NoEdsMessage);
        return false;
    }
    handOverSlots(session);
    session.gintAnzMod = session.UsedCount;
    showEditor(session);
    return true;
}

bool Command16_Click(Session& session, Dialogs& dialogs)
{
    FileRequest request;
    request.title = LoadEdsDialogTitle;
    request.directory = session.gstrEDSFilePath;
    request.fileName = session.view.edsdiag.fileName;
    request.filter = session.view.edsdiag.filter.empty() ? std::string(EdsFileFilter)
                                                         : session.view.edsdiag.filter;
    const auto chosen = dialogs.openFile(request);
    if (!chosen || chosen->empty())
        return false;
    return LoadEdsForEditing(session, dialogs, *chosen);
}

bool LoadEdsForEditing(Session& session, Dialogs& dialogs, const std::string& path)
{
    session.view.edsdiag.fileName = path;
    session.gstrActEDS = path;
    session.view.setText("Text9", path);

    session.view.enable("Command2", true);
    // A file that is not there ends the command quietly, as a cancelled dialog does; one that is
    // there but cannot be taken (a folder, a device, far too large) says why.
    std::string whyNot;
    const auto bytes = readTextFile(path, EdsFileMaxBytes, &whyNot);
    if (!bytes) {
        std::error_code ec;
        if (std::filesystem::exists(toFsPath(path), ec))
            dialogs.notice(EdsUnreadableMessage, path + ": " + whyNot);
        return false;
    }
    const EdsModuleScan scan = scanModuleSlots(splitLines(*bytes));
    switch (scan.status) {
    case EdsModuleScan::Status::NotCanOpen:
        dialogs.notice(NotCanOpenEdsMessage);
        session.view.enable("Command2", false);
        return false;
    case EdsModuleScan::Status::NoParameterObjects:
        dialogs.notice("The EDS-File holds no module parameters!",
                       "It has no parameter object [2600]: " + path);
        return false;
    case EdsModuleScan::Status::Found:
        break;
    }

    // Every slot the file names must be in the catalogue before any slot is taken over.
    ClusterTable slots = session.ClusterSlots;
    int count = 1;
    for (int n = 1; n < EditorSlotCount; ++n) {
        const auto& model = scan.modelNames[static_cast<std::size_t>(n)];
        if (!model)
            continue;
        if (n != count) {
            dialogs.notice("This EDS-File has no parameters for slot " + std::to_string(count + 1) +
                               ", but for slot " + std::to_string(n + 1) + "!",
                           path);
            return false;
        }
        const ModuleInfo* match = nullptr;
        for (const ModuleInfo& entry : session.ModuleCatalogue) {
            if (!model->empty() && entry.ResourceFile.find(*model) != std::string::npos) {
                match = &entry;
                break;
            }
        }
        if (!match) {
            dialogs.notice("The module \"" + *model + "\" of slot " + std::to_string(n + 1) +
                               " in this EDS-File is not in the module catalogue!",
                           path);
            return false;
        }
        slots[static_cast<std::size_t>(n)].ResourceFile = match->ResourceFile;
        slots[static_cast<std::size_t>(n)].ParameterCount = match->ParameterCount;
        ++count;
    }
    session.ClusterSlots = slots;
    session.gintAnzMod = count;
    handOverSlots(session);
    session.gbLoadedEDS = true;
    session.view.enable("Command5", true);
    if (!session.EditorLoaded)
        session.gbAskForDef = true;
    showEditor(session);
    return true;
}

} // namespace quillon
