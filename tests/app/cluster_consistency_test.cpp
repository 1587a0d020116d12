#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <sstream>

#include "core/cluster.h"
#include "core/file_access.h"
#include "core/io_map_view.h"
#include "core/item_reader.h"
#include "core/session.h"
#include "core/startup.h"
#include "eds/generate.h"
#include "eds/template_reader.h"
#include "project/project_file.h"
#include "tests/fakes/scripted_dialogs.h"
#include "tests/fakes/temp_station.h"

namespace quillon {
namespace {

// Rows of the sample catalogue used by name below.
constexpr int KD214 = 0, KD236 = 2, KD414 = 4, KD418 = 5, KA224 = 9, KA228 = 10, KA422 = 12;
constexpr int SampleCatalogueSize = 17;

// The sample station: its settings file and catalogue, reading pictures and templates from the
// sample resource folder, so the grid, the project file and both EDS generators run for real.
class SampleStation : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string ini = readFileBytes(QUILLON_RESOURCES "/Quillon.ini").value_or("");
        const std::string empty = "[Resourcepath]\r\n\r\n";
        const auto at = ini.find(empty);
        ASSERT_NE(at, std::string::npos);
        ini.replace(at, empty.size(),
                    "[Resourcepath]\r\n" + std::string(QUILLON_RESOURCES) + "/Resources/\r\n");
        station.writeIni(ini);
        s = station.session();
        ASSERT_TRUE(startUp(s, dialogs));
    }

    void openNew(FieldbusProtocol protocol)
    {
        ChooseProtocol(s, protocol);
        NewConfiguration(s, dialogs);
    }

    void add(int row)
    {
        SelectCatalogueEntry(s, dialogs, row);
        AddModule(s, dialogs);
    }

    // Model names of the positions that show a picture, in slot order.
    std::vector<std::string> shownModules() const
    {
        std::vector<std::string> names;
        for (std::size_t i = 0; i < s.view.slotPicture.size(); ++i) {
            if (!s.view.slotPicture[i].empty())
                names.push_back(modelNameOf(s.ClusterSlots[i].ResourceFile));
        }
        return names;
    }

    // The product name an EDS of `protocol` generated now would carry, or why none was made.
    std::string productName(FieldbusProtocol protocol)
    {
        const EdsBuildResult built =
            buildEdsText(s, protocol, station.dir() + "/EDSFiles/x.eds",
                         DateTime{2009, 6, 30, 21, 5, 9}, dialogs, templates);
        if (!built.ok)
            return "no EDS: " + built.error;
        const std::string key = "ProdName = \"";
        const auto from = built.text.find(key);
        if (from == std::string::npos)
            return "no ProdName";
        const auto start = from + key.size();
        return built.text.substr(start, built.text.find('"', start) - start);
    }

    // Free positions before the last module.
    int gapCount() const
    {
        int gaps = 0;
        for (int i = 1; i < s.UsedCount && i < ShownPositions; ++i)
            gaps += s.ClusterSlots[static_cast<std::size_t>(i)].isFree() ? 1 : 0;
        return gaps;
    }

    // Everything that must agree with the pictures, as a list of what disagrees ("" when all
    // agree). The grid, the I/O map window, the project file and the EDS are compared only while
    // the cluster has no gap: during one the grid keeps what it showed before the clear.
    std::string inconsistencies()
    {
        std::ostringstream out;
        ByteCounts expected = headRecord().bytes();
        bool gap = false;
        for (int i = 0; i < ShownPositions; ++i) {
            const auto pos = static_cast<std::size_t>(i);
            const ModuleInfo& m = s.ClusterSlots[pos];
            const std::string picture = m.isFree() ? "" : s.gstrResourcePath + m.PictureFile;
            if (s.view.slotPicture[pos] != picture)
                out << "position " << i << " shows '" << s.view.slotPicture[pos] << "'; ";
            if (m.isFree() && i >= 1 && i < s.UsedCount)
                gap = true;
            if (!m.isFree() && i >= s.UsedCount)
                out << "position " << i << " is occupied at or above UsedCount " << s.UsedCount
                    << "; ";
            for (std::size_t k = 0; i > 0 && !m.isFree() && k < ByteKindCount; ++k)
                expected[k] += m.bytes()[k];
        }
        if (s.ClusterSlots[0] != headRecord() || !s.ClusterSlots[8].isFree())
            out << "head or spare position changed; ";
        if (s.UsedCount < 1 || s.UsedCount > 8)
            out << "UsedCount " << s.UsedCount << "; ";
        if (s.UsedBytes != expected)
            out << "UsedBytes are not the head plus the occupied positions; ";
        if (s.view.text("Text21") != std::to_string(s.UsedBytes[AnalogIn]))
            out << "the analogue input box is stale; ";
        if (s.SelectedSlot == 0 && (s.view.isEnabled("Command8") || s.view.isEnabled("Command11")))
            out << "nothing selected, but Clear selected or Insert before selected is enabled; ";
        if (s.SelectedSlotEmpty &&
            (s.SelectedSlot == 0 ||
             !s.ClusterSlots[static_cast<std::size_t>(s.SelectedSlot)].isFree() ||
             s.SelectedSlot >= s.UsedCount))
            out << "a refill is pending for position " << s.SelectedSlot << ", which is no gap; ";
        if (gap)
            return out.str();

        // Row i + 1 lists position i by model name, with byte numbers only for a module.
        ShowIoList(s);
        for (const auto* grid : {&s.view.grid, &s.view.mapList}) {
            for (int i = 0; i < ShownPositions; ++i) {
                const auto pos = static_cast<std::size_t>(i);
                const bool shown = !s.view.slotPicture[pos].empty();
                const auto& row = (*grid)[pos + 1];
                const std::string name = shown ? modelNameOf(s.ClusterSlots[pos].ResourceFile) : "";
                if (row[1] != name)
                    out << (grid == &s.view.grid ? "grid" : "I/O map") << " row " << i + 1
                        << " lists '" << row[1] << "'; ";
                if (!shown && s.Protocol != FieldbusProtocol::None &&
                    !(row[2] + row[3] + row[4] + row[5]).empty())
                    out << "row " << i + 1 << " numbers bytes of a free position; ";
            }
        }
        s.view.mapListOpen = false;

        const ProjectParse project = parseProjectText(writeProjectText(s.ClusterSlots));
        std::vector<std::string> inProject;
        for (const ModuleInfo& record : project.records) {
            if (!record.isFree())
                inProject.push_back(modelNameOf(record.ResourceFile));
        }
        if (!project.complete || inProject != shownModules())
            out << "the project file lists other modules; ";

        // Generating both EDS is the slow part: a cluster already checked is not generated again.
        const std::string cluster = writeProjectText(s.ClusterSlots) + std::to_string(s.UsedCount);
        if (!out.str().empty() || cluster == generatedFor)
            return out.str();
        generatedFor = cluster;
        std::string expectedName = "K310";
        for (const std::string& model : shownModules())
            expectedName += (expectedName == "K310" ? "-" : "+") + model;
        for (const FieldbusProtocol protocol :
             {FieldbusProtocol::DeviceNet, FieldbusProtocol::CanOpen}) {
            // Totals a CANopen EDS cannot carry are refused before anything is written.
            if (checkGeneratorRange(s, protocol))
                continue;
            const std::string name = productName(protocol);
            if (name != expectedName)
                out << "EDS " << static_cast<int>(protocol) << " has ProdName '" << name << "'; ";
        }
        return out.str();
    }

    test::TempStation station;
    test::ScriptedDialogs dialogs;
    Session s;
    TemplateStore templates{QUILLON_RESOURCES "/Resources/"};
    std::string generatedFor; // the cluster whose EDS were checked last
};

// A module cleared in the middle, the gap removed, everything cleared, a position far out
// selected and a module added: it goes next to the head, and the records Clear all left in the
// free positions show nowhere.
TEST_F(SampleStation, AnAddAfterClearAllGoesNextToTheHead)
{
    for (const FieldbusProtocol protocol :
         {FieldbusProtocol::CanOpen, FieldbusProtocol::DeviceNet}) {
        SCOPED_TRACE(static_cast<int>(protocol));
        ASSERT_TRUE(startUp(s, dialogs));
        openNew(protocol);
        for (const int row : {KD236, KD418, KA224, KA422, KA228})
            add(row);
        SelectSlot(s, 2);
        ClearSelected(s);
        RemoveGaps(s);
        ClearAll(s);
        SelectSlot(s, 4);
        add(KD414);

        EXPECT_EQ(shownModules(), (std::vector<std::string>{"HB612", "KD414"}));
        EXPECT_EQ(s.UsedCount, 2);
        EXPECT_EQ(s.UsedBytes, (ByteCounts{2, 2, 0, 0}));
        EXPECT_EQ(s.view.grid[3][1], "");
        EXPECT_EQ(productName(protocol), "K310-HB612+KD414");
        EXPECT_EQ(inconsistencies(), "");
    }
    EXPECT_TRUE(dialogs.notices.empty());
}

// Clearing the last module drops the selection, so selecting a free position beyond the cluster
// and adding appends right after the last module.
TEST_F(SampleStation, AnAddAfterClearingTheLastModulesAppends)
{
    openNew(FieldbusProtocol::DeviceNet);
    for (const int row : {KD214, KA224, KD414})
        add(row);
    SelectSlot(s, 3);
    ClearSelected(s);
    SelectSlot(s, 2);
    ClearSelected(s);
    SelectSlot(s, 5);
    add(KA422);

    EXPECT_EQ(shownModules(), (std::vector<std::string>{"HB612", "KD214", "KA422"}));
    EXPECT_EQ(s.UsedCount, 3);
    EXPECT_EQ(s.UsedBytes, (ByteCounts{3, 1, 0, 4}));
    EXPECT_EQ(s.view.grid[4][1] + s.view.grid[4][4], ""); // no phantom analogue input range
    EXPECT_EQ(inconsistencies(), "");
}

// A refill still goes to the gap that Clear selected made while it stays selected; selecting
// another position in between gives that up.
TEST_F(SampleStation, OnlyTheStillSelectedGapIsRefilled)
{
    openNew(FieldbusProtocol::CanOpen);
    for (const int row : {KD214, KA224, KD414})
        add(row);
    SelectSlot(s, 2);
    ClearSelected(s);
    EXPECT_EQ(s.SelectedSlot, 2);
    add(KD236);
    EXPECT_EQ(shownModules(), (std::vector<std::string>{"HB612", "KD214", "KD236", "KD414"}));

    SelectSlot(s, 1);
    ClearSelected(s);
    SelectSlot(s, 2); // another position: the pending refill is dropped
    SelectSlot(s, 1); // and coming back does not bring it back
    add(KD418);
    EXPECT_EQ(s.UsedCount, 5);
    EXPECT_EQ(shownModules(),
              (std::vector<std::string>{"HB612", "KD236", "KD414", "KD418"})); // gap at 1
}

// Whatever changes the selection or replaces the cluster gives up a pending refill.
TEST_F(SampleStation, AnythingButKeepingTheGapSelectedGivesUpTheRefill)
{
    const std::string project = station.dir() + "/Projects/two.edp";
    const std::pair<const char*, std::function<void()>> replacements[] = {
        {"Select another", [this] { SelectSlot(s, 1); }},
        {"Deselect", [this] { SelectSlot(s, 2); }},
        {"Clear all", [this] { ClearAll(s); }},
        {"Remove gaps", [this] { RemoveGaps(s); }},
        {"New configuration", [this] { NewConfiguration(s, dialogs); }},
        {"Load", [this, &project] {
             dialogs.thenChooseFile(project);
             LoadConfiguration(s, dialogs);
         }}};
    for (const auto& [name, replace] : replacements) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(startUp(s, dialogs));
        openNew(FieldbusProtocol::DeviceNet);
        add(KD214);
        add(KA224);
        test::TempStation::writeFile(project, writeProjectText(s.ClusterSlots));
        add(KD414);
        SelectSlot(s, 2);
        ClearSelected(s);
        ASSERT_TRUE(s.SelectedSlotEmpty);
        replace();
        EXPECT_FALSE(s.SelectedSlotEmpty);
        EXPECT_EQ(inconsistencies(), "");
    }
}

// Insert before a free position at or after the end places the module where Add would.
TEST_F(SampleStation, InsertBeforeAFreePositionBehindTheModulesAppends)
{
    openNew(FieldbusProtocol::CanOpen);
    add(KD214);
    SelectSlot(s, 5);
    SelectCatalogueEntry(s, dialogs, KA422);
    InsertBeforeSelected(s, dialogs);
    EXPECT_EQ(shownModules(), (std::vector<std::string>{"HB612", "KD214", "KA422"}));
    EXPECT_EQ(s.UsedCount, 3);
    EXPECT_EQ(s.SelectedSlot, 0);
    EXPECT_EQ(inconsistencies(), "");
}

// A new configuration empties the preview but keeps the module last clicked, which Insert can
// still place: the position shows that module, not the empty preview.
TEST_F(SampleStation, InsertAfterANewConfigurationShowsTheInsertedModule)
{
    openNew(FieldbusProtocol::CanOpen);
    SelectCatalogueEntry(s, dialogs, KA224);
    NewConfiguration(s, dialogs);
    SelectSlot(s, 1);
    ASSERT_TRUE(s.view.isEnabled("Command11"));
    InsertBeforeSelected(s, dialogs);
    EXPECT_EQ(s.view.slotPicture[1], s.gstrResourcePath + "KA224.wmf");
    EXPECT_EQ(inconsistencies(), "");
}

// Clear selected and Insert before selected are off whenever nothing is selected, and reached
// without a selection they only switch themselves off.
TEST_F(SampleStation, WithoutASelectionClearAndInsertAreDisabledAndInert)
{
    openNew(FieldbusProtocol::CanOpen);
    add(KD214);
    add(KD236);
    const auto selectThen = [this](void (*operation)(Session&)) {
        SelectCatalogueEntry(s, dialogs, KD414);
        SelectSlot(s, 2);
        ASSERT_TRUE(s.view.isEnabled("Command8") && s.view.isEnabled("Command11"));
        operation(s);
        EXPECT_EQ(s.SelectedSlot, 0);
        EXPECT_FALSE(s.view.isEnabled("Command8"));
        EXPECT_FALSE(s.view.isEnabled("Command11"));
    };
    selectThen(ClearAll);
    add(KD214);
    add(KD236);
    SelectSlot(s, 1);
    ClearSelected(s);
    selectThen(RemoveGaps);

    const ClusterTable before = s.ClusterSlots;
    s.view.enable("Command8", true);
    s.view.enable("Command11", true);
    ClearSelected(s);
    InsertBeforeSelected(s, dialogs);
    EXPECT_EQ(s.ClusterSlots, before);
    EXPECT_FALSE(s.view.isEnabled("Command8") || s.view.isEnabled("Command11"));
    EXPECT_TRUE(dialogs.notices.empty());
}

// Random sequences of what a user can click, with everything the pictures show compared after
// every step against the grid, the I/O map window, the project file and both generated EDS.
TEST_F(SampleStation, RandomEditingKeepsEveryViewOfTheClusterInStep)
{
    std::mt19937 rng(20261205);
    auto pick = [&rng](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    const std::string project = station.dir() + "/Projects/random.edp";

    for (int run = 0; run < 150; ++run) {
        std::filesystem::remove(project);
        int savedGaps = 0;
        ASSERT_TRUE(startUp(s, dialogs));
        openNew(pick(2) == 0 ? FieldbusProtocol::DeviceNet : FieldbusProtocol::CanOpen);
        std::string trail = "adds ";
        for (int k = pick(8); k > 0; --k) {
            const int row = pick(SampleCatalogueSize);
            trail += std::to_string(row) + " ";
            add(row);
        }
        trail += "then ";
        for (int step = 0; step < 40; ++step) {
            // Weighted towards filling the cluster and clearing in it, so that most steps start
            // from several modules, often with gaps.
            const int op = pick(32);
            // Only what the user can click: a command whose button is off is not run.
            const auto on = [this](const char* button) { return s.view.isEnabled(button); };
            trail += std::to_string(op) + " ";
            int gapsBefore = gapCount();
            const bool clearing = op >= 22 && op <= 26;
            bool dropsRefill = false;
            if (op <= 4) {
                SelectCatalogueEntry(s, dialogs, pick(SampleCatalogueSize));
            } else if (op <= 10) {
                SelectSlot(s, pick(8));
            } else if (op <= 18) {
                if (on("Command7"))
                    AddModule(s, dialogs);
            } else if (op <= 21) {
                if (on("Command11"))
                    InsertBeforeSelected(s, dialogs);
            } else if (clearing) {
                if (on("Command8"))
                    ClearSelected(s);
            } else if (op == 27) {
                dropsRefill = on("Command6");
                if (dropsRefill)
                    ClearAll(s);
            } else if (op <= 29) {
                dropsRefill = on("Command10");
                if (dropsRefill)
                    RemoveGaps(s);
            } else if (op == 30) {
                dropsRefill = true;
                NewConfiguration(s, dialogs);
            } else if (pick(2) == 0) {
                // Saved now, loaded some steps later over another cluster.
                test::TempStation::writeFile(project, writeProjectText(s.ClusterSlots));
                savedGaps = gapCount();
            } else if (std::filesystem::exists(project)) {
                dropsRefill = true;
                dialogs.thenChooseFile(project);
                LoadConfiguration(s, dialogs);
                gapsBefore = savedGaps; // a file saved with a gap brings it back
            }
            // A refill waits only for the gap Clear selected just made.
            ASSERT_FALSE(dropsRefill && s.SelectedSlotEmpty) << "after operations " << trail;
            // Only Clear selected of a module before the last one makes a gap.
            ASSERT_LE(gapCount(), gapsBefore + (clearing ? 1 : 0))
                << "run " << run << " after operations " << trail;
            const std::string wrong = inconsistencies();
            ASSERT_EQ(wrong, "") << "run " << run << " after operations " << trail;
        }
    }
    EXPECT_TRUE(dialogs.unexpected.empty());
}

} // namespace
} // namespace quillon
