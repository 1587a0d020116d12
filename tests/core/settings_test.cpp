#include <gtest/gtest.h>
#include <sstream>

#include "core/settings.h"
#include "tests/fakes/case_file.h"
#include "tests/fakes/escapes.h"
#include "tests/fakes/system_words.h"

namespace quillon {
namespace {

// What was read, as the table file writes it, or the error.
std::string summary(const SettingsResult& r)
{
    if (!r.ok)
        return r.error.detail;
    const Settings& s = r.settings;
    std::ostringstream out;
    for (const std::string& name : s.moduleNames)
        out << "[" << name << "]";
    for (int i = 0; i < s.catalogueRecordCount; ++i) {
        const ModuleInfo& m = s.catalogue[static_cast<std::size_t>(i)];
        out << (out.tellp() > 0 ? " " : "") << m.PictureFile << " " << m.DigitalInBytes << " "
            << m.DigitalOutBytes << " " << m.AnalogInBytes << " " << m.AnalogOutBytes << " "
            << m.ResourceFile << " " << m.ParameterCount << ";";
    }
    out << (out.tellp() > 0 ? " " : "") << "DN";
    for (const int limit : s.deviceNetLimits)
        out << " " << limit;
    out << " CAN";
    for (const int limit : s.canOpenLimits)
        out << " " << limit;
    out << " " << s.projectPath << "|" << s.resourcePath << "|" << s.edsFilePath;
    return out.str();
}

TEST(SettingsFile, ReadsTheFilesOfTheTable)
{
    for (const auto& [text, expected] : test::readCases(QUILLON_TEST_DATA "/core/settings.txt"))
        EXPECT_EQ(summary(parseSettings(test::unescaped(text), "Quillon.ini", {"P/", "R/", "E/"})),
                  test::unescaped(expected))
            << text;
}

TEST(SettingsFile, SixtyOneRecordsFitASixtySecondDoesNotAndAMissingFileIsReported)
{
    std::string text = "[ModulInfo]\r\n";
    for (int i = 0; i < 61; ++i)
        text += "p,0,0,0,0,OVN_X.eds,0\r\n";
    EXPECT_TRUE(parseSettings(text + "[End]\r\n", "Quillon.ini", "/opt/q").ok);
    EXPECT_EQ(summary(parseSettings(text + "p,0,0,0,0,OVN_X.eds,0\r\n[End]\r\n", "Quillon.ini",
                                    "/opt/q")),
              "Quillon.ini, line 63: more than 61 module records");
    EXPECT_TRUE(test::endsWithReason(
        readSettingsFile("/nonexistent/Quillon.ini", "/opt/q").error.detail,
        "/nonexistent/Quillon.ini: cannot be read: ", "No such file or directory"));
}

} // namespace
} // namespace quillon
