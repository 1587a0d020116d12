#include <gtest/gtest.h>
#include <sstream>

#include "core/file_access.h"
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

} // namespace
} // namespace quillon
