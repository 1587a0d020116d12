#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace quillon::fuzz {

// Each entry runs one reader over any bytes and checks what must hold for every input. It
// returns "" when all held, or which rule broke. Crashes, hangs and sanitizer reports are for
// the fuzzer or the sanitizers to see; the replay test runs the same entries over the corpus.

// The settings file parser, then the item reader alone in an order of reads picked by the bytes.
[[nodiscard]] std::string settingsAndItems(std::string_view data);

// The project file reader; a complete project of plain texts must survive writing and reading.
[[nodiscard]] std::string projectFile(std::string_view data);

// Both EDS generators with the bytes as control bytes and templates (see generateInputFormat).
[[nodiscard]] std::string templateGeneration(std::string_view data);

// The parameter editor's EDS reading, the module scan and saving new defaults.
[[nodiscard]] std::string edsParameters(std::string_view data);

// The EDS conformance checker and its report.
[[nodiscard]] std::string edsCheck(std::string_view data);

// How templateGeneration reads its input: 6 control bytes (protocol and module count; digital in,
// digital out, analogue in, analogue out byte totals), then the templates OVN_HB612.eds,
// OVN_KD236.eds, OVN_KA224.eds and OVN_KX100.eds separated by lines "====". A template left out
// is a missing file. Modules cycle through KD236, KA224 and KX100.
inline constexpr std::string_view TemplateSeparator = "\r\n====\r\n";
inline constexpr std::size_t GenerateControlBytes = 6;

struct Target
{
    const char* name; // also the folder of its corpus
    std::string (*run)(std::string_view data);
};

// Every target, in a fixed order.
[[nodiscard]] std::span<const Target> targets();

// For a libFuzzer target: runs the entry and aborts with the broken rule on stderr, so that
// libFuzzer keeps the input as a crash.
int runOrAbort(std::string (*entry)(std::string_view data), const std::uint8_t* data,
               std::size_t size);

} // namespace quillon::fuzz
