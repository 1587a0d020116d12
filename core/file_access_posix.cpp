// Reading and writing whole files on POSIX systems, with the system calls themselves: the rules
// that keep a save safe (exclusive creation, no following of planted links, flushing, the
// target's permissions) need the file descriptor, which the standard streams do not give.
#ifndef _WIN32

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/file_access.h"
#include "core/file_path.h"

namespace quillon {

namespace {

// Links are followed at most this often, as the kernel does (ELOOP beyond it).
constexpr int MaxLinkHops = 40;
// Tries for a free temporary name before giving up; a clash is already rare.
constexpr int MaxTemporaryNameTries = 100;
// The temporary name adds ".tmp" and 6 characters to the target's name; this keeps it under the
// 255 bytes a name may have.
constexpr std::size_t MaxTemporaryBaseBytes = 200;

std::string errorText(int error)
{
    return std::strerror(error);
}

// Closes a descriptor when it goes out of scope, unless it was closed (and checked) by hand.
class FileDescriptor
{
public:
    explicit FileDescriptor(int fd = -1) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    [[nodiscard]] int get() const { return m_fd; }
    [[nodiscard]] bool isOpen() const { return m_fd >= 0; }
    void reset(int fd)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }
    // Closes now; errno tells why when it returns false (NFS reports a failed write here).
    [[nodiscard]] bool close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

// What kind of non-regular file `mode` is, for a refusal.
std::string notRegularText(mode_t mode)
{
    if (S_ISDIR(mode))
        return "is a folder, not a regular file";
    if (S_ISFIFO(mode))
        return "is a FIFO, not a regular file";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "is a device, not a regular file";
    if (S_ISSOCK(mode))
        return "is a socket, not a regular file";
    return "is not a regular file";
}

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// The folder part of `path` with its closing '/', or "" for a name in the working folder.
std::string folderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The file a chain of symbolic links ends at. A path that is no link is its own end; so is a path
// that does not exist yet (a new file, or the missing target of a dangling link, which is then
// created). nullopt with errno set when a link cannot be read or the chain is too long.
std::optional<std::string> resolveLinks(const std::string& path)
{
    std::string current = path;
    for (int hop = 0; hop <= MaxLinkHops; ++hop) {
        struct stat st = {};
        if (::lstat(current.c_str(), &st) != 0)
            return errno == ENOENT ? std::optional<std::string>(current) : std::nullopt;
        if (!S_ISLNK(st.st_mode))
            return current;
        std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
        for (;;) {
            const ssize_t n = ::readlink(current.c_str(), target.data(), target.size());
            if (n < 0)
                return std::nullopt;
            if (static_cast<std::size_t>(n) < target.size()) {
                target.resize(static_cast<std::size_t>(n));
                break;
            }
            target.resize(target.size() * 2); // the link changed meanwhile
        }
        // A relative link is relative to the folder that holds it.
        current = !target.empty() && target.front() == '/' ? target : folderOf(current) + target;
    }
    errno = ELOOP;
    return std::nullopt;
}

// Creates a new file beside `target` that nobody else can have prepared: O_EXCL fails on any
// existing name, a planted link included, and O_NOFOLLOW keeps a link from being followed even
// where O_EXCL alone would not. The descriptor, or -1 with errno from the last try.
int createTemporary(const std::string& target, mode_t mode, std::string& name)
{
    const std::string folder = folderOf(target);
    const std::string base = target.substr(folder.size()).substr(0, MaxTemporaryBaseBytes);
    for (int attempt = 0; attempt < MaxTemporaryNameTries; ++attempt) {
        name = folder + base + ".tmp" + nextTemporarySuffix();
        const int fd =
            ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

// Flushes a folder, so that a rename in it survives a crash. File systems that cannot flush a
// folder say so with EINVAL; that is no failure of the save.
bool syncFolder(const std::string& target)
{
    const std::string folder = folderOf(target);
    FileDescriptor dir(
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir.isOpen())
        return true; // a folder we may write in but not read: nothing to flush through
    if (::fsync(dir.get()) != 0 && errno != EINVAL && errno != EROFS)
        return false;
    return true;
}

// Overwrites the open target in place, for a folder where no temporary file may be made. Not
// safe against a crash halfway, but the only way to save there at all.
bool writeInPlace(FileDescriptor& target, std::string_view bytes)
{
    while (::ftruncate(target.get(), 0) != 0) {
        if (errno != EINTR)
            return false;
    }
    return writeAll(target.get(), bytes) && ::fsync(target.get()) == 0 && target.close();
}

} // namespace

std::optional<std::string> readFileBytes(const std::string& path, std::size_t maxBytes,
                                         std::string* whyNot)
{
    const auto fail = [whyNot](std::string reason) -> std::optional<std::string> {
        if (whyNot)
            *whyNot = std::move(reason);
        return std::nullopt;
    };
    // O_NONBLOCK so that a FIFO without a writer cannot hold the program; a regular file does
    // not care.
    FileDescriptor in(::open(toFsPath(path).c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!in.isOpen())
        return fail(errorText(errno));
    struct stat st = {};
    if (::fstat(in.get(), &st) != 0)
        return fail(errorText(errno));
    if (!S_ISREG(st.st_mode))
        return fail(notRegularText(st.st_mode));
    if (st.st_size < 0 || static_cast<unsigned long long>(st.st_size) > maxBytes)
        return fail("is larger than " + sizeInWords(maxBytes));

    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(in.get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return fail(errorText(errno));
        }
        if (got == 0)
            break;
        // The file may grow while it is read.
        if (bytes.size() + static_cast<std::size_t>(got) > maxBytes)
            return fail("is larger than " + sizeInWords(maxBytes));
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    return bytes;
}

bool isReadableFile(const std::string& path)
{
    FileDescriptor in(::open(toFsPath(path).c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat st = {};
    return in.isOpen() && ::fstat(in.get(), &st) == 0 && S_ISREG(st.st_mode);
}

bool writeFileAtomically(const std::string& path, std::string_view bytes, std::string* whyNot)
{
    const auto fail = [whyNot](std::string reason) {
        if (whyNot)
            *whyNot = std::move(reason);
        return false;
    };
    const auto target = resolveLinks(toFsPath(path).native());
    if (!target)
        return fail(errorText(errno));

    // Opening the target for writing (without truncating it) asks the system the same question
    // a plain overwrite would: a file the user may not write is refused here, whatever the
    // folder allows. The target has been resolved, so a link standing there now was planted.
    FileDescriptor existing(
        ::open(target->c_str(), O_WRONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC));
    struct stat old = {};
    if (existing.isOpen()) {
        if (::fstat(existing.get(), &old) != 0)
            return fail(errorText(errno));
        if (!S_ISREG(old.st_mode))
            return fail(notRegularText(old.st_mode));
    } else if (errno != ENOENT) {
        return fail(errorText(errno));
    }

    // A new file gets the permissions a plain create gives it; a replacement starts private and
    // gets the old file's permissions before anyone else could open it.
    std::string temporary;
    FileDescriptor out(createTemporary(*target, existing.isOpen() ? 0600 : 0666, temporary));
    if (!out.isOpen()) {
        const int error = errno;
        if (existing.isOpen() && (error == EACCES || error == EPERM)) {
            if (!writeInPlace(existing, bytes))
                return fail(errorText(errno));
            return true;
        }
        return fail(errorText(error));
    }

    const auto discard = [&](int error) {
        out.reset(-1);
        ::unlink(temporary.c_str());
        return fail(errorText(error));
    };
    if (!writeAll(out.get(), bytes))
        return discard(errno);
    if (existing.isOpen()) {
        // Owner and group first: changing them clears set-user-ID bits that the mode then sets
        // again. Only root may give a file away, and only members may set the group; a save by
        // anyone else keeps the saving user's own.
        struct stat fresh = {};
        if (::fstat(out.get(), &fresh) != 0)
            return discard(errno);
        if ((fresh.st_uid != old.st_uid || fresh.st_gid != old.st_gid) &&
            ::fchown(out.get(), old.st_uid, old.st_gid) != 0) {
            if (errno != EPERM)
                return discard(errno);
            if (::fchown(out.get(), static_cast<uid_t>(-1), old.st_gid) != 0 && errno != EPERM)
                return discard(errno);
        }
        if (::fchmod(out.get(), old.st_mode & 07777) != 0)
            return discard(errno);
    }
    if (::fsync(out.get()) != 0)
        return discard(errno);
    if (!out.close()) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return fail(errorText(error));
    }
    if (::rename(temporary.c_str(), target->c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        // A sticky folder (such as /tmp) lets nobody but the owner replace a file, even one
        // everybody may write; that file is written in place, as a plain save would.
        if (existing.isOpen() && (error == EPERM || error == EACCES)) {
            if (!writeInPlace(existing, bytes))
                return fail(errorText(errno));
            return true;
        }
        return fail(errorText(error));
    }
    if (!syncFolder(*target))
        return fail("written, but the folder could not be flushed to disk: " + errorText(errno));
    return true;
}

} // namespace quillon

#endif
