#include "cli/json_output.h"

#include <ostream>

#include "core/file_path.h"

namespace quillon {

std::string jsonText(std::string_view latin1)
{
    std::string utf8;
    utf8.reserve(latin1.size());
    for (const char c : latin1) {
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

std::string jsonPath(const std::string& path)
{
    return fileTextToPath(path);
}

void writeJson(std::ostream& out, const Json& document)
{
    // Every string is UTF-8 by the helpers above; should one slip through, it is repaired
    // rather than thrown at the user.
    out << document.dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
}

} // namespace quillon
