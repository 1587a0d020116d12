// Reading and replacing files as users have them: links, permissions, other people's files,
// folders that forbid new files, FIFOs and devices.
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <string>

#ifndef _WIN32
#include <csignal>
#include <cstdio>
#include <functional>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "core/file_access.h"
#include "core/file_path.h"
#include "core/item_reader.h"
#include "tests/fakes/scratch_dir.h"
#include "tests/fakes/system_words.h"
#include "tests/fakes/temp_station.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;

void writeFile(const fs::path& path, const std::string& bytes)
{
    test::TempStation::writeFile(fromFsPath(path), bytes);
}

// The names in a folder, so a test sees a temporary file that was left behind.
std::string namesIn(const fs::path& dir)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.insert(fromFsPath(entry.path().filename()));
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : " ") + name;
    return text;
}

class FileAccess : public ::testing::Test
{
protected:
    void TearDown() override { setTemporarySuffixesForTests({}); }

    [[nodiscard]] fs::path at(const std::string& name) const { return m_dir.path() / name; }

    test::ScratchDir m_dir{"quillon-file-access"};
};

TEST_F(FileAccess, ReadsUpToItsBoundAndRefusesFoldersAndTextOfAbsurdShape)
{
    writeFile(at("exact"), std::string(1000, 'a'));
    EXPECT_EQ(readFileBytes(fromFsPath(at("exact")), 1000), std::string(1000, 'a'));
    std::string whyNot;
    EXPECT_FALSE(readFileBytes(fromFsPath(at("exact")), 999, &whyNot));
    EXPECT_EQ(whyNot, "is larger than 999 bytes");
    EXPECT_FALSE(readFileBytes(fromFsPath(at("missing")), 999, &whyNot));
    EXPECT_TRUE(test::endsWithReason(whyNot, "", "No such file or directory"));

    fs::create_directory(at("folder.eds"));
    EXPECT_FALSE(readFileBytes(fromFsPath(at("folder.eds")), 999, &whyNot));
    EXPECT_EQ(whyNot, "is a folder, not a regular file");
    EXPECT_FALSE(isReadableFile(fromFsPath(at("folder.eds"))));
    EXPECT_FALSE(writeFileAtomically(fromFsPath(at("folder.eds")), "x"));
    EXPECT_TRUE(fs::is_empty(at("folder.eds")));

    const std::pair<std::string, std::string> texts[] = {
        {"short\r\n" + std::string(MaxLineBytes, 'x') + "\r\n", ""},
        {"short\r\n" + std::string(MaxLineBytes + 1, 'x') + "\r\n", "line 2 is longer than 64 KiB"},
        {std::string(MaxTextLines, '\n'), ""},
        {std::string(MaxTextLines + 1, '\n'), "has more than 100000 lines"},
        {std::string(MaxTextLines * 2, '\r'), "has more than 100000 lines"},
    };
    for (const auto& [text, refusal] : texts) {
        writeFile(at("text"), text);
        whyNot.clear();
        EXPECT_EQ(readTextFile(fromFsPath(at("text")), 4u << 20, &whyNot).has_value(),
                  refusal.empty());
        EXPECT_EQ(whyNot, refusal);
    }
    EXPECT_EQ(namesIn(m_dir.path()), "exact folder.eds text");
}

#ifndef _WIN32

constexpr uid_t Nobody = 65534;

std::string contentOf(const fs::path& path)
{
    return readFileBytes(fromFsPath(path)).value_or("<unreadable>");
}

// Saves `bytes` to `path`: "saved" or why not, then what the file holds afterwards.
std::string save(const fs::path& path, const std::string& bytes)
{
    std::string whyNot;
    const bool saved = writeFileAtomically(fromFsPath(path), bytes, &whyNot);
    return (saved ? "saved" : whyNot) + ": " + contentOf(path);
}

// The owner, group and permission bits of a file, and its inode: what a save in place keeps.
std::string ownerAndModeOf(const fs::path& path, bool withInode = false)
{
    struct stat st = {};
    ::stat(path.c_str(), &st);
    char text[64];
    std::snprintf(text, sizeof text, "%u:%u %o", st.st_uid, st.st_gid, st.st_mode & 07777);
    return (withInode ? std::to_string(st.st_ino) + " " : "") + text;
}

// Runs `body` in a child process without root's privileges: as user and group 65534 when the
// tests run as root (permission checks do not apply to root), as the user itself otherwise. The
// child reports what failed; "" means every check in it held.
std::string asUnprivilegedUser(const std::function<std::string()>& body)
{
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeEnds[0]);
        std::string result;
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setresgid(Nobody, Nobody, Nobody) != 0 ||
             ::setresuid(Nobody, Nobody, Nobody) != 0))
            result = "cannot become user 65534";
        else
            result = body();
        (void)!::write(pipeEnds[1], result.data(), result.size());
        ::_exit(0);
    }
    ::close(pipeEnds[1]);
    std::string report;
    char buffer[512];
    for (ssize_t n = 0; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? report : "the child process died: " + report;
}

TEST_F(FileAccess, ALinkPlantedUnderTheTemporaryNameCannotRedirectTheWrite)
{
    // Another user of a shared folder plants links under the names a save tries.
    fs::create_directory(at("shared"));
    writeFile(at("private.txt"), "my own file");
    writeFile(at("shared/station.eds"), "old");
    fs::create_symlink(at("private.txt"), at("shared/station.eds.tmpAAAAAA"));
    fs::create_symlink(at("gone.txt"), at("shared/station.eds.tmpBBBBBB"));
    setTemporarySuffixesForTests({"AAAAAA", "BBBBBB", "CCCCCC"});

    EXPECT_EQ(save(at("shared/station.eds"), "new EDS"), "saved: new EDS");
    EXPECT_EQ(contentOf(at("private.txt")), "my own file");
    EXPECT_FALSE(fs::exists(at("gone.txt")));
    EXPECT_EQ(namesIn(at("shared")), "station.eds station.eds.tmpAAAAAA station.eds.tmpBBBBBB");
}

TEST_F(FileAccess, AReplacedFileKeepsItsModeOwnerAndGroupAndANewOneGetsTheUsual)
{
    const bool root = ::geteuid() == 0; // only root may give a file away
    for (const mode_t mode : {0600, 0640, 0604, 0660, 0755}) {
        const fs::path path = at("project.edp");
        writeFile(path, "old");
        ::chmod(path.c_str(), mode);
        ASSERT_TRUE(!root || ::chown(path.c_str(), Nobody, Nobody) == 0);
        const std::string before = ownerAndModeOf(path);
        EXPECT_EQ(save(path, "new"), "saved: new");
        EXPECT_EQ(ownerAndModeOf(path), before);
    }
    const mode_t umaskNow = ::umask(022);
    ::umask(umaskNow);
    EXPECT_EQ(save(at("fresh.edp"), "new"), "saved: new");
    char expected[64];
    std::snprintf(expected, sizeof expected, "%u:%u %o", ::geteuid(), ::getegid(),
                  0666 & ~umaskNow);
    EXPECT_EQ(ownerAndModeOf(at("fresh.edp")), expected);
    EXPECT_EQ(namesIn(m_dir.path()), "fresh.edp project.edp");
}

TEST_F(FileAccess, ALinkIsWrittenThroughAndStaysALink)
{
    fs::create_directories(at("real/deeper"));
    writeFile(at("real/deeper/station.eds"), "old");
    // A relative link to a relative link, a link whose target does not exist yet, a loop.
    fs::create_symlink("deeper/station.eds", at("real/inner.eds"));
    fs::create_symlink("real/inner.eds", at("outer.eds"));
    fs::create_symlink("real/later.eds", at("dangling.eds"));
    fs::create_symlink("loop-b", at("loop-a"));
    fs::create_symlink("loop-a", at("loop-b"));

    EXPECT_EQ(save(at("outer.eds"), "new"), "saved: new");
    EXPECT_EQ(fs::read_symlink(at("outer.eds")), "real/inner.eds");
    EXPECT_EQ(fs::read_symlink(at("real/inner.eds")), "deeper/station.eds");
    EXPECT_EQ(namesIn(at("real/deeper")), "station.eds");
    EXPECT_EQ(save(at("dangling.eds"), "created"), "saved: created");
    EXPECT_EQ(fs::read_symlink(at("dangling.eds")), "real/later.eds");
    EXPECT_EQ(save(at("loop-a"), "x"), "Too many levels of symbolic links: <unreadable>");
    EXPECT_EQ(namesIn(at("real")), "deeper inner.eds later.eds");
}

// Without root's privileges the rights of the file and its folder decide, as for a plain
// overwrite; a save that cannot replace a writable file writes it in place, and nothing leaves a
// temporary file behind.
TEST_F(FileAccess, WithoutPrivilegesTheRightsOfFileAndFolderDecide)
{
    const bool root = ::geteuid() == 0;
    const fs::path dir = at("shared");
    fs::create_directories(dir / "locked");
    for (const fs::path& own : {dir, dir / "locked"})
        ASSERT_TRUE(!root || ::chown(own.c_str(), Nobody, Nobody) == 0);
    // A colleague's file (root's, when the tests run as root), and in a sticky folder such as
    // /tmp, where only the owner may replace a file, one that everybody may write.
    writeFile(dir / "theirs.eds", "their EDS");
    ::chmod((dir / "theirs.eds").c_str(), 0644);
    fs::create_directory(at("sticky"));
    ::chmod(at("sticky").c_str(), 01777);
    writeFile(at("sticky/shared.eds"), "old");
    ::chmod(at("sticky/shared.eds").c_str(), 0666);

    const std::string report = asUnprivilegedUser([&] {
        std::string failures;
        const auto expect = [&failures](const std::string& got, const std::string& expected) {
            failures += got == expected ? "" : "got '" + got + "', expected '" + expected + "'; ";
        };
        writeFile(dir / "mine.eds", "my EDS");
        ::chmod((dir / "mine.eds").c_str(), 0444);
        expect(save(dir / "mine.eds", "new"), "Permission denied: my EDS");
        if (root)
            expect(save(dir / "theirs.eds", "new"), "Permission denied: their EDS");

        const fs::path locked = dir / "locked" / "station.edp";
        writeFile(locked, "old project");
        ::chmod(locked.c_str(), 0640);
        ::chmod(locked.parent_path().c_str(), 0555);
        std::string before = ownerAndModeOf(locked, true);
        expect(save(locked, "new"), "saved: new");
        expect(ownerAndModeOf(locked, true), before);
        expect(save(dir / "locked" / "new.edp", "x"), "Permission denied: <unreadable>");
        expect(namesIn(dir / "locked"), "station.edp");
        ::chmod(locked.parent_path().c_str(), 0755);

        if (root) {
            before = ownerAndModeOf(at("sticky/shared.eds"), true);
            expect(save(at("sticky/shared.eds"), "new"), "saved: new");
            expect(ownerAndModeOf(at("sticky/shared.eds"), true), before);
            expect(namesIn(at("sticky")), "shared.eds");
        }

        // A file size limit makes the write fail halfway, as a full disk would.
        writeFile(dir / "station.eds", "the earlier EDS");
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1000, 1000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        expect(save(dir / "station.eds", std::string(5000, 'x')),
               "File too large: the earlier EDS");
        expect(namesIn(dir), "locked mine.eds station.eds theirs.eds");
        return failures;
    });
    EXPECT_EQ(report, "");
}

TEST_F(FileAccess, WhatIsNoRegularFileIsNeitherReadNorReplaced)
{
    ASSERT_EQ(::mkfifo(at("fifo.eds").c_str(), 0644), 0);
    // A device node in a folder we may write: replacing it by a file would go unnoticed there,
    // and in /dev it would break the system. Only root may make one.
    const bool device = ::mknod(at("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    fs::create_symlink("null", at("device.eds"));
    std::string whyNot;
    // A FIFO without a writer would hold a blocking open for ever; these return at once.
    for (const auto& [path, reason] :
         {std::pair{at("fifo.eds"), "is a FIFO"}, std::pair{at("device.eds"), "is a device"},
          std::pair{fs::path("/dev/zero"), "is a device"}}) {
        if (device || path != at("device.eds")) {
            EXPECT_FALSE(readFileBytes(path.string(), 1u << 20, &whyNot)) << path;
            EXPECT_EQ(whyNot, std::string(reason) + ", not a regular file");
            EXPECT_FALSE(isReadableFile(path.string())) << path;
            EXPECT_TRUE(path == "/dev/zero" || !writeFileAtomically(path.string(), "x")) << path;
        }
    }
    EXPECT_TRUE(fs::is_fifo(at("fifo.eds")));
    EXPECT_TRUE(!device || fs::is_character_file(at("null")));
    EXPECT_EQ(namesIn(m_dir.path()), device ? "device.eds fifo.eds null" : "device.eds fifo.eds");
}

#endif

} // namespace
} // namespace quillon
