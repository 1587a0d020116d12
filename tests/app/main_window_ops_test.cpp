#include <gtest/gtest.h>

#include "app/main_window_ops.h"
#include "core/cluster.h"
#include "params/editor_commands.h"
#include "project/project_file.h"
#include "tests/core/station_fixture.h"
#include "tests/params/params_fixture.h"

namespace quillon {
namespace {

using test::StationTest;

TEST_F(StationTest, OpeningAProjectOnStartLoadsItWithoutTheDialogWhateverTheExtensionsCase)
{
    play("C +0 +1");
    const std::string project = station.dir() + "/Projects/start.edp";
    dialogs.thenChooseFile(project);
    SaveConfiguration(s, dialogs);
    // Windows writes upper-case extensions.
    std::filesystem::copy_file(project, station.dir() + "/Projects/OTHER.EDP");

    Session started = station.session();
    test::ScriptedDialogs quiet;
    ASSERT_TRUE(startUp(started, quiet));
    EXPECT_TRUE(openFileOnStart(started, quiet, station.dir() + "/Projects/OTHER.EDP"));
    EXPECT_TRUE(quiet.fileRequests.empty() && quiet.notices.empty());
    EXPECT_EQ(started.ClusterSlots, s.ClusterSlots);
    EXPECT_EQ(started.UsedCount, 3);
    EXPECT_EQ(started.Protocol, FieldbusProtocol::None); // a project holds no protocol
}

TEST(OpenFileOnStart, AnEdsIsOpenedForEditingUnderCanOpen)
{
    test::ParamsDir dir;
    test::ParamsDir::write(dir.path("notes.txt"), "not a station");
    const struct
    {
        const char* file;
        FieldbusProtocol before;
        bool opened;
        FieldbusProtocol after;
        std::string notice;
    } cases[] = {
        {"station.eds", FieldbusProtocol::None, true, FieldbusProtocol::CanOpen, ""},
        {"head_only.eds", FieldbusProtocol::CanOpen, true, FieldbusProtocol::CanOpen, ""},
        {"not_canopen.eds", FieldbusProtocol::None, false, FieldbusProtocol::CanOpen,
         NotCanOpenEdsMessage},
        {"missing.eds", FieldbusProtocol::None, false, FieldbusProtocol::None,
         StartEdsUnreadableMessage + dir.path("missing.eds")},
        {"notes.txt", FieldbusProtocol::None, false, FieldbusProtocol::None,
         UnknownFileKindMessage + dir.path("notes.txt")},
    };
    for (const auto& c : cases) {
        Session s = dir.session();
        s.Protocol = c.before;
        test::ScriptedDialogs dialogs;
        EXPECT_EQ(openFileOnStart(s, dialogs, dir.path(c.file)), c.opened) << c.file;
        EXPECT_EQ(s.Protocol, c.after) << c.file;
        EXPECT_EQ(s.view.editorVisible && s.gbLoadedEDS, c.opened) << c.file;
        EXPECT_EQ(dialogs.notices,
                  c.notice.empty() ? std::vector<std::string>{} : std::vector{c.notice});
        EXPECT_TRUE(dialogs.fileRequests.empty());
    }
}

TEST_F(StationTest, ActivatingACatalogueEntryAddsItWhenAddCanBeClicked)
{
    ActivateCatalogueEntry(s, dialogs, 4); // no configuration open: nothing happens
    EXPECT_EQ(s.UsedCount, 1);
    openNew(FieldbusProtocol::DeviceNet);
    ActivateCatalogueEntry(s, dialogs, 1);
    ActivateCatalogueEntry(s, dialogs, 0);
    EXPECT_EQ(s.UsedCount, 3);
    EXPECT_EQ(s.ClusterSlots[2].PictureFile, "KD014.wmf");
    EXPECT_TRUE(dialogs.notices.empty());
    ActivateCatalogueEntry(s, dialogs, 4); // the head's 2 and 14 digital inputs are the limit
    EXPECT_EQ(s.UsedCount, 3);
    EXPECT_EQ(dialogs.notices, std::vector<std::string>{"Number of digital inputs exceeded!"});
}

} // namespace
} // namespace quillon
