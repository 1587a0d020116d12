// Reading and writing whole files on Windows, with the wide file API: a temporary file created
// beside the target, flushed, and put in place by ReplaceFileW, which keeps the target's
// attributes and access control list.
#ifdef _WIN32

#include <algorithm>
#include <filesystem>

#include "core/file_access.h"
#include "core/file_path.h"
#include "core/windows_api.h"

namespace quillon {

namespace {

constexpr int MaxTemporaryNameTries = 100;
// WriteFile and ReadFile take a 32-bit count; larger buffers go in pieces.
constexpr DWORD MaxChunk = 1u << 24;

// The system's text for an error code, as UTF-8.
std::string errorText(DWORD error)
{
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text =
        length > 0 && buffer ? std::wstring(buffer, length) : L"error " + std::to_wstring(error);
    if (buffer)
        LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' '))
        text.pop_back();
    return fromFsPath(std::filesystem::path(text));
}

class Handle
{
public:
    explicit Handle(HANDLE h = INVALID_HANDLE_VALUE) : m_h(h) {}
    ~Handle()
    {
        if (isOpen())
            CloseHandle(m_h);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    [[nodiscard]] HANDLE get() const { return m_h; }
    [[nodiscard]] bool isOpen() const { return m_h != INVALID_HANDLE_VALUE && m_h != nullptr; }
    void reset(HANDLE h = INVALID_HANDLE_VALUE)
    {
        if (isOpen())
            CloseHandle(m_h);
        m_h = h;
    }
    [[nodiscard]] bool close()
    {
        const HANDLE h = m_h;
        m_h = INVALID_HANDLE_VALUE;
        return CloseHandle(h) != 0;
    }

private:
    HANDLE m_h;
};

bool writeAll(HANDLE h, std::string_view bytes)
{
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), MaxChunk));
        DWORD written = 0;
        if (!WriteFile(h, bytes.data(), chunk, &written, nullptr))
            return false;
        bytes.remove_prefix(written);
    }
    return true;
}

// The path a chain of links and junctions ends at, for a file that exists; the path itself for
// one that does not.
std::wstring resolveLinks(const std::wstring& path)
{
    Handle h(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!h.isOpen())
        return path;
    std::wstring final(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n =
            GetFinalPathNameByHandleW(h.get(), final.data(), static_cast<DWORD>(final.size()), 0);
        if (n == 0)
            return path;
        if (n < final.size()) {
            final.resize(n);
            return final;
        }
        final.resize(n + 1);
    }
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
    const std::wstring name = toFsPath(path).wstring();
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return fail("is a folder, not a regular file");
    Handle in(CreateFileW(name.c_str(), GENERIC_READ,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!in.isOpen())
        return fail(errorText(GetLastError()));
    // Device names such as CON or NUL open as character devices, pipes as pipes.
    if (GetFileType(in.get()) != FILE_TYPE_DISK)
        return fail("is a device, not a regular file");
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(in.get(), &size))
        return fail(errorText(GetLastError()));
    if (size.QuadPart < 0 || static_cast<unsigned long long>(size.QuadPart) > maxBytes)
        return fail("is larger than " + sizeInWords(maxBytes));

    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(size.QuadPart));
    char buffer[1 << 16];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(in.get(), buffer, sizeof buffer, &got, nullptr))
            return fail(errorText(GetLastError()));
        if (got == 0)
            break;
        if (bytes.size() + got > maxBytes)
            return fail("is larger than " + sizeInWords(maxBytes));
        bytes.append(buffer, got);
    }
    return bytes;
}

bool isReadableFile(const std::string& path)
{
    const std::wstring name = toFsPath(path).wstring();
    Handle in(CreateFileW(name.c_str(), GENERIC_READ,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return in.isOpen() && GetFileType(in.get()) == FILE_TYPE_DISK;
}

bool writeFileAtomically(const std::string& path, std::string_view bytes, std::string* whyNot)
{
    const auto fail = [whyNot](std::string reason) {
        if (whyNot)
            *whyNot = std::move(reason);
        return false;
    };
    const std::wstring target = resolveLinks(toFsPath(path).wstring());

    // Opening the target for writing asks what a plain overwrite would ask; a read-only file is
    // refused, as Windows refuses to overwrite it.
    const DWORD attributes = GetFileAttributesW(target.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return fail("is a folder, not a regular file");
    if (exists && (attributes & FILE_ATTRIBUTE_READONLY))
        return fail(errorText(ERROR_ACCESS_DENIED) + " (the file is read-only)");
    Handle existing;
    if (exists) {
        existing.reset(CreateFileW(target.c_str(), GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!existing.isOpen())
            return fail(errorText(GetLastError()));
        if (GetFileType(existing.get()) != FILE_TYPE_DISK)
            return fail("is a device, not a regular file");
    }

    const std::filesystem::path targetPath(target);
    const std::wstring folder = targetPath.parent_path().wstring();
    const std::wstring base = targetPath.filename().wstring();
    std::wstring temporary;
    Handle out;
    DWORD createError = ERROR_FILE_EXISTS;
    for (int attempt = 0; attempt < MaxTemporaryNameTries; ++attempt) {
        const std::string suffix = nextTemporarySuffix();
        temporary = (folder.empty() ? std::wstring() : folder + L"\\") + base + L".tmp" +
                    std::wstring(suffix.begin(), suffix.end());
        // CREATE_NEW fails on every existing name, a planted link included.
        out.reset(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
        if (out.isOpen())
            break;
        createError = GetLastError();
        if (createError != ERROR_FILE_EXISTS && createError != ERROR_ALREADY_EXISTS)
            break;
    }
    if (!out.isOpen()) {
        if (existing.isOpen() && createError == ERROR_ACCESS_DENIED) {
            // A folder where no new file may be made: the writable target is overwritten in place.
            LARGE_INTEGER zero = {};
            if (!SetFilePointerEx(existing.get(), zero, nullptr, FILE_BEGIN) ||
                !SetEndOfFile(existing.get()) || !writeAll(existing.get(), bytes) ||
                !FlushFileBuffers(existing.get()) || !existing.close())
                return fail(errorText(GetLastError()));
            return true;
        }
        return fail(errorText(createError));
    }
    existing.reset();

    const auto discard = [&](DWORD error) {
        out.reset();
        DeleteFileW(temporary.c_str());
        return fail(errorText(error));
    };
    if (!writeAll(out.get(), bytes) || !FlushFileBuffers(out.get()))
        return discard(GetLastError());
    if (!out.close())
        return discard(GetLastError());
    // ReplaceFileW keeps the replaced file's attributes, owner and access control list.
    const bool replaced =
        exists ? ReplaceFileW(target.c_str(), temporary.c_str(), nullptr,
                              REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != 0
               : MoveFileExW(temporary.c_str(), target.c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!replaced)
        return discard(GetLastError());
    return true;
}

} // namespace quillon

#endif
