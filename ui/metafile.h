#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QRectF>
#include <QString>

class QPainter;

namespace quillon {

// A Windows metafile with a placeable header, read and checked once, then drawn any number of
// times with QPainter. The player knows the records our catalogue and head pictures use (window
// origin and extent, pens, brushes, fonts, object selection, text colour and background mode,
// rectangles, ellipses, polygons, polylines, lines and text); any other record is skipped.
class Metafile
{
public:
    // Reads a metafile from memory. Returns nullopt, with the reason in `whyNot` when given, when
    // the header is not a placeable metafile header, a record does not fit inside the data, or
    // the picture is more than one paint may draw (3,000 records, 2,000 points or 1,000
    // characters), so that no picture can hold up the window that shows it.
    [[nodiscard]] static std::optional<Metafile> fromBytes(const QByteArray& bytes,
                                                           QString* whyNot = nullptr);

    // The same for a file; a missing or unreadable file, one that is no regular file (a folder, a
    // device, a FIFO) and one larger than 1 MiB also give nullopt.
    [[nodiscard]] static std::optional<Metafile> fromFile(const QString& path,
                                                          QString* whyNot = nullptr);

    // The picture's frame in its own logical units, from the placeable header.
    [[nodiscard]] QRectF frame() const { return m_frame; }

    // The picture's size in inches, as the header states it.
    [[nodiscard]] QSizeF sizeInInches() const;

    // Number of records read, the end record included.
    [[nodiscard]] int recordCount() const { return static_cast<int>(m_records.size()); }

    // Draws the picture so that its frame fills `target` (in the painter's coordinates). Drawing
    // stays inside `target`; the painter's state is restored afterwards. False, with nothing
    // drawn, when drawing it at that size would take more than a paint may (a few tens of
    // milliseconds): the caller shows something else there.
    [[nodiscard]] bool play(QPainter& painter, const QRectF& target) const;

private:
    struct Record
    {
        std::uint16_t function = 0;
        qsizetype offset = 0; // of the first parameter byte in m_bytes
        qsizetype size = 0;   // parameter bytes
    };

    Metafile() = default;

    QByteArray m_bytes;
    QRectF m_frame;
    int m_unitsPerInch = 1440;
    int m_objectCount = 0;
    std::vector<Record> m_records;

    friend class MetafilePlayer;
};

} // namespace quillon
