#pragma once

#include <string>
#include <string_view>

#include <QString>

namespace quillon {

// The program's text is 8-bit: each byte is one character and comes back as the same byte, so
// nothing the core reads or writes is changed on its way through a widget. These two are the only
// place where the windows convert between the core's bytes and Qt strings.
[[nodiscard]] QString toQString(std::string_view bytes);

// Characters beyond Latin-1 cannot be stored in the core's 8-bit text and become '?'.
[[nodiscard]] std::string toBytes(const QString& text);

// File names are not file text: they cross into the core in the platform's own file-name
// encoding (see core/file_path.h), so "Prüfstand/Süd.edp" reaches the disk as typed.
[[nodiscard]] std::string toPathBytes(const QString& path);
[[nodiscard]] QString pathToQString(std::string_view path);

// Messages and the project box mix the program's own Latin-1 text with file names: a text that is
// well-formed UTF-8 is shown as UTF-8 (a file name with "ü" in it), any other as Latin-1.
[[nodiscard]] QString toDisplayText(std::string_view bytes);

} // namespace quillon
