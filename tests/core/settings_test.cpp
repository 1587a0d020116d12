#include <gtest/gtest.h>

#include "core/session.h"
#include "core/settings.h"
#include "tests/fakes/system_words.h"

namespace quillon {
namespace {

const std::string Dir = "/opt/q";
const std::string Sep(1, PathSeparator);

SettingsResult parse(const std::string& text)
{
    return parseSettings(text, "Quillon.ini", Dir);
}

TEST(SettingsFile, ReadsEverySectionInAnyOrder)
{
    const auto r = parse("[Modules]\r\nDI 8\r\n  AO 2 \r\n[ModulInfo]\r\n"
                         "\"KD1.wmf\",8,0,0,0,\"OVN_KD100.eds\",3\r\n"
                         "KA1.wmf\r\n0\r\n0\r\n0\r\n4\r\nOVN_KA100.eds\r\n2\r\n[End]\r\n"
                         "junk line\r\n[CANMaxDIDOAIAO]\r\n16\r\n16\r\n32\r\n32\r\n"
                         "[MaxDIDOAIAO]\r\n20,21,22,23\r\n[Resourcepath]\r\nC:\\res\\\r\n");
    ASSERT_TRUE(r.ok) << r.error.detail;
    const Settings& s = r.settings;
    EXPECT_EQ(s.moduleNames, (std::vector<std::string>{"DI 8", "  AO 2 "}));
    EXPECT_EQ(s.catalogueRecordCount, 2);
    EXPECT_EQ(s.catalogue[0], (ModuleInfo{"KD1.wmf", 8, 0, 0, 0, "OVN_KD100.eds", 3}));
    // One item per line gives the same record as one line of seven items.
    EXPECT_EQ(s.catalogue[1], (ModuleInfo{"KA1.wmf", 0, 0, 0, 4, "OVN_KA100.eds", 2}));
    EXPECT_EQ(s.deviceNetLimits, (IoLimits{20, 21, 22, 23}));
    EXPECT_EQ(s.canOpenLimits, (IoLimits{16, 16, 32, 32}));
    EXPECT_EQ(s.resourcePath, "C:\\res\\");
}

TEST(SettingsFile, EmptyDirectoryLinesFallBackToTheProgramDirectory)
{
    const auto r = parse("[Projectpath]\r\n\r\n[Resourcepath]\r\n\r\n[EDSFilepath]\n\n");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.settings.projectPath, Dir + Sep + "Projects" + Sep);
    EXPECT_EQ(r.settings.resourcePath, Dir + Sep + "Resources" + Sep);
    EXPECT_EQ(r.settings.edsFilePath, Dir + Sep + "EDSFiles" + Sep);
    // Without the limit sections the limits stay 0.
    EXPECT_EQ(r.settings.deviceNetLimits, (IoLimits{0, 0, 0, 0}));
}

TEST(SettingsFile, HeadersAreWholeExactLines)
{
    const auto r = parse(" [MaxDIDOAIAO]\r\n1,2,3,4\r\n[maxdidoaiao]\r\n5,6,7,8\r\n");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.settings.deviceNetLimits, (IoLimits{0, 0, 0, 0}));
}

TEST(SettingsFile, RepeatedSectionsOverwriteOrAppend)
{
    const auto r = parse("[Modules]\r\nA\r\n[ModulInfo]\r\na,1,0,0,0,OVN_AAAAA.eds,1\r\n"
                         "b,2,0,0,0,OVN_BBBBB.eds,1\r\n[End]\r\n"
                         "[Modules]\r\nB\r\n[ModulInfo]\r\nc,3,0,0,0,OVN_CCCCC.eds,1\r\n[End]\r\n");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.settings.moduleNames, (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(r.settings.catalogue[0].PictureFile, "c"); // the second block starts at record 0
    EXPECT_EQ(r.settings.catalogue[1].PictureFile, "b");
    EXPECT_EQ(r.settings.catalogueRecordCount, 2);
}

TEST(SettingsFile, SixtyOneRecordsFitASixtySecondDoesNot)
{
    std::string text = "[ModulInfo]\r\n";
    for (int i = 0; i < 61; ++i)
        text += "p,0,0,0,0,OVN_X.eds,0\r\n";
    ASSERT_TRUE(parse(text + "[End]\r\n").ok);
    const auto r = parse(text + "p,0,0,0,0,OVN_X.eds,0\r\n[End]\r\n");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error.detail, "Quillon.ini, line 63: more than 61 module records");
}

struct BrokenCase
{
    const char* text;
    const char* detail;
};

class SettingsFileFailure : public ::testing::TestWithParam<BrokenCase>
{};

TEST_P(SettingsFileFailure, NamesTheLineAndTheReason)
{
    const auto r = parse(GetParam().text);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error.detail, GetParam().detail);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SettingsFileFailure,
    ::testing::Values(
        BrokenCase{"[Projectpath]", "Quillon.ini, line 2: directory line missing: end of file"},
        BrokenCase{"[MaxDIDOAIAO]\r\n1,2,3\r\n", "Quillon.ini, line 3: byte limit: end of file"},
        BrokenCase{"[CANMaxDIDOAIAO]\r\n1,2,32768,4\r\n",
                   "Quillon.ini, line 2: byte limit: number out of range: 32768"},
        BrokenCase{"[MaxDIDOAIAO]\r\n1,x,3,4\r\n",
                   "Quillon.ini, line 2: byte limit: not a whole number: \"x\""},
        BrokenCase{"[Modules]\r\nA\r\nB\r\n",
                   "Quillon.ini, line 4: module list not ended by [ModulInfo]: end of file"},
        BrokenCase{"[ModulInfo]\r\np,1,2,3,4,OVN_X.eds,5\r\n",
                   "Quillon.ini, line 3: module record list not ended by [End]: end of file"},
        BrokenCase{"[ModulInfo]\r\np,1,2,3,4,OVN_X.eds\r\n",
                   "Quillon.ini, line 3: module parameter count: end of file"},
        BrokenCase{"[ModulInfo]\r\np,1,-40000,3,4,OVN_X.eds,1\r\n[End]\r\n",
                   "Quillon.ini, line 2: module byte count: number out of range: -40000"},
        // The catalogue's file names are joined to the resource folder and must stay in it.
        BrokenCase{"[ModulInfo]\r\nKD1.wmf\r\n1\r\n0\r\n0\r\n0\r\n..\\..\\x.eds\r\n1\r\n",
                   "Quillon.ini, line 7: resource file name \"..\\..\\x.eds\" is no plain file "
                   "name in the resource folder: it holds a folder separator"},
        BrokenCase{"[ModulInfo]\r\n\"/dev/zero\",1,0,0,0,OVN_X.eds,1\r\n",
                   "Quillon.ini, line 2: picture file name \"/dev/zero\" is no plain file name "
                   "in the resource folder: it holds a folder separator"},
        BrokenCase{"[ModulInfo]\r\n\"\",1,0,0,0,OVN_X.eds,1\r\n",
                   "Quillon.ini, line 2: picture file name \"\" is no plain file name in the "
                   "resource folder: it is empty"},
        BrokenCase{"[ModulInfo]\r\nKD1.wmf,1,0,0,0,C:OVN_X.eds,1\r\n",
                   "Quillon.ini, line 2: resource file name \"C:OVN_X.eds\" is no plain file "
                   "name in the resource folder: it holds a drive or stream separator ':'"}));

TEST(SettingsFile, MissingFileIsReported)
{
    const auto r = readSettingsFile("/nonexistent/Quillon.ini", Dir);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(test::endsWithReason(
        r.error.detail, "/nonexistent/Quillon.ini: cannot be read: ", "No such file or directory"));
}

} // namespace
} // namespace quillon
