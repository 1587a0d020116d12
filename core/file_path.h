#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace quillon {

// File names cross the core as std::string in the platform's own file-name encoding: on POSIX the
// bytes the operating system uses (UTF-8 on every desktop this program meets), on Windows UTF-8,
// turned into UTF-16 for the wide file API. The text inside the files is a different matter: it
// is 8-bit Latin-1 and stays byte for byte as it is. These helpers are the only place where a
// file name changes its form.

// The path for std::filesystem and the file streams. On Windows the UTF-8 bytes are decoded, so
// the wide API is used and no ANSI code page is involved.
[[nodiscard]] std::filesystem::path toFsPath(const std::string& path);

// The inverse of toFsPath.
[[nodiscard]] std::string fromFsPath(const std::filesystem::path& path);

// A file name as it is written into an 8-bit text file (the "FileName=" line of an EDS): each
// character that Latin-1 holds becomes its byte, every other character '?'. Bytes that are not
// UTF-8 are taken as Latin-1 already.
[[nodiscard]] std::string pathToFileText(std::string_view path);

// A file or folder name read from an 8-bit text file (a directory line of the settings file, a
// name in a project file) as a path: text that is valid UTF-8 is taken as it stands, since an
// editor on this desktop wrote it so; anything else is Latin-1 and is converted to UTF-8.
[[nodiscard]] std::string fileTextToPath(std::string_view text);

// The path of a file that 8-bit text names (a picture or template in a project or settings
// file) in `folder`, which ends with its separator.
[[nodiscard]] std::string pathInFolder(const std::string& folder, std::string_view nameText);

// Latin-1 text as UTF-8, character for character.
[[nodiscard]] std::string latin1ToUtf8(std::string_view text);

// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates, at most U+10FFFF).
[[nodiscard]] bool isValidUtf8(std::string_view text);

} // namespace quillon
