#include <cstdlib>
#include <gtest/gtest.h>
#include <random>

#include "core/settings.h"
#include "eds/eds_check.h"
#include "eds/generate.h"
#include "tests/eds/eds_structure.h"
#include "tests/eds/eds_test_support.h"
#include "tests/fakes/scripted_dialogs.h"

namespace quillon {
namespace {

const Settings& sampleCatalogue()
{
    static const SettingsResult read =
        readSettingsFile(std::string(QUILLON_RESOURCES) + "/Quillon.ini", QUILLON_RESOURCES);
    EXPECT_TRUE(read.ok) << read.error.detail;
    return read.settings;
}

ModuleInfo catalogueModule(const std::string& model)
{
    const Settings& settings = sampleCatalogue();
    for (std::size_t i = 0; i < settings.moduleNames.size(); ++i) {
        if (settings.moduleNames[i].starts_with(model))
            return settings.catalogue[i];
    }
    ADD_FAILURE() << "no catalogue module " << model;
    return {};
}

EdsBuildResult generate(FieldbusProtocol protocol, const std::vector<ModuleInfo>& modules)
{
    Session session = test::stationSession(sampleCatalogue().resourcePath, protocol, modules);
    EXPECT_FALSE(checkGeneratorRange(session, protocol));
    test::ScriptedDialogs dialogs;
    return buildEdsText(session, protocol, "C:\\Quillon\\EDSFiles\\sample.eds",
                        test::fixedInstant(), dialogs);
}

// Compares with tests/data/eds/golden/<name>. With QUILLON_UPDATE_GOLDEN set it writes the file
// instead, to be read by eye before it is committed.
void expectGolden(const EdsBuildResult& result, const std::string& name)
{
    ASSERT_TRUE(result.ok) << result.error;
    const std::string path = test::EdsTestData + "golden/" + name;
    if (std::getenv("QUILLON_UPDATE_GOLDEN")) {
        ASSERT_TRUE(writeFileAtomically(path, result.text + "\r\n"));
    }
    const auto golden = readFileBytes(path);
    ASSERT_TRUE(golden) << path;
    EXPECT_TRUE(*golden == result.text + "\r\n") << name << " differs from its golden file";
}

TEST(SampleCatalogue, StationsMatchTheirGoldenFiles)
{
    const struct
    {
        FieldbusProtocol protocol;
        const char* golden;
        std::vector<const char*> models;
    } stations[] = {
        {FieldbusProtocol::DeviceNet, "DN_head_only.eds", {}},
        {FieldbusProtocol::DeviceNet,
         "DN_seven_modules.eds",
         {"KD214", "KD414", "KA222", "KA422", "KM644", "KD454", "KM622"}},
        {FieldbusProtocol::CanOpen, "CO_head_only.eds", {}},
        {FieldbusProtocol::CanOpen,
         "CO_mixed_station.eds",
         {"KD236", "KD418", "KA224", "KA424", "KM622"}},
        // 16 digital inputs: the second transmit PDO maps sub-indices 09 to 10.
        {FieldbusProtocol::CanOpen,
         "CO_sixteen_digital_inputs.eds",
         {"KD236", "KD236", "KD236", "KD236", "KD236", "KD236", "KD236"}},
        // 32 analogue bytes each way: four analogue PDOs per direction.
        {FieldbusProtocol::CanOpen,
         "CO_analogue_limits.eds",
         {"KA228", "KA228", "KA424", "KA424", "KA424", "KA424"}},
    };
    for (const auto& station : stations) {
        std::vector<ModuleInfo> modules;
        for (const char* model : station.models)
            modules.push_back(catalogueModule(model));
        expectGolden(generate(station.protocol, modules), station.golden);
    }
}

TEST(SampleCatalogue, RandomStationsWithinTheCanOpenLimitsAreWellFormed)
{
    const Settings& settings = sampleCatalogue();
    std::mt19937 random(20090630);
    std::uniform_int_distribution<int> pick(0, settings.catalogueRecordCount - 1);
    for (int run = 0; run < 250; ++run) {
        // Modules are added as "Add to HB612 - Cluster" would, skipping those over a limit.
        std::vector<ModuleInfo> modules;
        ByteCounts used = headRecord().bytes();
        std::string models;
        const int wanted = static_cast<int>(random() % 8);
        for (int attempt = 0; attempt < 40 && static_cast<int>(modules.size()) < wanted;
             ++attempt) {
            const ModuleInfo& m = settings.catalogue[static_cast<std::size_t>(pick(random))];
            bool fits = true;
            for (std::size_t kind = 0; kind < used.size(); ++kind)
                fits = fits && used[kind] + m.bytes()[kind] <= settings.canOpenLimits[kind];
            for (std::size_t kind = 0; fits && kind < used.size(); ++kind)
                used[kind] += m.bytes()[kind];
            if (fits) {
                modules.push_back(m);
                models += " " + modelNameOf(m.ResourceFile);
            }
        }
        SCOPED_TRACE("station:" + models);

        const auto canOpen = generate(FieldbusProtocol::CanOpen, modules);
        ASSERT_TRUE(canOpen.ok) << canOpen.error;
        EXPECT_EQ(test::canOpenStructureProblems(canOpen.text), std::vector<std::string>{});
        const CheckReport coReport = checkEds(canOpen.text + "\r\n");
        EXPECT_TRUE(coReport.format == EdsFormat::CanOpen && coReport.clean())
            << formatReport(coReport, "CO_random.eds");

        const auto deviceNet = generate(FieldbusProtocol::DeviceNet, modules);
        ASSERT_TRUE(deviceNet.ok) << deviceNet.error;
        EXPECT_EQ(test::deviceNetStructureProblems(deviceNet.text), std::vector<std::string>{});
        const CheckReport dnReport = checkEds(deviceNet.text + "\r\n");
        EXPECT_TRUE(dnReport.format == EdsFormat::DeviceNet && dnReport.clean())
            << formatReport(dnReport, "DN_random.eds");
    }
}

TEST(SampleCatalogue, StructureChecksCatchBrokenFiles)
{
    const std::string lists = "[MandatoryObjects]\r\nSupportedObjects=1\r\n1=0x1000\r\n"
                              "[OptionalObjects]\r\nSupportedObjects=0\r\n"
                              "[ManufacturerObjects]\r\nSupportedObjects=0\r\n";
    EXPECT_TRUE(
        test::canOpenStructureProblems(lists + "[1000]\r\nSubNumber=1\r\n[1000sub0]\r\n").empty());
    EXPECT_EQ(test::canOpenStructureProblems(lists + "[1000]\r\nSubNumber=2\r\n[1000sub0]\r\n"
                                                     "[1001]\r\n")
                  .size(),
              2u);
    EXPECT_EQ(test::canOpenStructureProblems("[1000]\r\n").size(), 4u);
    EXPECT_TRUE(test::deviceNetStructureProblems("MaxInst = 2;\r\nParam1 =\r\nEnum1 =\r\n"
                                                 "Param2 =\r\n")
                    .empty());
    EXPECT_EQ(test::deviceNetStructureProblems("MaxInst = 3;\r\nParam1 =\r\nParam3 =\r\n"
                                               "Enum1 =\r\n")
                  .size(),
              2u);
}

} // namespace
} // namespace quillon
