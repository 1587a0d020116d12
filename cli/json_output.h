#pragma once

#include <iosfwd>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace quillon {

// The documents of --format json keep their fields in the order the README lists them.
using Json = nlohmann::ordered_json;

// Text out of a settings, template or EDS file (Latin-1) as a JSON string, which is UTF-8.
[[nodiscard]] std::string jsonText(std::string_view latin1);

// A file name as a JSON string: UTF-8 as it stands, other bytes taken as Latin-1.
[[nodiscard]] std::string jsonPath(const std::string& path);

// Writes one JSON document, indented by two blanks, and a line end.
void writeJson(std::ostream& out, const Json& document);

} // namespace quillon
