#include "core/startup.h"

#include "core/cluster.h"
#include "core/dialogs.h"
#include "core/file_access.h"
#include "core/io_map_view.h"
#include "core/session.h"
#include "core/settings.h"

namespace quillon {

namespace {

const char* const WelcomeText = "Welcome to Quillon !\r\n"
                                "-Select a fieldbus protocol (DeviceNet or CANopen).\r\n"
                                "-Open a new configuration or load an existing one.\r\n"
                                "-Use the project control buttons on the right side.";

// The enabled and visible state every control has after start-up.
void setStartControlStates(ViewModel& view)
{
    for (const char* name : {"Option1", "Option2", "List1", "Command12", "Command14", "Command17",
                             "m_nproj", "m_LoPro", "m_exit", "m_About"})
        view.enable(name, true);
    for (int i = 0; i < ShownPositions; ++i)
        view.enable("Image2_" + std::to_string(i), true);
    for (const char* name : {"Command1", "Command2", "Command3", "Command4", "Command5", "Command6",
                             "Command7", "Command8", "Command9", "Command10", "Command11",
                             "m_SaPro", "m_crsavEDS", "m_shEDS", "m_creMapList"})
        view.enable(name, false);
    view.enable("Command13", false);
    view.show("Command13", false);
    // The parameter buttons are usable as soon as CANopen shows them.
    for (const char* name : {"Command15", "Command16"}) {
        view.enable(name, true);
        view.show(name, false);
    }
}

void layOutGrid(IoGrid& grid)
{
    grid[0] = {"Slot  ",
               "Module ",
               std::string(23, '-') + " ",
               std::string(24, '-') + " ",
               std::string(29, ' '),
               std::string(30, ' ')};
    for (int row = 1; row <= 8; ++row)
        grid[static_cast<std::size_t>(row)] = {std::to_string(row), "", "", "", "", ""};
    grid[9] = {"Diag", "Bytes", "", "", "", ""};
}

} // namespace

bool startUp(Session& s, Dialogs& dialogs)
{
    ViewModel& view = s.view;

    // 1. Colours, and every control back to its start state.
    view.option1BackColour = WindowBackColour;
    view.option2BackColour = WindowBackColour;
    setStartControlStates(view);
    view.edsdiag = {"Create EDS and Save", "", "EDS-File (*.eds)|*.eds"};
    view.newpro = {"Open A New Project", "", "EDS-Project-File (*.edp)|*.edp"};
    view.progressValue = 0;
    view.progressVisible = false;
    view.setText("Label2", "Date:");
    view.setText("Label1", "Time:");
    view.setText("Text3", std::string("Quillon Automation\r\n") + ProgramName + "\r\nVersion " +
                              ProgramVersion);

    // 2. and 3.
    view.setText("Text9", "none");
    s.ConfigurationOpen = false;
    s.SelectedSlot = 0;
    s.SelectedSlotEmpty = false;
    s.UsedCount = 1;
    s.Protocol = FieldbusProtocol::None;
    s.gstrActEDS.clear();
    s.EditorLoaded = false;
    s.projectFile.clear();

    // 4. and 5. The settings file.
    view.catalogueNames.clear();
    const SettingsResult read = readSettingsFile(
        s.iniPath, s.defaultFolders ? *s.defaultFolders : portableFolders(s.programDir));
    if (!read.ok) {
        dialogs.notice(StartupFailedMessage, read.error.detail);
        return false;
    }
    const Settings& settings = read.settings;
    s.gstrProjectPath = settings.projectPath;
    s.gstrResourcePath = settings.resourcePath;
    s.gstrEDSFilePath = settings.edsFilePath;
    s.DeviceNetLimits = settings.deviceNetLimits;
    s.CanOpenLimits = settings.canOpenLimits;
    view.catalogueNames = settings.moduleNames;
    s.ModuleCatalogue = settings.catalogue;
    s.catalogueRecordCount = settings.catalogueRecordCount;

    // 6. The preview is emptied and the head's picture must be there.
    view.previewPicture.clear();
    const std::string headPicture = s.gstrResourcePath + "HB612.wmf";
    if (!isReadableFile(headPicture)) {
        dialogs.notice(StartupFailedMessage, headPicture + ": head picture not found");
        return false;
    }
    view.slotPicture.fill(std::string());
    view.slotBorder.fill(false);
    view.slotPicture[0] = headPicture;

    // 7. The head at position 0.
    s.ClusterSlots[0] = headRecord();
    s.UsedBytes = {2, 1, 0, 0};

    // 8. and 9.
    layOutGrid(view.grid);
    view.setText("Text12", "Max");
    view.setText("Text14", "Used");
    showActiveLimits(s);
    showUsedBytes(s);

    // 10. and 11.
    RefreshIoMap(s);
    view.setText("Text1", WelcomeText);
    view.mapListOpen = false;
    view.editorExists = false;
    view.editorVisible = false;
    view.quitRequested = false;
    return true;
}

void clockTick(Session& s)
{
    const DateTime now = s.clock();
    s.view.setText("Label2", "Date: " + formatYyyyMmDd(now));
    s.view.setText("Label1", "Time: " + formatHhMmSs(now));
}

} // namespace quillon
