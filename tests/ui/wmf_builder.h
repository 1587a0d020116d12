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
// Colours are given as &H00BBGGRR.
class WmfBuilder
{
public:
    WmfBuilder(std::int16_t left, std::int16_t top, std::int16_t right, std::int16_t bottom,
               std::uint16_t unitsPerInch = 1440)
        : m_header{0xCDD7, 0x9AC6, 0, w(left), w(top), w(right), w(bottom), unitsPerInch, 0, 0}
    {}

    // Any record, with its parameters as 16-bit words.
    WmfBuilder& record(std::uint16_t function, std::vector<std::uint16_t> words)
    {
        m_records.emplace_back(function, std::move(words));
        return *this;
    }

    WmfBuilder& windowOrg(std::int16_t x, std::int16_t y) { return record(0x020B, {w(y), w(x)}); }
    WmfBuilder& windowExt(std::int16_t x, std::int16_t y) { return record(0x020C, {w(y), w(x)}); }
    WmfBuilder& pen(std::uint16_t style, std::int16_t width, std::uint32_t colour)
    {
        return record(0x02FA, {style, w(width), 0, lo(colour), hi(colour)});
    }
    WmfBuilder& brush(std::uint16_t style, std::uint32_t colour, std::uint16_t hatch = 0)
    {
        return record(0x02FC, {style, lo(colour), hi(colour), hatch});
    }
    WmfBuilder& font(std::int16_t height, std::int16_t weight, const std::string& face)
    {
        std::vector<std::uint16_t> words = {w(height), 0, 0, 0, w(weight), 0, 0, 0, 0};
        appendBytes(words, face + '\0');
        return record(0x02FB, words);
    }
    WmfBuilder& select(std::uint16_t index) { return record(0x012D, {index}); }
    WmfBuilder& remove(std::uint16_t index) { return record(0x01F0, {index}); }
    WmfBuilder& textColour(std::uint32_t colour)
    {
        return record(0x0209, {lo(colour), hi(colour)});
    }
    WmfBuilder& backgroundMode(std::uint16_t mode) { return record(0x0102, {mode}); }
    WmfBuilder& rectangle(std::int16_t l, std::int16_t t, std::int16_t r, std::int16_t b)
    {
        return record(0x041B, {w(b), w(r), w(t), w(l)});
    }
    WmfBuilder& ellipse(std::int16_t l, std::int16_t t, std::int16_t r, std::int16_t b)
    {
        return record(0x0418, {w(b), w(r), w(t), w(l)});
    }
    WmfBuilder& polygon(std::initializer_list<std::pair<std::int16_t, std::int16_t>> points)
    {
        std::vector<std::uint16_t> words = {static_cast<std::uint16_t>(points.size())};
        for (const auto& [x, y] : points)
            words.insert(words.end(), {w(x), w(y)});
        return record(0x0324, words);
    }
    WmfBuilder& textOut(std::int16_t x, std::int16_t y, const std::string& text)
    {
        std::vector<std::uint16_t> words = {static_cast<std::uint16_t>(text.size())};
        appendBytes(words, text);
        words.insert(words.end(), {w(y), w(x)});
        return record(0x0521, words);
    }

    // The whole file: placeable header with its checksum, metafile header, the records and the
    // end record.
    [[nodiscard]] QByteArray bytes() const
    {
        std::vector<std::uint16_t> out(std::begin(m_header), std::end(m_header));
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
        const std::uint16_t objects = 16;
        out.insert(out.end(),
                   {1, 9, 0x0300, lo(size), hi(size), objects, lo(largest), hi(largest), 0});
        for (const auto& [function, params] : m_records) {
            const auto words = 3 + static_cast<std::uint32_t>(params.size());
            out.insert(out.end(), {lo(words), hi(words), function});
            out.insert(out.end(), params.begin(), params.end());
        }
        out.insert(out.end(), {3, 0, 0});
        QByteArray bytes;
        for (std::uint16_t v : out)
            bytes.append(static_cast<char>(v & 0xFF)).append(static_cast<char>(v >> 8));
        return bytes;
    }

private:
    static std::uint16_t w(std::int16_t v) { return static_cast<std::uint16_t>(v); }
    static std::uint16_t lo(std::uint32_t v) { return static_cast<std::uint16_t>(v & 0xFFFF); }
    static std::uint16_t hi(std::uint32_t v) { return static_cast<std::uint16_t>(v >> 16); }
    static void appendBytes(std::vector<std::uint16_t>& words, const std::string& bytes)
    {
        for (std::size_t i = 0; i < bytes.size(); i += 2) {
            const auto second =
                i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0u;
            words.push_back(
                static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[i]) | (second << 8)));
        }
    }

    std::uint16_t m_header[10];
    std::vector<std::pair<std::uint16_t, std::vector<std::uint16_t>>> m_records;
};

} // namespace quillon::test
