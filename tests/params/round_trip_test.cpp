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

// A value for `row` other than its default: another choice, or a limit.
std::string otherValue(const ParameterRow& row)
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

// Each module of the sample catalogue with the head: the CANopen EDS generated, read back as
// "Load existing EDS" does, the first parameter of every slot changed and saved, read back again.
TEST(SampleRoundTrip, EveryModuleKeepsItsEditedValueAndItsDefaults)
{
    const SettingsResult read =
        readSettingsFile(std::string(QUILLON_RESOURCES) + "/Quillon.ini", QUILLON_RESOURCES);
    ASSERT_TRUE(read.ok) << read.error.detail;
    ASSERT_GE(read.settings.catalogueRecordCount, 17);
    const test::ScratchDir dir("quillon-roundtrip");
    const auto started = [&](const std::vector<ModuleInfo>& cluster) {
        Session session =
            test::stationSession(read.settings.resourcePath, FieldbusProtocol::CanOpen, cluster);
        session.gstrEDSFilePath = dir.path().string() + "/";
        session.ModuleCatalogue = read.settings.catalogue;
        session.catalogueRecordCount = read.settings.catalogueRecordCount;
        return session;
    };
    // The editor opened on `path` by "Load existing EDS", as its table.
    const auto reloaded = [&](const std::string& path) {
        Session session = started({});
        test::ScriptedDialogs dialogs;
        dialogs.thenChooseFile(path);
        EXPECT_TRUE(Command16_Click(session, dialogs));
        ParameterEditor editor;
        EXPECT_EQ(editor.Form_Load(session, dialogs), ParameterEditor::LoadResult::Loaded);
        EXPECT_TRUE(dialogs.notices.empty() && dialogs.unexpected.empty());
        return formatParameterTable(editor, TableFormat::Tsv);
    };

    for (int index = 0; index < read.settings.catalogueRecordCount; ++index) {
        const ModuleInfo& module = read.settings.catalogue[static_cast<std::size_t>(index)];
        SCOPED_TRACE(module.ResourceFile);
        const std::string path = dir.path().string() + "/CO_" + module.ResourceFile;
        Session session = started({module});
        const EdsBuildResult built = test::buildText(session, FieldbusProtocol::CanOpen, path);
        ASSERT_TRUE(built.ok) << built.error;
        ASSERT_TRUE(writeFileAtomically(path, built.text + "\r\n"));
        session.gstrActEDS = path;
        const std::string fresh = reloaded(path);

        test::ScriptedDialogs dialogs;
        dialogs.thenAnswer(true).thenChooseFile(path);
        EXPECT_TRUE(Command15_Click(session, dialogs));
        ParameterEditor editor;
        EXPECT_EQ(editor.Form_Load(session, dialogs), ParameterEditor::LoadResult::Loaded);
        EXPECT_TRUE(editor.Command1_Click(session, dialogs));
        // The generated values are exactly the defaults the resource files give.
        EXPECT_EQ(formatParameterTable(editor, TableFormat::Tsv), fresh);
        for (const EditorSlot& slot : editor.slots()) {
            const ParameterRow& row = editor.row(slot.firstRow);
            EXPECT_EQ(enterParameterValue(editor, slot.number, 1, otherValue(row), dialogs),
                      EntryResult::Taken);
            EXPECT_NE(row.record.ValueNumber, row.record.DefaultNumber) << slot.caption;
        }
        EXPECT_EQ(editor.Command3_Click(session, dialogs), ParameterEditor::SaveResult::Saved);
        EXPECT_TRUE(dialogs.notices.empty() && dialogs.done());
        EXPECT_EQ(reloaded(path), formatParameterTable(editor, TableFormat::Tsv));
    }
}

} // namespace
} // namespace quillon
