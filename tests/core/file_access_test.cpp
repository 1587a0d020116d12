// Reading and replacing files as users have them: links, permissions, other people's files,
// folders that forbid new files, FIFOs and devices. These use POSIX calls to set the scene.
#ifndef _WIN32

#include <algorithm>
#include <array>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "core/file_access.h"
#include "core/item_reader.h"
#include "tests/fakes/scratch_dir.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;

constexpr uid_t Nobody = 65534;

void writeFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string contentOf(const fs::path& path)
{
    return readFileBytes(path.string()).value_or("<unreadable>");
}

mode_t modeOf(const fs::path& path)
{
    struct stat st = {};
    ::lstat(path.c_str(), &st);
    return st.st_mode & 07777;
}

// The names in a folder, so a test sees a temporary file that was left behind.
std::vector<std::string> namesIn(const fs::path& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
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
    ssize_t n = 0;
    while ((n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0)
        report.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status))
        return "the child process died: " + report;
    return report;
}

// A folder the unprivileged user of asUnprivilegedUser owns.
fs::path folderForUnprivilegedUser(const fs::path& parent, const std::string& name)
{
    const fs::path dir = parent / name;
    fs::create_directory(dir);
    if (::geteuid() == 0 && ::chown(dir.c_str(), Nobody, Nobody) != 0)
        ADD_FAILURE() << "cannot give " << dir << " to user 65534";
    return dir;
}

// Collects the failed checks of a child process.
struct Checks
{
    std::string failures;
    void expect(bool held, const std::string& what)
    {
        if (!held)
            failures += what + "; ";
    }
};

class FileAccess : public ::testing::Test
{
protected:
    void TearDown() override { setTemporarySuffixesForTests({}); }

    fs::path at(const std::string& name) const { return m_dir.path() / name; }

    test::ScratchDir m_dir{"quillon-file-access"};
};

TEST_F(FileAccess, ALinkPlantedUnderTheTemporaryNameCannotRedirectTheWrite)
{
    // Another user of a shared folder knows the names a save tries and plants links there to a
    // file of the saving user outside the folder.
    fs::create_directory(at("shared"));
    writeFile(at("private.txt"), "my own file");
    writeFile(at("shared/station.eds"), "old");
    fs::create_symlink(at("private.txt"), at("shared/station.eds.tmpAAAAAA"));
    fs::create_symlink(at("gone.txt"), at("shared/station.eds.tmpBBBBBB")); // dangling
    setTemporarySuffixesForTests({"AAAAAA", "BBBBBB", "CCCCCC"});

    std::string whyNot;
    ASSERT_TRUE(writeFileAtomically(at("shared/station.eds").string(), "new EDS", &whyNot))
        << whyNot;

    EXPECT_EQ(contentOf(at("private.txt")), "my own file");
    EXPECT_FALSE(fs::exists(at("gone.txt")));
    EXPECT_EQ(contentOf(at("shared/station.eds")), "new EDS");
    EXPECT_TRUE(fs::is_symlink(at("shared/station.eds.tmpAAAAAA"))); // not ours to remove
    EXPECT_EQ(namesIn(at("shared")),
              (std::vector<std::string>{"station.eds", "station.eds.tmpAAAAAA",
                                        "station.eds.tmpBBBBBB"}));
}

TEST_F(FileAccess, AReplacedFileKeepsItsPermissionBitsAndANewOneGetsTheUsual)
{
    for (const mode_t mode : {0600, 0640, 0604, 0660, 0755}) {
        const fs::path path = at("project.edp");
        writeFile(path, "old");
        ::chmod(path.c_str(), mode);
        ASSERT_TRUE(writeFileAtomically(path.string(), "new"));
        EXPECT_EQ(modeOf(path), mode) << std::oct << mode;
        EXPECT_EQ(contentOf(path), "new");
    }

    const mode_t umaskNow = ::umask(022);
    ::umask(umaskNow);
    ASSERT_TRUE(writeFileAtomically(at("fresh.edp").string(), "new"));
    EXPECT_EQ(modeOf(at("fresh.edp")), 0666 & ~umaskNow);
    EXPECT_EQ(namesIn(m_dir.path()), (std::vector<std::string>{"fresh.edp", "project.edp"}));
}

TEST_F(FileAccess, AReplacedFileKeepsItsOwnerAndGroupWhereTheProcessMaySetThem)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root may give a file to another user";
    const fs::path path = at("colleague.eds");
    writeFile(path, "old");
    ASSERT_EQ(::chown(path.c_str(), Nobody, Nobody), 0);
    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(writeFileAtomically(path.string(), "new"));
    struct stat st = {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, Nobody);
    EXPECT_EQ(st.st_gid, Nobody);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(FileAccess, ALinkIsWrittenThroughAndStaysALink)
{
    fs::create_directories(at("real/deeper"));
    writeFile(at("real/deeper/station.eds"), "old");
    // A relative link to a relative link, and a link whose target does not exist yet.
    fs::create_symlink("deeper/station.eds", at("real/inner.eds"));
    fs::create_symlink("real/inner.eds", at("outer.eds"));
    fs::create_symlink("real/later.eds", at("dangling.eds"));

    ASSERT_TRUE(writeFileAtomically(at("outer.eds").string(), "new"));
    EXPECT_EQ(fs::read_symlink(at("outer.eds")), "real/inner.eds");
    EXPECT_EQ(fs::read_symlink(at("real/inner.eds")), "deeper/station.eds");
    EXPECT_EQ(contentOf(at("real/deeper/station.eds")), "new");
    EXPECT_EQ(namesIn(at("real/deeper")), std::vector<std::string>{"station.eds"});

    ASSERT_TRUE(writeFileAtomically(at("dangling.eds").string(), "created"));
    EXPECT_TRUE(fs::is_symlink(at("dangling.eds")));
    EXPECT_EQ(contentOf(at("real/later.eds")), "created");

    // A loop of links is no file to write.
    fs::create_symlink("loop-b", at("loop-a"));
    fs::create_symlink("loop-a", at("loop-b"));
    std::string whyNot;
    EXPECT_FALSE(writeFileAtomically(at("loop-a").string(), "x", &whyNot));
    EXPECT_FALSE(whyNot.empty());
}

TEST_F(FileAccess, AFileTheUserMayNotWriteIsRefusedAndLeftAsItWas)
{
    const fs::path dir = folderForUnprivilegedUser(m_dir.path(), "shared");
    // A colleague's file, readable by all, writable only by its owner (root, or the user itself
    // made read-only below).
    writeFile(dir / "theirs.eds", "their EDS");
    ::chmod((dir / "theirs.eds").c_str(), 0644);
    const bool foreignOwner = ::geteuid() == 0;
    const std::string report = asUnprivilegedUser([&] {
        Checks checks;
        writeFile(dir / "mine.eds", "my EDS");
        ::chmod((dir / "mine.eds").c_str(), 0444);
        std::vector<fs::path> targets = {dir / "mine.eds"};
        if (foreignOwner)
            targets.push_back(dir / "theirs.eds");
        for (const fs::path& target : targets) {
            const std::string before = contentOf(target);
            std::string whyNot;
            checks.expect(!writeFileAtomically(target.string(), "replaced", &whyNot),
                          target.string() + " was written");
            checks.expect(whyNot == "Permission denied", "reason: " + whyNot);
            checks.expect(contentOf(target) == before, target.string() + " changed");
        }
        checks.expect(namesIn(dir) == std::vector<std::string>{"mine.eds", "theirs.eds"},
                      "a temporary file was left");
        return checks.failures;
    });
    EXPECT_EQ(report, "");
}

TEST_F(FileAccess, AWritableFileInAFolderThatForbidsNewFilesIsWrittenInPlace)
{
    const fs::path dir = folderForUnprivilegedUser(m_dir.path(), "locked");
    const std::string report = asUnprivilegedUser([&] {
        Checks checks;
        const fs::path target = dir / "station.edp";
        writeFile(target, "old project");
        ::chmod(target.c_str(), 0640);
        ::chmod(dir.c_str(), 0555);
        struct stat before = {};
        ::stat(target.c_str(), &before);

        std::string whyNot;
        checks.expect(writeFileAtomically(target.string(), "new", &whyNot), "failed: " + whyNot);
        struct stat after = {};
        ::stat(target.c_str(), &after);
        checks.expect(contentOf(target) == "new", "content: " + contentOf(target));
        checks.expect(after.st_ino == before.st_ino, "not written in place");
        checks.expect((after.st_mode & 07777) == 0640, "mode changed");
        // A new file cannot be made there at all.
        checks.expect(!writeFileAtomically((dir / "new.edp").string(), "x", &whyNot),
                      "a new file was made in a locked folder");
        checks.expect(whyNot == "Permission denied", "reason: " + whyNot);
        checks.expect(namesIn(dir) == std::vector<std::string>{"station.edp"}, "a file was left");
        ::chmod(dir.c_str(), 0755);
        return checks.failures;
    });
    EXPECT_EQ(report, "");
}

TEST_F(FileAccess, AWritableFileOfAnotherUserInAStickyFolderIsWrittenInPlace)
{
    // In /tmp and its kind only a file's owner may replace it, even one everybody may write.
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can make a file of another user for this";
    const fs::path dir = at("sticky");
    fs::create_directory(dir);
    ::chmod(dir.c_str(), 01777);
    const fs::path target = dir / "shared.eds";
    writeFile(target, "old");
    ::chmod(target.c_str(), 0666);
    struct stat before = {};
    ::stat(target.c_str(), &before);
    const std::string report = asUnprivilegedUser([&] {
        std::string whyNot;
        return writeFileAtomically(target.string(), "new", &whyNot) ? std::string() : whyNot;
    });
    EXPECT_EQ(report, "");
    struct stat after = {};
    ::stat(target.c_str(), &after);
    EXPECT_EQ(contentOf(target), "new");
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_uid, 0u);
    EXPECT_EQ(namesIn(dir), std::vector<std::string>{"shared.eds"});
}

TEST_F(FileAccess, AFailedWriteLeavesTheTargetAndNoTemporaryFile)
{
    const fs::path dir = folderForUnprivilegedUser(m_dir.path(), "full");
    const std::string report = asUnprivilegedUser([&] {
        Checks checks;
        const fs::path target = dir / "station.eds";
        writeFile(target, "the earlier EDS");
        // A file size limit makes the write fail halfway, as a full disk would.
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1000, 1000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::string whyNot;
        checks.expect(!writeFileAtomically(target.string(), std::string(5000, 'x'), &whyNot),
                      "a write past the size limit succeeded");
        checks.expect(whyNot == "File too large", "reason: " + whyNot);
        checks.expect(contentOf(target) == "the earlier EDS", "the target changed");
        checks.expect(namesIn(dir) == std::vector<std::string>{"station.eds"},
                      "a temporary file was left");
        return checks.failures;
    });
    EXPECT_EQ(report, "");
}

TEST_F(FileAccess, WhatIsNoRegularFileIsNeitherWrittenNorRead)
{
    fs::create_directory(at("folder.eds"));
    ASSERT_EQ(::mkfifo(at("fifo.eds").c_str(), 0644), 0);
    const std::array<std::pair<fs::path, std::string>, 3> cases = {{
        {at("folder.eds"), "is a folder, not a regular file"},
        {at("fifo.eds"), "is a FIFO, not a regular file"},
        {"/dev/zero", "is a device, not a regular file"},
    }};
    for (const auto& [path, reason] : cases) {
        // A FIFO without a writer would hold a blocking open for ever; this returns at once.
        std::string whyNot;
        EXPECT_FALSE(readFileBytes(path.string(), 1u << 20, &whyNot)) << path;
        EXPECT_EQ(whyNot, reason) << path;
        EXPECT_FALSE(isReadableFile(path.string())) << path;
    }
    std::string whyNot;
    EXPECT_FALSE(writeFileAtomically(at("folder.eds").string(), "x", &whyNot));
    EXPECT_EQ(whyNot, "Is a directory");
    EXPECT_TRUE(fs::is_empty(at("folder.eds")));
    EXPECT_FALSE(writeFileAtomically(at("fifo.eds").string(), "x", &whyNot));
    EXPECT_TRUE(fs::is_fifo(at("fifo.eds")));
    EXPECT_EQ(namesIn(m_dir.path()), (std::vector<std::string>{"fifo.eds", "folder.eds"}));
}

TEST_F(FileAccess, ADeviceIsNotReplaced)
{
    // A device node in a folder we may write: replacing it by a file would go unnoticed there,
    // and in /dev it would break the system.
    if (::mknod(at("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
        GTEST_SKIP() << "only root may make a device node";
    fs::create_symlink("null", at("station.eds"));
    std::string whyNot;
    EXPECT_FALSE(writeFileAtomically(at("station.eds").string(), "x", &whyNot));
    EXPECT_EQ(whyNot, "is a device, not a regular file");
    EXPECT_TRUE(fs::is_character_file(at("null")));
    EXPECT_EQ(namesIn(m_dir.path()), (std::vector<std::string>{"null", "station.eds"}));
}

TEST_F(FileAccess, ReadsUpToItsBoundAndRefusesTextOfAbsurdShape)
{
    writeFile(at("exact"), std::string(1000, 'a'));
    EXPECT_EQ(readFileBytes(at("exact").string(), 1000), std::string(1000, 'a'));
    std::string whyNot;
    EXPECT_FALSE(readFileBytes(at("exact").string(), 999, &whyNot));
    EXPECT_EQ(whyNot, "is larger than 999 bytes");
    EXPECT_FALSE(readFileBytes(at("missing").string(), 999, &whyNot));
    EXPECT_EQ(whyNot, "No such file or directory");

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
        const auto read = readTextFile(at("text").string(), 4u << 20, &whyNot);
        EXPECT_EQ(read.has_value(), refusal.empty()) << refusal;
        EXPECT_EQ(whyNot, refusal);
    }
}

} // namespace
} // namespace quillon

#endif
