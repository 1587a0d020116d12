#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "eds/generate.h"
#include "tests/eds/eds_test_support.h"
#include "tests/fakes/scripted_dialogs.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;
using test::module;
using test::stationSession;

const char* const EnabledByGeneration[] = {"Command5", "Command9", "Command4",    "Command13",
                                           "Command2", "m_shEDS",  "m_creMapList"};

// A session as the window leaves it before "Create EDS File and Save": the editor open, the
// generation's buttons off, the dialog preset by the protocol choice.
Session windowSession(FieldbusProtocol protocol, std::initializer_list<ModuleInfo> modules)
{
    Session session = stationSession(
        protocol == FieldbusProtocol::DeviceNet ? "devicenet" : "canopen", protocol, modules);
    session.gstrEDSFilePath = "/eds/files/";
    session.EditorLoaded = true;
    session.view.editorExists = true;
    session.view.editorVisible = true;
    session.view.edsdiag.title = "Create EDS and Save";
    session.view.edsdiag.fileName = protocol == FieldbusProtocol::DeviceNet ? "DN_" : "CO_";
    for (const char* control : EnabledByGeneration)
        session.view.enable(control, false);
    session.view.enable("Command15", false);
    session.view.enable("Command16", true);
    session.view.setText("Text9", "*** New Project ***");
    return session;
}

void expectEditorUnloaded(const Session& session)
{
    EXPECT_FALSE(session.EditorLoaded);
    EXPECT_FALSE(session.view.editorExists);
    EXPECT_FALSE(session.view.editorVisible);
    EXPECT_TRUE(session.ConfigurationOpen);
}

bool anyVisibleProgress(const test::ScriptedDialogs& dialogs)
{
    for (int value : dialogs.progress) {
        if (value >= 0)
            return true;
    }
    return false;
}

TEST(GenerateEds, CanOpenWritesTheFileAndOpensTheParameterEditorPath)
{
    const auto dir = test::freshOutputDir("generate_canopen");
    const std::string path = (dir / "CO_station.eds").string();
    Session session =
        windowSession(FieldbusProtocol::CanOpen,
                      {module("OVN_KD216.eds", 2, 0, 0, 0), module("OVN_KA224.eds", 0, 0, 4, 4)});
    test::ScriptedDialogs dialogs;
    dialogs.thenChooseFile(path);

    ASSERT_TRUE(GenerateEds(session, dialogs));

    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    EXPECT_EQ(dialogs.fileDialogKinds[0], "save");
    EXPECT_EQ(dialogs.fileRequests[0].title, "Create EDS and Save");
    EXPECT_EQ(dialogs.fileRequests[0].directory, "/eds/files/");
    EXPECT_EQ(dialogs.fileRequests[0].fileName, "CO_");
    EXPECT_EQ(dialogs.fileRequests[0].filter, "EDS-File (*.eds)|*.eds");
    EXPECT_EQ(session.view.edsdiag.fileName, path); // proposed next time

    Session again = windowSession(FieldbusProtocol::CanOpen, {module("OVN_KD216.eds", 2, 0, 0, 0),
                                                              module("OVN_KA224.eds", 0, 0, 4, 4)});
    test::ScriptedDialogs quiet;
    const auto expected =
        buildEdsText(again, FieldbusProtocol::CanOpen, path, test::fixedInstant(), quiet);
    ASSERT_TRUE(expected.ok);
    const auto written = readFileBytes(path);
    ASSERT_TRUE(written);
    EXPECT_EQ(*written, expected.text + "\r\n");
    EXPECT_TRUE(written->ends_with("\r\n\r\n"));

    EXPECT_EQ(session.view.text("Text9"), path);
    EXPECT_EQ(session.ProjectName, path);
    EXPECT_EQ(session.gstrActEDS, path);
    for (const char* control : EnabledByGeneration)
        EXPECT_TRUE(session.view.isEnabled(control)) << control;
    EXPECT_TRUE(session.view.isEnabled("Command15"));
    EXPECT_FALSE(session.view.isEnabled("Command16"));
    EXPECT_EQ(dialogs.notices, (std::vector<std::string>{SetModuleParametersNotice}));
    EXPECT_EQ(session.view.text("Text1"), "EDS - File successfully created: 2009-06-30, "
                                          "14:05:09\r\nNow export EDS file to SYCON.net");
    for (const auto& text : session.SlotText)
        EXPECT_TRUE(text.empty());
    expectEditorUnloaded(session);
    // Shown at 0, one step per slot (head included), hidden at the end.
    EXPECT_EQ(dialogs.progress, (std::vector<int>{0, 10, 20, 30, -1}));
    EXPECT_FALSE(session.view.progressVisible);
    EXPECT_EQ(session.view.progressValue, 0);
    EXPECT_TRUE(dialogs.unexpected.empty());
}

TEST(GenerateEds, DeviceNetLeavesTheParameterEditorAlone)
{
    const auto dir = test::freshOutputDir("generate_devicenet");
    const std::string path = (dir / "DN_station.eds").string();
    Session session =
        windowSession(FieldbusProtocol::DeviceNet, {module("OVN_KD216.eds", 2, 0, 0, 0)});
    session.gstrActEDS = "/eds/files/earlier.eds";
    test::ScriptedDialogs dialogs;
    dialogs.thenChooseFile(path);

    ASSERT_TRUE(GenerateEds(session, dialogs));

    const auto written = readFileBytes(path);
    ASSERT_TRUE(written);
    EXPECT_EQ(written->rfind("$ Quillon Generated Electronic Data Sheet", 0), 0u);
    EXPECT_TRUE(written->ends_with("        Enum14  = 0,\"off\",1,\"on\";\r\n\r\n"));
    EXPECT_EQ(session.gstrActEDS, "/eds/files/earlier.eds");
    EXPECT_FALSE(session.view.isEnabled("Command15"));
    EXPECT_TRUE(session.view.isEnabled("m_creMapList"));
    EXPECT_TRUE(dialogs.notices.empty());
    EXPECT_EQ(dialogs.progress, (std::vector<int>{0, 10, 20, -1}));
}

TEST(GenerateEds, CancelledDialogEndsQuietly)
{
    Session session = windowSession(FieldbusProtocol::CanOpen, {});
    session.ConfigurationOpen = false;
    test::ScriptedDialogs dialogs;
    dialogs.thenCancelFile();

    EXPECT_FALSE(GenerateEds(session, dialogs));

    EXPECT_TRUE(dialogs.notices.empty());
    EXPECT_FALSE(anyVisibleProgress(dialogs));
    EXPECT_EQ(session.view.text("Text9"), "*** New Project ***");
    EXPECT_EQ(session.gstrActEDS, "");
    EXPECT_FALSE(session.view.isEnabled("Command5"));
    expectEditorUnloaded(session);
}

TEST(GenerateEds, MissingModuleTemplateLeavesAnEmptyFileAndTheResourceMessage)
{
    for (const auto protocol : {FieldbusProtocol::DeviceNet, FieldbusProtocol::CanOpen}) {
        const auto dir = test::freshOutputDir("generate_missing");
        const std::string path = (dir / "station.eds").string();
        Session session = windowSession(
            protocol, {module("OVN_KD216.eds", 0, 0, 0, 0), module("OVN_KQ999.eds", 0, 0, 0, 0)});
        session.SlotText[5] = "left from before";
        test::ScriptedDialogs dialogs;
        dialogs.thenChooseFile(path);

        EXPECT_FALSE(GenerateEds(session, dialogs));

        EXPECT_TRUE(fs::exists(path));
        EXPECT_EQ(fs::file_size(path), 0u);
        ASSERT_EQ(dialogs.notices, (std::vector<std::string>{EdsCreationFailedMessage}));
        EXPECT_NE(dialogs.details[0].find("OVN_KQ999.eds"), std::string::npos);
        for (int k = 0; k < session.UsedCount; ++k)
            EXPECT_TRUE(session.SlotText[static_cast<std::size_t>(k)].empty());
        EXPECT_EQ(session.SlotText[5], "left from before");
        EXPECT_FALSE(session.view.progressVisible);
        EXPECT_EQ(session.view.progressValue, 0);
        EXPECT_EQ(dialogs.progress.back(), -1);
        for (const char* control : EnabledByGeneration)
            EXPECT_FALSE(session.view.isEnabled(control)) << control;
        EXPECT_FALSE(session.view.isEnabled("Command15"));
        EXPECT_TRUE(session.view.isEnabled("Command16"));
        // The chosen path is kept; the hint box is not touched.
        EXPECT_EQ(session.view.text("Text9"), path);
        EXPECT_EQ(session.view.text("Text1"), "");
        expectEditorUnloaded(session);
    }
}

TEST(GenerateEds, OutputFileThatCannotBeCreated)
{
    const auto dir = test::freshOutputDir("generate_uncreatable");
    const std::string path = (dir / "no such dir" / "station.eds").string();
    Session session = windowSession(FieldbusProtocol::CanOpen, {});
    test::ScriptedDialogs dialogs;
    dialogs.thenChooseFile(path);

    EXPECT_FALSE(GenerateEds(session, dialogs));

    EXPECT_FALSE(fs::exists(path));
    ASSERT_EQ(dialogs.notices, (std::vector<std::string>{EdsCreationFailedMessage}));
    EXPECT_NE(dialogs.details[0].find(path), std::string::npos);
    EXPECT_FALSE(session.view.isEnabled("Command5"));
    EXPECT_EQ(session.gstrActEDS, path);
}

TEST(GenerateEds, ClusterOutsideTheGeneratorsRangeIsRefusedBeforeTheDialog)
{
    Session session =
        windowSession(FieldbusProtocol::CanOpen, {module("OVN_KD216.eds", 15, 0, 0, 0)});
    test::ScriptedDialogs dialogs;

    EXPECT_FALSE(GenerateEds(session, dialogs));

    EXPECT_TRUE(dialogs.fileRequests.empty());
    ASSERT_EQ(dialogs.notices.size(), 1u);
    EXPECT_NE(dialogs.notices[0].find("16 digital input bytes"), std::string::npos);
    EXPECT_NE(dialogs.notices[0].find("17"), std::string::npos);
    // Nothing else changes.
    EXPECT_TRUE(session.view.editorExists);
    EXPECT_TRUE(session.EditorLoaded);
    EXPECT_TRUE(dialogs.progress.empty());
}

TEST(GeneratorRange, CanOpenTotalsThePdosCannotCarry)
{
    Session session = stationSession("canopen", FieldbusProtocol::CanOpen, {});
    EXPECT_FALSE(checkGeneratorRange(session, FieldbusProtocol::CanOpen));
    session.UsedBytes = {16, 16, 32, 32};
    EXPECT_FALSE(checkGeneratorRange(session, FieldbusProtocol::CanOpen));

    const struct
    {
        ByteCounts bytes;
        const char* says;
    } refused[] = {
        {{2, 17, 0, 0}, "16 digital output bytes"},  {{2, 1, 34, 0}, "32 analogue input bytes"},
        {{2, 1, 0, 40}, "32 analogue output bytes"}, {{2, 1, 3, 0}, "3 analogue input bytes"},
        {{2, 1, 0, 5}, "5 analogue output bytes"},   {{2, -1, 0, 0}, "negative"},
    };
    for (const auto& c : refused) {
        session.UsedBytes = c.bytes;
        const auto message = checkGeneratorRange(session, FieldbusProtocol::CanOpen);
        ASSERT_TRUE(message) << c.says;
        EXPECT_NE(message->find(c.says), std::string::npos) << *message;
        EXPECT_EQ(message->rfind("EDS-File creation not possible!", 0), 0u);
        // The DeviceNet generator has no PDOs to fill.
        EXPECT_FALSE(checkGeneratorRange(session, FieldbusProtocol::DeviceNet));
    }

    session.UsedBytes = {2, 1, 0, 0};
    session.UsedCount = 9;
    EXPECT_TRUE(checkGeneratorRange(session, FieldbusProtocol::DeviceNet));
    EXPECT_TRUE(checkGeneratorRange(session, FieldbusProtocol::CanOpen));
    session.UsedCount = 0;
    EXPECT_TRUE(checkGeneratorRange(session, FieldbusProtocol::CanOpen));
}

TEST(GeneratorRange, DeviceNetParameterCounterMustNotPass32767)
{
    const auto dir = test::freshOutputDir("range_parameters");
    auto writeTemplate = [&dir](const std::string& name, int parameters) {
        std::ofstream out(dir / name, std::ios::binary);
        for (int i = 0; i < parameters; ++i)
            out << "ParamXXX\r\n";
        out << "[END_DEVNET_PART]\r\nParamXXX\r\n";
    };
    writeTemplate("OVN_KP001.eds", 30000);
    writeTemplate("OVN_KP002.eds", 2755); // 12 + 32755 = 32767: the counter just fits
    Session session =
        stationSession("devicenet", FieldbusProtocol::DeviceNet,
                       {module("OVN_KP001.eds", 0, 0, 0, 0), module("OVN_KP002.eds", 0, 0, 0, 0),
                        module("OVN_KQ999.eds", 0, 0, 0, 0)});
    session.gstrResourcePath = dir.string() + "/";
    EXPECT_FALSE(checkGeneratorRange(session, FieldbusProtocol::DeviceNet));

    writeTemplate("OVN_KP002.eds", 2756);
    const auto message = checkGeneratorRange(session, FieldbusProtocol::DeviceNet);
    ASSERT_TRUE(message);
    EXPECT_NE(message->find("32767"), std::string::npos);
    // The same counter stops the generation itself should the templates change in between.
    session.UsedCount = 3;
    test::ScriptedDialogs dialogs;
    const auto result =
        buildEdsText(session, FieldbusProtocol::DeviceNet, "/x.eds", test::fixedInstant(), dialogs);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("32767"), std::string::npos);
}

} // namespace
} // namespace quillon
