#include <cctype>
#include <gtest/gtest.h>
#include <random>
#include <sstream>

#include "core/settings.h"
#include "tests/eds/eds_test_support.h"
#include "tests/fakes/golden.h"

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
    return test::buildText(session, protocol, "C:\\Quillon\\EDSFiles\\sample.eds");
}

// DeviceNet parameters numbered 1.. without gaps, each EnumN after its ParamN and before the next
// parameter, an order checkEds does not ask for: the lines out of order.
std::vector<std::string> numberingProblems(const std::string& text)
{
    std::vector<std::string> problems;
    int last = 0;
    for (const std::string& raw : splitLines(text)) {
        const std::string line = raw.substr(std::min(raw.size(), raw.find_first_not_of(" \t")));
        const auto number = [&line](std::size_t at) {
            return line.size() > at && std::isdigit(static_cast<unsigned char>(line[at]))
                       ? std::stoi(line.substr(at))
                       : -1;
        };
        if (line.starts_with("Param") && number(5) >= 0) {
            if (number(5) != last + 1)
                problems.push_back(line);
            last = number(5);
        } else if (line.starts_with("Enum") && number(4) >= 0 && number(4) != last) {
            problems.push_back(line);
        }
    }
    return problems;
}

TEST(SampleCatalogue, StationsMatchTheirGoldenFiles)
{
    const std::pair<std::string, std::string> stations[] = {
        {"DN_head_only.eds", ""},
        {"DN_seven_modules.eds", "KD214 KD414 KA222 KA422 KM644 KD454 KM622"},
        {"CO_head_only.eds", ""},
        {"CO_mixed_station.eds", "KD236 KD418 KA224 KA424 KM622"},
        // 16 digital inputs: the second transmit PDO maps sub-indices 09 to 10.
        {"CO_sixteen_digital_inputs.eds", "KD236 KD236 KD236 KD236 KD236 KD236 KD236"},
        // 32 analogue bytes each way: four analogue PDOs per direction.
        {"CO_analogue_limits.eds", "KA228 KA228 KA424 KA424 KA424 KA424"},
    };
    for (const auto& [golden, models] : stations) {
        std::vector<ModuleInfo> modules;
        std::istringstream names(models);
        for (std::string model; names >> model;)
            modules.push_back(catalogueModule(model));
        const auto result = generate(golden.starts_with("DN") ? FieldbusProtocol::DeviceNet
                                                              : FieldbusProtocol::CanOpen,
                                     modules);
        ASSERT_TRUE(result.ok) << result.error;
        test::expectGolden(result.text + "\r\n", test::EdsTestData + "golden/" + golden);
    }
}

TEST(SampleCatalogue, RandomStationsWithinTheCanOpenLimitsAreWellFormed)
{
    ASSERT_EQ(numberingProblems("Param1 =\r\n  Enum1 =\r\nParam3 =\r\nEnum1 =\r\nParam4 =\r\n"),
              (std::vector<std::string>{"Param3 =", "Enum1 ="}));
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

        // Every text is also run through the conformance checker as it is built.
        const auto canOpen = generate(FieldbusProtocol::CanOpen, modules);
        ASSERT_TRUE(canOpen.ok) << canOpen.error;
        const auto deviceNet = generate(FieldbusProtocol::DeviceNet, modules);
        ASSERT_TRUE(deviceNet.ok) << deviceNet.error;
        EXPECT_EQ(numberingProblems(deviceNet.text), std::vector<std::string>{});
    }
}

} // namespace
} // namespace quillon
