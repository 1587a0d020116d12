#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
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
        : m_frame{left, top, right, bottom}, m_inch(unitsPerInch)
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
        for (const auto& [x, y] : points) {
            words.push_back(w(x));
            words.push_back(w(y));
        }
        return record(0x0324, words);
    }
    WmfBuilder& textOut(std::int16_t x, std::int16_t y, const std::string& text)
    {
        std::vector<std::uint16_t> words = {static_cast<std::uint16_t>(text.size())};
        appendBytes(words, text);
        words.push_back(w(y));
        words.push_back(w(x));
        return record(0x0521, words);
    }

    // The whole file: placeable header, metafile header, the records and, unless left out, the
    // end record.
    [[nodiscard]] QByteArray bytes(bool withEnd = true) const
    {
        QByteArray out;
        const auto put16 = [&out](std::uint16_t v) {
            out.append(static_cast<char>(v & 0xFF));
            out.append(static_cast<char>(v >> 8));
        };
        const auto put32 = [&put16](std::uint32_t v) {
            put16(lo(v));
            put16(hi(v));
        };
        std::uint32_t words = 9;
        std::uint32_t largest = 3;
        for (const auto& [function, params] : m_records) {
            words += 3 + static_cast<std::uint32_t>(params.size());
            largest = std::max(largest, 3 + static_cast<std::uint32_t>(params.size()));
        }
        if (withEnd) {
            words += 3;
        }
        // Placeable header with its checksum over the first ten words.
        const std::uint16_t header[10] = {
            0xCDD7, 0x9AC6, 0, w(m_frame[0]), w(m_frame[1]), w(m_frame[2]), w(m_frame[3]),
            m_inch, 0,      0};
        std::uint16_t checksum = 0;
        for (std::uint16_t v : header) {
            put16(v);
            checksum ^= v;
        }
        put16(checksum);
        put16(1);
        put16(9);
        put16(0x0300);
        put32(words);
        put16(16); // objects
        put32(largest);
        put16(0);
        for (const auto& [function, params] : m_records) {
            put32(3 + static_cast<std::uint32_t>(params.size()));
            put16(function);
            for (std::uint16_t v : params) {
                put16(v);
            }
        }
        if (withEnd) {
            put32(3);
            put16(0);
        }
        return out;
    }

private:
    static std::uint16_t w(std::int16_t v) { return static_cast<std::uint16_t>(v); }
    static std::uint16_t lo(std::uint32_t v) { return static_cast<std::uint16_t>(v & 0xFFFF); }
    static std::uint16_t hi(std::uint32_t v) { return static_cast<std::uint16_t>(v >> 16); }
    static void appendBytes(std::vector<std::uint16_t>& words, const std::string& bytes)
    {
        for (std::size_t i = 0; i < bytes.size(); i += 2) {
            const auto first = static_cast<unsigned char>(bytes[i]);
            const auto second =
                i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0u;
            words.push_back(static_cast<std::uint16_t>(first | (second << 8)));
        }
    }

    std::int16_t m_frame[4];
    std::uint16_t m_inch;
    std::vector<std::pair<std::uint16_t, std::vector<std::uint16_t>>> m_records;
};

// A picture of a module as the catalogue uses: a grey housing with a coloured label.
inline QByteArray modulePicture(std::uint32_t labelColour)
{
    return WmfBuilder(0, 0, 200, 500)
        .windowOrg(0, 0)
        .windowExt(200, 500)
        .pen(0, 4, 0x00404040)
        .brush(0, 0x00C0C0C0)
        .select(0)
        .select(1)
        .rectangle(10, 10, 190, 490)
        .brush(0, labelColour)
        .select(2)
        .rectangle(30, 40, 170, 140)
        .bytes();
}

} // namespace quillon::test
