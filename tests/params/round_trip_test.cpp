#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <vector>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include "core/file_access.h"
#include "core/number_text.h"
#include "core/settings.h"
#include "params/editor_commands.h"
#include "params/parameter_editor.h"
#include "params/parameter_table.h"
#include "tests/eds/eds_test_support.h"
#include "tests/fakes/scratch_dir.h"
#include "tests/fakes/scripted_dialogs.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;

// Generates CANopen stations of the sample catalogue, edits them in the parameter editor and reads
// them back as "Load existing EDS" does.
class SampleRoundTrip : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_settings =
            readSettingsFile(std::string(QUILLON_RESOURCES) + "/Quillon.ini", QUILLON_RESOURCES);
    }

    void SetUp() override { ASSERT_TRUE(s_settings.ok) << s_settings.error.detail; }

    // A session after start-up with the sample catalogue, holding the head and `modules`
    // (catalogue indices).
    [[nodiscard]] Session startedSession(const std::vector<int>& modules = {}) const
    {
        const Settings& settings = s_settings.settings;
        std::vector<ModuleInfo> cluster;
        for (const int index : modules)
            cluster.push_back(settings.catalogue[static_cast<std::size_t>(index)]);
        Session session =
            test::stationSession(settings.resourcePath, FieldbusProtocol::CanOpen, cluster);
        session.gstrEDSFilePath = m_dir.string() + "/";
        session.ModuleCatalogue = settings.catalogue;
        session.catalogueRecordCount = settings.catalogueRecordCount;
        return session;
    }

    // Generates the CANopen EDS of the head and `modules` into `path`.
    [[nodiscard]] Session generated(const std::vector<int>& modules, const std::string& path) const
    {
        Session session = startedSession(modules);
        const EdsBuildResult built = test::buildText(session, FieldbusProtocol::CanOpen, path);
        EXPECT_TRUE(built.ok) << built.error;
        EXPECT_TRUE(writeFileAtomically(path, built.text + "\r\n"));
        session.gstrActEDS = path;
        return session;
    }

    // Opens `path` as "Load existing EDS" does and returns the editor's table.
    [[nodiscard]] std::string reloaded(const std::string& path) const
    {
        Session session = startedSession();
        test::ScriptedDialogs dialogs;
        dialogs.thenChooseFile(path);
        EXPECT_TRUE(Command16_Click(session, dialogs));
        ParameterEditor editor;
        EXPECT_EQ(editor.Form_Load(session, dialogs), ParameterEditor::LoadResult::Loaded);
        EXPECT_TRUE(dialogs.notices.empty()) << dialogs.notices.front();
        EXPECT_TRUE(dialogs.unexpected.empty());
        return formatParameterTable(editor, TableFormat::Tsv);
    }

    // Sets the defaults, changes the first parameter of every slot, saves; returns the table the
    // editor then shows.
    static std::string editAndSave(Session& session, const std::string& path)
    {
        test::ScriptedDialogs dialogs;
        EXPECT_TRUE(Command15_Click(session, dialogs));
        ParameterEditor editor;
        EXPECT_EQ(editor.Form_Load(session, dialogs), ParameterEditor::LoadResult::Loaded);
        dialogs.thenAnswer(true);
        EXPECT_TRUE(editor.Command1_Click(session, dialogs));
        for (const EditorSlot& slot : editor.slots()) {
            if (slot.parameterCount == 0)
                continue;
            const ParameterRow& row = editor.row(slot.firstRow);
            EXPECT_EQ(enterParameterValue(editor, slot.number, 1, otherValue(row), dialogs),
                      EntryResult::Taken)
                << slot.caption;
            EXPECT_NE(editor.row(slot.firstRow).record.ValueNumber, row.record.DefaultNumber)
                << slot.caption;
            // And one typed, where the slot has a parameter without choices.
            for (int param = 2; param <= slot.parameterCount; ++param) {
                const ParameterRow& typed = editor.row(slot.firstRow + param - 1);
                if (!typed.record.EnumText.empty())
                    continue;
                EXPECT_EQ(
                    enterParameterValue(editor, slot.number, param, otherValue(typed), dialogs),
                    EntryResult::Taken)
                    << slot.caption << " " << typed.label;
                break;
            }
        }
        dialogs.thenChooseFile(path);
        EXPECT_EQ(editor.Command3_Click(session, dialogs), ParameterEditor::SaveResult::Saved);
        EXPECT_TRUE(dialogs.notices.empty()) << dialogs.notices.front();
        EXPECT_TRUE(dialogs.done());
        return formatParameterTable(editor, TableFormat::Tsv);
    }

    // A value for `row` other than its default: another choice, or a limit.
    static std::string otherValue(const ParameterRow& row)
    {
        const ParameterRecord& record = row.record;
        for (std::size_t m = 0; m < record.EnumText.size(); ++m) {
            if (record.EnumValue[m] != record.DefaultNumber)
                return record.EnumText[m];
        }
        const double low = limitNumber(row.minimum).value_or(0);
        const double high = limitNumber(row.maximum).value_or(0);
        return decimalText(static_cast<long long>(low != record.DefaultNumber ? low : high));
    }

    static SettingsResult s_settings;
    test::ScratchDir m_scratch{"quillon-roundtrip"};
    const fs::path& m_dir = m_scratch.path();
};

SettingsResult SampleRoundTrip::s_settings;

TEST_F(SampleRoundTrip, EveryModuleKeepsItsEditedValueAndItsDefaults)
{
    const int count = s_settings.settings.catalogueRecordCount;
    ASSERT_GE(count, 17);
    for (int index = 0; index < count; ++index) {
        const std::string model = modelNameOf(
            s_settings.settings.catalogue[static_cast<std::size_t>(index)].ResourceFile);
        SCOPED_TRACE(model);
        const std::string path = (m_dir / ("CO_" + model + ".eds")).string();
        Session session = generated({index}, path);

        // Read back, the generated defaults are exactly what the resource files give.
        const std::string fresh = reloaded(path);
        std::istringstream lines(fresh);
        for (std::string line; std::getline(lines, line);) {
            std::vector<std::string> fields;
            std::istringstream cells(line);
            for (std::string cell; std::getline(cells, cell, '\t');)
                fields.push_back(cell);
            ASSERT_GE(fields.size(), 5u) << line;
            EXPECT_EQ(fields[3], fields[4]) << line;
        }

        const std::string edited = editAndSave(session, path);
        EXPECT_NE(edited, fresh);
        EXPECT_EQ(reloaded(path), edited);
    }
}

TEST_F(SampleRoundTrip, SampleProjectStationThroughTheCommandLine)
{
    std::vector<int> modules;
    for (int i = 0; i < s_settings.settings.catalogueRecordCount; ++i) {
        const std::string model = modelNameOf(s_settings.settings.catalogue[i].ResourceFile);
        if (model == "KD236" || model == "KD418" || model == "KA224" || model == "KA424" ||
            model == "KM688")
            modules.push_back(i);
    }
    ASSERT_EQ(modules.size(), 5u);
    const std::string path = (m_dir / "CO_sample.eds").string();
    Session session = generated(modules, path);
    const std::string edited = editAndSave(session, path);
    EXPECT_EQ(std::count(edited.begin(), edited.end(), '\n'), 11 + 5 + 3 + 6 + 5 + 3);
    EXPECT_EQ(reloaded(path), edited);

#ifndef _WIN32
    // The command line shows the same table. (The Windows build checks its program from a script.)
    const std::string out = (m_dir / "shown.tsv").string();
    const std::string command = std::string("\"") + QUILLON_CLI_EXE + "\" --ini \"" +
                                QUILLON_RESOURCES + "/Quillon.ini\" params show \"" + path +
                                "\" --format tsv > \"" + out + "\" 2>&1";
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(readFileBytes(out), ParameterTsvHeader + edited);
#endif
}

} // namespace
} // namespace quillon
