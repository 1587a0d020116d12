#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include "core/item_reader.h"
#include "core/session.h"
#include "core/settings.h"
#include "eds/generate.h"
#include "params/editor_commands.h"
#include "params/number_text.h"
#include "params/parameter_editor.h"
#include "params/parameter_table.h"
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

    void SetUp() override
    {
        ASSERT_TRUE(s_settings.ok) << s_settings.error.detail;
        m_dir = fs::temp_directory_path() / ("quillon-roundtrip-" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }

    // A session after start-up: the sample catalogue and the head at position 0.
    [[nodiscard]] Session startedSession() const
    {
        const Settings& settings = s_settings.settings;
        Session session;
        session.gstrResourcePath = settings.resourcePath;
        session.gstrEDSFilePath = m_dir.string() + "/";
        session.ModuleCatalogue = settings.catalogue;
        session.catalogueRecordCount = settings.catalogueRecordCount;
        session.ClusterSlots[0] = headRecord();
        session.clock = [] { return DateTime{2010, 3, 4, 21, 5, 0}; };
        return session;
    }

    // Generates the CANopen EDS of the head and `modules` (catalogue indices) into `path`.
    [[nodiscard]] Session generated(const std::vector<int>& modules, const std::string& path) const
    {
        Session session = startedSession();
        session.UsedBytes = session.ClusterSlots[0].bytes();
        for (const int index : modules) {
            const ModuleInfo& m = session.ModuleCatalogue[static_cast<std::size_t>(index)];
            session.ClusterSlots[static_cast<std::size_t>(session.UsedCount++)] = m;
            for (std::size_t kind = 0; kind < ByteKindCount; ++kind)
                session.UsedBytes[kind] += m.bytes()[kind];
        }
        test::ScriptedDialogs quiet;
        const EdsBuildResult built =
            buildEdsText(session, FieldbusProtocol::CanOpen, path, session.clock(), quiet);
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
            EXPECT_FALSE(row.name.empty()) << slot.caption;
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
    fs::path m_dir;
};

SettingsResult SampleRoundTrip::s_settings;

// Runs quillon-cli; its standard output, or nullopt when it is not built.
std::optional<std::string> runCli(const std::string& arguments, int& status)
{
    if (!fs::exists(QUILLON_CLI_EXE))
        return std::nullopt;
    const std::string out = (fs::temp_directory_path() / "quillon-roundtrip-cli.txt").string();
    const std::string command =
        std::string("\"") + QUILLON_CLI_EXE + "\" " + arguments + " > \"" + out + "\" 2>&1";
    const int raw = std::system(command.c_str());
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::string text = readFileBytes(out).value_or("");
    fs::remove(out);
    return text;
}

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
    for (const char* model : {"KD236", "KD418", "KA224", "KA424", "KM688"}) {
        for (int i = 0; i < s_settings.settings.catalogueRecordCount; ++i) {
            if (modelNameOf(
                    s_settings.settings.catalogue[static_cast<std::size_t>(i)].ResourceFile) ==
                model)
                modules.push_back(i);
        }
    }
    ASSERT_EQ(modules.size(), 5u);
    const std::string path = (m_dir / "CO_sample.eds").string();
    Session session = generated(modules, path);
    const std::string edited = editAndSave(session, path);
    EXPECT_EQ(std::count(edited.begin(), edited.end(), '\n'), 11 + 5 + 3 + 6 + 5 + 3);
    EXPECT_EQ(reloaded(path), edited);

    int status = 0;
    const std::string ini = std::string("--ini \"") + QUILLON_RESOURCES + "/Quillon.ini\" ";
    const auto shown = runCli(ini + "params show \"" + path + "\" --format tsv", status);
    if (!shown)
        GTEST_SKIP() << "quillon-cli is not built";
    if (shown->find("unknown command 'params'") != std::string::npos)
        GTEST_SKIP() << "quillon-cli does not offer params yet";
    EXPECT_EQ(status, 0) << *shown;
    EXPECT_EQ(*shown, edited);
}

} // namespace
} // namespace quillon
