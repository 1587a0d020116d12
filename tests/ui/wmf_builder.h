#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include <QByteArray>

namespace quillon::test {

// Writes small placeable Windows metafiles in memory, record by record, for the picture tests.
// Colours are given as &H00BBGGRR, coordinates as x before y (the file keeps y first).
class WmfBuilder
{
public:
    using Words = std::vector<std::uint16_t>;

    WmfBuilder(int left, int top, int right, int bottom, int unitsPerInch = 1440)
        : m_header{0xCDD7, 0x9AC6, 0, w(left), w(top), w(right), w(bottom), w(unitsPerInch), 0, 0}
    {}

    // Any record, with its parameters as 16-bit words.
    WmfBuilder& record(std::uint16_t function, Words words)
    {
        m_records.emplace_back(function, std::move(words));
        return *this;
    }

    WmfBuilder& windowOrg(int x, int y) { return record(0x020B, {w(y), w(x)}); }
    WmfBuilder& windowExt(int x, int y) { return record(0x020C, {w(y), w(x)}); }
    WmfBuilder& brush(int style, std::uint32_t colour, int hatch = 0)
    {
        return record(0x02FC, {w(style), w(colour), w(colour >> 16), w(hatch)});
    }
    WmfBuilder& font(int height, int weight, const std::string& face)
    {
        return record(0x02FB, withText({w(height), 0, 0, 0, w(weight), 0, 0, 0, 0}, face + '\0'));
    }
    WmfBuilder& select(int index) { return record(0x012D, {w(index)}); }
    WmfBuilder& remove(int index) { return record(0x01F0, {w(index)}); }
    WmfBuilder& textColour(std::uint32_t colour)
    {
        return record(0x0209, {w(colour), w(colour >> 16)});
    }
    WmfBuilder& backgroundMode(int mode) { return record(0x0102, {w(mode)}); }
    WmfBuilder& rectangle(int l, int t, int r, int b)
    {
        return record(0x041B, {w(b), w(r), w(t), w(l)});
    }
    WmfBuilder& ellipse(int l, int t, int r, int b)
    {
        return record(0x0418, {w(b), w(r), w(t), w(l)});
    }
    WmfBuilder& polygon(std::initializer_list<std::pair<int, int>> points)
    {
        Words words = {w(static_cast<int>(points.size()))};
        for (const auto& [x, y] : points)
            words.insert(words.end(), {w(x), w(y)});
        return record(0x0324, words);
    }
    WmfBuilder& textOut(int x, int y, const std::string& text)
    {
        Words words = withText({w(static_cast<int>(text.size()))}, text);
        words.insert(words.end(), {w(y), w(x)});
        return record(0x0521, words);
    }

    // The whole file: placeable header with its checksum, metafile header, the records and the
    // end record.
    [[nodiscard]] QByteArray bytes() const
    {
        Words out(std::begin(m_header), std::end(m_header));
        std::uint16_t checksum = 0;
        for (std::uint16_t v : m_header)
            checksum ^= v;
        out.push_back(checksum);
        std::uint32_t size = 9 + 3;
        std::uint32_t largest = 3;
        for (const auto& [function, params] : m_records) {
            size += 3 + static_cast<std::uint32_t>(params.size());
            largest = std::max(largest, 3 + static_cast<std::uint32_t>(params.size()));
        }
        out.insert(out.end(),
                   {1, 9, 0x0300, w(size), w(size >> 16), 16, w(largest), w(largest >> 16), 0});
        for (const auto& [function, params] : m_records) {
            out.insert(out.end(), {w(3 + params.size()), w((3 + params.size()) >> 16), function});
            out.insert(out.end(), params.begin(), params.end());
        }
        out.insert(out.end(), {3, 0, 0});
        QByteArray bytes;
        for (std::uint16_t v : out)
            bytes.append(static_cast<char>(v & 0xFF)).append(static_cast<char>(v >> 8));
        return bytes;
    }

private:
    template <typename T> static std::uint16_t w(T v) { return static_cast<std::uint16_t>(v); }
    // Bytes packed two to a word, low byte first.
    static Words withText(Words words, const std::string& bytes)
    {
        for (std::size_t i = 0; i < bytes.size(); i += 2)
            words.push_back(static_cast<std::uint16_t>(
                static_cast<unsigned char>(bytes[i]) |
                (i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) << 8 : 0)));
        return words;
    }

    std::uint16_t m_header[10];
    std::vector<std::pair<std::uint16_t, Words>> m_records;
};

} // namespace quillon::test
