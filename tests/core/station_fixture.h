#pragma once

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <string>

#include "core/cluster.h"
#include "core/file_access.h"
#include "core/item_reader.h"
#include "core/session.h"
#include "core/startup.h"
#include "tests/fakes/scripted_dialogs.h"
#include "tests/fakes/temp_station.h"

namespace quillon::test {

// A started main window over a small catalogue:
//   0 "DI 14"  14 DI          3 "AO 4"    4 AO
//   1 "DO 2"    2 DO          4 "DI 1"    1 DI
//   2 "AI 8"    8 AI          5 "MIX"     2 DI, 2 DO, 4 AI, 2 AO
// DeviceNet limits 16, 8, 32, 32; CANopen limits 16, 16, 32, 32.
class StationTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* p :
             {"KD014.wmf", "KD102.wmf", "KA008.wmf", "KA104.wmf", "KD001.wmf", "KM222.wmf"})
            station.writeResource(p, "picture");
        start("[Projectpath]\r\n\r\n[Resourcepath]\r\n\r\n[EDSFilepath]\r\n\r\n"
              "[MaxDIDOAIAO]\r\n16,8,32,32\r\n[CANMaxDIDOAIAO]\r\n16,16,32,32\r\n"
              "[Modules]\r\nDI 14\r\nDO 2\r\nAI 8\r\nAO 4\r\nDI 1\r\nMIX\r\n"
              "[ModulInfo]\r\n"
              "KD014.wmf,14,0,0,0,OVN_KD014.eds,3\r\n"
              "KD102.wmf,0,2,0,0,OVN_KD102.eds,2\r\n"
              "KA008.wmf,0,0,8,0,OVN_KA008.eds,4\r\n"
              "KA104.wmf,0,0,0,4,OVN_KA104.eds,2\r\n"
              "KD001.wmf,1,0,0,0,OVN_KD001.eds,1\r\n"
              "KM222.wmf,2,2,4,2,OVN_KM222.eds,5\r\n"
              "[End]\r\n");
    }

    // Starts the program on a settings file `ini`.
    void start(const std::string& ini)
    {
        station.writeIni(ini);
        s = station.session();
        ASSERT_TRUE(startUp(s, dialogs));
    }

    // Starts again with a new window and new dialogs.
    void restart()
    {
        s = station.session();
        dialogs = ScriptedDialogs();
        ASSERT_TRUE(startUp(s, dialogs));
    }

    // Opens a new configuration under `protocol`.
    void openNew(FieldbusProtocol protocol)
    {
        ChooseProtocol(s, protocol);
        NewConfiguration(s, dialogs);
    }

    // Clicks catalogue entry `index` and adds it.
    void add(int index)
    {
        SelectCatalogueEntry(s, dialogs, index);
        AddModule(s, dialogs);
    }

    // Clicks through `script` as a user does, a command whose button is off doing nothing.
    // Steps are separated by blanks: "D" / "C" open a new DeviceNet / CANopen configuration,
    // "n" a new one as it stands, "p3" picks catalogue entry 3, "a" adds, "+3" does both, "i"
    // inserts before the selection, "s2" clicks position 2, "x" clears the selection, "X" clears
    // all, "g" removes gaps, "h" asks for the grid hint.
    void play(const std::string& script)
    {
        const std::map<char, std::pair<const char*, std::function<void(int)>>> clicks = {
            {'D', {"", [this](int) { openNew(FieldbusProtocol::DeviceNet); }}},
            {'C', {"", [this](int) { openNew(FieldbusProtocol::CanOpen); }}},
            {'n', {"", [this](int) { NewConfiguration(s, dialogs); }}},
            {'p', {"", [this](int n) { SelectCatalogueEntry(s, dialogs, n); }}},
            {'a', {"Command7", [this](int) { AddModule(s, dialogs); }}},
            {'i', {"Command11", [this](int) { InsertBeforeSelected(s, dialogs); }}},
            {'s', {"", [this](int n) { SelectSlot(s, n); }}},
            {'x', {"Command8", [this](int) { ClearSelected(s); }}},
            {'X', {"Command6", [this](int) { ClearAll(s); }}},
            {'g', {"Command10", [this](int) { RemoveGaps(s); }}},
            {'h', {"", [this](int) { GridHint(s); }}}};
        std::istringstream steps(script);
        for (std::string step; steps >> step;) {
            if (step[0] == '+')
                step = "p" + step.substr(1) + " a";
            std::istringstream parts(step);
            for (std::string part; parts >> part;) {
                ASSERT_TRUE(clicks.count(part[0])) << part;
                const auto& [button, click] = clicks.at(part[0]);
                if (!*button || s.view.isEnabled(button))
                    click(part.size() > 1 ? std::stoi(part.substr(1)) : 0);
            }
        }
    }

    // Positions 1 .. UsedCount - 1 by model name, "_" when free; past the end "." up to a
    // selected position. The selected position is marked "*", "+" when the next Add refills it.
    // Then, each after a "!", whatever disagrees with the records: pictures, used bytes and their
    // boxes, modules at or past UsedCount, the head, the grid, selection commands left on.
    [[nodiscard]] std::string layout() const
    {
        std::ostringstream out;
        ByteCounts sum = headRecord().bytes();
        bool gap = false;
        for (int i = 1; i < ShownPositions; ++i) {
            const auto pos = static_cast<std::size_t>(i);
            const ModuleInfo& m = s.ClusterSlots[pos];
            if (i < std::max(s.UsedCount, s.SelectedSlot + 1)) {
                out << (i > 1 ? " " : "")
                    << (!m.isFree()       ? modelNameOf(m.ResourceFile)
                        : i < s.UsedCount ? "_"
                                          : ".");
                if (i == s.SelectedSlot)
                    out << (s.SelectedSlotEmpty ? "+" : "*");
            }
            gap = gap || (m.isFree() && i < s.UsedCount);
            if (!m.isFree() && i >= s.UsedCount)
                out << " !" << i << " past the end";
            if (s.view.slotPicture[pos] != (m.isFree() ? "" : s.gstrResourcePath + m.PictureFile))
                out << " !" << i << " shows '" << s.view.slotPicture[pos] << "'";
            for (std::size_t k = 0; !m.isFree() && k < ByteKindCount; ++k)
                sum[k] += m.bytes()[k];
            // The grid keeps what it showed before a clear until the gap is closed.
            const std::string listed = m.isFree() ? "" : modelNameOf(m.ResourceFile);
            if (!gap && s.view.grid[pos + 1][1] != listed)
                out << " !grid " << i << " '" << s.view.grid[pos + 1][1] << "'";
        }
        if (s.UsedBytes != sum || shownUsed() != sum)
            out << " !used bytes";
        if (s.ClusterSlots[0] != headRecord() || !s.ClusterSlots[8].isFree() || s.UsedCount < 1 ||
            s.UsedCount > ShownPositions)
            out << " !head, spare position or UsedCount";
        if (s.SelectedSlot == 0 && (s.view.isEnabled("Command8") || s.view.isEnabled("Command11")))
            out << " !selection commands on";
        if (s.SelectedSlotEmpty &&
            (s.SelectedSlot == 0 || s.SelectedSlot >= s.UsedCount ||
             !s.ClusterSlots[static_cast<std::size_t>(s.SelectedSlot)].isFree()))
            out << " !refill pending at no gap";
        return out.str();
    }

    [[nodiscard]] ByteCounts shownUsed() const
    {
        return {std::stoi(s.view.text("Text15")), std::stoi(s.view.text("Text20")),
                std::stoi(s.view.text("Text21")), std::stoi(s.view.text("Text22"))};
    }

    TempStation station;
    ScriptedDialogs dialogs;
    Session s;
};

// The same window over the program's own settings file, pictures and templates.
class SampleStationTest : public StationTest
{
protected:
    void SetUp() override
    {
        std::string ini = readFileBytes(QUILLON_RESOURCES "/Quillon.ini").value_or("");
        const std::string empty = "[Resourcepath]\r\n\r\n";
        ASSERT_NE(ini.find(empty), std::string::npos);
        ini.replace(ini.find(empty), empty.size(),
                    "[Resourcepath]\r\n" + std::string(QUILLON_RESOURCES) + "/Resources/\r\n");
        start(ini);
    }
};

} // namespace quillon::test
