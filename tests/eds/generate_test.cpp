#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "tests/eds/eds_test_support.h"

namespace quillon {
namespace {

using test::module;

// The window before "Create EDS File and Save": editor open, the generation's buttons off.
Session windowSession(FieldbusProtocol protocol, const std::vector<ModuleInfo>& modules)
{
    const bool deviceNet = protocol == FieldbusProtocol::DeviceNet;
    Session session = test::stationSession(deviceNet ? "devicenet" : "canopen", protocol, modules);
    session.gstrEDSFilePath = "/eds/files/";
    session.EditorLoaded = session.view.editorExists = session.view.editorVisible = true;
    session.view.edsdiag.title = "Create EDS and Save";
    session.view.edsdiag.fileName = deviceNet ? "DN_" : "CO_";
    for (const char* control : {"Command5", "Command9", "Command4", "Command13", "Command2",
                                "m_shEDS", "m_creMapList", "Command15"})
        session.view.enable(control, false);
    session.view.setText("Text9", "*** New Project ***");
    return session;
}

// What the window shows after a generation: the commands on, the project and hint boxes, the
// parameter editor, the progress bar, and module texts left over.
std::string windowState(const Session& s)
{
    std::string state = "on:";
    for (const char* control : {"Command5", "Command9", "Command4", "Command13", "Command2",
                                "m_shEDS", "m_creMapList", "Command15", "Command16"})
        state += s.view.isEnabled(control) ? std::string(" ") + control : "";
    state += " | " + s.view.text("Text9") + " | " + s.view.text("Text1");
    if (s.EditorLoaded || s.view.editorExists || s.view.editorVisible || !s.ConfigurationOpen)
        state += " | editor loaded or configuration closed";
    if (s.view.progressVisible || s.view.progressValue != 0)
        state += " | progress shown";
    for (const std::string& text : s.SlotText)
        state += text.empty() ? "" : " | module text left";
    return state;
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
    Session again = windowSession(FieldbusProtocol::CanOpen, modules);
    EXPECT_EQ(readFileBytes(path),
              test::buildText(again, FieldbusProtocol::CanOpen, path).text + "\r\n");
    EXPECT_EQ(
        windowState(session),
        "on: Command5 Command9 Command4 Command13 Command2 m_shEDS m_creMapList Command15 | " +
            path +
            " | EDS - File successfully created: 2009-06-30, 14:05:09\r\nNow export EDS "
            "file to SYCON.net");
    EXPECT_EQ(session.ProjectName + session.gstrActEDS + session.view.edsdiag.fileName,
              path + path + path); // the file the editor opens, and proposed next time
    EXPECT_EQ(dialogs.notices, (std::vector<std::string>{SetModuleParametersNotice}));
    EXPECT_TRUE(dialogs.unexpected.empty());
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

    const std::string written = readFileBytes(path).value_or("");
    EXPECT_TRUE(written.starts_with("$ Quillon Generated Electronic Data Sheet"));
    EXPECT_TRUE(written.ends_with("Enum14  = 0,\"off\",1,\"on\";\r\n\r\n"));
    EXPECT_EQ(session.gstrActEDS, "/eds/files/earlier.eds");
    EXPECT_EQ(windowState(session),
              "on: Command5 Command9 Command4 Command13 Command2 m_shEDS m_creMapList | " + path +
                  " | EDS - File successfully created: 2009-06-30, 14:05:09\r\nNow export EDS "
                  "file to SYCON.net");
    EXPECT_TRUE(dialogs.notices.empty());
    EXPECT_EQ(dialogs.progress, (std::vector<int>{0, 10, 20, -1}));
}

TEST(GenerateEds, CancelledOrFailedGenerationsLeaveTheButtonsOffAndNoFile)
{
    // Cancelled: nothing said, the progress bar never shown.
    Session session = windowSession(FieldbusProtocol::CanOpen, {});
    session.ConfigurationOpen = false;
    test::ScriptedDialogs cancelled;
    cancelled.thenCancelFile();
    EXPECT_FALSE(GenerateEds(session, cancelled));
    EXPECT_TRUE(cancelled.notices.empty());
    EXPECT_EQ(cancelled.progress, std::vector<int>{-1});
    EXPECT_EQ(windowState(session), "on: Command16 | *** New Project *** | ");

    // A template missing after the dialog leaves an empty file and the resource message; so
    // does an output file that cannot be created.
    const auto dir = test::freshOutputDir("failed");
    const std::pair<FieldbusProtocol, std::string> failures[] = {
        {FieldbusProtocol::DeviceNet, (dir / "dn.eds").string()},
        {FieldbusProtocol::CanOpen, (dir / "co.eds").string()},
        {FieldbusProtocol::CanOpen, (dir / "none" / "x.eds").string()}};
    for (const auto& [protocol, path] : failures) {
        const bool uncreatable = path.find("none") != std::string::npos;
        session = windowSession(
            protocol, {module("OVN_KD216.eds", 0, 0, 0, 0), module("OVN_KQ999.eds", 0, 0, 0, 0)});
        test::ScriptedDialogs dialogs;
        dialogs.thenChooseFile(path);
        EXPECT_FALSE(GenerateEds(session, dialogs));
        EXPECT_EQ(readFileBytes(path).value_or("no file"), uncreatable ? "no file" : "");
        ASSERT_EQ(dialogs.notices, (std::vector<std::string>{EdsCreationFailedMessage}));
        EXPECT_NE(dialogs.details[0].find(uncreatable ? path : "OVN_KQ999.eds"), std::string::npos)
            << dialogs.details[0];
        EXPECT_EQ(windowState(session), "on: Command16 | " + path + " | "); // the path stays
    }
}

TEST(GenerateEds, ClusterOutsideTheGeneratorsRangeIsRefusedBeforeTheDialog)
{
    Session session =
        windowSession(FieldbusProtocol::CanOpen, {module("OVN_KD216.eds", 15, 0, 0, 0)});
    test::ScriptedDialogs dialogs;
    EXPECT_FALSE(GenerateEds(session, dialogs));
    EXPECT_TRUE(dialogs.fileRequests.empty() && dialogs.progress.empty());
    EXPECT_EQ(dialogs.notices,
              (std::vector<std::string>{"EDS-File creation not possible! The CANopen PDOs carry "
                                        "at most 16 digital input bytes; the cluster has 17."}));
    EXPECT_TRUE(session.view.editorExists && session.EditorLoaded);
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
