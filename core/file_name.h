#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quillon {

// Why `name` is no plain file name that stays inside the folder it is joined to, or nullopt when
// it is one. Project and settings files name resource and picture files that the program joins to
// its resource folder; a file from someone else must not reach any other file that way. Refused:
// an empty name, a folder separator ('/' or '\'), "." and "..", a ':' (a drive such as "C:" or a
// Windows stream), and control characters.
[[nodiscard]] std::optional<std::string> whyNotPlainFileName(std::string_view name);

// `name` in double quotes for a message, with control characters written as \xNN so that a
// refused name cannot garble the message that reports it.
[[nodiscard]] std::string quotedName(std::string_view name);

} // namespace quillon
