#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "params/editor_commands.h"
#include "params/parameter_editor.h"
#include "tests/fakes/case_file.h"
#include "tests/fakes/scripted_dialogs.h"
#include "tests/fakes/system_words.h"
#include "tests/params/params_fixture.h"

namespace quillon {
namespace {

using test::ParamsDir;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using Load = ParameterEditor::LoadResult;
using Save = ParameterEditor::SaveResult;

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
    Load load() { return editor.Form_Load(session, dialogs); }
    Save save() { return editor.Command3_Click(session, dialogs); }
    const ParameterRow& row(int slot, int param) const
    {
        return editor.row(editor.rowOf(slot, param));
    }
    ParameterEditor::EntryCheck type(int slot, int param, const std::string& text)
    {
        editor.Combo0_Change(editor.rowOf(slot, param), text);
        return editor.Combo0_LostFocus(editor.rowOf(slot, param), dialogs);
    }
    ParamsDir dir;
    Session session = dir.session();
    test::ScriptedDialogs dialogs;
    ParameterEditor editor;
};

TEST(FormLoad, LoadedEdsGetsDefaultsOnceWithoutAskingThenItsOwnValues)
{
    OpenEditor e(true);
    ASSERT_EQ(e.load(), Load::Loaded);
    EXPECT_TRUE(e.dialogs.questions.empty() && e.dialogs.notices.empty());
    EXPECT_FALSE(e.session.gbAskForDef);
    EXPECT_EQ(e.editor.slots().at(1).caption, "KD236 - Slot 2");
    EXPECT_EQ(e.editor.rowCount(), 6);
    // name | limits | the file's value | the resource file's default, as the boxes show them.
    const std::pair<std::pair<int, int>, const char*> rows[] = {
        {{1, 1}, "HB612 Input filter|0|1|0.3 ms|3 ms"}, // a choice shows its text
        {{1, 2}, "HB612 Diagnosis delay|0|100|0|5"},    // 0x10 reads as 0
        {{2, 1}, "KD236 Input filter|0|1|2|7"},         // no choice has the value
        {{2, 2}, "KD236 Offset|-10|10|-5|-3"},
        {{2, 3}, "KD236 Threshold|0x0|0xFF|12|20"},       // 12.5 to the even 12
        {{3, 1}, "KA224 Conversion|0|2000|Slow|Normal"}}; // the last choice with the value
    for (const auto& [at, shown] : rows) {
        const ParameterRow& r = e.row(at.first, at.second);
        EXPECT_EQ(r.name + "|" + r.minimum + "|" + r.maximum + "|" + r.value + "|" + r.defaultValue,
                  std::string("Parameter ") + shown);
    }
}

TEST(FormLoad, AsksAgainOnceTheDefaultsWereSetBefore)
{
    OpenEditor e(true);
    e.session.gbAskForDef = false;
    e.dialogs.thenAnswer(false);
    ASSERT_EQ(e.load(), Load::Loaded);
    EXPECT_EQ(e.dialogs.questions, (std::vector<std::string>{SetDefaultsQuestion}));
    // Without choice lists the file's values show as plain numbers.
    EXPECT_EQ(e.row(1, 1).value + "|" + e.row(1, 1).defaultValue + "|" + e.row(3, 1).value,
              "1||500");
}

TEST(FormLoad, ReportsSlotsWhoseParameterCountsDisagree)
{
    OpenEditor e(true);
    e.session.gstrModPar = {2, 4, 1};
    ASSERT_EQ(e.load(), Load::Loaded);
    EXPECT_THAT(e.dialogs.notices,
                ElementsAre(HasSubstr("holds 3 parameters for slot 2, but its module OVN_KD236.eds "
                                      "has 4"),
                            HasSubstr("Resource-File OVN_KD236.eds holds 3")));
    // The extra row stays empty and the next slot is not shifted.
    EXPECT_EQ(e.row(2, 4).name + "|" + e.row(3, 1).name + "|" + e.row(3, 1).value,
              "|Parameter KA224 Conversion|Slow");
}

TEST(FormLoad, RefusesMoreRowsThanTheEditorHoldsAndAnEdsThatCannotBeRead)
{
    OpenEditor fits(true);
    fits.session.gstrModPar = {300, 199, 1};
    EXPECT_EQ(fits.load(), Load::Loaded);
    OpenEditor e(true);
    e.session.gstrModPar = {300, 200, 1};
    ASSERT_EQ(e.load(), Load::Refused);
    EXPECT_THAT(e.dialogs.notices, ElementsAre(HasSubstr("501 module parameters")));
    EXPECT_EQ(e.editor.rowCount(), 0);
    EXPECT_FALSE(e.editor.Command1_Click(e.session, e.dialogs));
    EXPECT_EQ(e.save(), Save::NotAvailable);
    EXPECT_TRUE(e.dialogs.unexpected.empty());

    fits.session.gstrActEDS = fits.dir.path("missing.eds");
    fits.dialogs = {};
    EXPECT_EQ(fits.load(), Load::Unreadable);
    EXPECT_EQ(fits.dialogs.notices, std::vector<std::string>{EdsUnreadableMessage});
    EXPECT_TRUE(test::endsWithReason(fits.dialogs.details.at(0), fits.session.gstrActEDS + ": ",
                                     "No such file or directory"));
}

TEST(SetDefaultValues, AsksFirstAndNamesAResourceFileThatCannotBeOpened)
{
    OpenEditor e(false);
    ASSERT_EQ(e.load(), Load::Loaded);
    e.dialogs.thenAnswer(false).thenAnswer(true);
    EXPECT_FALSE(e.editor.Command1_Click(e.session, e.dialogs));
    EXPECT_EQ(e.row(1, 2).defaultValue, "");

    // The other slots get their defaults, as values too. A FIFO is no template: reading it must
    // not wait for a writer.
    const std::string kd236 = e.dir.resources() + "OVN_KD236.eds";
    std::filesystem::remove(kd236);
#ifndef _WIN32
    ASSERT_EQ(::mkfifo(kd236.c_str(), 0644), 0);
#endif
    EXPECT_TRUE(e.editor.Command1_Click(e.session, e.dialogs));
    EXPECT_EQ(e.dialogs.questions.size(), 2u);
    EXPECT_THAT(e.dialogs.notices,
                ElementsAre(HasSubstr("OVN_KD236.eds cannot be opened! The parameters of slot 2")));
    EXPECT_EQ(e.row(1, 2).defaultValue + "|" + e.row(2, 1).defaultValue + "|" +
                  e.row(3, 1).defaultValue + "|" + e.row(1, 1).value + "|" + e.row(1, 2).value,
              "5||Normal|3 ms|5");
}

TEST(ValueBox, TypedTextIsCheckedOnLeavingAndAPickIsTakenAsItIs)
{
    const char* checks[] = {"NotEdited", "Accepted", "OutOfBounds"};
    for (const auto& [input, expected] :
         test::readCases(QUILLON_TEST_DATA "/params/value_box.txt")) {
        SCOPED_TRACE(input);
        const auto at = input.find(' ');
        const std::string how = input.substr(0, at);
        const std::string text = input.substr(std::min(at + 5, input.size()));
        OpenEditor e(true);
        ASSERT_EQ(e.load(), Load::Loaded);
        const int k = e.editor.rowOf(input.at(at + 1) - '0', input.at(at + 3) - '0');
        if (how != "leave")
            e.editor.Combo0_Change(k, text);
        if (how == "pick")
            e.editor.Combo0_Click(k, text);
        const auto check = e.editor.Combo0_LostFocus(k, e.dialogs);
        const ParameterRow& r = e.editor.row(k);
        EXPECT_EQ(std::string(checks[static_cast<int>(check)]) + "|" +
                      std::to_string(r.record.ValueNumber) + "|" + r.record.ValueText + "|" +
                      r.value,
                  expected);
        EXPECT_EQ(e.dialogs.notices,
                  std::vector<std::string>(check == ParameterEditor::EntryCheck::OutOfBounds,
                                           OutOfBoundsMessage));
    }
}

TEST(SaveEdsFile, WritesValuesOnceDefaultsAreSetAndOneMoreEmptyLineEachTime)
{
    OpenEditor e(false);
    e.session.clock = [] { return DateTime{2010, 1, 2, 21, 5, 0}; };
    ASSERT_EQ(e.load(), Load::Loaded);
    const std::string path = e.dir.path("station.eds");
    const std::string was = ParamsDir::read(path);
    e.session.view.edsdiag.fileName = "CO_";
    e.session.view.enable("Command2", false);
    e.session.view.enable("Command5", false);
    e.dialogs.thenChooseFile(path).thenChooseFile(path).thenChooseFile(path).thenAnswer(true);
    std::vector<std::string> changed = {"FileName=" + path, "ModificationTime=09:05PM",
                                        "ModificationDate=01-02-2010 (first)"};

    // Before the defaults are set a typed value is not saved: only the header changes.
    (void)e.type(1, 1, "0");
    ASSERT_EQ(e.save(), Save::Saved);
    const FileRequest& request = e.dialogs.fileRequests.at(0);
    EXPECT_EQ(e.dialogs.fileDialogKinds[0] + "|" + request.title + "|" + request.directory + "|" +
                  request.fileName + "|" + request.filter,
              "save|Save EDS File|" + e.dir.dir() + "|CO_|EDS-File (*.eds)|*.eds");
    EXPECT_EQ(e.session.view.text("Text9"), path);
    EXPECT_TRUE(e.session.view.isEnabled("Command2") && e.session.view.isEnabled("Command5"));
    changed.emplace_back();
    EXPECT_EQ(test::changedLines(was, ParamsDir::read(path)), changed);

    // Then every parameter row, and nothing past the parameters.
    ASSERT_TRUE(e.editor.Command1_Click(e.session, e.dialogs));
    (void)e.type(2, 3, "16#1F");
    ASSERT_EQ(e.save(), Save::Saved);
    EXPECT_EQ(e.dialogs.fileRequests[1].fileName, path); // the dialog proposes the last file
    changed.insert(changed.begin() + 3,
                   {"DefaultValue=0", "DefaultValue=5", "DefaultValue=7", "DefaultValue=-3",
                    "DefaultValue=31", "DefaultValue=1000"});
    changed.emplace_back();
    EXPECT_EQ(test::changedLines(was, ParamsDir::read(path)), changed);
    const std::string saved = ParamsDir::read(path);
    ASSERT_EQ(e.save(), Save::Saved);
    EXPECT_EQ(ParamsDir::read(path), saved + "\r\n");
    EXPECT_TRUE(e.dialogs.done());
}

TEST(SaveEdsFile, LeavesTheFileAsItWasWhenItCannotBeReadOrWritten)
{
    OpenEditor e(true);
    ASSERT_EQ(e.load(), Load::Loaded);
    const std::string fresh = e.dir.path("new.eds");
    const std::string folder = e.dir.path("folder.eds");
    std::filesystem::create_directory(folder);
    e.dialogs.thenCancelFile().thenChooseFile(fresh).thenChooseFile(folder);
    EXPECT_EQ(e.save(), Save::Cancelled);
    EXPECT_EQ(e.save(), Save::Unreadable); // a name that is not there: quietly
    EXPECT_FALSE(std::filesystem::exists(fresh));
    EXPECT_TRUE(e.dialogs.notices.empty());
    EXPECT_EQ(e.save(), Save::Unreadable);
    EXPECT_EQ(e.dialogs.notices, std::vector<std::string>{EdsNotSavedMessage});
    EXPECT_EQ(e.dialogs.details.at(0), folder + ": is a folder, not a regular file");
    EXPECT_TRUE(std::filesystem::is_empty(folder));

    const std::string nowhere = e.dir.path("no/such/dir.eds");
    e.session.view.enable("Command5", false);
    std::string whyNot;
    EXPECT_EQ(e.editor.saveEds(e.session, e.dialogs, "[FileInfo]\r\n", nowhere, &whyNot),
              Save::WriteFailed);
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
        ASSERT_EQ(e.load(), Load::Loaded);
        const std::string path = e.dir.path("station.eds");
        std::string text = ParamsDir::read(path) + "[5000]\r\n";
        for (int i = 0; i < added; ++i)
            text += "DefaultValue=9\r\n";
        ParamsDir::write(path, text);
        e.dialogs.thenChooseFile(path);
        const bool fits = added == 492;
        EXPECT_EQ(e.save(), fits ? Save::Saved : Save::TooManyValues);
        EXPECT_EQ(ParamsDir::read(path) == text, !fits) << "written or not";
        EXPECT_EQ(e.dialogs.notices, std::vector<std::string>(!fits, TooManyValuesMessage));
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
    ParamsDir::write(path, text.erase(offset, 17));
    ASSERT_EQ(e.load(), Load::Loaded);
    EXPECT_THAT(e.dialogs.notices, ElementsAre(HasSubstr("[2601sub2] DefaultValue=")));
    // Each row shows its own entry's value; the offset keeps its default.
    EXPECT_EQ(e.row(2, 1).value + "|" + e.row(2, 2).value + "|" + e.row(2, 3).value + "|" +
                  e.row(3, 1).value,
              "2|-3|12|Slow");

    // Saved values go into their own entries only; 0x10 is written as 0.
    ASSERT_EQ(e.type(2, 2, "4"), ParameterEditor::EntryCheck::Accepted);
    ASSERT_EQ(e.type(2, 3, "77"), ParameterEditor::EntryCheck::Accepted);
    e.dialogs.thenChooseFile(path);
    ASSERT_EQ(e.save(), Save::Saved);
    EXPECT_EQ(test::changedLines(text, ParamsDir::read(path)),
              (std::vector<std::string>{"FileName=" + path, "ModificationTime=09:05PM",
                                        "DefaultValue=0", "DefaultValue=77", ""}));
}

TEST(ScrollBar, ShowsWhenRowsDoNotFitAndRemembersEachTabsPosition)
{
    // Without an EDS the rows are built empty, quietly.
    OpenEditor e(false);
    e.session.gstrModPar = {30, 2, 40};
    e.session.gstrActEDS.clear();
    ASSERT_EQ(e.load(), Load::NoEds);
    EXPECT_EQ(e.editor.rowCount(), 72);
    EXPECT_TRUE(e.dialogs.notices.empty());

    // 30 rows are 12000 high: (12000 - 9000) / 400 + 1 = 8.5 gives 8.
    e.editor.SetupScrollBar(1, 9000);
    EXPECT_EQ(e.editor.scrollMaximum(), 8);
    e.editor.TabStrip1_Click(1);
    EXPECT_EQ(e.editor.scrollMaximum(), 9); // the frame is 8732 high
    e.editor.ScrollRows(3);
    e.editor.TabStrip1_Click(2);
    EXPECT_FALSE(e.editor.scrollBarVisible());
    e.editor.TabStrip1_Click(3);
    e.editor.ScrollRows(7);
    EXPECT_EQ(e.editor.rowTop(e.editor.rowOf(1, 5)), 4 * 400 + 50 - 3 * 400); // other tabs stay
    e.editor.TabStrip1_Click(1);
    EXPECT_EQ(e.editor.scrollValue(), 3);
    e.editor.TabStrip1_Click(3);
    EXPECT_EQ(e.editor.scrollValue(), 7);
}

} // namespace
} // namespace quillon
