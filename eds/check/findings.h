#pragma once

#include <algorithm>
#include <cstddef>
#include <numeric>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "eds/check/check_text.h"
#include "eds/eds_check.h"

namespace quillon::check {

// The lines of the checked file, as views into its bytes.
using Lines = std::vector<std::string_view>;

// Findings, capped so that a file with a fault on every line still gives a report of bounded size.
class Findings
{
public:
    explicit Findings(std::vector<CheckFinding>& out) : m_out(out) {}

    void add(int line, std::string message)
    {
        if (m_out.size() >= MaxReportedFindings) {
            m_overflow = true;
            return;
        }
        m_out.push_back({line, std::move(message)});
    }

    [[nodiscard]] bool overflowed() const { return m_overflow; }

private:
    std::vector<CheckFinding>& m_out;
    bool m_overflow = false;
};

// Splits the text into lines as every other reader of the program does. False, with one finding,
// when the text has too many lines or one that is too long.
[[nodiscard]] bool splitBounded(std::string_view bytes, Lines& lines, Findings& findings);

// The finding of a file with more than MaxCheckedSections sections.
[[nodiscard]] std::string tooManySections();

// Calls `report(again, first)` for every entry whose key (ignoring case) an earlier entry has,
// with that earlier entry. Sorting keeps this fast for sections of many entries.
template <typename Entry, typename KeyOf, typename Report>
void reportRepeats(std::span<const Entry> entries, KeyOf keyOf, Report report)
{
    if (entries.size() < 2)
        return;
    std::vector<std::size_t> order(entries.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return iless(keyOf(entries[a]), keyOf(entries[b]));
    });
    std::size_t first = order[0];
    for (std::size_t k = 1; k < order.size(); ++k) {
        if (iequals(keyOf(entries[order[k]]), keyOf(entries[first])))
            report(entries[order[k]], entries[first]);
        else
            first = order[k];
    }
}

} // namespace quillon::check
