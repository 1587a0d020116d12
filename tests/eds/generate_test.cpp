#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <span>
#include <sstream>

#include "core/file_access.h"
#include "tests/eds/eds_test_support.h"
#include "tests/fakes/case_file.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;
using test::module;

const char* const Commands[] = {"Command5", "Command9",     "Command4",  "Command13", "Command2",
                                "m_shEDS",  "m_creMapList", "Command15", "Command16"};

// The window before "Create EDS File and Save": editor open, the generation's buttons off.
Session windowSession(FieldbusProtocol protocol, const std::vector<ModuleInfo>& modules)
{
    const bool deviceNet = protocol == FieldbusProtocol::DeviceNet;
    Session session = test::stationSession(deviceNet ? "devicenet" : "canopen", protocol, modules);
    session.gstrEDSFilePath = "/eds/files/";
    session.gstrActEDS = "/eds/files/earlier.eds";
    session.EditorLoaded = session.view.editorExists = session.view.editorVisible = true;
    session.view.edsdiag.title = "Create EDS and Save";
    session.view.edsdiag.fileName = deviceNet ? "DN_" : "CO_";
    for (const char* control : std::span(Commands).first(8))
        session.view.enable(control, false);
    session.view.setText("Text9", "*** New Project ***");
    return session;
}

// The commands on, the project and hint boxes, and what must be gone after a generation.
std::string windowState(const Session& s)
{
    std::string state = "on:";
    for (const char* control : Commands)
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

TEST(GenerateEds, WritesTheFileInOnePieceAndEnablesTheCommands)
{
    const std::vector<ModuleInfo> modules = {module("OVN_KD216.eds", 2, 0, 0, 0),
                                             module("OVN_KA224.eds", 0, 0, 4, 4)};
    for (const auto protocol : {FieldbusProtocol::CanOpen, FieldbusProtocol::DeviceNet}) {
        const bool canOpen = protocol == FieldbusProtocol::CanOpen;
        const std::string prefix = canOpen ? "CO_" : "DN_";
        const std::string path = (test::freshOutputDir(prefix) / "station.eds").string();
        Session session = windowSession(protocol, modules);
        test::ScriptedDialogs dialogs;
        dialogs.thenChooseFile(path);
        ASSERT_TRUE(GenerateEds(session, dialogs));

        const FileRequest& request = dialogs.fileRequests.at(0);
        EXPECT_EQ(dialogs.fileDialogKinds[0] + "|" + request.title + "|" + request.directory + "|" +
                      request.fileName + "|" + request.filter,
                  "save|Create EDS and Save|/eds/files/|" + prefix + "|EDS-File (*.eds)|*.eds");
        // Shown at 0, one step per slot, head included, hidden at the end.
        EXPECT_EQ(dialogs.progress, (std::vector<int>{0, 10, 20, 30, -1}));
        // Each step long enough to be drawn and seen; the eight of a full station within 0.4 s.
        EXPECT_EQ(dialogs.pauses.size(), canOpen ? 3u : 2u);
        for (const auto pause : dialogs.pauses) {
            EXPECT_GE(pause, std::chrono::milliseconds(33));
            EXPECT_LE(pause, std::chrono::milliseconds(50));
        }
        Session again = windowSession(protocol, modules);
        EXPECT_EQ(readFileBytes(path), test::buildText(again, protocol, path).text + "\r\n");
        EXPECT_EQ(windowState(session),
                  "on: Command5 Command9 Command4 Command13 Command2 m_shEDS m_creMapList" +
                      std::string(canOpen ? " Command15" : "") + " | " + path +
                      " | EDS - File successfully created: 2009-06-30, 14:05:09\r\nNow export "
                      "EDS file to SYCON.net");
        // The parameter editor opens a CANopen EDS only; the file is proposed next time.
        EXPECT_EQ(session.gstrActEDS, canOpen ? path : "/eds/files/earlier.eds");
        EXPECT_EQ(session.ProjectName + session.view.edsdiag.fileName, path + path);
        EXPECT_EQ(dialogs.notices, canOpen ? std::vector<std::string>{SetModuleParametersNotice}
                                           : std::vector<std::string>{});
        EXPECT_TRUE(dialogs.unexpected.empty());
    }
}

TEST(GenerateEds, CancelledOrFailedGenerationsLeaveTheButtonsOffAndTheEarlierFile)
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

    // A template missing after the dialog, with no file yet, an earlier EDS, or a link to an
    // earlier EDS kept elsewhere: none is written, and the message names the template. An
    // output file that cannot be created is reported the same way.
    const auto dir = test::freshOutputDir("failed");
    std::ofstream(dir / "earlier.eds", std::ios::binary) << "the earlier EDS";
    std::ofstream(dir / "kept.eds", std::ios::binary) << "the earlier EDS";
    std::vector<std::string> names = {"new.eds", "earlier.eds", "none/x.eds"};
#ifndef _WIN32 // Wine has no symbolic links
    fs::create_symlink("kept.eds", dir / "link.eds");
    names.push_back("link.eds");
#endif
    for (const auto protocol : {FieldbusProtocol::DeviceNet, FieldbusProtocol::CanOpen}) {
        for (const std::string& name : names) {
            const std::string path = (dir / name).string();
            const bool uncreatable = name.starts_with("none");
            session = windowSession(protocol,
                                    uncreatable ? std::vector<ModuleInfo>{}
                                                : std::vector{module("OVN_KD216.eds", 0, 0, 0, 0),
                                                              module("OVN_KQ999.eds", 0, 0, 0, 0)});
            test::ScriptedDialogs dialogs;
            dialogs.thenChooseFile(path);
            EXPECT_FALSE(GenerateEds(session, dialogs));
            EXPECT_EQ(readFileBytes(path).value_or("no file"),
                      name == "earlier.eds" || name == "link.eds" ? "the earlier EDS" : "no file")
                << name;
            ASSERT_EQ(dialogs.notices, (std::vector<std::string>{EdsCreationFailedMessage}));
            EXPECT_NE(dialogs.details[0].find(uncreatable ? path : "OVN_KQ999.eds"),
                      std::string::npos)
                << dialogs.details[0];
            EXPECT_EQ(windowState(session), "on: Command16 | " + path + " | "); // the path stays
        }
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()),
              static_cast<long>(names.size()) - 1); // new.eds and none/ are not among them
    EXPECT_TRUE(names.size() == 3 || fs::is_symlink(dir / "link.eds"));
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
    const auto expectRange = [&session](FieldbusProtocol protocol, const std::string& says) {
        const auto message = checkGeneratorRange(session, protocol);
        EXPECT_EQ(message.has_value(), !says.empty()) << says;
        EXPECT_NE(message.value_or(says).find(says), std::string::npos) << message.value_or("");
    };
    for (const auto& [bytes, says] : test::readCases(test::EdsTestData + "range.txt")) {
        std::istringstream(bytes) >> session.UsedBytes[0] >> session.UsedBytes[1] >>
            session.UsedBytes[2] >> session.UsedBytes[3];
        const auto bar = says.find(" | ");
        expectRange(FieldbusProtocol::CanOpen, says.substr(0, bar));
        expectRange(FieldbusProtocol::DeviceNet, says.substr(bar + 3));
    }

    // A negative count of one module would hide in the totals: -32768 and 32767 make -1, which
    // DeviceNet once wrote as its output size. A free position's counts are no module's.
    session.UsedCount = 3;
    session.ClusterSlots[1] = module("OVN_KD216.eds", 0, -32768, 0, 0);
    session.ClusterSlots[2] = module("OVN_KD218.eds", 0, 32767, 0, 0);
    session.UsedBytes = {2, 0, 0, 0};
    for (const auto protocol : {FieldbusProtocol::CanOpen, FieldbusProtocol::DeviceNet})
        expectRange(protocol, "module in slot 2 has a negative digital output byte count (-32768)");
    session.ClusterSlots[1].PictureFile.clear();
    session.ClusterSlots[2] = module("OVN_KD218.eds", 0, 1, 0, 0);
    session.UsedBytes = {2, 2, 0, 0};
    expectRange(FieldbusProtocol::DeviceNet, "");
    session.UsedCount = 9;
    expectRange(FieldbusProtocol::DeviceNet, "holds 9");
}

TEST(GeneratorInput, ParametersTemplatesAndAnEdsBeyondTheirBoundsAreRefused)
{
    const fs::path dir = test::freshOutputDir("bounds");
    fs::copy_file(test::EdsTestData + "devicenet/OVN_HB612.eds", dir / "OVN_HB612.eds");
    const auto writeTemplate = [&dir](const std::string& name, const std::string& line,
                                      std::size_t count) {
        std::ofstream out(dir / name, std::ios::binary);
        for (std::size_t i = 0; i < count; ++i)
            out << line;
        out << "[END_DEVNET_PART]\r\nParamXXX\r\n";
    };
    // The DeviceNet parameter counter may reach 32767 but not pass it; the generation itself
    // stops there too, should the templates change after the check.
    writeTemplate("OVN_KP001.eds", "ParamXXX\r\n", 30000);
    writeTemplate("OVN_KP002.eds", "ParamXXX\r\n", 2755);
    Session session = test::stationSession(
        dir.string() + "/", FieldbusProtocol::DeviceNet,
        {module("OVN_KP001.eds", 0, 0, 0, 0), module("OVN_KP002.eds", 0, 0, 0, 0)});
    EXPECT_FALSE(checkGeneratorRange(session, FieldbusProtocol::DeviceNet));
    writeTemplate("OVN_KP002.eds", "ParamXXX\r\n", 2756);
    EXPECT_NE(
        checkGeneratorRange(session, FieldbusProtocol::DeviceNet).value_or("").find("pass 32767"),
        std::string::npos);
    EXPECT_NE(test::buildText(session, FieldbusProtocol::DeviceNet).error.find("32767"),
              std::string::npos);

    // Seven modules naming one huge template once made an EDS of almost a gigabyte; templates
    // each within their bound may still make together an EDS the editor refuses.
    const std::string line = std::string(98, 'x') + "\r\n";
    writeTemplate("OVN_KB001.eds", line, TemplateMaxBytes / 100 + 1);
    writeTemplate("OVN_KB002.eds", line, 7 << 10);
    const std::tuple<FieldbusProtocol, const char*, const char*> cases[] = {
        {FieldbusProtocol::DeviceNet, "OVN_KB001.eds", "OVN_KB001.eds: is larger than 1 MiB"},
        {FieldbusProtocol::CanOpen, "OVN_KB001.eds", "OVN_KB001.eds: is larger than 1 MiB"},
        {FieldbusProtocol::DeviceNet, "OVN_KB002.eds", "the EDS would be larger than 4 MiB"}};
    for (const auto& [protocol, name, error] : cases) {
        session = test::stationSession(dir.string() + "/", protocol,
                                       std::vector(7, module(name, 0, 0, 0, 0)));
        const EdsBuildResult result = test::buildText(session, protocol);
        EXPECT_FALSE(result.ok);
        EXPECT_NE(result.error.find(error), std::string::npos) << result.error;
        EXPECT_TRUE(result.text.empty());
    }
}

} // namespace
} // namespace quillon
