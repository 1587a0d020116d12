#include "core/cluster.h"

#include <algorithm>

#include "core/dialogs.h"
#include "core/file_access.h"
#include "core/file_path.h"
#include "core/io_map_view.h"
#include "core/session.h"

namespace quillon {

namespace {

const char* const AddHint = "-Add another one or press 'Save Actual Configuration' and 'Create EDS "
                            "and Save'\r\n"
                            "-to select a module in HB612-cluster, click on it";
const char* const NewConfigurationHint =
    "New Configuration:\r\n"
    "-Select a K310 module and add it to HB612 - cluster. Continue.\r\n"
    "-When finished, 'Save Actual configuration'\r\n"
    "-'Create EDS and Save'. EDS - File will be created!";
const char* const CatalogueHint =
    "With the configuration control 'Add to HB612-Cluster' you can add "
    "the selected module to your configuration";
const char* const GridHintText =
    "This table shows the mapping of In- and Output bytes. It is helpful, when giving bytes "
    "symbolic names in SYCON.net \r\n"
    "- Note: Analogue values consist of 2 bytes (Order: low byte/low address)  \r\n";
const char* const ConfigurationControlsHint =
    "With configuration controls you can add, insert and clear modules. To select a module in "
    "HB612-cluster, click on it. When you are ready, you can save actual configuration and create "
    "an EDS-File!\r\n";

void addBytes(ByteCounts& used, const ModuleInfo& m, int sign)
{
    const ByteCounts b = m.bytes();
    for (int k = 0; k < ByteKindCount; ++k)
        used[static_cast<std::size_t>(k)] += sign * b[static_cast<std::size_t>(k)];
}

// Puts a catalogue module at a position and counts its bytes. The position shows the module's
// own picture, the one the preview showed when it was clicked: after a new configuration or a
// load the preview is empty while the module last clicked can still be inserted.
void placeModule(Session& s, int position, const ModuleInfo& module)
{
    const auto pos = static_cast<std::size_t>(position);
    addBytes(s.UsedBytes, module, +1);
    s.view.slotPicture[pos] = pathInFolder(s.gstrResourcePath, module.PictureFile);
    s.ClusterSlots[pos] = module;
}

bool validModulePosition(int position)
{
    return position >= 1 && position <= 7;
}

// Runs RefreshIoMap but keeps the hint box as the operation had it.
void refreshKeepingHint(Session& s)
{
    const std::string kept = s.view.text("Text1");
    RefreshIoMap(s);
    s.view.setText("Text1", kept);
}

// Nothing is selected any more: the border goes, a pending refill is given up, and the two
// commands that act on the selection are switched off.
void dropSelection(Session& s)
{
    if (validModulePosition(s.SelectedSlot))
        s.view.slotBorder[static_cast<std::size_t>(s.SelectedSlot)] = false;
    s.SelectedSlot = 0;
    s.SelectedSlotEmpty = false;
    s.view.enable("Command8", false);
    s.view.enable("Command11", false);
}

// The index after the last occupied module position (1 when only the head stands): where the
// next append goes.
int endOfModules(const Session& s)
{
    for (int i = 7; i >= 1; --i) {
        if (!s.ClusterSlots[static_cast<std::size_t>(i)].isFree())
            return i + 1;
    }
    return 1;
}

void discardEditor(Session& s)
{
    s.EditorLoaded = false;
    s.view.editorExists = false;
    s.view.editorVisible = false;
}

} // namespace

const char* exceededLimitMessage(const ByteCounts& used, const ModuleInfo& module,
                                 const IoLimits& limits)
{
    static const char* const messages[ByteKindCount] = {
        DigitalInputsExceededMessage, DigitalOutputsExceededMessage, AnalogInputsExceededMessage,
        AnalogOutputsExceededMessage};
    const ByteCounts add = module.bytes();
    for (std::size_t k = 0; k < ByteKindCount; ++k) {
        if (used[k] + add[k] > limits[k])
            return messages[k];
    }
    return nullptr;
}

void showUsedBytes(Session& s)
{
    s.view.setText("Text15", std::to_string(s.UsedBytes[DigitalIn]));
    s.view.setText("Text20", std::to_string(s.UsedBytes[DigitalOut]));
    s.view.setText("Text21", std::to_string(s.UsedBytes[AnalogIn]));
    s.view.setText("Text22", std::to_string(s.UsedBytes[AnalogOut]));
}

void showActiveLimits(Session& s)
{
    s.view.setText("Text13", std::to_string(s.ActiveLimits[DigitalIn]));
    s.view.setText("Text16", std::to_string(s.ActiveLimits[DigitalOut]));
    s.view.setText("Text17", std::to_string(s.ActiveLimits[AnalogIn]));
    s.view.setText("Text19", std::to_string(s.ActiveLimits[AnalogOut]));
}

void ChooseProtocol(Session& s, FieldbusProtocol protocol)
{
    ViewModel& v = s.view;
    if (protocol == FieldbusProtocol::DeviceNet) {
        v.option1BackColour = ChosenOptionColour;
        v.option2BackColour = WindowBackColour;
        v.enable("Option2", false);
        s.ActiveLimits = s.DeviceNetLimits;
        v.show("Command15", false);
        v.show("Command16", false);
        v.enable("Command1", true);
        v.enable("Command3", true);
        for (const char* name : {"Command4", "Command9", "Command2", "Command5"})
            v.enable(name, false);
        showActiveLimits(s);
        s.Protocol = FieldbusProtocol::DeviceNet;
        v.edsdiag.fileName = "DN_";
        v.newpro.fileName = "DN_";
    } else if (protocol == FieldbusProtocol::CanOpen) {
        v.enable("Option1", false);
        s.ActiveLimits = s.CanOpenLimits;
        showActiveLimits(s);
        v.show("Command15", true);
        v.show("Command16", true);
        v.enable("Command1", true);
        for (const char* name : {"Command4", "Command9", "Command2", "Command5"})
            v.enable(name, false);
        v.enable("Command3", true);
        v.option1BackColour = WindowBackColour;
        v.option2BackColour = ChosenOptionColour;
        s.Protocol = FieldbusProtocol::CanOpen;
        v.edsdiag.fileName = "CO_";
        v.newpro.fileName = "CO_";
    } else {
        return;
    }
    RefreshIoMap(s);
}

void NewConfiguration(Session& s, Dialogs& dialogs)
{
    ViewModel& v = s.view;
    const std::string headPicture = s.gstrResourcePath + "HB612.wmf";
    if (!isReadableFile(headPicture)) {
        dialogs.notice("The picture of the HB612 head cannot be loaded. The configuration is "
                       "unchanged.",
                       headPicture);
        return;
    }

    s.ConfigurationModified = true;
    s.gbLoadedEDS = false;
    s.gstrActEDS.clear();
    s.projectFile.clear();
    for (int i = 0; i < ShownPositions; ++i) {
        v.slotPicture[static_cast<std::size_t>(i)].clear();
        s.ClusterSlots[static_cast<std::size_t>(i)].PictureFile.clear();
    }
    v.previewPicture.clear();
    v.slotPicture[0] = headPicture;
    s.ClusterSlots[0] = headRecord();
    s.UsedBytes = {2, 1, 0, 0};
    showUsedBytes(s);
    s.UsedCount = 1;
    // The selection stays, but the position a refill was waiting for is gone with the cluster.
    s.SelectedSlotEmpty = false;
    s.ConfigurationOpen = true;
    v.setText("Text9", "*** New Project ***");
    s.ProjectName = v.text("Text9");
    v.enable("Command9", true);
    v.enable("Command4", true);
    for (const char* name : {"Command5", "Command6", "Command2", "Command7"})
        v.enable(name, false);
    v.enable("m_SaPro", true);
    v.enable("m_crsavEDS", true);
    RefreshIoMap(s);
    v.setText("Text1", NewConfigurationHint);
    discardEditor(s);
}

void SelectCatalogueEntry(Session& s, Dialogs& dialogs, int index)
{
    if (!s.ConfigurationOpen)
        return;
    const auto& names = s.view.catalogueNames;
    if (index < 0 || index >= s.catalogueRecordCount || index >= CatalogueCapacity) {
        const std::string name = index >= 0 && static_cast<std::size_t>(index) < names.size()
                                     ? names[static_cast<std::size_t>(index)]
                                     : std::to_string(index);
        dialogs.notice("The module \"" + name +
                       "\" has no module record in the settings file. It cannot be added.");
        return;
    }
    const ModuleInfo& module = s.ModuleCatalogue[static_cast<std::size_t>(index)];
    const std::string picture = pathInFolder(s.gstrResourcePath, module.PictureFile);
    if (module.PictureFile.empty() || !isReadableFile(picture)) {
        dialogs.notice("The picture of this module cannot be loaded. The configuration is "
                       "unchanged.",
                       picture);
        return;
    }
    s.view.previewPicture = picture;
    s.view.enable("Command7", true);
    s.CatalogueIndex = index;
    s.CatalogueChosen = true;
    if (s.SelectedSlot != 0)
        s.view.enable("Command11", true);
    s.view.setText("Text1", CatalogueHint);
}

void SelectSlot(Session& s, int position)
{
    if (!s.ConfigurationOpen || !validModulePosition(position))
        return;
    ViewModel& v = s.view;
    if (position == s.SelectedSlot) {
        dropSelection(s);
        return;
    }
    if (validModulePosition(s.SelectedSlot))
        v.slotBorder[static_cast<std::size_t>(s.SelectedSlot)] = false;
    v.slotBorder[static_cast<std::size_t>(position)] = true;
    s.SelectedSlot = position;
    // A refill goes only to the position Clear selected emptied, and only while it stays
    // selected; anything else would place a module behind free positions.
    s.SelectedSlotEmpty = false;
    v.enable("Command8", true);
    if (s.CatalogueChosen)
        v.enable("Command11", true);
}

void AddModule(Session& s, Dialogs& dialogs)
{
    ViewModel& v = s.view;
    const ModuleInfo& module = s.ModuleCatalogue[static_cast<std::size_t>(
        std::clamp(s.CatalogueIndex, 0, CatalogueCapacity - 1))];

    // A refill goes only into the gap Clear selected left, which lies before the last module.
    const bool refill = validModulePosition(s.SelectedSlot) && s.SelectedSlotEmpty &&
                        s.SelectedSlot < s.UsedCount &&
                        s.ClusterSlots[static_cast<std::size_t>(s.SelectedSlot)].isFree();
    if (refill) {
        if (const char* message = exceededLimitMessage(s.UsedBytes, module, s.ActiveLimits)) {
            dialogs.notice(message);
        } else {
            placeModule(s, s.SelectedSlot, module);
            dropSelection(s);
        }
    } else if (s.UsedCount >= 8) {
        dialogs.notice(NoMoreFreeSlotsMessage);
    } else if (const char* message = exceededLimitMessage(s.UsedBytes, module, s.ActiveLimits)) {
        dialogs.notice(message);
    } else {
        placeModule(s, s.UsedCount, module);
        ++s.UsedCount;
        v.enable("Command6", true);
    }
    showUsedBytes(s);
    RefreshIoMap(s);
    v.setText("Text1", AddHint);
}

void InsertBeforeSelected(Session& s, Dialogs& dialogs)
{
    ViewModel& v = s.view;
    const int selected = s.SelectedSlot;
    if (!validModulePosition(selected)) {
        dropSelection(s);
        return;
    }
    const ModuleInfo& module = s.ModuleCatalogue[static_cast<std::size_t>(
        std::clamp(s.CatalogueIndex, 0, CatalogueCapacity - 1))];

    if (s.UsedCount >= 8) {
        dialogs.notice(NoMoreFreeSlotsMessage);
    } else if (const char* message = exceededLimitMessage(s.UsedBytes, module, s.ActiveLimits)) {
        dialogs.notice(message);
    } else {
        // Before a free position behind the last module there is nothing to move: the module
        // goes where an append would put it, so no free position is left in front of it.
        const int at = std::min(selected, s.UsedCount);
        for (int j = s.UsedCount - 1; j >= at; --j) {
            const auto from = static_cast<std::size_t>(j);
            s.ClusterSlots[from + 1] = s.ClusterSlots[from];
            v.slotPicture[from + 1] = v.slotPicture[from];
        }
        placeModule(s, at, module);
        showUsedBytes(s);
        ++s.UsedCount;
        v.enable("Command6", true);
        v.enable("Command5", false);
        refreshKeepingHint(s);
    }
    dropSelection(s);
}

void ClearSelected(Session& s)
{
    ViewModel& v = s.view;
    const int selected = s.SelectedSlot;
    if (!validModulePosition(selected)) {
        dropSelection(s);
        return;
    }
    const auto pos = static_cast<std::size_t>(selected);
    v.enable("Command10", true);
    v.enable("Command11", false);
    v.enable("Command5", false);
    v.enable("m_shEDS", false);
    v.slotPicture[pos].clear();
    v.slotBorder[pos] = false;
    s.SelectedSlotEmpty = true;
    // A free position holds no module, so there are no bytes to give back.
    const bool wasOccupied = !s.ClusterSlots[pos].isFree();
    s.ClusterSlots[pos].PictureFile.clear();
    v.enable("Command8", false);
    if (wasOccupied)
        addBytes(s.UsedBytes, s.ClusterSlots[pos], -1);
    showUsedBytes(s);

    // A module behind the emptied position makes it a gap: it stays selected and the next Add
    // refills it, and until then the cluster keeps its length and the grid what it showed.
    if (endOfModules(s) > selected)
        return;
    // Otherwise the cluster now ends at its last module, even when an earlier gap lies before
    // it, so no free position is ever left at its end.
    s.UsedCount = endOfModules(s);
    dropSelection(s);
    refreshKeepingHint(s);
}

void ClearAll(Session& s)
{
    ViewModel& v = s.view;
    for (int i = 1; i <= 7; ++i) {
        v.slotPicture[static_cast<std::size_t>(i)].clear();
        s.ClusterSlots[static_cast<std::size_t>(i)].PictureFile.clear();
    }
    s.UsedCount = 1;
    for (const char* name : {"Command6", "Command5", "Command10", "m_shEDS"})
        v.enable(name, false);
    s.UsedBytes = {2, 1, 0, 0};
    RefreshIoMap(s);
    v.setText("Text1", ConfigurationControlsHint);
    dropSelection(s);
    showUsedBytes(s);
}

void RemoveGaps(Session& s)
{
    ViewModel& v = s.view;
    auto occupied = [&s](int i) { return !s.ClusterSlots[static_cast<std::size_t>(i)].isFree(); };
    int moves = 0;
    do {
        s.UsedCount = 0;
        moves = 0;
        for (int i = 7; i >= 1; --i) {
            if (occupied(i) && s.UsedCount == 0)
                s.UsedCount = i + 1;
            if (!occupied(i - 1) && occupied(i)) {
                const auto to = static_cast<std::size_t>(i - 1);
                const auto from = static_cast<std::size_t>(i);
                s.ClusterSlots[to] = s.ClusterSlots[from];
                s.ClusterSlots[from].PictureFile.clear();
                v.slotPicture[from].clear();
                v.slotPicture[to] =
                    pathInFolder(s.gstrResourcePath, s.ClusterSlots[to].PictureFile);
                ++moves;
            }
        }
    } while (moves != 0);
    if (s.UsedCount == 0)
        s.UsedCount = 1;
    RefreshIoMap(s);
    v.enable("Command10", false);
    v.enable("Command6", true);
    dropSelection(s);
}

void GridHint(Session& s)
{
    s.view.setText("Text1", "");
    s.view.setText("Text1", GridHintText);
}

} // namespace quillon
