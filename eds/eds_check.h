#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// One violation found in an EDS: the 1-based line it stands on (0 when it concerns the file as a
// whole, such as a missing section) and what is wrong, in words a template author can act on.
struct CheckFinding
{
    int line = 0;
    std::string message;

    bool operator==(const CheckFinding&) const = default;
};

enum class EdsFormat
{
    CanOpen,
    DeviceNet,
    Unknown,
};

struct CheckReport
{
    EdsFormat format = EdsFormat::Unknown;
    std::vector<CheckFinding> findings; // in line order; whole-file findings first

    [[nodiscard]] bool clean() const { return findings.empty(); }
};

// What the checker reads at most. A real EDS stays far below every one of them; a file beyond one
// gets a single finding saying so and is not checked further, so hostile input costs bounded time
// and memory.
constexpr std::size_t MaxCheckedFileBytes = std::size_t{16} << 20;
constexpr std::size_t MaxCheckedLineBytes = std::size_t{64} << 10;
constexpr std::size_t MaxCheckedLines = 1'000'000;
constexpr std::size_t MaxCheckedSections = 100'000;
constexpr std::size_t MaxCheckedValues = 2'000'000; // DeviceNet entries and their values
constexpr std::size_t MaxReportedFindings = 10'000; // then one finding says the rest is left out

// Recognises the file as a CANopen EDS (a [FileInfo] section) or a DeviceNet EDS ([File] or
// [Device]) and checks it against the rules of its format. Takes any bytes; never throws or
// crashes. An unrecognised, empty or oversized file gives format Unknown and one finding.
[[nodiscard]] CheckReport checkEds(std::string_view bytes);

// The report as text: one "file:line: message" line per finding ("file: message" for whole-file
// findings), then one summary line "file: <format>, clean" or "file: <format>, N findings".
[[nodiscard]] std::string formatReport(const CheckReport& report, const std::string& fileName);

// "CANopen EDS", "DeviceNet EDS" or "unrecognised file".
[[nodiscard]] const char* formatName(EdsFormat format);

} // namespace quillon
