#include "cli/json_output.h"

#include <ostream>

#include "core/file_path.h"

namespace quillon {

std::string jsonText(std::string_view latin1)
{
    return latin1ToUtf8(latin1);
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
