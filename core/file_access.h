#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// Reading and writing whole files. Every file the program reads or writes goes through these
// functions, so the rules for files that come from someone else (only regular files, a size
// bound) and for replacing a file the user has (permissions, links, a crash never leaving half a
// file) hold everywhere. One implementation per platform: file_access_posix.cpp and
// file_access_windows.cpp.

// Size bounds, each far above any real file of its kind and low enough that a hostile or mistaken
// file is refused at once instead of filling memory. Real templates and EDS files are under
// 100 KiB, pictures under 8 KiB.
constexpr std::size_t TemplateMaxBytes = 1u << 20;
constexpr std::size_t EdsFileMaxBytes = 4u << 20;
constexpr std::size_t PictureMaxBytes = 1u << 20;

// Reads a whole file as bytes. Only a regular file is read: a folder, a device or a FIFO is
// refused without blocking on it, and so is a file larger than `maxBytes`. nullopt on any failure;
// then `whyNot`, when given, receives the reason in words ("No such file or directory", "is a
// FIFO, not a regular file", "is larger than 1 MiB"). The program's readers each name their
// bound; the default serves tests and tools.
[[nodiscard]] std::optional<std::string> readFileBytes(const std::string& path,
                                                       std::size_t maxBytes = EdsFileMaxBytes,
                                                       std::string* whyNot = nullptr);

// readFileBytes for a text file: a file whose lines pass the bounds of checkTextBounds (a line of
// 64 KiB, 100,000 lines) is refused as well.
[[nodiscard]] std::optional<std::string> readTextFile(const std::string& path, std::size_t maxBytes,
                                                      std::string* whyNot = nullptr);

// True when `path` names a regular file that can be opened for reading. Never blocks.
[[nodiscard]] bool isReadableFile(const std::string& path);

// Replaces the content of `path` with `bytes` so that the file is either its old content or the
// whole new one, also after a crash or a full disk:
// - the new content goes into a temporary file created exclusively in the target's folder (never
//   through a link planted there), is flushed to disk and then renamed over the target, and the
//   folder is flushed; the temporary file is removed on every failure;
// - an existing target keeps its permission bits, and its owner and group where the process may
//   set them;
// - a target that is a symbolic link is written through: the link stays, its target gets the
//   content;
// - a target the user may not write is refused, as a plain overwrite would be;
// - a writable target in a folder where no new file may be created is overwritten in place.
// False on failure; then `whyNot`, when given, receives the reason in words ("Permission
// denied").
[[nodiscard]] bool writeFileAtomically(const std::string& path, std::string_view bytes,
                                       std::string* whyNot = nullptr);

// The temporary file is named after the target with ".tmp" and six random letters added. A test
// that plants files under the names a save will try sets those letters here, one entry a try;
// once they are used up (or when none are set) the letters are random again.
void setTemporarySuffixesForTests(std::vector<std::string> suffixes);

// The letters for the next temporary name: the next planned ones, else six random letters and
// digits. For the platform implementations.
[[nodiscard]] std::string nextTemporarySuffix();

// "1 MiB", "64 KiB", "17 bytes": a size bound as a message states it.
[[nodiscard]] std::string sizeInWords(std::size_t bytes);

} // namespace quillon
