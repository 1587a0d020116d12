#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/program_location.h"
#include "core/types.h"
#include "core/view_model.h"

namespace quillon {

// The whole state of one run of the main window: the settings it read, the cluster, the
// selection, the flags, the fields it hands to the parameter editor, and what it shows.
// Fields keep the names the main window has always used.
struct Session
{
    // Where the program lives and which settings file it reads; set once by whoever starts it.
    std::string programDir; // without a trailing separator
    std::string iniPath;
    // What the settings file's empty path lines stand for; unset: the folders beside programDir.
    std::optional<DefaultFolders> defaultFolders;
    // The project file last loaded or saved in full; "" for none (the window's title names it).
    std::string projectFile;

    // Handed to the parameter editor and the export.
    std::string gstrResourcePath;
    std::string gstrEDSFilePath;
    std::string gstrProjectPath;
    bool gbLoadedEDS = false;
    int gintAnzMod = 0;
    bool gbAskForDef = false;
    std::array<std::string, 8> gstrModule;
    std::array<int, 8> gstrModPar{};
    std::string gstrActEDS;

    // The catalogue: records paired by index with viewModel.catalogueNames (List1).
    std::array<ModuleInfo, CatalogueCapacity> ModuleCatalogue;
    int catalogueRecordCount = 0; // records read from the settings file

    IoLimits DeviceNetLimits{};
    IoLimits CanOpenLimits{};
    IoLimits ActiveLimits{};
    FieldbusProtocol Protocol = FieldbusProtocol::None;

    ClusterTable ClusterSlots;
    ByteCounts UsedBytes{2, 1, 0, 0};
    int UsedCount = 1;
    int SelectedSlot = 0;
    bool SelectedSlotEmpty = false;
    int CatalogueIndex = 0;
    bool CatalogueChosen = false;
    bool ConfigurationOpen = false;
    bool ConfigurationModified = false;
    bool EditorLoaded = false;
    std::string ProjectName;
    std::string SyconEdsPath;
    std::array<std::string, ClusterSize> SlotText;
    std::array<std::string, ClusterSize> ModelName;

    ViewModel view;

    // Where operations take the date and time from; tests fix it.
    std::function<DateTime()> clock = currentDateTime;
};

// The directory separator of this platform, used for the default directories.
#ifdef _WIN32
constexpr char PathSeparator = '\\';
#else
constexpr char PathSeparator = '/';
#endif

} // namespace quillon
