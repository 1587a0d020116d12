#include <gtest/gtest.h>
#include <vector>

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

// Generates CANopen stations of the sample catalogue, edits them in the parameter editor and reads
// them back as "Load existing EDS" does.
class SampleRoundTrip : public ::testing::Test
{
protected:
    // A session after start-up with the sample catalogue, holding the head and `cluster`.
    [[nodiscard]] Session startedSession(const std::vector<ModuleInfo>& cluster = {}) const
    {
        const Settings& settings = m_settings.settings;
        Session session =
            test::stationSession(settings.resourcePath, FieldbusProtocol::CanOpen, cluster);
        session.gstrEDSFilePath = m_scratch.path().string() + "/";
        session.ModuleCatalogue = settings.catalogue;
        session.catalogueRecordCount = settings.catalogueRecordCount;
        return session;
    }

    // Opens `path` as "Load existing EDS" does and returns the editor's table; `allDefaults` tells
    // whether every value is its default.
    [[nodiscard]] std::string reloaded(const std::string& path, bool* allDefaults = nullptr) const
    {
        Session session = startedSession();
        test::ScriptedDialogs dialogs;
        dialogs.thenChooseFile(path);
        EXPECT_TRUE(Command16_Click(session, dialogs));
        ParameterEditor editor;
        EXPECT_EQ(editor.Form_Load(session, dialogs), ParameterEditor::LoadResult::Loaded);
        EXPECT_TRUE(dialogs.notices.empty()) << dialogs.notices.front();
        EXPECT_TRUE(dialogs.unexpected.empty());
        for (int k = 1; allDefaults && k <= editor.rowCount(); ++k)
            *allDefaults = *allDefaults && editor.row(k).value == editor.row(k).defaultValue;
        return formatParameterTable(editor, TableFormat::Tsv);
    }

    // Sets the defaults, gives the first parameter of every slot another value and saves;
    // returns the table the editor then shows.
    static std::string editAndSave(Session& session, const std::string& path)
    {
        test::ScriptedDialogs dialogs;
        dialogs.thenAnswer(true).thenChooseFile(path);
        EXPECT_TRUE(Command15_Click(session, dialogs));
        ParameterEditor editor;
        EXPECT_EQ(editor.Form_Load(session, dialogs), ParameterEditor::LoadResult::Loaded);
        EXPECT_TRUE(editor.Command1_Click(session, dialogs));
        for (const EditorSlot& slot : editor.slots()) {
            const ParameterRow& row = editor.row(slot.firstRow);
            EXPECT_EQ(enterParameterValue(editor, slot.number, 1, otherValue(row), dialogs),
                      EntryResult::Taken)
                << slot.caption;
            EXPECT_NE(row.record.ValueNumber, row.record.DefaultNumber) << slot.caption;
        }
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

    const SettingsResult m_settings =
        readSettingsFile(std::string(QUILLON_RESOURCES) + "/Quillon.ini", QUILLON_RESOURCES);
    test::ScratchDir m_scratch{"quillon-roundtrip"};
};

TEST_F(SampleRoundTrip, EveryModuleKeepsItsEditedValueAndItsDefaults)
{
    ASSERT_TRUE(m_settings.ok) << m_settings.error.detail;
    const int count = m_settings.settings.catalogueRecordCount;
    ASSERT_GE(count, 17);
    for (int index = 0; index < count; ++index) {
        const ModuleInfo& module = m_settings.settings.catalogue[static_cast<std::size_t>(index)];
        SCOPED_TRACE(module.ResourceFile);
        const std::string path = m_scratch.path().string() + "/CO_" + module.ResourceFile;
        Session session = startedSession({module});
        const EdsBuildResult built = test::buildText(session, FieldbusProtocol::CanOpen, path);
        ASSERT_TRUE(built.ok) << built.error;
        ASSERT_TRUE(writeFileAtomically(path, built.text + "\r\n"));
        session.gstrActEDS = path;

        // Read back, the generated defaults are exactly what the resource files give.
        bool allDefaults = true;
        const std::string fresh = reloaded(path, &allDefaults);
        EXPECT_TRUE(allDefaults);
        const std::string edited = editAndSave(session, path);
        EXPECT_NE(edited, fresh);
        EXPECT_EQ(reloaded(path), edited);
    }
}

} // namespace
} // namespace quillon
