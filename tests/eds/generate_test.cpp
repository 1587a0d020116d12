#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "tests/eds/eds_test_support.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;
using test::module;

const char* const EnabledByGeneration[] = {"Command5", "Command9", "Command4",    "Command13",
                                           "Command2", "m_shEDS",  "m_creMapList"};

// The window before "Create EDS File and Save": editor open, the generation's buttons off.
Session windowSession(FieldbusProtocol protocol, const std::vector<ModuleInfo>& modules)
{
    const bool deviceNet = protocol == FieldbusProtocol::DeviceNet;
    Session session = test::stationSession(deviceNet ? "devicenet" : "canopen", protocol, modules);
    session.gstrEDSFilePath = "/eds/files/";
    session.EditorLoaded = true;
    session.view.editorExists = true;
    session.view.editorVisible = true;
    session.view.edsdiag.title = "Create EDS and Save";
    session.view.edsdiag.fileName = deviceNet ? "DN_" : "CO_";
    for (const char* control : EnabledByGeneration)
        session.view.enable(control, false);
    session.view.enable("Command15", false);
    session.view.setText("Text9", "*** New Project ***");
    return session;
}

void expectEditorUnloaded(const Session& session)
{
    EXPECT_FALSE(session.EditorLoaded);
    EXPECT_FALSE(session.view.editorExists || session.view.editorVisible);
    EXPECT_TRUE(session.ConfigurationOpen);
}

TEST(GenerateEds, CanOpenWritesTheFileInOnePieceAndEnablesTheEditor)
{
    const std::string path = (test::freshOutputDir("canopen") / "CO_station.eds").string();
    const std::vector<ModuleInfo> modules = {module("OVN_KD216.eds", 2, 0, 0, 0),
                                             module("OVN_KA224.eds", 0, 0, 4, 4)};
    Session session = windowSession(FieldbusProtocol::CanOpen, modules);
    test::ScriptedDialogs dialogs;
    dialogs.thenChooseFile(path);

    ASSERT_TRUE(GenerateEds(session, dialogs));

    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    const FileRequest& request = dialogs.fileRequests[0];
    EXPECT_EQ(dialogs.fileDialogKinds[0] + "|" + request.title + "|" + request.directory + "|" +
                  request.fileName + "|" + request.filter,
              "save|Create EDS and Save|/eds/files/|CO_|EDS-File (*.eds)|*.eds");
    // Shown at 0, one step per slot, head included, hidden at the end.
    EXPECT_EQ(dialogs.progress, (std::vector<int>{0, 10, 20, 30, -1}));
    EXPECT_FALSE(session.view.progressVisible);
    EXPECT_TRUE(dialogs.unexpected.empty());

    Session again = windowSession(FieldbusProtocol::CanOpen, modules);
    EXPECT_EQ(readFileBytes(path),
              test::buildText(again, FieldbusProtocol::CanOpen, path).text + "\r\n");

    EXPECT_EQ(session.view.text("Text9"), path);
    EXPECT_EQ(session.ProjectName, path);
    EXPECT_EQ(session.gstrActEDS, path);
    EXPECT_EQ(session.view.edsdiag.fileName, path); // proposed next time
    for (const char* control : EnabledByGeneration)
        EXPECT_TRUE(session.view.isEnabled(control)) << control;
    EXPECT_TRUE(session.view.isEnabled("Command15"));
    EXPECT_FALSE(session.view.isEnabled("Command16"));
    EXPECT_EQ(dialogs.notices, (std::vector<std::string>{SetModuleParametersNotice}));
    EXPECT_EQ(session.view.text("Text1"), "EDS - File successfully created: 2009-06-30, "
                                          "14:05:09\r\nNow export EDS file to SYCON.net");
    EXPECT_EQ(session.SlotText, decltype(session.SlotText){}); // freed after writing
    expectEditorUnloaded(session);
}

TEST(GenerateEds, DeviceNetLeavesTheParameterEditorAlone)
{
    const std::string path = (test::freshOutputDir("devicenet") / "DN_station.eds").string();
    Session session =
        windowSession(FieldbusProtocol::DeviceNet, {module("OVN_KD216.eds", 2, 0, 0, 0)});
    session.gstrActEDS = "/eds/files/earlier.eds";
    test::ScriptedDialogs dialogs;
    dialogs.thenChooseFile(path);

    ASSERT_TRUE(GenerateEds(session, dialogs));

    const auto written = readFileBytes(path);
    ASSERT_TRUE(written);
    EXPECT_TRUE(written->starts_with("$ Quillon Generated Electronic Data Sheet"));
    EXPECT_TRUE(written->ends_with("Enum14  = 0,\"off\",1,\"on\";\r\n\r\n"));
    EXPECT_EQ(session.gstrActEDS, "/eds/files/earlier.eds");
    EXPECT_FALSE(session.view.isEnabled("Command15"));
    EXPECT_TRUE(session.view.isEnabled("m_creMapList"));
    EXPECT_TRUE(dialogs.notices.empty());
    EXPECT_EQ(dialogs.progress, (std::vector<int>{0, 10, 20, -1}));
}

TEST(GenerateEds, AFullStationPausesOncePerSlotAndStaysWithinHalfASecond)
{
    const std::string path = (test::freshOutputDir("paused") / "CO_full.eds").string();
    Session session = test::stationSession(
        std::string(QUILLON_RESOURCES) + "/Resources/", FieldbusProtocol::CanOpen,
        {module("OVN_KD236.eds", 2, 0, 0, 0), module("OVN_KD436.eds", 0, 2, 0, 0),
         module("OVN_KA224.eds", 0, 0, 8, 0), module("OVN_KA424.eds", 0, 0, 0, 8),
         module("OVN_KM688.eds", 1, 1, 0, 0), module("OVN_KM622.eds", 0, 0, 4, 4),
         module("OVN_KD218.eds", 1, 0, 0, 0)});
    test::ScriptedDialogs dialogs;
    dialogs.thenChooseFile(path);
    ASSERT_TRUE(GenerateEds(session, dialogs));

    // One pause after each of the eight slots, each long enough for its step to be drawn and
    // seen, all of them together leaving the generation (a few milliseconds) room within 0.5 s.
    ASSERT_EQ(dialogs.pauses.size(), 8u);
    std::chrono::milliseconds total{0};
    for (const auto pause : dialogs.pauses) {
        EXPECT_GE(pause, std::chrono::milliseconds(33));
        total += pause;
    }
    EXPECT_LE(total, std::chrono::milliseconds(400));
}

TEST(GenerateEds, CancelledDialogEndsQuietly)
{
    Session session = windowSession(FieldbusProtocol::CanOpen, {});
    session.ConfigurationOpen = false;
    test::ScriptedDialogs dialogs;
    dialogs.thenCancelFile();

    EXPECT_FALSE(GenerateEds(session, dialogs));

    EXPECT_TRUE(dialogs.notices.empty());
    EXPECT_EQ(dialogs.progress, std::vector<int>{-1}); // never shown
    EXPECT_EQ(session.view.text("Text9"), "*** New Project ***");
    EXPECT_FALSE(session.view.isEnabled("Command5"));
    expectEditorUnloaded(session);
}

TEST(GenerateEds, FailuresAfterTheDialogLeaveAnEmptyFileAndTheResourceMessage)
{
    for (const auto protocol : {FieldbusProtocol::DeviceNet, FieldbusProtocol::CanOpen}) {
        const std::string path = (test::freshOutputDir("missing") / "station.eds").string();
        Session session = windowSession(
            protocol, {module("OVN_KD216.eds", 0, 0, 0, 0), module("OVN_KQ999.eds", 0, 0, 0, 0)});
        test::ScriptedDialogs dialogs;
        dialogs.thenChooseFile(path);

        EXPECT_FALSE(GenerateEds(session, dialogs));

        EXPECT_EQ(readFileBytes(path), std::string());
        ASSERT_EQ(dialogs.notices, (std::vector<std::string>{EdsCreationFailedMessage}));
        EXPECT_NE(dialogs.details[0].find("OVN_KQ999.eds"), std::string::npos);
        EXPECT_EQ(session.SlotText, decltype(session.SlotText){});
        EXPECT_FALSE(session.view.progressVisible);
        EXPECT_EQ(session.view.progressValue, 0);
        for (const char* control : EnabledByGeneration)
            EXPECT_FALSE(session.view.isEnabled(control)) << control;
        EXPECT_FALSE(session.view.isEnabled("Command15"));
        EXPECT_EQ(session.view.text("Text9"), path); // the chosen path stays
        EXPECT_EQ(session.view.text("Text1"), "");
        expectEditorUnloaded(session);
    }

    // An output file that cannot be created.
    const std::string path = (test::freshOutputDir("uncreatable") / "none" / "x.eds").string();
    Session session = windowSession(FieldbusProtocol::CanOpen, {});
    test::ScriptedDialogs dialogs;
    dialogs.thenChooseFile(path);
    EXPECT_FALSE(GenerateEds(session, dialogs));
    EXPECT_FALSE(fs::exists(path));
    ASSERT_EQ(dialogs.notices, (std::vector<std::string>{EdsCreationFailedMessage}));
    EXPECT_NE(dialogs.details[0].find(path), std::string::npos);
    EXPECT_FALSE(session.view.isEnabled("Command5"));
}

TEST(GenerateEds, ClusterOutsideTheGeneratorsRangeIsRefusedBeforeTheDialog)
{
    Session session =
        windowSession(FieldbusProtocol::CanOpen, {module("OVN_KD216.eds", 15, 0, 0, 0)});
    test::ScriptedDialogs dialogs;

    EXPECT_FALSE(GenerateEds(session, dialogs));

    EXPECT_TRUE(dialogs.fileRequests.empty());
    EXPECT_EQ(dialogs.notices,
              (std::vector<std::string>{"EDS-File creation not possible! The CANopen PDOs carry "
                                        "at most 16 digital input bytes; the cluster has 17."}));
    EXPECT_TRUE(session.view.editorExists && session.EditorLoaded);
    EXPECT_TRUE(dialogs.progress.empty());
}

TEST(GeneratorRange, RefusesWhatThePdosOrTheNumberingCannotHold)
{
    Session session = test::stationSession("canopen", FieldbusProtocol::CanOpen, {});
    session.UsedBytes = {16, 16, 32, 32};
    EXPECT_FALSE(checkGeneratorRange(session, FieldbusProtocol::CanOpen));
    const std::pair<ByteCounts, const char*> refused[] = {
        {{2, 17, 0, 0}, "16 digital output bytes"},
        {{2, 1, 34, 0}, "32 analogue input bytes"},
        {{2, 1, 0, 40}, "32 analogue output bytes"},
        {{2, 1, 3, 0}, "3 analogue input bytes"},
        {{2, -1, 0, 0}, "negative"}};
    for (const auto& [bytes, says] : refused) {
        session.UsedBytes = bytes;
        const auto message = checkGeneratorRange(session, FieldbusProtocol::CanOpen);
        ASSERT_TRUE(message) << says;
        EXPECT_NE(message->find(says), std::string::npos) << *message;
        EXPECT_FALSE(checkGeneratorRange(session, FieldbusProtocol::DeviceNet));
    }
    session.UsedBytes = {2, 1, 0, 0};
    session.UsedCount = 9;
    EXPECT_TRUE(checkGeneratorRange(session, FieldbusProtocol::DeviceNet));

    // The DeviceNet parameter counter may reach 32767 but not pass it.
    const auto dir = test::freshOutputDir("range");
    auto writeTemplate = [&dir](const std::string& name, int parameters) {
        std::ofstream out(dir / name, std::ios::binary);
        for (int i = 0; i < parameters; ++i)
            out << "ParamXXX\r\n";
        out << "[END_DEVNET_PART]\r\nParamXXX\r\n";
    };
    writeTemplate("OVN_KP001.eds", 30000);
    writeTemplate("OVN_KP002.eds", 2755);
    session = test::stationSession(
        dir.string() + "/", FieldbusProtocol::DeviceNet,
        {module("OVN_KP001.eds", 0, 0, 0, 0), module("OVN_KP002.eds", 0, 0, 0, 0)});
    EXPECT_FALSE(checkGeneratorRange(session, FieldbusProtocol::DeviceNet));
    writeTemplate("OVN_KP002.eds", 2756);
    EXPECT_TRUE(checkGeneratorRange(session, FieldbusProtocol::DeviceNet));
    // The generation itself stops there too, should the templates change in between.
    const auto result = test::buildText(session, FieldbusProtocol::DeviceNet);
    EXPECT_NE(result.error.find("32767"), std::string::npos) << result.ok;
}

} // namespace
} // namespace quillon
