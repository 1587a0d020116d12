#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "core/file_access.h"
#include "tests/eds/eds_test_support.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;
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

#ifdef _WIN32
constexpr int WineLess = 1; // the link
#else
constexpr int WineLess = 0;
#endif

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
    // earlier EDS kept elsewhere: none of them is written, and the resource message names the
    // template. An output file that cannot be created is reported the same way.
    const auto dir = test::freshOutputDir("failed");
    std::ofstream(dir / "earlier.eds", std::ios::binary) << "the earlier EDS";
    std::ofstream(dir / "kept.eds", std::ios::binary) << "the earlier EDS";
#ifndef _WIN32 // Wine has no symbolic links
    fs::create_symlink("kept.eds", dir / "link.eds");
#endif
    for (const auto protocol : {FieldbusProtocol::DeviceNet, FieldbusProtocol::CanOpen}) {
        for (const char* name : {"new.eds", "earlier.eds", "link.eds", "none/x.eds"}) {
            const std::string path = (dir / name).string();
            const bool uncreatable = path.find("none") != std::string::npos;
            if (!uncreatable && !fs::exists(path) && std::string(name) != "new.eds")
                continue;
            session = windowSession(
                protocol, uncreatable
                              ? std::vector<ModuleInfo>{}
                              : std::vector<ModuleInfo>{module("OVN_KD216.eds", 0, 0, 0, 0),
                                                        module("OVN_KQ999.eds", 0, 0, 0, 0)});
            test::ScriptedDialogs dialogs;
            dialogs.thenChooseFile(path);
            EXPECT_FALSE(GenerateEds(session, dialogs));
            EXPECT_EQ(readFileBytes(path).value_or("no file"),
                      std::string(name) == "earlier.eds" || std::string(name) == "link.eds"
                          ? "the earlier EDS"
                          : "no file")
                << name;
            ASSERT_EQ(dialogs.notices, (std::vector<std::string>{EdsCreationFailedMessage}));
            EXPECT_NE(dialogs.details[0].find(uncreatable ? path : "OVN_KQ999.eds"),
                      std::string::npos)
                << dialogs.details[0];
            EXPECT_EQ(windowState(session), "on: Command16 | " + path + " | "); // the path stays
        }
    }
#ifndef _WIN32
    EXPECT_TRUE(fs::is_symlink(dir / "link.eds"));
#endif
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 3 - WineLess);
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
    // Byte totals: what each protocol says about them ("" for accepted).
    struct Totals
    {
        ByteCounts bytes;
        const char* canOpen;
        const char* deviceNet;
    };
    const Totals totals[] = {
        {{2, 17, 0, 0}, "16 digital output bytes", ""},
        {{2, 1, 34, 0}, "32 analogue input bytes", ""},
        {{2, 1, 0, 40}, "32 analogue output bytes", ""},
        {{2, 1, 3, 0}, "3 analogue input bytes", ""},
        {{2, -1, 0, 0}, "negative", "negative (-1)"},
        {{-32768, 1, 0, 0}, "negative", "digital input byte count is negative"},
        {{100, 1, 139, 0}, "16 digital input bytes", ""}, // 16 + 100 + 139 = 255
        {{100, 1, 140, 0}, "16 digital input bytes", "input size would be 256 bytes"},
        {{2, 200, 0, 56}, "16 digital output bytes", "output size would be 256 bytes"},
        {{2, 32767, 0, 0}, "16 digital output bytes", "output size would be 32767 bytes"},
    };
    for (const auto& [bytes, canOpen, deviceNet] : totals) {
        session.UsedBytes = bytes;
        for (const auto& [protocol, says] : {std::pair{FieldbusProtocol::CanOpen, canOpen},
                                             std::pair{FieldbusProtocol::DeviceNet, deviceNet}}) {
            const auto message = checkGeneratorRange(session, protocol);
            EXPECT_EQ(message.has_value(), *says != '\0') << says;
            if (message) {
                EXPECT_NE(message->find(says), std::string::npos) << *message;
            }
        }
    }

    // A negative count of one module would hide in the totals: -32768 and 32767 make -1, which
    // DeviceNet once wrote as its output size.
    session.UsedCount = 3;
    session.ClusterSlots[1] = module("OVN_KD216.eds", 0, -32768, 0, 0);
    session.ClusterSlots[2] = module("OVN_KD218.eds", 0, 32767, 0, 0);
    session.UsedBytes = {2, 0, 0, 0};
    for (const auto protocol : {FieldbusProtocol::CanOpen, FieldbusProtocol::DeviceNet}) {
        const auto message = checkGeneratorRange(session, protocol);
        ASSERT_TRUE(message);
        EXPECT_NE(message->find("module in slot 2 has a negative digital output byte count "
                                "(-32768)"),
                  std::string::npos)
            << *message;
    }
    // A free position's counts are no module's.
    session.ClusterSlots[1].PictureFile.clear();
    session.ClusterSlots[2] = module("OVN_KD218.eds", 0, 1, 0, 0);
    session.UsedBytes = {2, 2, 0, 0};
    EXPECT_FALSE(checkGeneratorRange(session, FieldbusProtocol::DeviceNet));
    session.UsedCount = 1;

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

TEST(GeneratorInput, TemplatesAndAnEdsBeyondTheirBoundsAreRefused)
{
    const fs::path dir = test::freshOutputDir("bounds");
    fs::copy_file(test::EdsTestData + "devicenet/OVN_HB612.eds", dir / "OVN_HB612.eds");
    const auto writeTemplate = [&dir](const std::string& name, std::size_t bytes) {
        const std::string line = std::string(98, 'x') + "\r\n";
        std::ofstream out(dir / name, std::ios::binary);
        for (std::size_t written = 0; written < bytes; written += line.size())
            out << line;
    };
    // Seven modules naming one huge template once made an EDS of almost a gigabyte.
    writeTemplate("OVN_KB001.eds", TemplateMaxBytes + 100);
    writeTemplate("OVN_KB002.eds", 700u << 10);
    for (const auto protocol : {FieldbusProtocol::DeviceNet, FieldbusProtocol::CanOpen}) {
        Session session = test::stationSession(dir.string() + "/", protocol,
                                               std::vector(7, module("OVN_KB001.eds", 0, 0, 0, 0)));
        const EdsBuildResult result = test::buildText(session, protocol);
        EXPECT_FALSE(result.ok);
        EXPECT_NE(result.error.find("OVN_KB001.eds: is larger than 1 MiB"), std::string::npos)
            << result.error;
    }
    // Templates each within their bound, that together would make an EDS the editor refuses.
    Session session = test::stationSession(dir.string() + "/", FieldbusProtocol::DeviceNet,
                                           std::vector(7, module("OVN_KB002.eds", 0, 0, 0, 0)));
    const EdsBuildResult result = test::buildText(session, FieldbusProtocol::DeviceNet);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, "the EDS would be larger than 4 MiB");
    EXPECT_TRUE(result.text.empty());
}

} // namespace
} // namespace quillon
