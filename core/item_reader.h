#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// Sequential reading of 8-bit text, by whole lines or by comma-delimited items, as settings,
// project and template files are read. A line ends at CR LF, a lone CR or a lone LF; the end of
// the text also ends the last line. The reader keeps a copy of nothing: the text must outlive it.
//
// Items: blanks (spaces and tabs) before an item are skipped. An item in double quotes runs to the
// closing quote (it may hold commas; the quotes are not part of it); after the closing quote,
// blanks are skipped and a following comma or line end is taken as its delimiter. An unquoted
// item runs to the next comma or line end, with its trailing blanks removed. An item that stands
// at a line end is empty. Reading an item or a line at the end of the text fails.
class ItemReader
{
public:
    explicit ItemReader(std::string_view text) : m_text(text) {}

    [[nodiscard]] bool atEnd() const { return m_pos >= m_text.size(); }

    // The 1-based number of the line the next read starts in, for error messages.
    [[nodiscard]] int lineNumber() const { return m_line; }

    // The rest of the current line, without its line end; nullopt at the end of the text.
    std::optional<std::string> readLine();
    // The same as a view into the text, for a reader that must not copy every line.
    std::optional<std::string_view> readLineView();

    // The next item as text; nullopt at the end of the text.
    std::optional<std::string> readText();

    // The next item as a decimal whole number (blanks around it allowed). nullopt at the end of
    // the text, or when the item is not such a number or lies outside [minValue, maxValue].
    std::optional<long long> readNumber(long long minValue, long long maxValue);
    std::optional<int> readInt16()
    {
        auto v = readNumber(INT16_MIN, INT16_MAX);
        return v ? std::optional<int>(static_cast<int>(*v)) : std::nullopt;
    }
    std::optional<long long> readInt32() { return readNumber(INT32_MIN, INT32_MAX); }

    // Why the last failed read failed: "end of file", "not a whole number: x", "out of range: x".
    [[nodiscard]] const std::string& lastError() const { return m_error; }
    // The line the last read started in.
    [[nodiscard]] int lastReadLine() const { return m_readLine; }

private:
    bool atLineEnd() const;
    void skipLineEnd();

    std::string_view m_text;
    std::size_t m_pos = 0;
    int m_line = 1;
    int m_readLine = 1;
    std::string m_error;
};

// Parses a whole item as a decimal whole number: optional blanks, an optional sign, digits,
// optional blanks. nullopt for anything else or a value outside [minValue, maxValue].
[[nodiscard]] std::optional<long long> parseWholeNumber(std::string_view item, long long minValue,
                                                        long long maxValue);

// Splits text into lines at CR LF, lone CR or lone LF (line ends not included). A final line end
// does not start another line.
[[nodiscard]] std::vector<std::string> splitLines(std::string_view text);

// The bounds of every text file the program reads, far above any real file (real lines are under
// 200 bytes, real templates and EDS files have about 2,000 lines) and low enough that a file of
// one endless line or of nothing but line ends is refused before it is split into lines.
constexpr std::size_t MaxLineBytes = std::size_t{64} << 10;
constexpr std::size_t MaxTextLines = 100'000;

// Why `text` is out of these bounds ("line 7 is longer than 64 KiB", "has more than 100000
// lines"), or nullopt when it is within them. Lines end as for ItemReader.
[[nodiscard]] std::optional<std::string> checkTextBounds(std::string_view text,
                                                         std::size_t maxLineBytes = MaxLineBytes,
                                                         std::size_t maxLines = MaxTextLines);

} // namespace quillon
