#include <gtest/gtest.h>
#include <random>

#include "core/cluster.h"
#include "tests/core/station_fixture.h"

namespace quillon {
namespace {

using test::StationTest;

// Thousands of random sequences of what a user can click, with the invariants checked after every
// step: the used totals are the head plus every occupied position, the head stays, no add or
// insert passes a limit, and the counters stay in range.
TEST_F(StationTest, RandomOperationSequencesKeepTheClusterConsistent)
{
    std::mt19937 rng(20261205);
    auto pick = [&rng](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };

    for (int run = 0; run < 2000; ++run) {
        ASSERT_TRUE(startUp(s, dialogs));
        const int protocolChoice = pick(3);
        if (protocolChoice < 2)
            ChooseProtocol(s, protocolChoice == 0 ? FieldbusProtocol::DeviceNet
                                                  : FieldbusProtocol::CanOpen);
        NewConfiguration(s, dialogs);
        for (int step = 0; step < 30; ++step) {
            const ByteCounts before = s.UsedBytes;
            switch (pick(7)) {
            case 0:
                SelectCatalogueEntry(s, dialogs, pick(6));
                break;
            case 1:
                SelectSlot(s, pick(8));
                break;
            case 2:
                AddModule(s, dialogs);
                break;
            case 3:
                InsertBeforeSelected(s, dialogs);
                break;
            case 4:
                ClearSelected(s);
                break;
            case 5:
                if (pick(4) == 0)
                    ClearAll(s);
                break;
            default:
                RemoveGaps(s);
                break;
            }
            ByteCounts expected = headRecord().bytes();
            for (int i = 1; i <= 7; ++i) {
                if (!s.ClusterSlots[static_cast<std::size_t>(i)].isFree()) {
                    const ByteCounts b = s.ClusterSlots[static_cast<std::size_t>(i)].bytes();
                    for (std::size_t k = 0; k < 4; ++k)
                        expected[k] += b[k];
                }
            }
            ASSERT_EQ(s.UsedBytes, expected) << "run " << run << " step " << step;
            ASSERT_EQ(s.ClusterSlots[0], headRecord());
            ASSERT_TRUE(s.ClusterSlots[8].isFree());
            ASSERT_GE(s.UsedCount, 1);
            ASSERT_LE(s.UsedCount, 8);
            for (int i = s.UsedCount; i <= 7; ++i)
                ASSERT_TRUE(s.ClusterSlots[static_cast<std::size_t>(i)].isFree()) << i;
            ASSERT_GE(s.SelectedSlot, 0);
            ASSERT_LE(s.SelectedSlot, 7);
            for (std::size_t k = 0; k < 4; ++k) {
                // A total may only grow within its limit.
                if (s.UsedBytes[k] > before[k]) {
                    ASSERT_LE(s.UsedBytes[k], s.ActiveLimits[k]);
                }
            }
            ASSERT_EQ(s.view.text("Text15"), std::to_string(s.UsedBytes[DigitalIn]));
        }
    }
}

} // namespace
} // namespace quillon
