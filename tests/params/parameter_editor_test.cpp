#include <filesystem>
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "core/item_reader.h"
#include "params/editor_commands.h"
#include "params/parameter_editor.h"
#include "tests/fakes/scripted_dialogs.h"
#include "tests/fakes/system_words.h"
#include "tests/params/params_fixture.h"

namespace quillon {
namespace {

using test::ParamsDir;
using test::ScriptedDialogs;

// The editor on a copy of the sample station's EDS, opened after a generation or (loaded) by
// "Load existing EDS".
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
    const EditorSlot& kd236 = e.editor.slots()[1];
    EXPECT_EQ(kd236.caption + " " + kd236.frameName + " " + std::to_string(kd236.tag()),
              "KD236 - Slot 2 Frame2 1200");
    ASSERT_EQ(e.editor.rowCount(), 6);
    EXPECT_EQ(e.editor.selectedSlot(), 1);

    const ParameterRow& offset = e.row(2, 2);
    EXPECT_EQ(e.editor.rowOf(2, 2), 4);
    EXPECT_EQ(offset.tag(), 450);
    EXPECT_EQ(offset.label + "|" + offset.name + "|" + offset.minimum + "|" + offset.maximum,
              "Param.2|Parameter KD236 Offset|-10|10");
    // A generated EDS shows no values until the defaults are set.
    EXPECT_EQ(offset.value + offset.defaultValue, "");
    EXPECT_TRUE(e.dialogs.notices.empty() && e.dialogs.questions.empty());
}

TEST(FormLoad, LoadedEdsGetsDefaultsOnceWithoutAskingThenItsOwnValues)
{
    OpenEditor e(true);
    ASSERT_EQ(e.load(), ParameterEditor::LoadResult::Loaded);
    EXPECT_TRUE(e.dialogs.questions.empty() && e.dialogs.notices.empty());
    EXPECT_FALSE(e.session.gbAskForDef);
    EXPECT_FALSE(e.editor.ValueEdited());

    // The file's value 1 is a choice: its text is shown.
    EXPECT_EQ(e.row(1, 1).value + "|" + e.row(1, 1).defaultValue, "0.3 ms|3 ms");
    EXPECT_EQ(e.row(1, 2).value + "|" + e.row(1, 2).defaultValue, "0|5"); // 0x10 reads as 0
    // A value and a default that match no choice show as numbers.
    EXPECT_EQ(e.row(2, 1).value + "|" + e.row(2, 1).defaultValue, "2|7");
    EXPECT_EQ(e.row(2, 1).record.EnumText, (std::vector<std::string>{"Off", "On"}));
    // 12.5 rounds to the even 12.
    EXPECT_EQ(e.row(2, 3).value, "12");
    // Two choices share the default's value: the last names it.
    EXPECT_EQ(e.row(3, 1).value + "|" + e.row(3, 1).defaultValue, "Slow|Normal");
}

TEST(FormLoad, AsksAgainOnceTheDefaultsWereSetBefore)
{
    OpenEditor e(true);
    e.session.gbAskForDef = false;
    e.dialogs.thenAnswer(false);
    ASSERT_EQ(e.load(), ParameterEditor::LoadResult::Loaded);
    EXPECT_EQ(e.dialogs.questions, (std::vector<std::string>{SetDefaultsQuestion}));
    // Without choice lists the file's values show as plain numbers.
    EXPECT_EQ(e.row(1, 1).value + "|" + e.row(1, 1).defaultValue, "1|");
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
    EXPECT_EQ(e.row(3, 1).name + "|" + e.row(3, 1).value, "Parameter KA224 Conversion|Slow");
}

TEST(FormLoad, RefusesMoreRowsThanTheEditorHolds)
{
    OpenEditor e(true);
    e.session.gstrModPar = {300, 200, 1};
    ASSERT_EQ(e.load(), ParameterEditor::LoadResult::Refused);
    ASSERT_EQ(e.dialogs.notices.size(), 1u);
    EXPECT_NE(e.dialogs.notices[0].find("501 module parameters"), std::string::npos);
    EXPECT_EQ(e.editor.rowCount(), 0);
    EXPECT_FALSE(e.editor.Command1_Click(e.session, e.dialogs));
    EXPECT_EQ(e.editor.Command3_Click(e.session, e.dialogs),
              ParameterEditor::SaveResult::NotAvailable);
    EXPECT_TRUE(e.dialogs.unexpected.empty());
}

TEST(FormLoad, ReportsAnEdsThatCannotBeRead)
{
    OpenEditor e(true);
    e.session.gstrActEDS = e.dir.path("missing.eds");
    EXPECT_EQ(e.load(), ParameterEditor::LoadResult::Unreadable);
    ASSERT_EQ(e.dialogs.notices.size(), 1u);
    EXPECT_TRUE(test::endsWithReason(e.dialogs.details[0], e.dir.path("missing.eds") + ": ",
                                     "No such file or directory"));

    // Far beyond any EDS: refused before it is split into lines.
    e.session.gstrActEDS = e.dir.path("huge.eds");
    test::ParamsDir::write(e.session.gstrActEDS, std::string((4u << 20) + 1, '\n'));
    EXPECT_EQ(e.load(), ParameterEditor::LoadResult::Unreadable);
    ASSERT_EQ(e.dialogs.notices.size(), 2u);
    EXPECT_EQ(e.dialogs.details[1], e.session.gstrActEDS + ": is larger than 4 MiB");
}

TEST(SetDefaultValues, AsksFirstAndNamesAResourceFileThatCannotBeOpened)
{
    OpenEditor e(false);
    ASSERT_EQ(e.load(), ParameterEditor::LoadResult::Loaded);
    e.dialogs.thenAnswer(false).thenAnswer(true);
    EXPECT_FALSE(e.editor.Command1_Click(e.session, e.dialogs));
    EXPECT_EQ(e.row(1, 2).defaultValue, "");

    // The other slots get their defaults, as values too.
    std::filesystem::remove(e.dir.resources() + "OVN_KD236.eds");
    EXPECT_TRUE(e.editor.Command1_Click(e.session, e.dialogs));
    EXPECT_EQ(e.dialogs.questions.size(), 2u);
    ASSERT_EQ(e.dialogs.notices.size(), 1u);
    EXPECT_NE(e.dialogs.notices[0].find("OVN_KD236.eds cannot be opened"), std::string::npos);
    EXPECT_NE(e.dialogs.notices[0].find("slot 2"), std::string::npos);
    EXPECT_EQ(e.row(1, 2).defaultValue + "|" + e.row(2, 1).defaultValue + "|" +
                  e.row(3, 1).defaultValue,
              "5||Normal");
    EXPECT_EQ(e.row(1, 1).value + "|" + e.row(1, 2).value, "3 ms|5");
}

#ifndef _WIN32
TEST(SetDefaultValues, AResourceFileThatIsAFifoIsNamedAndHoldsNothingUp)
{
    // A FIFO is no template: reading it must not wait for a writer.
    OpenEditor e(false);
    ASSERT_EQ(e.load(), ParameterEditor::LoadResult::Loaded);
    std::filesystem::remove(e.dir.resources() + "OVN_KD236.eds");
    ASSERT_EQ(::mkfifo((e.dir.resources() + "OVN_KD236.eds").c_str(), 0644), 0);
    e.dialogs.thenAnswer(true);
    EXPECT_TRUE(e.editor.Command1_Click(e.session, e.dialogs));
    ASSERT_EQ(e.dialogs.notices.size(), 1u);
    EXPECT_EQ(e.dialogs.details[0],
              e.dir.resources() + "OVN_KD236.eds: is a FIFO, not a regular file");
}
#endif

TEST(ValueBox, ChecksTypedEntriesAgainstTheLimitsAndTakesPickedChoices)
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
    EXPECT_EQ(e.editor.row(threshold).record.ValueText + " " + e.editor.row(threshold).value,
              "&H1F& 16#1F");

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

    // A picked choice is taken without a check; a text that is no choice waits for leaving.
    const int filter = e.editor.rowOf(2, 1); // choices Off = 0, On = 1
    e.editor.Combo0_Change(filter, "On");
    e.editor.Combo0_Click(filter, "On");
    EXPECT_FALSE(e.editor.ValueEdited());
    EXPECT_EQ(e.editor.row(filter).record.ValueNumber, 1);
    EXPECT_EQ(e.editor.row(filter).record.ValueText, "On");
    EXPECT_EQ(e.editor.Combo0_LostFocus(filter, e.dialogs), ParameterEditor::EntryCheck::NotEdited);
    e.editor.Combo0_Change(filter, "Maybe");
    e.editor.Combo0_Click(filter, "Maybe");
    EXPECT_TRUE(e.editor.ValueEdited());
    EXPECT_EQ(e.editor.row(filter).record.ValueNumber, 1);
}

TEST(SaveEdsFile, WritesValuesOnceDefaultsAreSetAndOneMoreEmptyLineEachTime)
{
    OpenEditor e(false);
    e.session.clock = [] { return DateTime{2010, 1, 2, 21, 5, 0}; };
    ASSERT_EQ(e.load(), ParameterEditor::LoadResult::Loaded);
    const std::string path = e.dir.path("station.eds");
    const std::string was = ParamsDir::read(path);
    // The lines of the file at `path` that differ from what it held at first, or were added.
    const auto changedLines = [&was, &path] {
        const std::vector<std::string> before = splitLines(was);
        const std::vector<std::string> now = splitLines(ParamsDir::read(path));
        std::vector<std::string> changed;
        for (std::size_t i = 0; i < now.size(); ++i) {
            if (i >= before.size() || before[i] != now[i])
                changed.push_back(now[i]);
        }
        return changed;
    };
    e.session.view.edsdiag.fileName = "CO_";
    e.session.view.enable("Command2", false);
    e.session.view.enable("Command5", false);
    e.dialogs.thenChooseFile(path).thenChooseFile(path).thenChooseFile(path).thenAnswer(true);

    // Before the defaults are set a typed value is not saved: only the header changes.
    e.editor.Combo0_Change(1, "0");
    (void)e.editor.Combo0_LostFocus(1, e.dialogs);
    ASSERT_EQ(e.editor.Command3_Click(e.session, e.dialogs), ParameterEditor::SaveResult::Saved);
    const FileRequest& request = e.dialogs.fileRequests.at(0);
    EXPECT_EQ(e.dialogs.fileDialogKinds[0] + "|" + request.title + "|" + request.directory + "|" +
                  request.fileName + "|" + request.filter,
              "save|Save EDS File|" + e.dir.dir() + "|CO_|EDS-File (*.eds)|*.eds");
    EXPECT_EQ(e.session.view.text("Text9"), path);
    EXPECT_TRUE(e.session.view.isEnabled("Command2") && e.session.view.isEnabled("Command5"));
    EXPECT_EQ(changedLines(),
              (std::vector<std::string>{"FileName=" + path, "ModificationTime=09:05PM",
                                        "ModificationDate=01-02-2010 (first)", ""}));

    // Then every parameter row, and nothing past the parameters.
    ASSERT_TRUE(e.editor.Command1_Click(e.session, e.dialogs));
    EXPECT_EQ(e.row(2, 2).value + "|" + e.row(2, 2).defaultValue, "-3|-3");
    const int threshold = e.editor.rowOf(2, 3);
    e.editor.Combo0_Change(threshold, "16#1F");
    (void)e.editor.Combo0_LostFocus(threshold, e.dialogs);
    ASSERT_EQ(e.editor.Command3_Click(e.session, e.dialogs), ParameterEditor::SaveResult::Saved);
    EXPECT_EQ(e.dialogs.fileRequests[1].fileName, path); // the dialog proposes the last file
    EXPECT_EQ(changedLines(),
              (std::vector<std::string>{"FileName=" + path, "ModificationTime=09:05PM",
                                        "ModificationDate=01-02-2010 (first)", "DefaultValue=0",
                                        "DefaultValue=5", "DefaultValue=7", "DefaultValue=-3",
                                        "DefaultValue=31", "DefaultValue=1000", "", ""}));
    const std::string saved = ParamsDir::read(path);

    ASSERT_EQ(e.editor.Command3_Click(e.session, e.dialogs), ParameterEditor::SaveResult::Saved);
    EXPECT_EQ(ParamsDir::read(path), saved + "\r\n");
    EXPECT_TRUE(e.dialogs.done());
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

    // A file that cannot be written leaves nothing behind and says why.
    const std::string nowhere = e.dir.path("no/such/dir.eds");
    e.session.view.enable("Command5", false);
    std::string whyNot;
    EXPECT_EQ(e.editor.saveEds(e.session, e.dialogs, "[FileInfo]\r\n", nowhere, &whyNot),
              ParameterEditor::SaveResult::WriteFailed);
    EXPECT_TRUE(test::endsWithReason(whyNot, "", "No such file or directory"));
    EXPECT_FALSE(std::filesystem::exists(e.dir.path("no")));
    EXPECT_FALSE(e.session.view.isEnabled("Command5"));
}

TEST(SaveEdsFile, EndsAtThe501stDefaultValueOfTheWholeFileWithoutWriting)
{
    // station.eds has 8 "DefaultValue=" lines after [2600] outside the entry counts, two of
    // them past [3000]; the lines added here all come after the parameter objects as well.
    for (const int added : {492, 493}) {
        OpenEditor e(true);
        ASSERT_EQ(e.load(), ParameterEditor::LoadResult::Loaded);
        const std::string path = e.dir.path("station.eds");
        std::string text = ParamsDir::read(path) + "[5000]\r\n";
        for (int i = 0; i < added; ++i)
            text += "DefaultValue=9\r\n";
        ParamsDir::write(path, text);
        e.dialogs.thenChooseFile(path);
        const ParameterEditor::SaveResult result = e.editor.Command3_Click(e.session, e.dialogs);
        if (added == 492) {
            EXPECT_EQ(result, ParameterEditor::SaveResult::Saved);
            EXPECT_TRUE(ParamsDir::read(path) != text) << "the file was not written";
            continue;
        }
        EXPECT_EQ(result, ParameterEditor::SaveResult::TooManyValues);
        EXPECT_TRUE(ParamsDir::read(path) == text) << "the file was written";
        ASSERT_EQ(e.dialogs.notices.size(), 1u);
        EXPECT_NE(e.dialogs.notices[0].find("500"), std::string::npos) << e.dialogs.notices[0];
    }
}

TEST(SaveEdsFile, AnEntryWithoutItsDefaultValueLineShiftsNothing)
{
    // The KD236 Offset entry [2601sub2] has lost its "DefaultValue=-5" line.
    OpenEditor e(true);
    const std::string path = e.dir.path("station.eds");
    std::string text = ParamsDir::read(path);
    const auto offset = text.find("DefaultValue=-5\r\n");
    ASSERT_NE(offset, std::string::npos);
    text.erase(offset, std::string("DefaultValue=-5\r\n").size());
    ParamsDir::write(path, text);
    ASSERT_EQ(e.load(), ParameterEditor::LoadResult::Loaded);

    ASSERT_EQ(e.dialogs.notices.size(), 1u);
    EXPECT_NE(e.dialogs.notices[0].find("[2601sub2]"), std::string::npos) << e.dialogs.notices[0];
    // Each row shows its own entry's value; the offset keeps its default.
    EXPECT_EQ(e.row(2, 1).value, "2");
    EXPECT_EQ(e.row(2, 2).value, "-3");
    EXPECT_EQ(e.row(2, 3).value, "12");
    EXPECT_EQ(e.row(3, 1).value, "Slow");

    // Saved values go into their own entries only.
    const int offsetRow = e.editor.rowOf(2, 2);
    e.editor.Combo0_Change(offsetRow, "4");
    ASSERT_EQ(e.editor.Combo0_LostFocus(offsetRow, e.dialogs),
              ParameterEditor::EntryCheck::Accepted);
    const int threshold = e.editor.rowOf(2, 3);
    e.editor.Combo0_Change(threshold, "77");
    ASSERT_EQ(e.editor.Combo0_LostFocus(threshold, e.dialogs),
              ParameterEditor::EntryCheck::Accepted);
    e.dialogs.thenChooseFile(path);
    ASSERT_EQ(e.editor.Command3_Click(e.session, e.dialogs), ParameterEditor::SaveResult::Saved);
    const std::string saved = ParamsDir::read(path);
    const auto sub3 = saved.find("[2601sub3]");
    ASSERT_NE(sub3, std::string::npos);
    EXPECT_EQ(saved.find("DefaultValue=4"), std::string::npos);
    EXPECT_NE(saved.find("DefaultValue=77", sub3), std::string::npos);
    EXPECT_LT(saved.find("DefaultValue=77", sub3), saved.find("[2602]"));
    EXPECT_EQ(splitLines(saved).size(), splitLines(text).size() + 1);
}

TEST(SaveEdsFile, AChosenNameThatIsNoFileIsReportedAndLeftAlone)
{
    OpenEditor e(true);
    ASSERT_EQ(e.load(), ParameterEditor::LoadResult::Loaded);
    const std::string folder = e.dir.path("folder.eds");
    std::filesystem::create_directory(folder);
    e.dialogs.thenChooseFile(folder);
    EXPECT_EQ(e.editor.Command3_Click(e.session, e.dialogs),
              ParameterEditor::SaveResult::Unreadable);
    EXPECT_EQ(e.dialogs.notices, std::vector<std::string>{EdsNotSavedMessage});
    EXPECT_EQ(e.dialogs.details.at(0), folder + ": is a folder, not a regular file");
    EXPECT_TRUE(std::filesystem::is_empty(folder));
}

TEST(ScrollBar, ShowsWhenRowsDoNotFitAndRemembersEachTabsPosition)
{
    // Without an EDS the rows are built empty, quietly.
    OpenEditor e(false);
    e.session.gstrModPar = {30, 2, 40};
    e.session.gstrActEDS.clear();
    ASSERT_EQ(e.load(), ParameterEditor::LoadResult::NoEds);
    EXPECT_EQ(e.editor.rowCount(), 72);
    EXPECT_TRUE(e.dialogs.notices.empty());

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
