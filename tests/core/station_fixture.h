#pragma once

#include <gtest/gtest.h>

#include "core/cluster.h"
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
        station.writeIni("[Projectpath]\r\n\r\n[Resourcepath]\r\n\r\n[EDSFilepath]\r\n\r\n"
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
        for (const char* p :
             {"KD014.wmf", "KD102.wmf", "KA008.wmf", "KA104.wmf", "KD001.wmf", "KM222.wmf"})
            station.writeResource(p, "picture");
        s = station.session();
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

    [[nodiscard]] ByteCounts shownUsed() const
    {
        return {std::stoi(s.view.text("Text15")), std::stoi(s.view.text("Text20")),
                std::stoi(s.view.text("Text21")), std::stoi(s.view.text("Text22"))};
    }

    TempStation station;
    ScriptedDialogs dialogs;
    Session s;
};

} // namespace quillon::test
