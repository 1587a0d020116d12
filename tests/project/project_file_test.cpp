#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <string>

#include "core/cluster.h"
#include "core/item_reader.h"
#include "core/session.h"
#include "core/startup.h"
#include "project/project_file.h"
#include "tests/fakes/scripted_dialogs.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;

// The six-module station of the command-line tests: its settings file and pictures.
const std::string StationDir = QUILLON_TEST_DATA "/cli";

class TempDir
{
public:
    TempDir()
    {
        std::random_device entropy;
        m_path = fs::temp_directory_path() / ("quillon_project_" + std::to_string(entropy()));
        fs::create_directories(m_path);
    }
    ~TempDir()
    {
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    [[nodiscard]] std::string file(const std::string& name) const
    {
        return (m_path / name).string();
    }
    [[nodiscard]] const fs::path& path() const { return m_path; }

private:
    fs::path m_path;
};

void writeBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string bytesOf(const std::string& path)
{
    return readFileBytes(path).value_or("<unreadable>");
}

Session startedSession(FieldbusProtocol protocol)
{
    Session s;
    s.programDir = StationDir;
    s.iniPath = StationDir + "/Quillon.ini";
    test::ScriptedDialogs dialogs;
    EXPECT_TRUE(startUp(s, dialogs)) << (dialogs.details.empty() ? "" : dialogs.details[0]);
    if (protocol != FieldbusProtocol::None)
        ChooseProtocol(s, protocol);
    return s;
}

// A configuration with the catalogue entries `modules` added in order.
Session stationWith(FieldbusProtocol protocol, std::initializer_list<int> modules)
{
    Session s = startedSession(protocol);
    test::ScriptedDialogs dialogs;
    NewConfiguration(s, dialogs);
    for (const int index : modules) {
        SelectCatalogueEntry(s, dialogs, index);
        AddModule(s, dialogs);
    }
    EXPECT_TRUE(dialogs.notices.empty());
    return s;
}

// The first `count` lines of `text`, each with its line end.
std::string firstLines(const std::string& text, int count)
{
    std::size_t end = 0;
    for (int line = 0; line < count; ++line)
        end = text.find("\r\n", end) + 2;
    return text.substr(0, end);
}

std::string saveToFile(Session& s, const std::string& path)
{
    test::ScriptedDialogs dialogs;
    dialogs.thenChooseFile(path);
    SaveConfiguration(s, dialogs);
    EXPECT_TRUE(dialogs.done());
    EXPECT_TRUE(dialogs.notices.empty());
    return bytesOf(path);
}

TEST(ProjectText, NumbersCarryBlanksOrTheMinusSign)
{
    ClusterTable slots;
    slots[0] = ModuleInfo{"A.wmf", 0, -1, 32767, -32768, "OVN_A.eds", 12};
    const auto lines = splitLines(writeProjectText(slots));
    ASSERT_EQ(lines.size(), 56u);
    EXPECT_EQ(lines[0], "A.wmf");
    EXPECT_EQ(lines[1], " 0 ");
    EXPECT_EQ(lines[2], "-1 ");
    EXPECT_EQ(lines[3], " 32767 ");
    EXPECT_EQ(lines[4], "-32768 ");
    EXPECT_EQ(lines[5], "OVN_A.eds");
    EXPECT_EQ(lines[6], " 12 ");
}

TEST(ProjectText, ReadsBackWhatItWrites)
{
    ClusterTable slots;
    slots[0] = headRecord();
    slots[3] = ModuleInfo{"", 4, 0, 0, -2, "OVN_KD132.eds", 3}; // a cleared position
    slots[7] = ModuleInfo{"KA108.wmf", 0, 0, 16, 0, "OVN_KA108.eds", 10};
    slots[8] = ModuleInfo{"never.wmf", 1, 1, 1, 1, "not stored", 1};
    const ProjectParse parsed = parseProjectText(writeProjectText(slots));
    ASSERT_TRUE(parsed.complete);
    ASSERT_EQ(parsed.records.size(), 8u);
    for (std::size_t i = 0; i < 8; ++i)
        EXPECT_EQ(parsed.records[i], slots[i]) << "position " << i;
}

TEST(ProjectText, ReportsTheFirstItemThatCannotBeRead)
{
    ClusterTable slots;
    slots[0] = headRecord();
    const std::string text = writeProjectText(slots);

    std::string outOfRange = text;
    outOfRange.replace(outOfRange.find(" 2 "), 3, " 40000 ");
    ProjectParse parsed = parseProjectText(outOfRange);
    EXPECT_FALSE(parsed.complete);
    EXPECT_TRUE(parsed.records.empty());
    EXPECT_EQ(parsed.failedLine, 2);
    EXPECT_NE(parsed.error.find("40000"), std::string::npos);

    // Cut after the fourth record's fifth line: three records survive, line 27 is missing.
    parsed = parseProjectText(firstLines(text, 3 * 7 + 5));
    EXPECT_FALSE(parsed.complete);
    EXPECT_EQ(parsed.records.size(), 3u);
    EXPECT_EQ(parsed.failedLine, 27);
    EXPECT_EQ(parsed.error, "end of file");

    parsed = parseProjectText("");
    EXPECT_TRUE(parsed.empty);
    EXPECT_FALSE(parsed.complete);
}

TEST(ProjectText, SurvivesArbitraryBytes)
{
    ClusterTable slots;
    slots[0] = headRecord();
    const std::string good = writeProjectText(slots);
    std::mt19937 random(1234);
    for (int round = 0; round < 3000; ++round) {
        std::string bytes = good;
        if (round % 3 == 0) {
            bytes.resize(random() % 400);
            for (char& c : bytes)
                c = static_cast<char>(random() % 256);
        } else {
            for (int flips = 0; flips < 1 + round % 7; ++flips)
                bytes[random() % bytes.size()] = static_cast<char>(random() % 256);
            bytes.resize(random() % (bytes.size() + 1));
        }
        const ProjectParse parsed = parseProjectText(bytes);
        ASSERT_LE(parsed.records.size(), 8u);
        ASSERT_EQ(parsed.complete, parsed.records.size() == 8u);
        ASSERT_EQ(parsed.complete || parsed.empty, parsed.failedLine == 0);
    }
}

TEST(SaveConfiguration, NewConfigurationWritesTheHeadAndSevenFreeRecords)
{
    TempDir dir;
    Session s = stationWith(FieldbusProtocol::CanOpen, {});
    test::ScriptedDialogs dialogs;
    dialogs.thenChooseFile(dir.file("CO_new.edp"));
    SaveConfiguration(s, dialogs);

    EXPECT_EQ(bytesOf(dir.file("CO_new.edp")),
              bytesOf(QUILLON_TEST_DATA "/project/new_configuration.edp"));
    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    EXPECT_EQ(dialogs.fileDialogKinds[0], "save");
    EXPECT_EQ(dialogs.fileRequests[0].title, "Save Actual Configuration");
    EXPECT_EQ(dialogs.fileRequests[0].directory, s.gstrProjectPath);
    EXPECT_EQ(dialogs.fileRequests[0].fileName, "CO_");
    EXPECT_EQ(dialogs.fileRequests[0].filter, "EDS-Project-File (*.edp)|*.edp");
    EXPECT_EQ(s.view.text("Text9"), dir.file("CO_new.edp"));
    EXPECT_EQ(s.view.newpro.fileName, dir.file("CO_new.edp"));
    EXPECT_EQ(s.ProjectName, "*** New Project ***");
    EXPECT_FALSE(s.ConfigurationModified);
    EXPECT_TRUE(s.view.isEnabled("Command9"));
    EXPECT_TRUE(dialogs.notices.empty());
}

TEST(SaveConfiguration, CancelledDialogMarksTheConfigurationModified)
{
    Session s = stationWith(FieldbusProtocol::DeviceNet, {0});
    s.ConfigurationModified = false;
    s.ConfigurationOpen = false;
    test::ScriptedDialogs dialogs;
    dialogs.thenCancelFile();
    SaveConfiguration(s, dialogs);
    EXPECT_TRUE(s.ConfigurationModified);
    EXPECT_TRUE(s.ConfigurationOpen);
    EXPECT_EQ(s.view.text("Text9"), "*** New Project ***");
    EXPECT_EQ(dialogs.fileRequests.at(0).fileName, "DN_");
    EXPECT_TRUE(dialogs.notices.empty());
}

TEST(SaveConfiguration, ReplacesAFileWholeAndKeepsWhatStandsWhereItCannotWrite)
{
    TempDir dir;
    Session s = stationWith(FieldbusProtocol::DeviceNet, {2, 3});
    const std::string target = dir.file("station.edp");
    writeBytes(target, "an older project\r\n");
    EXPECT_EQ(saveToFile(s, target), writeProjectText(s.ClusterSlots));
    EXPECT_FALSE(s.ConfigurationModified);

    // A directory stands where the file should go: the write fails, the directory and its
    // content are untouched, the path still shows, and the configuration counts as unsaved.
    fs::create_directory(dir.file("taken.edp"));
    writeBytes(dir.file("taken.edp") + "/inside", "kept");
    test::ScriptedDialogs dialogs;
    dialogs.thenChooseFile(dir.file("taken.edp"));
    SaveConfiguration(s, dialogs);
    EXPECT_TRUE(s.ConfigurationModified);
    EXPECT_EQ(s.view.text("Text9"), dir.file("taken.edp"));
    EXPECT_EQ(bytesOf(dir.file("taken.edp") + "/inside"), "kept");

    // No temporary file is left beside the targets.
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir.path()))
        ++entries;
    EXPECT_EQ(entries, 2);
}

TEST(LoadConfiguration, RoundTripKeepsAGapAndItsFormerModule)
{
    TempDir dir;
    // Head, KD108, KD132, KA104, then position 2 cleared.
    Session saved = stationWith(FieldbusProtocol::CanOpen, {0, 2, 4});
    SelectSlot(saved, 2);
    ClearSelected(saved);
    ASSERT_TRUE(saved.ClusterSlots[2].isFree());
    const std::string path = dir.file("gap.edp");
    saveToFile(saved, path);

    Session s = startedSession(FieldbusProtocol::CanOpen);
    test::ScriptedDialogs dialogs;
    dialogs.thenChooseFile(path);
    LoadConfiguration(s, dialogs);

    EXPECT_TRUE(dialogs.notices.empty());
    EXPECT_EQ(dialogs.fileRequests.at(0).title, "Load An Existing Configuration");
    EXPECT_EQ(dialogs.fileDialogKinds.at(0), "open");
    for (std::size_t i = 0; i < 8; ++i)
        EXPECT_EQ(s.ClusterSlots[i], saved.ClusterSlots[i]) << "position " << i;
    EXPECT_EQ(s.ClusterSlots[2].DigitalInBytes, 4); // the cleared module's counts are kept
    EXPECT_EQ(s.UsedBytes, (ByteCounts{3, 1, 8, 0}));
    EXPECT_EQ(s.UsedCount, 4);
    EXPECT_EQ(s.view.slotPicture[2], "");
    EXPECT_EQ(s.view.slotPicture[3], s.gstrResourcePath + "KA104.wmf");
    EXPECT_EQ(s.view.text("Text15"), "3");
    EXPECT_EQ(s.view.text("Text21"), "8");
    EXPECT_EQ(s.view.grid, saved.view.grid);
    EXPECT_EQ(s.view.text("Text9"), path);
    EXPECT_EQ(s.ProjectName, path);
    EXPECT_EQ(s.view.text("Text1"), ProjectLoadedHint);
    EXPECT_TRUE(s.ConfigurationModified);
    EXPECT_TRUE(s.ConfigurationOpen);
    for (const char* on : {"Command4", "Command6", "Command9", "m_SaPro", "m_crsavEDS"})
        EXPECT_TRUE(s.view.isEnabled(on)) << on;
    for (const char* off : {"Command2", "Command5", "Command7", "Command10"})
        EXPECT_FALSE(s.view.isEnabled(off)) << off;
}

TEST(LoadConfiguration, SameTotalsUnderEitherProtocol)
{
    TempDir dir;
    Session saved = stationWith(FieldbusProtocol::DeviceNet, {1, 3, 5});
    const std::string path = dir.file("p.edp");
    saveToFile(saved, path);

    IoGrid grids[2];
    int n = 0;
    for (FieldbusProtocol protocol : {FieldbusProtocol::DeviceNet, FieldbusProtocol::CanOpen}) {
        Session s = startedSession(protocol);
        s.EditorLoaded = true;
        s.view.editorExists = true;
        s.gbLoadedEDS = true;
        s.gstrActEDS = "old.eds";
        test::ScriptedDialogs dialogs;
        dialogs.thenChooseFile(path);
        LoadConfiguration(s, dialogs);
        EXPECT_EQ(s.UsedBytes, (ByteCounts{4, 2, 16, 0}));
        EXPECT_EQ(s.UsedCount, 4);
        EXPECT_FALSE(s.EditorLoaded);
        EXPECT_FALSE(s.view.editorExists);
        EXPECT_FALSE(s.gbLoadedEDS);
        EXPECT_EQ(s.gstrActEDS, "");
        grids[n++] = s.view.grid;
    }
    EXPECT_EQ(grids[0][2][1], "KD116");
    EXPECT_EQ(grids[1][2][1], "KD116");
    EXPECT_EQ(grids[0][2][2], "3 ... 4");
    EXPECT_EQ(grids[1][2][2], "1/3-4");
}

TEST(LoadConfiguration, EmptyFileIsRefusedAndChangesNothing)
{
    TempDir dir;
    Session s = stationWith(FieldbusProtocol::DeviceNet, {0, 1});
    s.ConfigurationModified = false;
    const Session before = s;
    writeBytes(dir.file("empty.edp"), "");
    test::ScriptedDialogs dialogs;
    dialogs.thenChooseFile(dir.file("empty.edp"));
    LoadConfiguration(s, dialogs);

    ASSERT_EQ(dialogs.notices, std::vector<std::string>{" File empty. Please try another one!"});
    EXPECT_EQ(s.ClusterSlots, before.ClusterSlots);
    EXPECT_EQ(s.UsedBytes, before.UsedBytes);
    EXPECT_EQ(s.UsedCount, before.UsedCount);
    EXPECT_EQ(s.view.grid, before.view.grid);
    EXPECT_EQ(s.view.slotPicture, before.view.slotPicture);
    EXPECT_FALSE(s.ConfigurationModified);
    EXPECT_EQ(s.view.text("Text1"), before.view.text("Text1"));

    // The file was closed again: a save to the same path works.
    EXPECT_EQ(saveToFile(s, dir.file("empty.edp")), writeProjectText(s.ClusterSlots));
}

TEST(LoadConfiguration, CancelledBeforeAnyProjectLeavesNothingToSave)
{
    Session s = startedSession(FieldbusProtocol::CanOpen);
    s.ConfigurationModified = true;
    test::ScriptedDialogs dialogs;
    dialogs.thenCancelFile();
    LoadConfiguration(s, dialogs);
    EXPECT_FALSE(s.ConfigurationModified);
    EXPECT_EQ(s.view.text("Text9"), "none");

    // With a configuration open, a cancel keeps it marked as modified.
    Session open = stationWith(FieldbusProtocol::CanOpen, {0});
    test::ScriptedDialogs again;
    again.thenCancelFile();
    LoadConfiguration(open, again);
    EXPECT_TRUE(open.ConfigurationModified);
    EXPECT_TRUE(again.notices.empty());
}

TEST(LoadConfiguration, BrokenFileKeepsTheRecordsReadBeforeTheFault)
{
    TempDir dir;
    Session source = stationWith(FieldbusProtocol::DeviceNet, {0, 1, 2, 3, 4});
    // Cut inside position 3's record.
    writeBytes(dir.file("cut.edp"), firstLines(writeProjectText(source.ClusterSlots), 3 * 7 + 3));

    Session s = stationWith(FieldbusProtocol::DeviceNet, {5, 5, 5, 5});
    const Session before = s;
    test::ScriptedDialogs dialogs;
    dialogs.thenChooseFile(dir.file("cut.edp"));
    const LoadOutcome outcome = loadConfiguration(s, dialogs);

    EXPECT_EQ(outcome.status, LoadStatus::Broken);
    EXPECT_NE(outcome.detail.find("line 25"), std::string::npos) << outcome.detail;
    EXPECT_TRUE(dialogs.notices.empty());
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(s.ClusterSlots[i], source.ClusterSlots[i]);
    for (std::size_t i = 3; i < 8; ++i)
        EXPECT_EQ(s.ClusterSlots[i], before.ClusterSlots[i]);
    EXPECT_EQ(s.UsedBytes, (ByteCounts{5, 1, 0, 0})); // head, KD108 and KD116
    EXPECT_EQ(s.view.slotPicture[3], "");
    EXPECT_EQ(s.view.slotPicture[4], before.view.slotPicture[4]);
    EXPECT_EQ(s.view.grid[0][2], "InByteNo"); // reset but not refreshed
    EXPECT_EQ(s.view.text("Text15"), before.view.text("Text15"));
    EXPECT_EQ(s.view.text("Text1"), before.view.text("Text1"));
    EXPECT_TRUE(s.ConfigurationModified);
    EXPECT_FALSE(s.view.isEnabled("Command7"));
}

TEST(LoadConfiguration, UnreadableFilesChangeNothing)
{
    TempDir dir;
    // Far past any project file; sparse, so it costs no disk.
    const std::string huge = dir.file("huge.edp");
    writeBytes(huge, "HB612.wmf\r\n");
    fs::resize_file(huge, 2ull << 30);
    fs::create_directory(dir.file("folder.edp"));

    for (const std::string& path : {huge, dir.file("missing.edp"), dir.file("folder.edp")}) {
        Session s = stationWith(FieldbusProtocol::CanOpen, {0, 3});
        const Session before = s;
        test::ScriptedDialogs dialogs;
        dialogs.thenChooseFile(path);
        const LoadOutcome outcome = loadConfiguration(s, dialogs);
        EXPECT_EQ(outcome.status, LoadStatus::Unreadable) << path;
        EXPECT_TRUE(dialogs.notices.empty());
        EXPECT_EQ(s.ClusterSlots, before.ClusterSlots);
        EXPECT_EQ(s.UsedBytes, before.UsedBytes);
        EXPECT_EQ(s.view.grid, before.view.grid);
        EXPECT_EQ(s.view.slotPicture, before.view.slotPicture);
        EXPECT_EQ(s.view.text("Text9"), path);
    }
}

TEST(LoadConfiguration, JunkNeverLeavesTotalsOutOfStep)
{
    TempDir dir;
    std::mt19937 random(99);
    Session good = stationWith(FieldbusProtocol::CanOpen, {0, 4});
    const std::string text = writeProjectText(good.ClusterSlots);
    for (int round = 0; round < 200; ++round) {
        std::string bytes = text;
        for (int flips = 0; flips < 1 + round % 5; ++flips)
            bytes[random() % bytes.size()] = static_cast<char>(random() % 256);
        writeBytes(dir.file("junk.edp"), bytes);
        Session s = startedSession(FieldbusProtocol::CanOpen);
        test::ScriptedDialogs dialogs;
        dialogs.thenChooseFile(dir.file("junk.edp"));
        LoadConfiguration(s, dialogs);
        // Whatever was taken over, the totals are those of the occupied positions taken over.
        ByteCounts sum{};
        for (std::size_t i = 0; i < 8; ++i) {
            if (s.view.slotPicture[i].empty())
                continue;
            for (std::size_t k = 0; k < 4; ++k)
                sum[k] += s.ClusterSlots[i].bytes()[k];
        }
        ASSERT_EQ(s.UsedBytes, sum) << "round " << round;
        ASSERT_TRUE(dialogs.notices.empty());
    }
}

} // namespace
} // namespace quillon
