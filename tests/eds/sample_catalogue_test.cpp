#include <algorithm>
#include <gtest/gtest.h>
#include <sstream>

#include "core/settings.h"
#include "tests/eds/eds_test_support.h"
#include "tests/fakes/case_file.h"
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
    const auto found = std::ranges::find_if(
        settings.moduleNames, [&model](const auto& name) { return name.starts_with(model); });
    EXPECT_NE(found, settings.moduleNames.end()) << model;
    return settings.catalogue.at(static_cast<std::size_t>(found - settings.moduleNames.begin()));
}

TEST(Stations, MatchTheirGoldenFiles)
{
    for (const auto& [station, golden] : test::readCases(test::EdsTestData + "stations.txt")) {
        SCOPED_TRACE(golden);
        std::istringstream fields(station);
        std::string templates, protocolName, bar, path, modules;
        fields >> templates >> protocolName >> bar >> path >> bar;
        std::getline(fields, modules);
        const bool catalogue = templates == "catalogue";
        const auto protocol =
            protocolName == "canopen" ? FieldbusProtocol::CanOpen : FieldbusProtocol::DeviceNet;
        std::vector<ModuleInfo> slots;
        std::istringstream list(modules);
        for (std::string entry; std::getline(list, entry, ',');) {
            std::istringstream words(entry);
            std::string model;
            int di = 0, dout = 0, ai = 0, ao = 0;
            words >> model >> di >> dout >> ai >> ao; // the catalogue knows its modules' bytes
            if (!model.empty())
                slots.push_back(catalogue
                                    ? catalogueModule(model)
                                    : test::module("OVN_" + model + ".eds", di, dout, ai, ao));
        }
        Session session = test::stationSession(
            catalogue ? sampleCatalogue().resourcePath : templates, protocol, slots);
        EXPECT_FALSE(checkGeneratorRange(session, protocol));
        const auto result = test::buildText(session, protocol, path);
        ASSERT_TRUE(result.ok) << result.error;
        test::expectGolden(result.text + "\r\n", test::EdsTestData + golden);
        if (!slots.empty()) {
            EXPECT_EQ(session.ModelName[slots.size()], modelNameOf(slots.back().ResourceFile));
        }
    }
}

} // namespace
} // namespace quillon
