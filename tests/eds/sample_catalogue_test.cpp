#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>

#include "core/item_reader.h"
#include "core/session.h"
#include "core/settings.h"
#include "eds/eds_check.h"
#include "eds/generate.h"
#include "tests/eds/eds_structure.h"
#include "tests/eds/eds_test_support.h"
#include "tests/fakes/scripted_dialogs.h"

namespace quillon {
namespace {

// The sample catalogue that ships in resources/, read the way start-up reads it.
class SampleCatalogue : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_settings =
            readSettingsFile(std::string(QUILLON_RESOURCES) + "/Quillon.ini", QUILLON_RESOURCES);
    }

    void SetUp() override
    {
        ASSERT_TRUE(s_settings.ok) << s_settings.error.detail;
        ASSERT_GT(s_settings.settings.catalogueRecordCount, 0);
    }

    // The catalogue record whose list name starts with `model`.
    static ModuleInfo catalogueModule(const std::string& model)
    {
        const Settings& settings = s_settings.settings;
        for (std::size_t i = 0; i < settings.moduleNames.size(); ++i) {
            if (settings.moduleNames[i].rfind(model, 0) == 0)
                return settings.catalogue[i];
        }
        ADD_FAILURE() << "no catalogue module " << model;
        return {};
    }

    // The head and the modules in slot order, as adding them one by one leaves the session.
    static Session station(FieldbusProtocol protocol, const std::vector<ModuleInfo>& modules)
    {
        Session session;
        session.gstrResourcePath = s_settings.settings.resourcePath;
        session.Protocol = protocol;
        session.ClusterSlots[0] = headRecord();
        session.UsedBytes = session.ClusterSlots[0].bytes();
        session.UsedCount = 1;
        for (const ModuleInfo& m : modules) {
            session.ClusterSlots[static_cast<std::size_t>(session.UsedCount++)] = m;
            for (int kind = 0; kind < ByteKindCount; ++kind)
                session.UsedBytes[static_cast<std::size_t>(kind)] +=
                    m.bytes()[static_cast<std::size_t>(kind)];
        }
        session.clock = test::fixedInstant;
        return session;
    }

    static Session station(FieldbusProtocol protocol, std::initializer_list<const char*> models)
    {
        std::vector<ModuleInfo> modules;
        for (const char* model : models)
            modules.push_back(catalogueModule(model));
        return station(protocol, modules);
    }

    static EdsBuildResult generate(Session& session, const std::string& outputPath)
    {
        test::ScriptedDialogs dialogs;
        return buildEdsText(session,
                            session.Protocol == FieldbusProtocol::DeviceNet
                                ? FieldbusProtocol::DeviceNet
                                : FieldbusProtocol::CanOpen,
                            outputPath, test::fixedInstant(), dialogs);
    }

    // Compares with tests/data/eds/golden/<name>; with QUILLON_UPDATE_GOLDEN set, writes it
    // instead (to be read by eye before it is committed).
    static void expectGolden(const std::string& text, const std::string& name)
    {
        const std::string path = test::EdsTestData + "golden/" + name;
        if (std::getenv("QUILLON_UPDATE_GOLDEN")) {
            std::filesystem::create_directories(test::EdsTestData + "golden");
            ASSERT_TRUE(writeFileAtomically(path, text + "\r\n"));
        }
        const auto golden = readFileBytes(path);
        ASSERT_TRUE(golden) << path;
        EXPECT_TRUE(*golden == text + "\r\n") << name << " differs from its golden file";
    }

    static SettingsResult s_settings;
};

SettingsResult SampleCatalogue::s_settings;

const char* const CanOpenPath = "C:\\Quillon\\EDSFiles\\CO_sample.eds";
const char* const DeviceNetPath = "C:\\Quillon\\EDSFiles\\DN_sample.eds";

TEST_F(SampleCatalogue, DeviceNetGoldenFiles)
{
    Session full = station(FieldbusProtocol::DeviceNet,
                           {"KD214", "KD414", "KA222", "KA422", "KM644", "KD454", "KM622"});
    auto result = generate(full, DeviceNetPath);
    ASSERT_TRUE(result.ok) << result.error;
    expectGolden(result.text, "DN_seven_modules.eds");
    EXPECT_TRUE(test::deviceNetStructureProblems(result.text).empty());

    Session head = station(FieldbusProtocol::DeviceNet, {});
    result = generate(head, DeviceNetPath);
    ASSERT_TRUE(result.ok) << result.error;
    expectGolden(result.text, "DN_head_only.eds");
}

TEST_F(SampleCatalogue, CanOpenGoldenFiles)
{
    const struct
    {
        const char* golden;
        std::initializer_list<const char*> models;
    } stations[] = {
        {"CO_head_only.eds", {}},
        {"CO_mixed_station.eds", {"KD236", "KD418", "KA224", "KA424", "KM622"}},
        // 16 digital inputs: the second digital transmit PDO maps sub-indices 09 to 10.
        {"CO_sixteen_digital_inputs.eds",
         {"KD236", "KD236", "KD236", "KD236", "KD236", "KD236", "KD236"}},
        // 32 analogue bytes each way: four analogue PDOs per direction, PDO 5 and 6 not valid.
        {"CO_analogue_limits.eds", {"KA228", "KA228", "KA424", "KA424", "KA424", "KA424"}},
    };
    for (const auto& s : stations) {
        Session session = station(FieldbusProtocol::CanOpen, s.models);
        const auto result = generate(session, CanOpenPath);
        ASSERT_TRUE(result.ok) << result.error;
        expectGolden(result.text, s.golden);
        EXPECT_EQ(test::canOpenStructureProblems(result.text), std::vector<std::string>{})
            << s.golden;
    }
}

TEST_F(SampleCatalogue, RandomStationsWithinTheCanOpenLimitsAreWellFormed)
{
    const Settings& settings = s_settings.settings;
    std::mt19937 random(20090630);
    std::uniform_int_distribution<int> moduleCount(0, 7);
    std::uniform_int_distribution<int> pick(0, settings.catalogueRecordCount - 1);
    for (int run = 0; run < 250; ++run) {
        // Adds modules as "Add to HB612 - Cluster" would, skipping those over a limit.
        std::vector<ModuleInfo> modules;
        ByteCounts used = headRecord().bytes();
        const int wanted = moduleCount(random);
        for (int attempt = 0; attempt < 40 && static_cast<int>(modules.size()) < wanted;
             ++attempt) {
            const ModuleInfo& m = settings.catalogue[static_cast<std::size_t>(pick(random))];
            bool fits = true;
            for (std::size_t kind = 0; kind < used.size(); ++kind)
                fits = fits && used[kind] + m.bytes()[kind] <= settings.canOpenLimits[kind];
            if (!fits)
                continue;
            for (std::size_t kind = 0; kind < used.size(); ++kind)
                used[kind] += m.bytes()[kind];
            modules.push_back(m);
        }

        std::string models;
        for (const ModuleInfo& m : modules)
            models += " " + modelNameOf(m.ResourceFile);
        SCOPED_TRACE("station:" + models);

        Session canOpen = station(FieldbusProtocol::CanOpen, modules);
        ASSERT_FALSE(checkGeneratorRange(canOpen, FieldbusProtocol::CanOpen));
        const auto co = generate(canOpen, CanOpenPath);
        ASSERT_TRUE(co.ok) << co.error;
        EXPECT_EQ(test::canOpenStructureProblems(co.text), std::vector<std::string>{});
        const CheckReport coReport = checkEds(co.text + "\r\n");
        EXPECT_EQ(coReport.format, EdsFormat::CanOpen);
        EXPECT_TRUE(coReport.clean()) << formatReport(coReport, "CO_random.eds");

        Session deviceNet = station(FieldbusProtocol::DeviceNet, modules);
        ASSERT_FALSE(checkGeneratorRange(deviceNet, FieldbusProtocol::DeviceNet));
        const auto dn = generate(deviceNet, DeviceNetPath);
        ASSERT_TRUE(dn.ok) << dn.error;
        EXPECT_EQ(test::deviceNetStructureProblems(dn.text), std::vector<std::string>{});
        const CheckReport dnReport = checkEds(dn.text + "\r\n");
        EXPECT_EQ(dnReport.format, EdsFormat::DeviceNet);
        EXPECT_TRUE(dnReport.clean()) << formatReport(dnReport, "DN_random.eds");
    }
}

TEST(EdsStructureChecks, CatchBrokenFiles)
{
    // The checks used above must be able to fail.
    EXPECT_FALSE(test::canOpenStructureProblems("[MandatoryObjects]\r\nSupportedObjects=1\r\n"
                                                "1=0x1000\r\n[OptionalObjects]\r\n"
                                                "SupportedObjects=0\r\n[ManufacturerObjects]\r\n"
                                                "SupportedObjects=0\r\n[1000]\r\nSubNumber=2\r\n"
                                                "[1000sub0]\r\n[1001]\r\n")
                     .empty());
    EXPECT_EQ(test::canOpenStructureProblems("[MandatoryObjects]\r\nSupportedObjects=1\r\n"
                                             "1=0x1000\r\n[OptionalObjects]\r\n"
                                             "SupportedObjects=0\r\n[ManufacturerObjects]\r\n"
                                             "SupportedObjects=0\r\n[1000]\r\nSubNumber=1\r\n"
                                             "[1000sub0]\r\n")
                  .size(),
              0u);
    EXPECT_EQ(test::deviceNetStructureProblems("MaxInst = 2;\r\nParam1 =\r\nParam2 =\r\n"
                                               "Enum1 =\r\n")
                  .size(),
              1u);
    EXPECT_EQ(test::deviceNetStructureProblems("MaxInst = 3;\r\nParam1 =\r\nEnum1 =\r\n"
                                               "Param2 =\r\n")
                  .size(),
              1u);
}

} // namespace
} // namespace quillon
