#include <gtest/gtest.h>
#include <string>

#include "core/cluster.h"
#include "core/file_path.h"
#include "core/startup.h"
#include "tests/fakes/scripted_dialogs.h"
#include "tests/fakes/temp_station.h"

namespace quillon {
namespace {

TEST(FilePath, FileTextAndPathsConvertBetweenLatin1AndUtf8)
{
    // "Büro" as the settings file of a Windows user holds it (Latin-1), and as a path (UTF-8).
    const std::string latin1 = "C:\\Users\\B\xFCro\\Pr\xFC"
                               "fstand\\";
    const std::string utf8 = "C:\\Users\\B\xC3\xBCro\\Pr\xC3\xBC"
                             "fstand\\";
    EXPECT_EQ(fileTextToPath(latin1), utf8);
    EXPECT_EQ(fileTextToPath(utf8), utf8) << "text that is UTF-8 already stays as it is";
    EXPECT_EQ(pathToFileText(utf8), latin1);
    EXPECT_EQ(pathToFileText(latin1), latin1) << "bytes that are no UTF-8 are Latin-1 already";
    // A character beyond Latin-1 (the euro sign, a CJK ideograph) cannot stand in 8-bit text.
    EXPECT_EQ(pathToFileText("/tmp/\xE2\x82\xAC/\xE4\xB8\xAD.eds"), "/tmp/?/?.eds");
    EXPECT_EQ(pathToFileText("/plain/ascii.eds"), "/plain/ascii.eds");
}

TEST(FilePath, RecognisesOnlyWellFormedUtf8)
{
    EXPECT_TRUE(isValidUtf8(""));
    EXPECT_TRUE(isValidUtf8("Stra\xC3\x9F"
                            "e \xF0\x9F\x98\x80"));
    for (const std::string bad : {"\xFC", "\xC3", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80",
                                  "\xF4\x90\x80\x80", "\xC3\xBC\xBC", "\xFF"})
        EXPECT_FALSE(isValidUtf8(bad)) << bad;
}

TEST(FilePath, RoundTripsThroughTheFileSystemForm)
{
    const std::string name = "Pr\xC3\xBC"
                             "fstand-S\xC3\xBC"
                             "d/Stra\xC3\x9F"
                             "e.eds";
    EXPECT_EQ(fromFsPath(toFsPath(name)), name);
    EXPECT_EQ(fromFsPath(toFsPath(name).filename()), "Stra\xC3\x9F"
                                                     "e.eds");
}

TEST(FilePath, NamesInLatin1FilesFindTheirFilesOnDisk)
{
    // A catalogue written by a Windows editor names "Prüf.wmf" in Latin-1; on disk the names
    // are the system's own.
    test::TempStation station;
    station.writeIni("[Resourcepath]\r\n\r\n[Modules]\r\nPr\xFC"
                     "f 1\r\n[ModulInfo]\r\n"
                     "Pr\xFC"
                     "f.wmf,1,0,0,0,Pr\xFC"
                     "f.eds,1\r\n[End]\r\n");
    station.writeResource(fromFsPath(toFsPath("Pr\xC3\xBC"
                                              "f.wmf")),
                          "picture");
    Session s = station.session();
    test::ScriptedDialogs dialogs;
    ASSERT_TRUE(startUp(s, dialogs)) << dialogs.details.at(0);
    NewConfiguration(s, dialogs);
    SelectCatalogueEntry(s, dialogs, 0);
    EXPECT_EQ(dialogs.notices, std::vector<std::string>{});
    EXPECT_EQ(s.view.previewPicture, station.resources() + "Pr\xC3\xBC"
                                                           "f.wmf");
}

} // namespace
} // namespace quillon
