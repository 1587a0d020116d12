#include "core/file_path.h"

#include <cstdint>

namespace quillon {

namespace {

// Decodes one UTF-8 sequence at `pos`; 0xFFFFFFFF when the bytes there are not well-formed.
std::uint32_t decodeUtf8(std::string_view text, std::size_t& pos)
{
    constexpr std::uint32_t Invalid = 0xFFFFFFFFu;
    const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char first = byte(pos);
    if (first < 0x80) {
        ++pos;
        return first;
    }
    int length = 0;
    std::uint32_t code = 0;
    std::uint32_t minimum = 0;
    if ((first & 0xE0) == 0xC0) {
        length = 2;
        code = first & 0x1Fu;
        minimum = 0x80;
    } else if ((first & 0xF0) == 0xE0) {
        length = 3;
        code = first & 0x0Fu;
        minimum = 0x800;
    } else if ((first & 0xF8) == 0xF0) {
        length = 4;
        code = first & 0x07u;
        minimum = 0x10000;
    } else {
        return Invalid;
    }
    if (pos + static_cast<std::size_t>(length) > text.size())
        return Invalid;
    for (int i = 1; i < length; ++i) {
        const unsigned char next = byte(pos + static_cast<std::size_t>(i));
        if ((next & 0xC0) != 0x80)
            return Invalid;
        code = (code << 6) | (next & 0x3Fu);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return Invalid;
    pos += static_cast<std::size_t>(length);
    return code;
}

} // namespace

bool isValidUtf8(std::string_view text)
{
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (decodeUtf8(text, pos) == 0xFFFFFFFFu)
            return false;
    }
    return true;
}

std::filesystem::path toFsPath(const std::string& path)
{
#ifdef _WIN32
    const std::string utf8 = isValidUtf8(path) ? path : fileTextToPath(path);
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
#else
    return std::filesystem::path(path);
#endif
}

std::string fromFsPath(const std::filesystem::path& path)
{
#ifdef _WIN32
    const std::u8string utf8 = path.u8string();
    return std::string(utf8.begin(), utf8.end());
#else
    return path.string();
#endif
}

std::string pathToFileText(std::string_view path)
{
    if (!isValidUtf8(path))
        return std::string(path);
    std::string text;
    text.reserve(path.size());
    std::size_t pos = 0;
    while (pos < path.size()) {
        const std::uint32_t code = decodeUtf8(path, pos);
        text.push_back(code <= 0xFF ? static_cast<char>(code) : '?');
    }
    return text;
}

std::string latin1ToUtf8(std::string_view text)
{
    std::string utf8;
    utf8.reserve(text.size() * 2);
    for (const char c : text) {
        const auto code = static_cast<unsigned char>(c);
        if (code < 0x80) {
            utf8.push_back(c);
        } else {
            utf8.push_back(static_cast<char>(0xC0 | (code >> 6)));
            utf8.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    return utf8;
}

std::string pathInFolder(const std::string& folder, std::string_view nameText)
{
    return folder + fileTextToPath(nameText);
}

std::string fileTextToPath(std::string_view text)
{
    return isValidUtf8(text) ? std::string(text) : latin1ToUtf8(text);
}

} // namespace quillon
