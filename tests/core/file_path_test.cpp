#include <gtest/gtest.h>
#include <string>

#include "core/cluster.h"
#include "core/file_path.h"
#include "core/startup.h"
#include "tests/fakes/scripted_dialogs.h"
#include "tests/fakes/temp_station.h"

namespace quillon {
namespace {

// "Prüf" as a Windows editor writes it into a file (Latin-1), and as a path (UTF-8); octal
// escapes, as they end after three digits.
const std::string Latin1 = "C:\\Pr\374f\\";
const std::string Utf8 = "C:\\Pr\303\274f\\";

TEST(FilePath, FileTextAndPathsConvertBetweenLatin1AndUtf8)
{
    EXPECT_EQ(fileTextToPath(Latin1), Utf8);
    EXPECT_EQ(fileTextToPath(Utf8), Utf8);
    EXPECT_EQ(pathToFileText(Utf8), Latin1);
    EXPECT_EQ(pathToFileText(Latin1), Latin1);
    // The euro sign and a CJK ideograph cannot stand in 8-bit text.
    EXPECT_EQ(pathToFileText("/tmp/\xE2\x82\xAC/\xE4\xB8\xAD.eds"), "/tmp/?/?.eds");
    EXPECT_EQ(fromFsPath(toFsPath("Pr\303\274f/Stra\303\237e.eds").filename()),
              "Stra\303\237e.eds");

    EXPECT_TRUE(isValidUtf8("Stra\303\237e \xF0\x9F\x98\x80"));
    for (const std::string bad : {"\xFC", "\xC3", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80",
                                  "\xF4\x90\x80\x80", "\xC3\xBC\xBC", "\xFF"})
        EXPECT_FALSE(isValidUtf8(bad)) << bad;
}

TEST(FilePath, NamesInLatin1FilesFindTheirFilesOnDisk)
{
    test::TempStation station;
    station.writeIni("[Resourcepath]\r\n\r\n[Modules]\r\nPr\374f 1\r\n[ModulInfo]\r\n"
                     "Pr\374f.wmf,1,0,0,0,Pr\374f.eds,1\r\n[End]\r\n");
    station.writeResource("Pr\303\274f.wmf", "picture");
    Session s = station.session();
    test::ScriptedDialogs dialogs;
    ASSERT_TRUE(startUp(s, dialogs)) << dialogs.details.at(0);
    NewConfiguration(s, dialogs);
    SelectCatalogueEntry(s, dialogs, 0);
    EXPECT_EQ(dialogs.notices, std::vector<std::string>{});
    EXPECT_EQ(s.view.previewPicture, station.resources() + "Pr\303\274f.wmf");
}

} // namespace
} // namespace quillon
