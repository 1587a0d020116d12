#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <string>
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
#include "tests/fakes/scripted_dialogs.h"
#include "tests/fakes/system_words.h"
#include "tests/fakes/temp_station.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;

// The six-module station of the command-line tests: its settings file and pictures.
const std::string StationDir = QUILLON_TEST_DATA "/cli";

// A started session with the catalogue entries `modules` added in order.
Session station(FieldbusProtocol protocol, std::initializer_list<int> modules)
{
    Session s;
    s.programDir = StationDir;
    s.iniPath = StationDir + "/Quillon.ini";
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

// Runs a save or load with the file dialog answered by `path` (nullopt cancels).
test::ScriptedDialogs run(void (*command)(Session&, Dialogs&), Session& s,
                          std::optional<std::string> path)
{
    test::ScriptedDialogs dialogs;
    path ? dialogs.thenChooseFile(*path) : dialogs.thenCancelFile();
    command(s, dialogs);
    EXPECT_TRUE(dialogs.done());
    return dialogs;
}

// The first `count` lines of `text`, each with its line end.
std::string firstLines(const std::string& text, int count)
{
    std::size_t end = 0;
    for (int line = 0; line < count; ++line)
        end = text.find("\r\n", end) + 2;
    return text.substr(0, end);
}

// What a refused load must leave as it was.
void expectUnchanged(const Session& s, const Session& before)
{
    EXPECT_EQ(s.ClusterSlots, before.ClusterSlots);
    EXPECT_EQ(s.UsedBytes, before.UsedBytes);
    EXPECT_EQ(s.view.grid, before.view.grid);
    EXPECT_EQ(s.view.slotPicture, before.view.slotPicture);
    EXPECT_EQ(s.view.text("Text1"), before.view.text("Text1"));
}

// Saves and loads in the Projects folder of a throw-away program directory.
class ProjectFile : public ::testing::Test
{
protected:
    [[nodiscard]] std::string at(const std::string& name) const
    {
        return m_station.dir() + "/Projects/" + name;
    }
    test::TempStation m_station;
};

TEST(ProjectText, WritesPaddedNumbersAndReadsBackWhatItWrote)
{
    ClusterTable slots;
    slots[0] = ModuleInfo{"A.wmf", 0, -1, 32767, -32768, "OVN_A.eds", 12};
    slots[3] = ModuleInfo{"", 4, 0, 0, 2, "OVN_KD132.eds", 3}; // a cleared position
    slots[8] = ModuleInfo{"never.wmf", 1, 1, 1, 1, "not stored", 1};
    const std::string text = writeProjectText(slots);
    EXPECT_EQ(firstLines(text, 7),
              "A.wmf\r\n 0 \r\n-1 \r\n 32767 \r\n-32768 \r\nOVN_A.eds\r\n 12 \r\n");
    EXPECT_EQ(splitLines(text).size(), 56u);

    const ProjectParse parsed = parseProjectText(text);
    ASSERT_TRUE(parsed.complete);
    EXPECT_EQ(parsed.records, std::vector<ModuleInfo>(slots.begin(), slots.begin() + 8));
}

TEST(ProjectText, StopsAtTheFirstItemThatCannotBeRead)
{
    ProjectParse parsed = parseProjectText(" HB612.wmf\r\n 40000 \r\n");
    EXPECT_TRUE(parsed.records.empty());
    EXPECT_EQ(parsed.failedLine, 2);
    EXPECT_NE(parsed.error.find("40000"), std::string::npos);

    // Whatever the bytes, the reader stops cleanly with at most eight records.
    ClusterTable slots;
    slots[0] = headRecord();
    const std::string text = writeProjectText(slots);
    std::mt19937 random(1234);
    for (int round = 0; round < 3000; ++round) {
        std::string bytes = text;
        for (int flips = 0; flips < 1 + round % 9; ++flips)
            bytes[random() % bytes.size()] = static_cast<char>(random() % 256);
        bytes.resize(random() % (bytes.size() + 1));
        parsed = parseProjectText(bytes);
        ASSERT_EQ(parsed.complete, parsed.records.size() == 8u);
        ASSERT_EQ(parsed.complete || parsed.empty, parsed.failedLine == 0);
    }
}

TEST_F(ProjectFile, SavingANewConfigurationWritesTheHeadAndSevenFreeRecords)
{
    Session s = station(FieldbusProtocol::CanOpen, {});
    const auto dialogs = run(SaveConfiguration, s, at("CO_new.edp"));

    EXPECT_EQ(readFileBytes(at("CO_new.edp")),
              readFileBytes(QUILLON_TEST_DATA "/project/new_configuration.edp"));
    const FileRequest& r = dialogs.fileRequests.at(0);
    EXPECT_EQ(
        (std::vector{dialogs.fileDialogKinds.at(0), r.title, r.directory, r.fileName, r.filter}),
        (std::vector<std::string>{"save", "Save Actual Configuration", s.gstrProjectPath, "CO_",
                                  "EDS-Project-File (*.edp)|*.edp"}));
    EXPECT_EQ(s.view.text("Text9"), at("CO_new.edp"));
    EXPECT_EQ(s.view.newpro.fileName, at("CO_new.edp"));
    EXPECT_EQ(s.ProjectName, "*** New Project ***");
    EXPECT_FALSE(s.ConfigurationModified);
    EXPECT_TRUE(dialogs.notices.empty());
}

TEST_F(ProjectFile, CancelledOrFailedSaveLeavesTheConfigurationUnsaved)
{
    Session s = station(FieldbusProtocol::DeviceNet, {2, 3});
    s.ConfigurationOpen = false;
    run(SaveConfiguration, s, std::nullopt);
    EXPECT_TRUE(s.ConfigurationModified);
    EXPECT_TRUE(s.ConfigurationOpen);
    EXPECT_EQ(s.view.text("Text9"), "*** New Project ***");

    // A good file is replaced whole.
    test::TempStation::writeFile(at("station.edp"), "an older project\r\n");
    run(SaveConfiguration, s, at("station.edp"));
    EXPECT_EQ(readFileBytes(at("station.edp")), writeProjectText(s.ClusterSlots));
    EXPECT_FALSE(s.ConfigurationModified);

    // A folder stands where the file should go: it is left as it is, and no temporary is left.
    fs::create_directory(at("taken.edp"));
    test::TempStation::writeFile(at("taken.edp/inside"), "kept");
    const auto refused = run(SaveConfiguration, s, at("taken.edp"));
    EXPECT_TRUE(s.ConfigurationModified);
    EXPECT_EQ(s.view.text("Text9"), at("taken.edp"));
    EXPECT_EQ(refused.notices, std::vector<std::string>{"The configuration could not be saved in " +
                                                        at("taken.edp")});
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
        EXPECT_EQ(s.view.slotPicture[2], "");
        EXPECT_EQ(s.view.slotPicture[3], s.gstrResourcePath + "KA104.wmf");
        EXPECT_EQ(s.view.text("Text15"), "3");
        EXPECT_EQ(s.view.grid[3][2], protocol == FieldbusProtocol::CanOpen ? "1/4-7" : "4 ... 7");
        EXPECT_EQ(s.ProjectName, at("gap.edp"));
        EXPECT_EQ(s.view.text("Text1"), ProjectLoadedHint);
        EXPECT_TRUE(s.ConfigurationModified);
        EXPECT_FALSE(s.EditorLoaded || s.view.editorExists || s.gbLoadedEDS);
        EXPECT_EQ(s.gstrActEDS, "");
        for (const char* on : {"Command4", "Command6", "Command9", "m_SaPro", "m_crsavEDS"})
            EXPECT_TRUE(s.view.isEnabled(on)) << on;
        for (const char* off : {"Command2", "Command5", "Command7", "Command10"})
            EXPECT_FALSE(s.view.isEnabled(off)) << off;
    }
}

TEST_F(ProjectFile, EmptyOrUnreadableFilesChangeNothing)
{
    test::TempStation::writeFile(at("empty.edp"), "");
    Session s = station(FieldbusProtocol::DeviceNet, {0, 1});
    s.ConfigurationModified = false;
    const Session before = s;
    const auto dialogs = run(LoadConfiguration, s, at("empty.edp"));
    EXPECT_EQ(dialogs.notices, std::vector<std::string>{" File empty. Please try another one!"});
    expectUnchanged(s, before);
    EXPECT_FALSE(s.ConfigurationModified);

    test::TempStation::writeFile(at("huge.edp"), "HB612.wmf\r\n");
    fs::resize_file(at("huge.edp"), 2ull << 30); // sparse: costs no disk
    fs::create_directory(at("folder.edp"));
    test::TempStation::writeFile(at("long-line.edp"), std::string(70000, 'x') + "\r\n");
    std::vector<std::string> unreadable = {at("huge.edp"), at("missing.edp"), at("folder.edp"),
                                           at("long-line.edp")};
#ifndef _WIN32
    // A FIFO without a writer would hold a plain open for ever.
    ASSERT_EQ(::mkfifo(at("fifo.edp").c_str(), 0644), 0);
    unreadable.push_back(at("fifo.edp"));
#endif
    for (const std::string& path : unreadable) {
        Session unread = station(FieldbusProtocol::CanOpen, {0, 3});
        const Session kept = unread;
        test::ScriptedDialogs quiet;
        quiet.thenChooseFile(path);
        EXPECT_EQ(loadConfiguration(unread, quiet).status, LoadStatus::Unreadable) << path;
        EXPECT_TRUE(quiet.notices.empty());
        expectUnchanged(unread, kept);
    }
}

TEST_F(ProjectFile, NamesThatLeadOutOfTheResourceFolderAreRefusedBeforeAnythingChanges)
{
    const Session source = station(FieldbusProtocol::CanOpen, {0, 2, 4}); // KD108, KD132, KA104
    const std::string good = writeProjectText(source.ClusterSlots);
    // Lines 15 and 20 are the picture and resource file of position 2 (slot 3).
    const auto withLine = [&good](int number, const std::string& replacement) {
        std::vector<std::string> lines = splitLines(good);
        lines.at(static_cast<std::size_t>(number - 1)) = replacement;
        std::string text;
        for (const std::string& line : lines)
            text += line + "\r\n";
        return text;
    };
    struct Refused
    {
        std::string text;
        int line;
        std::string says;
    };
    const Refused refused[] = {
        {withLine(20, "../../../../../../etc/passwd"), 20,
         "the resource file name \"../../../../../../etc/passwd\" is no plain file name in the "
         "resource folder: it holds a folder separator"},
        {withLine(15, "../../../../dev/zero"), 15, "the picture file name"},
        {withLine(15, "..\\..\\KD132.wmf"), 15, "holds a folder separator"},
        {withLine(20, "/etc/passwd"), 20, "holds a folder separator"},
        {withLine(20, "C:OVN_KD132.eds"), 20, "holds a drive or stream separator"},
        {withLine(20, ".."), 20, "names a folder"},
        {withLine(15, "KD\x01"
                      "132.wmf"),
         15,
         "\"KD\\x01132.wmf\" is no plain file name in the resource folder: it holds a "
         "control character"},
        {withLine(20, ""), 20,
         "the resource file name \"\" is no plain file name in the "
         "resource folder: it is empty"},
        // Position 7 is free; its empty names are fine, a path is not.
        {withLine(55, "../x.eds"), 55, "the resource file name"},
    };
    for (const auto& [text, line, says] : refused) {
        test::TempStation::writeFile(at("hostile.edp"), text);
        Session s = station(FieldbusProtocol::CanOpen, {5});
        const Session before = s;
        const auto dialogs = run(LoadConfiguration, s, at("hostile.edp"));
        ASSERT_EQ(dialogs.notices, std::vector<std::string>{"This is no readable project file: " +
                                                            at("hostile.edp")});
        const std::string& detail = dialogs.details.at(0);
        EXPECT_EQ(detail.rfind(at("hostile.edp") + ", line " + std::to_string(line) + ": ", 0), 0u)
            << detail;
        EXPECT_NE(detail.find(says), std::string::npos) << detail;
        expectUnchanged(s, before);
        EXPECT_EQ(s.UsedCount, before.UsedCount);
        EXPECT_EQ(s.gstrActEDS, before.gstrActEDS);
    }
    // The same file with plain names loads.
    test::TempStation::writeFile(at("plain.edp"), good);
    Session s = station(FieldbusProtocol::CanOpen, {5});
    EXPECT_TRUE(run(LoadConfiguration, s, at("plain.edp")).notices.empty());
    EXPECT_EQ(s.ClusterSlots, source.ClusterSlots);
}

TEST(LoadConfiguration, CancelBeforeAnyProjectLeavesNothingToSave)
{
    Session s = station(FieldbusProtocol::CanOpen, {});
    s.view.setText("Text9", "none");
    run(LoadConfiguration, s, std::nullopt);
    EXPECT_FALSE(s.ConfigurationModified);

    Session open = station(FieldbusProtocol::CanOpen, {0});
    run(LoadConfiguration, open, std::nullopt);
    EXPECT_TRUE(open.ConfigurationModified);
}

TEST_F(ProjectFile, BrokenFileKeepsTheRecordsReadBeforeTheFault)
{
    const Session source = station(FieldbusProtocol::DeviceNet, {0, 1, 2, 3, 4});
    test::TempStation::writeFile(at("cut.edp"),
                                 firstLines(writeProjectText(source.ClusterSlots), 3 * 7 + 3));

    Session s = station(FieldbusProtocol::DeviceNet, {5, 5, 5, 5});
    const Session before = s;
    test::ScriptedDialogs dialogs;
    dialogs.thenChooseFile(at("cut.edp"));
    const LoadOutcome outcome = loadConfiguration(s, dialogs);

    EXPECT_EQ(outcome.status, LoadStatus::Broken);
    EXPECT_NE(outcome.detail.find("line 25"), std::string::npos) << outcome.detail;
    EXPECT_TRUE(dialogs.notices.empty());
    // The positions from the broken record on are left free: nothing stands behind UsedCount.
    for (std::size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(s.ClusterSlots[i].isFree(), i >= 3) << i;
        EXPECT_EQ(s.ClusterSlots[i].ResourceFile,
                  (i < 3 ? source : before).ClusterSlots[i].ResourceFile);
        EXPECT_EQ(s.view.slotPicture[i].empty(), i >= 3) << i;
    }
    EXPECT_EQ(s.UsedCount, 3);
    EXPECT_EQ(s.UsedBytes, (ByteCounts{5, 1, 0, 0})); // head, KD108 and KD116
    EXPECT_EQ(s.view.grid[0][2], "InByteNo");         // reset, but not refreshed
    EXPECT_EQ(s.view.text("Text15"), before.view.text("Text15"));
    EXPECT_EQ(s.view.text("Text1"), before.view.text("Text1"));
    EXPECT_TRUE(s.ConfigurationModified);

    // The window's command says so, naming the file and the line.
    Session shown = station(FieldbusProtocol::DeviceNet, {5});
    test::ScriptedDialogs windowDialogs;
    windowDialogs.thenChooseFile(at("cut.edp"));
    LoadConfiguration(shown, windowDialogs);
    ASSERT_EQ(windowDialogs.notices.size(), 1u);
    EXPECT_EQ(windowDialogs.notices[0], "This is no readable project file: " + at("cut.edp"));
    EXPECT_NE(windowDialogs.details[0].find("line 25"), std::string::npos);
}

TEST_F(ProjectFile, LoadingFromAPathIsTheMenuCommandWithoutItsDialog)
{
    Session saved = station(FieldbusProtocol::CanOpen, {0, 4});
    run(SaveConfiguration, saved, at("good.edp"));
    test::TempStation::writeFile(at("empty.edp"), "");
    test::TempStation::writeFile(at("cut.edp"), "HB612.wmf\r\n 2 \r\n");
    for (const char* name : {"good.edp", "empty.edp", "cut.edp", "missing.edp"}) {
        Session fromMenu = station(FieldbusProtocol::DeviceNet, {1});
        Session fromPath = fromMenu;
        const auto menu = run(LoadConfiguration, fromMenu, at(name));
        test::ScriptedDialogs direct;
        const LoadOutcome outcome = LoadConfigurationFrom(fromPath, direct, at(name));

        EXPECT_TRUE(direct.fileRequests.empty()) << name;
        EXPECT_EQ(outcome.path, at(name));
        EXPECT_EQ(direct.notices, menu.notices) << name;
        EXPECT_EQ(direct.details, menu.details) << name;
        EXPECT_EQ(fromPath.ClusterSlots, fromMenu.ClusterSlots) << name;
        EXPECT_EQ(fromPath.UsedBytes, fromMenu.UsedBytes) << name;
        EXPECT_EQ(fromPath.UsedCount, fromMenu.UsedCount) << name;
        EXPECT_EQ(fromPath.view.texts(), fromMenu.view.texts()) << name;
        EXPECT_EQ(fromPath.view.controls().size(), fromMenu.view.controls().size()) << name;
        EXPECT_EQ(fromPath.view.grid, fromMenu.view.grid) << name;
        EXPECT_EQ(fromPath.ConfigurationModified, fromMenu.ConfigurationModified) << name;
        EXPECT_EQ(fromPath.projectFile, fromMenu.projectFile) << name;
    }
}

TEST_F(ProjectFile, TheProjectFileIsTheLastOneLoadedOrSavedWhole)
{
    Session s = station(FieldbusProtocol::CanOpen, {0});
    EXPECT_EQ(s.projectFile, "");
    run(SaveConfiguration, s, at("first.edp"));
    EXPECT_EQ(s.projectFile, at("first.edp"));
    run(SaveConfiguration, s, std::nullopt);               // cancelled
    run(SaveConfiguration, s, at("no-such-folder/x.edp")); // not written
    EXPECT_EQ(s.projectFile, at("first.edp"));
    test::TempStation::writeFile(at("empty.edp"), "");
    run(LoadConfiguration, s, at("empty.edp")); // refused, nothing changes
    run(LoadConfiguration, s, at("missing.edp"));
    EXPECT_EQ(s.projectFile, at("first.edp"));

    run(SaveConfiguration, s, at("second.edp"));
    run(LoadConfiguration, s, at("first.edp"));
    EXPECT_EQ(s.projectFile, at("first.edp"));
    // A file that breaks off leaves a configuration that no file holds.
    test::TempStation::writeFile(at("cut.edp"), "HB612.wmf\r\n 2 \r\n");
    run(LoadConfiguration, s, at("cut.edp"));
    EXPECT_EQ(s.projectFile, "");
    run(LoadConfiguration, s, at("second.edp"));
    test::ScriptedDialogs dialogs;
    NewConfiguration(s, dialogs);
    EXPECT_EQ(s.projectFile, "");
}

} // namespace
} // namespace quillon
