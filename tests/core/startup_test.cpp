#include <cstdio>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

#include "core/cluster.h"
#include "core/startup.h"
#include "tests/core/station_fixture.h"
#include "tests/fakes/golden.h"

namespace quillon {
namespace {

void replaceAll(std::string& text, const std::string& from, const std::string& to)
{
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

class StartUp : public test::StationTest
{
protected:
    // What the window shows and the session holds, one item a line, with the station's folder
    // as "<station>/" and line ends as "\n".
    [[nodiscard]] std::string shown() const
    {
        std::string out;
        const auto line = [&out, this](const std::string& what, std::string value) {
            replaceAll(value, station.dir() + PathSeparator, "<station>/");
            replaceAll(value, ProgramVersion, "<version>");
            std::replace(value.begin(), value.end(), PathSeparator, '/');
            replaceAll(value, "\r\n", "\\n");
            out += what + ": " + value + "\n";
        };
        for (const auto& [name, text] : s.view.texts())
            line(name, text);
        for (const auto& [name, state] : s.view.controls())
            line(name,
                 std::string(state.enabled ? "on" : "off") + (state.visible ? "" : " hidden"));
        for (std::size_t row = 0; row < s.view.grid.size(); ++row) {
            std::string cells;
            for (const std::string& cell : s.view.grid[row])
                cells += cell + "|";
            line("grid " + std::to_string(row), "|" + cells);
        }
        for (std::size_t i = 0; i < s.view.slotPicture.size(); ++i)
            line("picture " + std::to_string(i), s.view.slotPicture[i]);
        char state[200];
        const auto& [used, limits] = std::pair{s.UsedBytes, s.ActiveLimits};
        std::snprintf(state, sizeof state,
                      "options %06X %06X, protocol %d, UsedCount %d, open %d, modified %d, "
                      "UsedBytes %d %d %d %d, limits %d %d %d %d",
                      s.view.option1BackColour, s.view.option2BackColour,
                      static_cast<int>(s.Protocol), s.UsedCount, s.ConfigurationOpen,
                      s.ConfigurationModified, used[0], used[1], used[2], used[3], limits[0],
                      limits[1], limits[2], limits[3]);
        line("state", state);
        line("folders", s.gstrProjectPath + " " + s.gstrResourcePath + " " + s.gstrEDSFilePath);
        line("dialogs", s.view.edsdiag.title + "|" + s.view.edsdiag.fileName + "|" +
                            s.view.newpro.title + "|" + s.view.newpro.fileName);
        line("catalogue entries, head",
             std::to_string(s.view.catalogueNames.size()) + " " + s.ClusterSlots[0].ResourceFile);
        return out;
    }

    // The lines of shown() that differ from `before`.
    [[nodiscard]] std::string changedFrom(const std::string& before) const
    {
        const auto old = splitLines(before);
        const std::set<std::string> kept(old.begin(), old.end());
        std::string changed;
        for (const std::string& line : splitLines(shown()))
            changed += kept.count(line) ? "" : line + "\n";
        return changed;
    }
};

// The start state, then what a tick of the clock, each protocol and a restart change in it.
TEST_F(StartUp, ShowsTheStartStateAndWhatTheFirstStepsChange)
{
    const std::string start = shown();
    std::string steps = "== start\n" + start;
    clockTick(s);
    steps += "== clock tick\n" + changedFrom(start);
    for (const auto protocol : {FieldbusProtocol::DeviceNet, FieldbusProtocol::CanOpen}) {
        restart();
        ChooseProtocol(s, protocol);
        steps += std::string("== ") +
                 (protocol == FieldbusProtocol::CanOpen ? "CANopen" : "DeviceNet") + "\n" +
                 changedFrom(start);
    }
    // A restart on another settings file after a module was added keeps the limits chosen
    // and the configuration's modified flag.
    NewConfiguration(s, dialogs);
    add(0);
    station.writeIni("[Resourcepath]\r\n\r\n[Modules]\r\nOnly\r\n[ModulInfo]\r\n"
                     "KD001.wmf,1,0,0,0,OVN_KD001.eds,1\r\n[End]\r\n");
    ASSERT_TRUE(startUp(s, dialogs));
    steps += "== restart\n" + changedFrom(start);
    test::expectGolden(steps, QUILLON_TEST_DATA "/core/start_state.txt");
}

TEST(StartUpFailure, BrokenSettingsOrAMissingHeadPictureStopTheProgram)
{
    test::TempStation station;
    const std::pair<std::string, std::string> cases[] = {
        {"[Resourcepath]\r\n/nowhere/\r\n", "/nowhere/HB612.wmf: head picture not found"},
        {"[ModulInfo]\r\n\"../dev/zero\",1,0,0,0,\"OVN_KD1.eds\",1\r\n[End]\r\n",
         "Quillon.ini, line 2: picture file name \"../dev/zero\" is no plain file name in the "
         "resource folder: it holds a folder separator"},
    };
    for (const auto& [ini, detail] : cases) {
        station.writeIni(ini);
        Session s = station.session();
        test::ScriptedDialogs dialogs;
        EXPECT_FALSE(startUp(s, dialogs));
        EXPECT_EQ(dialogs.notices, std::vector<std::string>{StartupFailedMessage});
        EXPECT_EQ(dialogs.details, std::vector<std::string>{detail});
    }
}

} // namespace
} // namespace quillon
