#include "project/project_file.h"

#include <cstdint>
#include <optional>
#include <utility>

#include "core/cluster.h"
#include "core/dialogs.h"
#include "core/file_access.h"
#include "core/file_name.h"
#include "core/file_path.h"
#include "core/io_map_view.h"
#include "core/item_reader.h"
#include "core/session.h"

namespace quillon {

namespace {

constexpr const char* ProjectFileFilter = "EDS-Project-File (*.edp)|*.edp";
constexpr const char* LineEnd = "\r\n";

// Numbers in a project file carry a blank (or the minus sign) in front and one blank after.
std::string projectNumber(int value)
{
    return (value < 0 ? "-" + std::to_string(-static_cast<long long>(value))
                      : " " + std::to_string(value)) +
           " ";
}

FileRequest projectFileRequest(Session& s, const char* title)
{
    s.view.newpro.title = title;
    s.view.newpro.filter = ProjectFileFilter;
    return FileRequest{title, s.gstrProjectPath, s.view.newpro.fileName, ProjectFileFilter};
}

// The file name the dialog returned becomes the project box text and the dialog's next proposal.
void takeChosenFile(Session& s, const std::string& path)
{
    s.view.setText("Text9", path);
    s.view.newpro.fileName = path;
}

// Reads one record, or says which item failed.
bool readRecord(ItemReader& reader, ModuleInfo& record, std::array<int, 2>& nameLines,
                ProjectParse& result)
{
    int line = reader.lineNumber();
    const auto fail = [&]() {
        result.failedLine = line;
        result.error = reader.lastError();
        return false;
    };
    const auto text = [&](std::string& field) {
        line = reader.lineNumber();
        auto item = reader.readText();
        if (!item)
            return fail();
        field = std::move(*item);
        return true;
    };
    const auto number = [&](int& field) {
        line = reader.lineNumber();
        const auto item = reader.readInt16();
        if (!item)
            return fail();
        field = *item;
        return true;
    };
    const auto name = [&](std::string& field, int& nameLine) {
        if (!text(field))
            return false;
        nameLine = reader.lastReadLine();
        return true;
    };
    return name(record.PictureFile, nameLines[0]) && number(record.DigitalInBytes) &&
           number(record.DigitalOutBytes) && number(record.AnalogInBytes) &&
           number(record.AnalogOutBytes) && name(record.ResourceFile, nameLines[1]) &&
           number(record.ParameterCount);
}

// The grid as a load leaves it before the refresh: header texts for the protocol in columns 0..3
// and empty module columns; columns 4 and 5 and the diagnosis row are the refresh's matter.
void resetGridForLoad(Session& s)
{
    IoGrid& grid = s.view.grid;
    grid[0][0] = "Slot";
    grid[0][1] = "Module";
    switch (s.Protocol) {
    case FieldbusProtocol::DeviceNet:
        grid[0][2] = "InByteNo";
        grid[0][3] = "OutByteNo";
        break;
    case FieldbusProtocol::CanOpen:
        grid[0][2] = "TPDO/Byte";
        grid[0][3] = "RPDO/Byte";
        break;
    case FieldbusProtocol::None:
        grid[0][2] = std::string(9, ' ');
        grid[0][3] = std::string(9, ' ');
        break;
    }
    for (std::size_t row = 1; row <= 8; ++row) {
        grid[row][0] = std::to_string(row);
        grid[row][1].clear();
        grid[row][2].clear();
        grid[row][3].clear();
    }
}

// Every failed load ends here. Before any project or EDS was chosen there is nothing to save.
LoadOutcome failedLoad(Session& s, LoadStatus status, std::string path, std::string detail)
{
    if (s.view.text("Text9") == "none")
        s.ConfigurationModified = false;
    return LoadOutcome{status, std::move(path), std::move(detail)};
}

} // namespace

std::string writeProjectText(const ClusterTable& slots)
{
    std::string text;
    for (int i = 0; i < ProjectRecordCount; ++i) {
        const ModuleInfo& m = slots[static_cast<std::size_t>(i)];
        for (const std::string& line :
             {m.PictureFile, projectNumber(m.DigitalInBytes), projectNumber(m.DigitalOutBytes),
              projectNumber(m.AnalogInBytes), projectNumber(m.AnalogOutBytes), m.ResourceFile,
              projectNumber(m.ParameterCount)}) {
            text += line;
            text += LineEnd;
        }
    }
    return text;
}

ProjectParse parseProjectText(std::string_view text)
{
    ProjectParse result;
    if (text.empty()) {
        result.empty = true;
        return result;
    }
    ItemReader reader(text);
    for (int i = 0; i < ProjectRecordCount; ++i) {
        ModuleInfo record;
        std::array<int, 2> nameLines{};
        if (!readRecord(reader, record, nameLines, result))
            return result;
        result.records.push_back(std::move(record));
        result.nameLines.push_back(nameLines);
    }
    result.complete = true;
    return result;
}

std::optional<std::string> refusedFileName(const ProjectParse& parsed)
{
    for (std::size_t i = 0; i < parsed.records.size() && i < parsed.nameLines.size(); ++i) {
        const ModuleInfo& record = parsed.records[i];
        const std::pair<const char*, const std::string*> names[] = {
            {"picture file", &record.PictureFile}, {"resource file", &record.ResourceFile}};
        for (std::size_t n = 0; n < 2; ++n) {
            const std::string& name = *names[n].second;
            // A free position may keep no names at all.
            if (name.empty() && record.isFree())
                continue;
            if (const auto why = whyNotPlainFileName(name)) {
                return "line " + std::to_string(parsed.nameLines[i][n]) + ": the " +
                       names[n].first + " name " + quotedName(name) +
                       " is no plain file name in the resource folder: it " + *why;
            }
        }
    }
    return std::nullopt;
}

void SaveConfiguration(Session& s, Dialogs& dialogs)
{
    s.ConfigurationModified = false;
    s.ConfigurationOpen = true;

    const auto chosen = dialogs.saveFile(projectFileRequest(s, SaveConfigurationTitle));
    if (!chosen) {
        s.ConfigurationModified = true;
        return;
    }
    takeChosenFile(s, *chosen);

    s.view.enable("Command9", true);
    s.view.enable("Command4", true);

    // Written beside the target and renamed over it, so the old project survives a failed save.
    const std::string path = s.view.text("Text9");
    std::string whyNot;
    if (!writeFileAtomically(path, writeProjectText(s.ClusterSlots), &whyNot)) {
        s.ConfigurationModified = true;
        dialogs.notice(ProjectFileNotSavedMessage + path, path + ": " + whyNot);
        return;
    }
    s.projectFile = path;
}

namespace {

// The window tells the person why nothing (or only part) was loaded; a cancelled dialog and the
// empty file, which has its own message, stay as they are.
void reportLoad(Dialogs& dialogs, const LoadOutcome& outcome)
{
    if (outcome.status == LoadStatus::Unreadable || outcome.status == LoadStatus::Broken)
        dialogs.notice(ProjectFileBrokenMessage + outcome.path, outcome.detail);
}

} // namespace

void LoadConfiguration(Session& session, Dialogs& dialogs)
{
    reportLoad(dialogs, loadConfiguration(session, dialogs));
}

LoadOutcome LoadConfigurationFrom(Session& session, Dialogs& dialogs, const std::string& path)
{
    LoadOutcome outcome = loadConfigurationFile(session, dialogs, path);
    reportLoad(dialogs, outcome);
    return outcome;
}

LoadOutcome loadConfiguration(Session& s, Dialogs& dialogs)
{
    const auto chosen = dialogs.openFile(projectFileRequest(s, LoadConfigurationTitle));
    if (!chosen)
        return failedLoad(s, LoadStatus::Cancelled, {}, {});
    return loadConfigurationFile(s, dialogs, *chosen);
}

LoadOutcome loadConfigurationFile(Session& s, Dialogs& dialogs, const std::string& path)
{
    takeChosenFile(s, path);
    s.ProjectName = path;

    // Read it whole, with a bound: a real project file is a few hundred bytes.
    std::string whyNot;
    const auto bytes = readTextFile(path, ProjectFileMaxBytes, &whyNot);
    if (!bytes)
        return failedLoad(s, LoadStatus::Unreadable, path, path + ": " + whyNot);
    return loadConfigurationText(s, dialogs, path, *bytes);
}

LoadOutcome loadConfigurationText(Session& s, Dialogs& dialogs, const std::string& path,
                                  std::string_view bytes)
{
    takeChosenFile(s, path);
    s.ProjectName = path;
    const ProjectParse parsed = parseProjectText(bytes);
    if (parsed.empty) {
        dialogs.notice(ProjectFileEmptyMessage);
        return LoadOutcome{LoadStatus::Empty, path, {}};
    }
    // The whole file is checked before anything changes: a name that leads out of the resource
    // folder makes it no project of ours.
    if (const auto refusal = refusedFileName(parsed))
        return failedLoad(s, LoadStatus::Broken, path, path + ", " + *refusal);

    // From here on the old configuration is given up, even if a record turns out broken.
    s.projectFile.clear();
    s.gbLoadedEDS = false;
    s.gstrActEDS.clear();
    s.view.enable("Command13", true);
    s.ConfigurationModified = true;
    s.ConfigurationOpen = true;
    resetGridForLoad(s);
    for (const char* name : {"Command5", "Command2", "Command10", "Command7"})
        s.view.enable(name, false);
    s.view.enable("Command9", true);
    s.view.enable("Command4", true);
    s.view.previewPicture.clear();
    s.UsedBytes = {0, 0, 0, 0};
    s.UsedCount = 1;
    // The selection stays, but a refill it waited for belonged to the cluster now replaced.
    s.SelectedSlotEmpty = false;

    // A broken record ends the load with the records before it; the positions from it on are
    // left free, so the cluster, its pictures and its byte totals hold the same modules.
    const auto abandonFrom = [&s](std::size_t first) {
        for (auto j = first; j < static_cast<std::size_t>(ProjectRecordCount); ++j) {
            s.ClusterSlots[j].PictureFile.clear();
            s.view.slotPicture[j].clear();
        }
    };

    // The records, in position order; a failure keeps what was taken over before it.
    for (int i = 0; i < ProjectRecordCount; ++i) {
        const auto index = static_cast<std::size_t>(i);
        s.view.slotPicture[index].clear();
        if (index >= parsed.records.size()) {
            abandonFrom(index);
            return failedLoad(s, LoadStatus::Broken, path,
                              path + ", line " + std::to_string(parsed.failedLine) + ": " +
                                  parsed.error);
        }
        const ModuleInfo& record = parsed.records[index];
        s.ClusterSlots[index] = record;
        if (!record.isFree()) {
            // The totals are 16-bit numbers everywhere else; a file that overflows them is broken.
            ByteCounts sum = s.UsedBytes;
            const ByteCounts counts = record.bytes();
            for (std::size_t k = 0; k < sum.size(); ++k) {
                sum[k] += counts[k];
                if (sum[k] < INT16_MIN || sum[k] > INT16_MAX) {
                    abandonFrom(index);
                    return failedLoad(s, LoadStatus::Broken, path,
                                      path + ", position " + std::to_string(i) +
                                          ": byte totals out of range");
                }
            }
            s.view.slotPicture[index] = pathInFolder(s.gstrResourcePath, record.PictureFile);
            s.UsedBytes = sum;
            s.UsedCount = i + 1;
        }
    }

    // Only a complete file refreshes the boxes, the grid, the hint and the buttons.
    showUsedBytes(s);
    RefreshIoMap(s);
    s.view.setText("Text1", ProjectLoadedHint);
    s.view.enable("Command6", true);
    s.view.enable("m_SaPro", true);
    s.view.enable("m_crsavEDS", true);
    s.EditorLoaded = false;
    s.view.editorExists = false;
    s.view.editorVisible = false;
    s.projectFile = path;
    return LoadOutcome{LoadStatus::Loaded, path, {}};
}

} // namespace quillon
