#include "core/item_reader.h"

#include <algorithm>
#include <climits>

#include "core/file_access.h"

namespace quillon {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace

bool ItemReader::atLineEnd() const
{
    return atEnd() || m_text[m_pos] == '\r' || m_text[m_pos] == '\n';
}

void ItemReader::skipLineEnd()
{
    // The end of the text also ends a line, so line numbers stay right for a last line without
    // its line end.
    if (atEnd()) {
        ++m_line;
        return;
    }
    if (m_text[m_pos] == '\r') {
        ++m_pos;
        if (!atEnd() && m_text[m_pos] == '\n')
            ++m_pos;
    } else if (m_text[m_pos] == '\n') {
        ++m_pos;
    }
    ++m_line;
}

std::optional<std::string> ItemReader::readLine()
{
    const auto line = readLineView();
    if (!line)
        return std::nullopt;
    return std::string(*line);
}

std::optional<std::string_view> ItemReader::readLineView()
{
    m_readLine = m_line;
    if (atEnd()) {
        m_error = "end of file";
        return std::nullopt;
    }
    const std::size_t start = m_pos;
    while (!atLineEnd())
        ++m_pos;
    const std::string_view line = m_text.substr(start, m_pos - start);
    skipLineEnd();
    return line;
}

std::optional<std::string> ItemReader::readText()
{
    m_readLine = m_line;
    if (atEnd()) {
        m_error = "end of file";
        return std::nullopt;
    }
    while (!atLineEnd() && isBlank(m_text[m_pos]))
        ++m_pos;

    std::string item;
    if (!atLineEnd() && m_text[m_pos] == '"') {
        ++m_pos;
        const std::size_t start = m_pos;
        // A quoted item may not run over a line end; an unclosed quote ends with its line.
        while (!atLineEnd() && m_text[m_pos] != '"')
            ++m_pos;
        item.assign(m_text.substr(start, m_pos - start));
        if (!atLineEnd())
            ++m_pos; // the closing quote
        while (!atLineEnd() && isBlank(m_text[m_pos]))
            ++m_pos;
        if (!atLineEnd() && m_text[m_pos] == ',')
            ++m_pos;
        else if (atLineEnd())
            skipLineEnd();
        return item;
    }

    const std::size_t start = m_pos;
    while (!atLineEnd() && m_text[m_pos] != ',')
        ++m_pos;
    std::size_t end = m_pos;
    while (end > start && isBlank(m_text[end - 1]))
        --end;
    item.assign(m_text.substr(start, end - start));
    if (!atLineEnd())
        ++m_pos; // the comma
    else
        skipLineEnd();
    return item;
}

std::optional<long long> ItemReader::readNumber(long long minValue, long long maxValue)
{
    const auto item = readText();
    if (!item)
        return std::nullopt;
    if (!parseWholeNumber(*item, LLONG_MIN, LLONG_MAX)) {
        m_error = "not a whole number: \"" + *item + "\"";
        return std::nullopt;
    }
    auto value = parseWholeNumber(*item, minValue, maxValue);
    if (!value)
        m_error = "number out of range: " + *item;
    return value;
}

std::optional<long long> parseWholeNumber(std::string_view item, long long minValue,
                                          long long maxValue)
{
    std::size_t i = 0;
    while (i < item.size() && isBlank(item[i]))
        ++i;
    bool negative = false;
    if (i < item.size() && (item[i] == '+' || item[i] == '-')) {
        negative = item[i] == '-';
        ++i;
    }
    const std::size_t digitsStart = i;
    // Accumulate in the negative range so that the most negative value fits; stop early on
    // absurdly long digit runs instead of overflowing.
    long long value = 0;
    bool overflow = false;
    while (i < item.size() && item[i] >= '0' && item[i] <= '9') {
        const int digit = item[i] - '0';
        if (value < (LLONG_MIN + digit) / 10)
            overflow = true;
        else
            value = value * 10 - digit;
        ++i;
    }
    if (i == digitsStart)
        return std::nullopt;
    while (i < item.size() && isBlank(item[i]))
        ++i;
    if (i != item.size() || overflow)
        return std::nullopt;
    if (!negative) {
        if (value == LLONG_MIN)
            return std::nullopt;
        value = -value;
    }
    if (value < minValue || value > maxValue)
        return std::nullopt;
    return value;
}

std::vector<std::string> splitLines(std::string_view text)
{
    std::vector<std::string> lines;
    ItemReader reader(text);
    while (auto line = reader.readLine())
        lines.push_back(std::move(*line));
    return lines;
}

std::optional<std::string> checkTextBounds(std::string_view text, std::size_t maxLineBytes,
                                           std::size_t maxLines)
{
    std::size_t lines = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = std::min(text.find_first_of("\r\n", pos), text.size());
        ++lines;
        if (end - pos > maxLineBytes) {
            return "line " + std::to_string(lines) + " is longer than " + sizeInWords(maxLineBytes);
        }
        if (lines > maxLines)
            return "has more than " + std::to_string(maxLines) + " lines";
        pos = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return std::nullopt;
}

} // namespace quillon
