#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "core/cluster.h"
#include "core/file_access.h"
#include "core/item_reader.h"
#include "core/session.h"
#include "core/startup.h"
#include "project/project_file.h"
#include "tests/fakes/case_file.h"
#include "tests/fakes/escapes.h"
#include "tests/fakes/scripted_dialogs.h"
#include "tests/fakes/system_words.h"
#include "tests/fakes/temp_station.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;

// A started session on the six-module station of the command-line tests with
// the catalogue entries `modules` added in order: 0 KD108, 1 KD116, 2 KD132, 3
// KD208, 4 KA104, 5 KA108.
Session station(FieldbusProtocol protocol, std::initializer_list<int> modules)
{
    Session s;
    s.programDir = QUILLON_TEST_DATA "/cli";
    s.iniPath = s.programDir + "/Quillon.ini";
    test::ScriptedDialogs dialogs;
    EXPECT_TRUE(startUp(s, dialogs));
    ChooseProtocol(s, protocol);
    NewConfiguration(s, dialogs);
    for (const int index : modules) {
        SelectCatalogueEntry(s, dialogs, index);
        AddModule(s, dialogs);
    }
    EXPECT_TRUE(dialogs.notices.empty());
    return s;
}

// Runs a save or load with the file dialog answered by `path` (nullopt
// cancels).
test::ScriptedDialogs run(void (*command)(Session&, Dialogs&), Session& s,
                          std::optional<std::string> path)
{
    test::ScriptedDialogs dialogs;
    path ? dialogs.thenChooseFile(*path) : dialogs.thenCancelFile();
    command(s, dialogs);
    EXPECT_TRUE(dialogs.done());
    return dialogs;
}

// What a refused load must leave as it was.
auto kept(const Session& s)
{
    return std::tuple(s.ClusterSlots, s.UsedBytes, s.UsedCount, s.view.grid, s.view.slotPicture,
                      s.view.text("Text1"), s.ConfigurationModified);
}

// Saves and loads in the Projects folder of a throw-away program directory.
class ProjectFile : public ::testing::Test
{
protected:
    [[nodiscard]] std::string at(const std::string& name) const
    {
        return m_station.dir() + "/Projects/" + name;
    }
    void write(const std::string& name, const std::string& bytes) const
    {
        test::TempStation::writeFile(at(name), bytes);
    }
    test::TempStation m_station;
};

TEST(ProjectText, WritesPaddedNumbersReadsBackWhatItWroteAndNamesTheLineThatFails)
{
    ClusterTable slots;
    slots[0] = ModuleInfo{"A.wmf", 0, -1, 32767, -32768, "OVN_A.eds", 12};
    slots[3] = ModuleInfo{"", 4, 0, 0, 2, "OVN_KD132.eds", 3}; // a cleared position
    slots[8] = ModuleInfo{"never.wmf", 1, 1, 1, 1, "not stored", 1};
    const std::string text = writeProjectText(slots);
    const std::string first = "A.wmf\r\n 0 \r\n-1 \r\n 32767 \r\n-32768 \r\nOVN_A.eds\r\n 12 \r\n";
    EXPECT_EQ(text.substr(0, first.size()), first);
    ProjectParse parsed = parseProjectText(text);
    ASSERT_TRUE(parsed.complete);
    EXPECT_EQ(parsed.records, std::vector<ModuleInfo>(slots.begin(), slots.begin() + 8));

    parsed = parseProjectText(" HB612.wmf\r\n 40000 \r\n");
    EXPECT_EQ(std::to_string(parsed.records.size()) + " line " + std::to_string(parsed.failedLine) +
                  ": " + parsed.error,
              "0 line 2: number out of range: 40000");
}

TEST_F(ProjectFile, SaveWritesTheWholeClusterOrLeavesTheConfigurationUnsaved)
{
    Session s = station(FieldbusProtocol::CanOpen, {});
    s.ConfigurationOpen = false;
    run(SaveConfiguration, s, std::nullopt);
    EXPECT_TRUE(s.ConfigurationModified && s.ConfigurationOpen);
    EXPECT_EQ(s.view.text("Text9"), "*** New Project ***");

    write("CO_new.edp", "an older project\r\n");
    const auto dialogs = run(SaveConfiguration, s, at("CO_new.edp"));
    EXPECT_EQ(readFileBytes(at("CO_new.edp")),
              readFileBytes(QUILLON_TEST_DATA "/project/new_configuration.edp"));
    const FileRequest& r = dialogs.fileRequests.at(0);
    EXPECT_EQ(dialogs.fileDialogKinds[0] + r.title + "|" + r.directory + "|" + r.fileName + "|" +
                  r.filter,
              "saveSave Actual Configuration|" + s.gstrProjectPath +
                  "|CO_|EDS-Project-File (*.edp)|*.edp");
    EXPECT_EQ(s.view.text("Text9") + "|" + s.view.newpro.fileName + "|" + s.ProjectName,
              at("CO_new.edp") + "|" + at("CO_new.edp") + "|*** New Project ***");
    EXPECT_FALSE(s.ConfigurationModified);

    // A folder stands where the file should go: it is left as it is, and no
    // temporary is left.
    fs::create_directory(at("taken.edp"));
    write("taken.edp/inside", "kept");
    const auto refused = run(SaveConfiguration, s, at("taken.edp"));
    EXPECT_TRUE(s.ConfigurationModified);
    EXPECT_EQ(refused.notices,
              std::vector<std::string>{ProjectFileNotSavedMessage + at("taken.edp")});
    EXPECT_TRUE(
        test::endsWithReason(refused.details.at(0), at("taken.edp") + ": ", "Is a directory"));
    EXPECT_EQ(readFileBytes(at("taken.edp/inside")), "kept");
    EXPECT_EQ(std::distance(fs::directory_iterator(at("")), fs::directory_iterator()), 2);
}

TEST_F(ProjectFile, RoundTripKeepsAGapAndItsFormerModule)
{
    Session saved = station(FieldbusProtocol::CanOpen, {0, 2, 4}); // KD108, KD132, KA104
    SelectSlot(saved, 2);
    ClearSelected(saved);
    run(SaveConfiguration, saved, at("gap.edp"));

    for (const auto protocol : {FieldbusProtocol::CanOpen, FieldbusProtocol::DeviceNet}) {
        Session s = station(protocol, {5});
        s.EditorLoaded = s.view.editorExists = s.gbLoadedEDS = true;
        s.gstrActEDS = "old.eds";
        const auto dialogs = run(LoadConfiguration, s, at("gap.edp"));

        EXPECT_TRUE(dialogs.notices.empty());
        EXPECT_EQ(dialogs.fileRequests.at(0).title, "Load An Existing Configuration");
        EXPECT_EQ(s.ClusterSlots, saved.ClusterSlots);
        EXPECT_EQ(s.UsedBytes, (ByteCounts{3, 1, 8, 0})); // the cleared KD132 does not count
        EXPECT_EQ(s.UsedCount, 4);
        EXPECT_EQ(s.view.slotPicture[2] + "|" + s.view.slotPicture[3],
                  "|" + s.gstrResourcePath + "KA104.wmf");
        EXPECT_EQ(s.view.text("Text15"), "3");
        EXPECT_EQ(s.view.grid[3][2], protocol == FieldbusProtocol::CanOpen ? "1/4-7" : "4 ... 7");
        EXPECT_EQ(s.view.text("Text1"), ProjectLoadedHint);
        EXPECT_EQ(s.ProjectName + "|" + s.gstrActEDS, at("gap.edp") + "|");
        EXPECT_TRUE(s.ConfigurationModified);
        EXPECT_FALSE(s.EditorLoaded || s.view.editorExists || s.gbLoadedEDS);
        for (const std::string control :
             {"+Command4", "+Command6", "+Command9", "+m_SaPro", "+m_crsavEDS", "-Command2",
              "-Command5", "-Command7", "-Command10"})
            EXPECT_EQ(s.view.isEnabled(control.substr(1)), control[0] == '+') << control;
    }
}

TEST_F(ProjectFile, EmptyUnreadableAndHostileFilesAreRefusedBeforeAnythingChanges)
{
    struct Refused
    {
        std::string name;
        LoadStatus status;
        std::string detail;
    };
    std::vector<Refused> cases = {
        {"empty.edp", LoadStatus::Empty, ""},
        {"huge.edp", LoadStatus::Unreadable, "is larger than 1 MiB"},
        {"missing.edp", LoadStatus::Unreadable, "No such file or directory"},
        {"folder.edp", LoadStatus::Unreadable, "is a folder, not a regular file"},
        {"long-line.edp", LoadStatus::Unreadable, "line 1 is longer than 64 KiB"}};
    write("empty.edp", "");
    write("huge.edp", "HB612.wmf\r\n");
    fs::resize_file(at("huge.edp"), 2ull << 30); // sparse: costs no disk
    fs::create_directory(at("folder.edp"));
    write("long-line.edp", std::string(70000, 'x') + "\r\n");
#ifndef _WIN32
    // A FIFO without a writer would hold a plain open for ever.
    ASSERT_EQ(::mkfifo(at("fifo.edp").c_str(), 0644), 0);
    cases.push_back({"fifo.edp", LoadStatus::Unreadable, "is a FIFO, not a regular file"});
#endif
    const auto good =
        splitLines(writeProjectText(station(FieldbusProtocol::CanOpen, {0, 2, 4}).ClusterSlots));
    for (const auto& [edit, why] :
         test::readCases(QUILLON_TEST_DATA "/project/refused_names.txt")) {
        std::vector<std::string> lines = good;
        const int line = std::stoi(edit);
        lines.at(static_cast<std::size_t>(line - 1)) =
            test::unescaped(edit.substr(edit.find('|') + 2));
        std::string text;
        for (const std::string& kept : lines)
            text += kept + "\r\n";
        cases.push_back({"hostile" + std::to_string(cases.size()) + ".edp", LoadStatus::Broken,
                         "line " + std::to_string(line) + ": " + test::unescaped(why)});
        write(cases.back().name, text);
    }

    for (const auto& [name, status, detail] : cases) {
        Session s = station(FieldbusProtocol::CanOpen, {0, 3});
        s.ConfigurationModified = false;
        const Session before = s;
        test::ScriptedDialogs dialogs;
        EXPECT_EQ(LoadConfigurationFrom(s, dialogs, at(name)).status, status) << name;
        EXPECT_TRUE(kept(s) == kept(before)) << name;
        if (status == LoadStatus::Empty) {
            EXPECT_EQ(dialogs.notices, std::vector<std::string>{ProjectFileEmptyMessage});
            continue;
        }
        EXPECT_EQ(dialogs.notices, std::vector<std::string>{ProjectFileBrokenMessage + at(name)});
        if (status == LoadStatus::Broken)
            EXPECT_EQ(dialogs.details.at(0), at(name) + ", " + detail);
        else
            EXPECT_TRUE(test::endsWithReason(dialogs.details.at(0), at(name) + ": ", detail));
    }
}

TEST_F(ProjectFile, BrokenFileKeepsTheRecordsReadBeforeTheFault)
{
    const Session source = station(FieldbusProtocol::DeviceNet, {0, 1, 2, 3, 4});
    const std::string text = writeProjectText(source.ClusterSlots);
    std::size_t end = 0; // after line 24: three records and three lines of the fourth
    for (int line = 0; line < 24; ++line)
        end = text.find("\r\n", end) + 2;
    write("cut.edp", text.substr(0, end));

    Session s = station(FieldbusProtocol::DeviceNet, {5, 5, 5, 5});
    const Session before = s;
    const auto dialogs = run(LoadConfiguration, s, at("cut.edp"));
    EXPECT_EQ(dialogs.notices, std::vector<std::string>{ProjectFileBrokenMessage + at("cut.edp")});
    EXPECT_EQ(dialogs.details.at(0), at("cut.edp") + ", line 25: end of file");
    // The positions from the broken record on are left free: nothing stands
    // behind UsedCount.
    std::string positions;
    for (std::size_t i = 0; i < 8; ++i) {
        const std::string& name = s.ClusterSlots[i].ResourceFile;
        positions += (s.ClusterSlots[i].isFree() ? "(" + name + ")" : name) +
                     (s.view.slotPicture[i].empty() ? " " : "* ");
    }
    EXPECT_EQ(positions, "OVN_HB612.eds* OVN_KD108.eds* OVN_KD116.eds* (OVN_KA108.eds) "
                         "(OVN_KA108.eds) () () () ");
    EXPECT_EQ(s.UsedCount, 3);
    EXPECT_EQ(s.UsedBytes, (ByteCounts{5, 1, 0, 0})); // head, KD108 and KD116
    EXPECT_EQ(s.view.grid[0][2], "InByteNo");         // reset, but not refreshed
    EXPECT_EQ(s.view.text("Text15"), before.view.text("Text15"));
    EXPECT_EQ(s.view.text("Text1"), before.view.text("Text1"));
    EXPECT_TRUE(s.ConfigurationModified);
}

// A cancelled load before any project leaves nothing to save.
TEST_F(ProjectFile, TheProjectFileIsTheLastOneLoadedOrSavedWhole)
{
    Session s = station(FieldbusProtocol::CanOpen, {});
    s.view.setText("Text9", "none");
    run(LoadConfiguration, s, std::nullopt);
    EXPECT_FALSE(s.ConfigurationModified);

    s = station(FieldbusProtocol::CanOpen, {0});
    run(LoadConfiguration, s, std::nullopt);
    EXPECT_TRUE(s.ConfigurationModified);
    EXPECT_EQ(s.projectFile, "");
    run(SaveConfiguration, s, at("first.edp"));
    EXPECT_EQ(s.projectFile, at("first.edp"));
    run(SaveConfiguration, s, std::nullopt);
    run(SaveConfiguration, s, at("no-such-folder/x.edp"));
    write("empty.edp", "");
    run(LoadConfiguration, s, at("empty.edp"));
    run(LoadConfiguration, s, at("missing.edp"));
    EXPECT_EQ(s.projectFile, at("first.edp"));

    run(SaveConfiguration, s, at("second.edp"));
    run(LoadConfiguration, s, at("first.edp"));
    EXPECT_EQ(s.projectFile, at("first.edp"));
    // A file that breaks off leaves a configuration that no file holds.
    write("cut.edp", "HB612.wmf\r\n 2 \r\n");
    run(LoadConfiguration, s, at("cut.edp"));
    EXPECT_EQ(s.projectFile, "");
    run(LoadConfiguration, s, at("second.edp"));
    test::ScriptedDialogs dialogs;
    NewConfiguration(s, dialogs);
    EXPECT_EQ(s.projectFile, "");
}

} // namespace
} // namespace quillon
