#include <filesystem>
#include <gtest/gtest.h>

#include "core/item_reader.h"
#include "params/editor_commands.h"
#include "params/parameter_editor.h"
#include "tests/fakes/scripted_dialogs.h"
#include "tests/params/params_fixture.h"

namespace quillon {
namespace {

using test::ParamsDir;
using test::ScriptedDialogs;

// The editor opened on a copy of the sample station's EDS, as "Set  Module Parameters" opens it
// after a generation, or (loaded = true) as "Load existing EDS" opens it.
struct OpenEditor
{
    explicit OpenEditor(bool loaded)
    {
        session.gstrActEDS = dir.path("station.eds");
        EXPECT_TRUE(Command15_Click(session, dialogs));
        session.gbLoadedEDS = loaded;
        session.gbAskForDef = loaded;
    }
    ParameterEditor::LoadResult load() { return editor.Form_Load(session, dialogs); }
    const ParameterRow& row(int slot, int param) const
    {
        return editor.row(editor.rowOf(slot, param));
    }
    std::vector<std::string> savedValues(const std::string& path) const
    {
        std::vector<std::string> values;
        for (const auto& slot : readParameterValues(splitLines(ParamsDir::read(path))))
            values.insert(values.end(), slot.begin(), slot.end());
        return values;
    }

    ParamsDir dir;
    Session session = dir.session();
    ScriptedDialogs dialogs;
    ParameterEditor editor;
};

TEST(FormLoad, BuildsOneTabPerSlotAndReadsNamesAndLimits)
{
    OpenEditor e(false);
    ASSERT_EQ(e.load(), ParameterEditor::LoadResult::Loaded);
    ASSERT_EQ(e.editor.slots().size(), 3u);
    EXPECT_EQ(e.editor.slots()[0].caption, "HB612 - Slot 1");
    EXPECT_EQ(e.editor.slots()[1].caption, "KD236 - Slot 2");
    EXPECT_EQ(e.editor.slots()[2].frameName, "Frame3");
    EXPECT_EQ(e.editor.slots()[1].tag(), 1200);
    ASSERT_EQ(e.editor.rowCount(), 6);
    EXPECT_EQ(e.editor.selectedSlot(), 1);
    EXPECT_FALSE(e.editor.scrollBarVisible());

    const ParameterRow& offset = e.row(2, 2);
    EXPECT_EQ(e.editor.rowOf(2, 2), 4);
    EXPECT_EQ(offset.label, "Param.2");
    EXPECT_EQ(offset.tag(), 450);
    EXPECT_EQ(offset.name, "Parameter KD236 Offset");
    EXPECT_EQ(offset.minimum, "-10");
    EXPECT_EQ(offset.maximum, "10");
    // A generated EDS shows no values until the defaults are set.
    EXPECT_EQ(offset.value, "");
    EXPECT_EQ(offset.defaultValue, "");
    EXPECT_TRUE(e.dialogs.notices.empty());
    EXPECT_TRUE(e.dialogs.questions.empty());
}

TEST(FormLoad, LoadedEdsGetsDefaultsOnceWithoutAskingThenItsOwnValues)
{
    OpenEditor e(true);
    ASSERT_EQ(e.load(), ParameterEditor::LoadResult::Loaded);
    EXPECT_TRUE(e.dialogs.questions.empty());
    EXPECT_TRUE(e.dialogs.notices.empty()) << e.dialogs.notices.front();
    EXPECT_FALSE(e.session.gbAskForDef);
    EXPECT_FALSE(e.editor.ValueEdited());

    // The file's value 1 is a choice: its text is shown.
    EXPECT_EQ(e.row(1, 1).value, "0.3 ms");
    EXPECT_EQ(e.row(1, 1).record.ValueNumber, 1);
    EXPECT_EQ(e.row(1, 1).defaultValue, "3 ms");
    // 0x10 reads as 0.
    EXPECT_EQ(e.row(1, 2).value, "0");
    EXPECT_EQ(e.row(1, 2).defaultValue, "5");
    // A value and a default that match no choice show as numbers.
    EXPECT_EQ(e.row(2, 1).value, "2");
    EXPECT_EQ(e.row(2, 1).defaultValue, "7");
    EXPECT_EQ(e.row(2, 1).record.EnumText, (std::vector<std::string>{"Off", "On"}));
    // 12.5 rounds to the even 12.
    EXPECT_EQ(e.row(2, 3).record.ValueNumber, 12);
    EXPECT_EQ(e.row(2, 3).value, "12");
    // Two choices share the default's value: the last names it.
    EXPECT_EQ(e.row(3, 1).defaultValue, "Normal");
    EXPECT_EQ(e.row(3, 1).value, "Slow");
}

TEST(FormLoad, AsksAgainOnceTheDefaultsWereSetBefore)
{
    OpenEditor e(true);
    e.session.gbAskForDef = false;
    e.dialogs.thenAnswer(false);
    ASSERT_EQ(e.load(), ParameterEditor::LoadResult::Loaded);
    EXPECT_EQ(e.dialogs.questions, (std::vector<std::string>{SetDefaultsQuestion}));
    // Without choice lists the file's values show as plain numbers.
    EXPECT_EQ(e.row(1, 1).value, "1");
    EXPECT_EQ(e.row(1, 1).defaultValue, "");
    EXPECT_EQ(e.row(3, 1).value, "500");
}

TEST(FormLoad, ReportsSlotsWhoseParameterCountsDisagree)
{
    OpenEditor e(true);
    e.session.gstrModPar = {2, 4, 1};
    ASSERT_EQ(e.load(), ParameterEditor::LoadResult::Loaded);
    ASSERT_EQ(e.dialogs.notices.size(), 2u);
    EXPECT_NE(e.dialogs.notices[0].find("holds 3 parameters for slot 2"), std::string::npos)
        << e.dialogs.notices[0];
    EXPECT_NE(e.dialogs.notices[0].find("OVN_KD236.eds has 4"), std::string::npos);
    EXPECT_NE(e.dialogs.notices[1].find("Resource-File OVN_KD236.eds holds 3"), std::string::npos)
        << e.dialogs.notices[1];
    // The extra row stays empty and the next slot is not shifted.
    EXPECT_EQ(e.row(2, 4).name, "");
    EXPECT_EQ(e.row(3, 1).name, "Parameter KA224 Conversion");
    EXPECT_EQ(e.row(3, 1).value, "Slow");
}

TEST(FormLoad, RefusesMoreRowsThanTheEditorHolds)
{
    OpenEditor e(true);
    e.session.gstrModPar = {300, 200, 1};
    ASSERT_EQ(e.load(), ParameterEditor::LoadResult::Refused);
    ASSERT_EQ(e.dialogs.notices.size(), 1u);
    EXPECT_NE(e.dialogs.notices[0].find("501 module parameters"), std::string::npos);
    EXPECT_EQ(e.editor.rowCount(), 0);
    EXPECT_EQ(e.editor.slots().size(), 3u);
    EXPECT_FALSE(e.editor.Command1_Click(e.session, e.dialogs));
    EXPECT_EQ(e.editor.Command3_Click(e.session, e.dialogs),
              ParameterEditor::SaveResult::NotAvailable);
    EXPECT_TRUE(e.dialogs.unexpected.empty());
}

TEST(FormLoad, BuildsEmptyRowsWithoutAnEdsAndReportsOneThatCannotBeRead)
{
    OpenEditor none(true);
    none.session.gstrActEDS.clear();
    EXPECT_EQ(none.load(), ParameterEditor::LoadResult::NoEds);
    EXPECT_EQ(none.editor.rowCount(), 6);
    EXPECT_TRUE(none.dialogs.notices.empty());

    OpenEditor gone(true);
    gone.session.gstrActEDS = gone.dir.path("missing.eds");
    EXPECT_EQ(gone.load(), ParameterEditor::LoadResult::Unreadable);
    ASSERT_EQ(gone.dialogs.notices.size(), 1u);
    EXPECT_EQ(gone.dialogs.details[0], gone.dir.path("missing.eds"));
}

TEST(SetDefaultValues, AsksAndChangesNothingOnNo)
{
    OpenEditor e(false);
    ASSERT_EQ(e.load(), ParameterEditor::LoadResult::Loaded);
    e.dialogs.thenAnswer(false).thenAnswer(true);
    EXPECT_FALSE(e.editor.Command1_Click(e.session, e.dialogs));
    EXPECT_EQ(e.row(2, 2).defaultValue, "");
    EXPECT_TRUE(e.editor.Command1_Click(e.session, e.dialogs));
    EXPECT_EQ(e.row(2, 2).defaultValue, "-3");
    EXPECT_EQ(e.row(2, 2).value, "-3");
    EXPECT_EQ(e.row(2, 2).record.ValueNumber, -3);
    EXPECT_EQ(e.row(1, 1).value, "3 ms");
    EXPECT_EQ(e.dialogs.questions.size(), 2u);
}

TEST(SetDefaultValues, NamesAResourceFileThatCannotBeOpenedAndGoesOn)
{
    OpenEditor e(false);
    ASSERT_EQ(e.load(), ParameterEditor::LoadResult::Loaded);
    std::filesystem::remove(e.dir.resources() + "OVN_KD236.eds");
    e.dialogs.thenAnswer(true);
    EXPECT_TRUE(e.editor.Command1_Click(e.session, e.dialogs));
    ASSERT_EQ(e.dialogs.notices.size(), 1u);
    EXPECT_NE(e.dialogs.notices[0].find("OVN_KD236.eds cannot be opened"), std::string::npos);
    EXPECT_NE(e.dialogs.notices[0].find("slot 2"), std::string::npos);
    EXPECT_EQ(e.row(1, 2).defaultValue, "5");
    EXPECT_EQ(e.row(2, 1).defaultValue, "");
    EXPECT_EQ(e.row(3, 1).defaultValue, "Normal");
}

TEST(ValueBox, ChecksTypedEntriesAgainstTheLimits)
{
    OpenEditor e(true);
    ASSERT_EQ(e.load(), ParameterEditor::LoadResult::Loaded);
    const int delay = e.editor.rowOf(1, 2);     // limits 0 and 100, default 5
    const int threshold = e.editor.rowOf(2, 3); // limits 0x0 and 0xFF

    // Leaving a box that was not typed into does nothing.
    EXPECT_EQ(e.editor.Combo0_LostFocus(delay, e.dialogs), ParameterEditor::EntryCheck::NotEdited);

    e.editor.Combo0_Change(threshold, "16#1F");
    EXPECT_TRUE(e.editor.ValueEdited());
    EXPECT_EQ(e.editor.Combo0_LostFocus(threshold, e.dialogs),
              ParameterEditor::EntryCheck::Accepted);
    EXPECT_FALSE(e.editor.ValueEdited());
    EXPECT_EQ(e.editor.row(threshold).record.ValueNumber, 31);
    EXPECT_EQ(e.editor.row(threshold).record.ValueText, "&H1F&");
    EXPECT_EQ(e.editor.row(threshold).value, "16#1F");

    for (const char* bound : {"0", "100", "99.5"}) {
        e.editor.Combo0_Change(delay, bound);
        EXPECT_EQ(e.editor.Combo0_LostFocus(delay, e.dialogs),
                  ParameterEditor::EntryCheck::Accepted)
            << bound;
    }
    EXPECT_EQ(e.editor.row(delay).record.ValueNumber, 100); // 99.5 to the even 100
    EXPECT_TRUE(e.dialogs.notices.empty());

    for (const char* outside : {"16#FF", "101", "-1", "1e10"}) {
        e.editor.Combo0_Change(delay, outside);
        EXPECT_EQ(e.editor.Combo0_LostFocus(delay, e.dialogs),
                  ParameterEditor::EntryCheck::OutOfBounds)
            << outside;
        EXPECT_EQ(e.editor.row(delay).value, "5");
        EXPECT_EQ(e.editor.row(delay).record.ValueNumber, 5);
    }
    EXPECT_EQ(e.dialogs.notices, std::vector<std::string>(4, OutOfBoundsMessage));

    // No number counts as 0, which the limits allow here.
    e.editor.Combo0_Change(delay, "soon");
    EXPECT_EQ(e.editor.Combo0_LostFocus(delay, e.dialogs), ParameterEditor::EntryCheck::Accepted);
    EXPECT_EQ(e.editor.row(delay).record.ValueNumber, 0);
}

TEST(ValueBox, TakesAPickedChoiceWithoutACheck)
{
    OpenEditor e(true);
    ASSERT_EQ(e.load(), ParameterEditor::LoadResult::Loaded);
    const int filter = e.editor.rowOf(2, 1); // choices Off = 0, On = 1
    e.editor.Combo0_Change(filter, "On");
    e.editor.Combo0_Click(filter, "On");
    EXPECT_FALSE(e.editor.ValueEdited());
    EXPECT_EQ(e.editor.row(filter).record.ValueNumber, 1);
    EXPECT_EQ(e.editor.row(filter).record.ValueText, "On");
    EXPECT_EQ(e.editor.Combo0_LostFocus(filter, e.dialogs), ParameterEditor::EntryCheck::NotEdited);

    // A text that is no choice changes nothing until the box is left.
    e.editor.Combo0_Change(filter, "Maybe");
    e.editor.Combo0_Click(filter, "Maybe");
    EXPECT_TRUE(e.editor.ValueEdited());
    EXPECT_EQ(e.editor.row(filter).record.ValueNumber, 1);
}

TEST(SaveEdsFile, WritesTheValuesAsDefaultsAndOneMoreEmptyLineEachTime)
{
    OpenEditor e(false);
    ASSERT_EQ(e.load(), ParameterEditor::LoadResult::Loaded);
    const std::string path = e.dir.path("station.eds");
    e.session.view.edsdiag.fileName = "CO_";
    e.session.view.enable("Command2", false);
    e.session.view.enable("Command5", false);
    e.dialogs.thenAnswer(true).thenChooseFile(path).thenChooseFile(path);
    ASSERT_TRUE(e.editor.Command1_Click(e.session, e.dialogs));
    const int threshold = e.editor.rowOf(2, 3);
    e.editor.Combo0_Change(threshold, "16#1F");
    (void)e.editor.Combo0_LostFocus(threshold, e.dialogs);

    ASSERT_EQ(e.editor.Command3_Click(e.session, e.dialogs), ParameterEditor::SaveResult::Saved);
    ASSERT_EQ(e.dialogs.fileRequests.size(), 1u);
    EXPECT_EQ(e.dialogs.fileDialogKinds[0], "save");
    EXPECT_EQ(e.dialogs.fileRequests[0].directory, e.dir.dir());
    EXPECT_EQ(e.dialogs.fileRequests[0].fileName, "CO_");
    EXPECT_EQ(e.dialogs.fileRequests[0].title, "Save EDS File");
    EXPECT_EQ(e.dialogs.fileRequests[0].filter, "EDS-File (*.eds)|*.eds");
    EXPECT_EQ(e.session.view.text("Text9"), path);
    EXPECT_TRUE(e.session.view.isEnabled("Command2"));
    EXPECT_TRUE(e.session.view.isEnabled("Command5"));

    const std::string first = ParamsDir::read(path);
    EXPECT_EQ(e.savedValues(path), (std::vector<std::string>{"0", "5", "7", "-3", "31", "1000"}));
    EXPECT_NE(first.find("\r\nModificationTime=09:05PM\r\n"), std::string::npos);
    EXPECT_NE(first.find("\r\nModificationDate=06-30-2009 (first)\r\n"), std::string::npos);
    EXPECT_NE(first.find("\r\nFileName=" + path + "\r\n"), std::string::npos);
    EXPECT_NE(first.find("DefaultValue=0x00\r\n"), std::string::npos); // past the parameters

    ASSERT_EQ(e.editor.Command3_Click(e.session, e.dialogs), ParameterEditor::SaveResult::Saved);
    EXPECT_EQ(ParamsDir::read(path), first + "\r\n");
    EXPECT_EQ(e.dialogs.fileRequests[1].fileName, path); // the dialog proposes the last file
    EXPECT_TRUE(e.dialogs.done());
}

TEST(SaveEdsFile, LeavesRowsWithoutDefaultsAsTheyWere)
{
    OpenEditor e(false);
    e.session.clock = [] { return DateTime{2010, 1, 2, 21, 5, 0}; };
    ASSERT_EQ(e.load(), ParameterEditor::LoadResult::Loaded);
    const std::string path = e.dir.path("station.eds");
    const std::string before = ParamsDir::read(path);
    e.editor.Combo0_Change(1, "0");
    (void)e.editor.Combo0_LostFocus(1, e.dialogs);
    e.dialogs.thenChooseFile(path);
    ASSERT_EQ(e.editor.Command3_Click(e.session, e.dialogs), ParameterEditor::SaveResult::Saved);
    const std::vector<std::string> was = splitLines(before);
    const std::vector<std::string> now = splitLines(ParamsDir::read(path));
    ASSERT_EQ(now.size(), was.size() + 1);
    std::vector<std::string> changed;
    for (std::size_t i = 0; i < was.size(); ++i) {
        if (was[i] != now[i])
            changed.push_back(now[i].substr(0, now[i].find('=')));
    }
    EXPECT_EQ(changed,
              (std::vector<std::string>{"FileName", "ModificationTime", "ModificationDate"}));
}

TEST(SaveEdsFile, EndsQuietlyWhenCancelledOrTheFileIsNotThere)
{
    OpenEditor e(true);
    ASSERT_EQ(e.load(), ParameterEditor::LoadResult::Loaded);
    const std::string fresh = e.dir.path("new.eds");
    e.dialogs.thenCancelFile().thenChooseFile(fresh);
    EXPECT_EQ(e.editor.Command3_Click(e.session, e.dialogs),
              ParameterEditor::SaveResult::Cancelled);
    EXPECT_EQ(e.editor.Command3_Click(e.session, e.dialogs),
              ParameterEditor::SaveResult::Unreadable);
    EXPECT_FALSE(std::filesystem::exists(fresh));
    EXPECT_TRUE(e.dialogs.notices.empty());

    // A file that cannot be written leaves nothing behind.
    const std::string nowhere = e.dir.path("no/such/dir.eds");
    e.session.view.enable("Command5", false);
    EXPECT_EQ(e.editor.saveEds(e.session, "[FileInfo]\r\n", nowhere),
              ParameterEditor::SaveResult::WriteFailed);
    EXPECT_FALSE(std::filesystem::exists(e.dir.path("no")));
    EXPECT_FALSE(e.session.view.isEnabled("Command5"));
}

TEST(ScrollBar, ShowsWhenRowsDoNotFitAndRemembersEachTabsPosition)
{
    OpenEditor e(false);
    e.session.gstrModPar = {30, 2, 40};
    e.session.gstrActEDS.clear();
    ASSERT_EQ(e.load(), ParameterEditor::LoadResult::NoEds);

    // 30 rows are 12000 high: (12000 - 9000) / 400 + 1 = 8.5 gives 8.
    e.editor.SetupScrollBar(1, 9000);
    EXPECT_TRUE(e.editor.scrollBarVisible());
    EXPECT_EQ(e.editor.scrollMaximum(), 8);
    e.editor.SetupScrollBar(1, 12000);
    EXPECT_FALSE(e.editor.scrollBarVisible());

    e.editor.TabStrip1_Click(1);
    EXPECT_TRUE(e.editor.scrollBarVisible());
    EXPECT_EQ(e.editor.scrollMaximum(), 9); // the frame is 8732 high
    e.editor.ScrollRows(3);
    EXPECT_EQ(e.editor.rowTop(e.editor.rowOf(1, 1)), 50 - 3 * 400);
    EXPECT_EQ(e.editor.rowTop(e.editor.rowOf(1, 5)), 4 * 400 + 50 - 3 * 400);

    e.editor.TabStrip1_Click(2);
    EXPECT_FALSE(e.editor.scrollBarVisible());
    e.editor.TabStrip1_Click(3);
    EXPECT_EQ(e.editor.scrollValue(), 0);
    e.editor.ScrollRows(7);
    EXPECT_EQ(e.editor.rowTop(e.editor.rowOf(1, 1)), 50 - 3 * 400); // other tabs stay put

    e.editor.TabStrip1_Click(1);
    EXPECT_EQ(e.editor.scrollValue(), 3);
    e.editor.TabStrip1_Click(3);
    EXPECT_EQ(e.editor.scrollValue(), 7);
    EXPECT_EQ(e.editor.rowTop(e.editor.rowOf(3, 40)), 39 * 400 + 50 - 7 * 400);
}

} // namespace
} // namespace quillon
