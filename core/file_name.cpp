#include "core/file_name.h"

namespace quillon {

std::optional<std::string> whyNotPlainFileName(std::string_view name)
{
    if (name.empty())
        return "is empty";
    if (name == "." || name == "..")
        return "names a folder, not a file";
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\')
            return "holds a folder separator";
        if (c == ':')
            return "holds a drive or stream separator ':'";
        if (byte < 0x20 || byte == 0x7F)
            return "holds a control character";
    }
    return std::nullopt;
}

std::string quotedName(std::string_view name)
{
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string text = "\"";
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            text += "\\x";
            text += Hex[byte >> 4];
            text += Hex[byte & 0x0F];
        } else {
            text += c;
        }
    }
    return text + "\"";
}

} // namespace quillon
