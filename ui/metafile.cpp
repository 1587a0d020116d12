#include "ui/metafile.h"

#include <algorithm>
#include <cmath>
#include <variant>

#include <QBrush>
#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPolygonF>
#include <QTransform>

#include "core/file_access.h"
#include "ui/latin1.h"

namespace quillon {

namespace {

// Record functions the player acts on.
enum Function : std::uint16_t
{
    MetaEof = 0x0000,
    MetaSetBkColor = 0x0201,
    MetaSetBkMode = 0x0102,
    MetaSetPolyFillMode = 0x0106,
    MetaSetTextColor = 0x0209,
    MetaSetTextAlign = 0x012E,
    MetaSetWindowOrg = 0x020B,
    MetaSetWindowExt = 0x020C,
    MetaMoveTo = 0x0214,
    MetaLineTo = 0x0213,
    MetaRectangle = 0x041B,
    MetaEllipse = 0x0418,
    MetaPolygon = 0x0324,
    MetaPolyline = 0x0325,
    MetaTextOut = 0x0521,
    MetaSelectObject = 0x012D,
    MetaDeleteObject = 0x01F0,
    MetaCreatePenIndirect = 0x02FA,
    MetaCreateBrushIndirect = 0x02FC,
    MetaCreateFontIndirect = 0x02FB,
    // Records that create objects the player does not draw with; they still take a place in the
    // object table, so later indices stay right.
    MetaCreatePalette = 0x00F7,
    MetaCreatePatternBrush = 0x01F9,
    MetaDibCreatePatternBrush = 0x0142,
    MetaCreateRegion = 0x06FF,
};

constexpr std::uint32_t PlaceableKey = 0x9AC6CDD7;
constexpr qsizetype PlaceableHeaderSize = 22;
constexpr qsizetype MetaHeaderSize = 18;
constexpr qsizetype RecordHeaderSize = 6;
// A real picture needs a handful of objects; the cap only stops a hostile file from growing the
// table without end.
constexpr int MaxObjects = 4096;

// The work of one paint, in two parts. What the records alone say, checked when the file is read:
// a picture of our catalogue has under 300 records, about 200 points and 60 characters, so these
// bounds leave room for any real picture and refuse only hostile or broken ones.
constexpr qint64 MaxRecordsPerPaint = 3'000;
constexpr qint64 MaxPointsPerPaint = 2'000;
constexpr qint64 MaxCharactersPerPaint = 1'000;
// What the records cost at the size they are drawn, measured before each paint: the pixel cells
// that the outlines of all shapes pass through and the pixels their fills and strokes cover,
// inside the picture's position (antialiased filling takes time in proportion to both, and more
// than that for one shape with very many cells). Our pictures need under a tenth of these at the
// largest size a window shows them; a picture beyond them paints as the tile of a picture that
// cannot be read, so no paint takes longer than about 50 ms.
constexpr double MaxCellsPerPaint = 150'000;
constexpr double MaxCellsPerShape = 25'000;
constexpr double MaxCoveredPixelsPerPaint = 6'000'000;
// What any shape costs besides its cells, in cells: setting the pen and brush, making the path.
constexpr double ShapeOverheadCells = 20;
// Text is laid out in device pixels; a font larger than this covers far more than a picture
// position, and rendering glyphs that size only costs time.
constexpr double MaxFontPixels = 1000;

std::uint16_t u16At(const QByteArray& bytes, qsizetype at)
{
    if (at < 0 || at + 2 > bytes.size()) {
        return 0;
    }
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData()) + at;
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t u32At(const QByteArray& bytes, qsizetype at)
{
    return static_cast<std::uint32_t>(u16At(bytes, at)) |
           (static_cast<std::uint32_t>(u16At(bytes, at + 2)) << 16);
}

std::int16_t s16At(const QByteArray& bytes, qsizetype at)
{
    return static_cast<std::int16_t>(u16At(bytes, at));
}

// Bytes of parameters a record needs at least, or -1 when it depends on the record (checked by
// enoughParameters) or the record is not one the player reads.
qsizetype fixedParameterSize(std::uint16_t function)
{
    switch (function) {
    case MetaSetBkMode:
    case MetaSetPolyFillMode:
    case MetaSetTextAlign:
    case MetaSelectObject:
    case MetaDeleteObject:
        return 2;
    case MetaSetBkColor:
    case MetaSetTextColor:
    case MetaSetWindowOrg:
    case MetaSetWindowExt:
    case MetaMoveTo:
    case MetaLineTo:
        return 4;
    case MetaRectangle:
    case MetaEllipse:
    case MetaCreateBrushIndirect:
        return 8;
    case MetaCreatePenIndirect:
        return 10;
    case MetaCreateFontIndirect:
        return 18;
    default:
        return -1;
    }
}

// Whether a record holds all the parameters the player will read from it.
bool enoughParameters(const QByteArray& bytes, std::uint16_t function, qsizetype offset,
                      qsizetype size)
{
    const qsizetype fixed = fixedParameterSize(function);
    if (fixed >= 0) {
        return size >= fixed;
    }
    if (function == MetaPolygon || function == MetaPolyline) {
        if (size < 2) {
            return false;
        }
        const int count = s16At(bytes, offset);
        return count >= 0 && 2 + qsizetype{count} * 4 <= size;
    }
    if (function == MetaTextOut) {
        if (size < 2) {
            return false;
        }
        const int length = s16At(bytes, offset);
        const qsizetype padded = (qsizetype{length} + 1) / 2 * 2;
        return length >= 0 && 2 + padded + 4 <= size;
    }
    return true; // skipped records need nothing
}

// The points a drawing record costs a paint: its corners, or for an ellipse the points of the
// curve the painter makes of it. Records that draw nothing cost none.
qint64 pointsDrawn(const QByteArray& bytes, std::uint16_t function, qsizetype offset)
{
    switch (function) {
    case MetaLineTo:
        return 2;
    case MetaRectangle:
        return 4;
    case MetaEllipse:
        return 16;
    case MetaPolygon:
    case MetaPolyline:
        return s16At(bytes, offset);
    default:
        return 0;
    }
}

QColor colourAt(const QByteArray& bytes, qsizetype at)
{
    const std::uint32_t ref = u32At(bytes, at);
    return QColor(static_cast<int>(ref & 0xFF), static_cast<int>((ref >> 8) & 0xFF),
                  static_cast<int>((ref >> 16) & 0xFF));
}

struct FontSpec
{
    int height = 0;
    int width = 0; // average character width; 0: the font's own
    int escapement = 0;
    int weight = 0;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    QString face;
};

struct OtherObject
{};

using GdiObject = std::variant<QPen, QBrush, FontSpec, OtherObject>;

} // namespace

// Plays the records of one metafile onto one painter, keeping the device context's state.
class MetafilePlayer
{
public:
    // What a paint costs, in device pixels (see MaxCellsPerPaint).
    struct Work
    {
        double cells = 0;
        double largestShape = 0;
        double coveredPixels = 0;

        [[nodiscard]] bool withinBudget() const
        {
            return cells <= MaxCellsPerPaint && largestShape <= MaxCellsPerShape &&
                   coveredPixels <= MaxCoveredPixelsPerPaint;
        }
    };

    // With `work`, the records are only measured into it and nothing is drawn.
    MetafilePlayer(const Metafile& file, QPainter& painter, const QRectF& target,
                   Work* work = nullptr)
        : m_file(file), m_bytes(file.m_bytes), m_painter(painter), m_target(target),
          m_window(file.m_frame), m_work(work)
    {
        m_objects.resize(static_cast<std::size_t>(std::clamp(file.m_objectCount, 0, MaxObjects)));
        m_pen.setWidthF(0); // a one-pixel black line, as a fresh device context draws
        m_pen.setColor(Qt::black);
    }

    void run()
    {
        if (!m_work) {
            m_painter.save();
            m_painter.setClipRect(m_target, Qt::IntersectClip);
            m_painter.setRenderHint(QPainter::Antialiasing);
            m_painter.setRenderHint(QPainter::TextAntialiasing);
        }
        m_base = m_painter.transform();
        m_deviceClip = m_base.mapRect(m_target);
        m_transform = m_base;
        applyWindow();
        for (const auto& record : m_file.m_records) {
            play(record.function, record.offset, record.size);
        }
        if (!m_work) {
            m_painter.restore();
        }
    }

private:
    std::int16_t s16(qsizetype at) const { return s16At(m_bytes, at); }
    std::uint16_t u16(qsizetype at) const { return u16At(m_bytes, at); }

    void applyWindow()
    {
        if (m_window.width() == 0 || m_window.height() == 0) {
            return;
        }
        QTransform toTarget;
        toTarget.translate(m_target.left(), m_target.top());
        toTarget.scale(m_target.width() / m_window.width(), m_target.height() / m_window.height());
        toTarget.translate(-m_window.left(), -m_window.top());
        m_transform = toTarget * m_base;
        if (!m_work) {
            m_painter.setTransform(m_transform);
        }
    }

    // The current pen as the painter gets it: as wide on the device as the window makes it, but
    // stroked on the device. A pen stroked in logical units under a window that scales x and y
    // differently takes the painter a millisecond a shape; on the device it takes what the
    // measure above counts.
    QPen devicePen() const
    {
        QPen pen = m_pen;
        if (pen.style() != Qt::NoPen) {
            pen.setCosmetic(true);
            pen.setWidthF(m_pen.widthF() > 0 ? penWidth() : 0);
        }
        return pen;
    }

    // `count` points on the ellipse inside `box`.
    static QPolygonF corners(const QRectF& box, int count)
    {
        QPolygonF points;
        for (int i = 0; i < count; ++i) {
            const double angle = 2 * M_PI * i / count;
            points << box.center() + QPointF(box.width() / 2 * std::cos(angle),
                                             box.height() / 2 * std::sin(angle));
        }
        return points;
    }

    // The pen's width in device pixels; a cosmetic pen is one pixel wide.
    double penWidth() const
    {
        if (m_pen.style() == Qt::NoPen) {
            return 0;
        }
        const double scale = std::sqrt(std::abs(m_transform.determinant()));
        return std::max(1.0, m_pen.widthF() * scale);
    }

    // Adds what drawing the outline through `points` (logical units) with the current pen, and
    // filling it with the current brush when `filled`, costs. The painter walks every edge along
    // its whole length, also where it lies outside the position, so the cells are those of the
    // whole outline; a wide pen's outline runs on both sides and around every corner, a dashed
    // one is cut into pieces along the whole length. The pixels covered are counted inside the
    // position only: a fill covers its bounds at most, a stroke its length times its width.
    void measureShape(const QPolygonF& points, bool closed, bool filled)
    {
        const QPolygonF device = m_transform.map(points);
        const double width = penWidth();
        const bool stroked = width > 0;
        const bool dashed = stroked && m_pen.style() != Qt::SolidLine;
        double outline = 0;
        const qsizetype n = device.size();
        for (qsizetype i = 0; i + 1 < n || (closed && i < n && n > 2); ++i) {
            const QPointF a = device[i];
            const QPointF b = device[(i + 1) % n];
            outline += std::abs(b.x() - a.x()) + std::abs(b.y() - a.y()) + 1;
        }
        double cells = ShapeOverheadCells + (filled ? outline : 0);
        if (stroked) {
            cells += width > 1.5 ? 2 * outline + static_cast<double>(n) * width : outline;
            if (dashed) {
                cells += 4 * outline / width;
            }
        }
        m_work->cells += cells;
        m_work->largestShape = std::max(m_work->largestShape, cells);

        const QRectF bounds = device.boundingRect().adjusted(-width, -width, width, width);
        const QRectF clipped = bounds.intersected(m_deviceClip);
        const double area = clipped.isEmpty() ? 0 : clipped.width() * clipped.height();
        if (filled) {
            m_work->coveredPixels += area;
        }
        if (stroked) {
            const double corners = static_cast<double>(n) * width * width;
            m_work->coveredPixels += std::min(area, outline * width + corners);
        }
    }

    void play(std::uint16_t function, qsizetype p, qsizetype size)
    {
        switch (function) {
        case MetaSetWindowOrg:
            m_window.moveTopLeft(QPointF(s16(p + 2), s16(p)));
            applyWindow();
            break;
        case MetaSetWindowExt:
            if (s16(p) != 0 && s16(p + 2) != 0) {
                m_window.setSize(QSizeF(s16(p + 2), s16(p)));
                applyWindow();
            }
            break;
        case MetaSetTextColor:
            m_textColour = colourAt(m_bytes, p);
            break;
        case MetaSetBkColor:
            m_backColour = colourAt(m_bytes, p);
            break;
        case MetaSetBkMode:
            m_opaqueText = u16(p) == 2;
            break;
        case MetaSetPolyFillMode:
            m_fillRule = u16(p) == 2 ? Qt::WindingFill : Qt::OddEvenFill;
            break;
        case MetaSetTextAlign:
            m_textAlign = u16(p);
            break;
        case MetaMoveTo:
            m_position = QPointF(s16(p + 2), s16(p));
            break;
        case MetaLineTo: {
            const QPointF to(s16(p + 2), s16(p));
            if (m_work) {
                measureShape(QPolygonF({m_position, to}), false, false);
            } else {
                m_painter.setPen(devicePen());
                m_painter.drawLine(m_position, to);
            }
            m_position = to;
            break;
        }
        case MetaRectangle:
        case MetaEllipse: {
            const QRectF box =
                QRectF(QPointF(s16(p + 6), s16(p + 4)), QPointF(s16(p + 2), s16(p))).normalized();
            if (m_work) {
                // The painter draws an ellipse as curves that it cuts into short edges; a polygon
                // of sixteen corners around it costs about the same.
                measureShape(function == MetaRectangle ? QPolygonF(box) : corners(box, 16), true,
                             m_brush.style() != Qt::NoBrush);
                break;
            }
            m_painter.setPen(devicePen());
            m_painter.setBrush(m_brush);
            if (function == MetaRectangle) {
                m_painter.drawRect(box);
            } else {
                m_painter.drawEllipse(box);
            }
            break;
        }
        case MetaPolygon:
        case MetaPolyline: {
            QPolygonF points;
            const int count = s16(p);
            for (int i = 0; i < count; ++i) {
                points << QPointF(s16(p + 2 + i * 4), s16(p + 4 + i * 4));
            }
            if (m_work) {
                const bool polygon = function == MetaPolygon;
                measureShape(points, polygon, polygon && m_brush.style() != Qt::NoBrush);
                break;
            }
            m_painter.setPen(devicePen());
            if (function == MetaPolygon) {
                m_painter.setBrush(m_brush);
                m_painter.drawPolygon(points, m_fillRule);
            } else {
                m_painter.drawPolyline(points);
            }
            break;
        }
        case MetaTextOut:
            textOut(p);
            break;
        case MetaCreatePenIndirect:
            createPen(p);
            break;
        case MetaCreateBrushIndirect:
            createBrush(p);
            break;
        case MetaCreateFontIndirect:
            createFont(p, p + size);
            break;
        case MetaCreatePalette:
        case MetaCreatePatternBrush:
        case MetaDibCreatePatternBrush:
        case MetaCreateRegion:
            addObject(OtherObject{});
            break;
        case MetaSelectObject:
            selectObject(u16(p));
            break;
        case MetaDeleteObject:
            if (u16(p) < m_objects.size()) {
                m_objects[u16(p)].reset();
            }
            break;
        default:
            break; // records this player does not draw are skipped
        }
    }

    // A new object takes the lowest free place in the object table.
    void addObject(GdiObject object)
    {
        for (auto& place : m_objects) {
            if (!place) {
                place = std::move(object);
                return;
            }
        }
        if (m_objects.size() < static_cast<std::size_t>(MaxObjects)) {
            m_objects.emplace_back(std::move(object));
        }
    }

    void selectObject(std::size_t index)
    {
        if (index >= m_objects.size() || !m_objects[index]) {
            return;
        }
        const GdiObject& object = *m_objects[index];
        if (const auto* pen = std::get_if<QPen>(&object)) {
            m_pen = *pen;
        } else if (const auto* brush = std::get_if<QBrush>(&object)) {
            m_brush = *brush;
        } else if (const auto* font = std::get_if<FontSpec>(&object)) {
            m_font = *font;
        }
    }

    void createPen(qsizetype p)
    {
        const int style = u16(p) & 0x0F;
        const int width = s16(p + 2);
        QPen pen(colourAt(m_bytes, p + 6));
        pen.setWidthF(width > 0 ? width : 0);
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        switch (style) {
        case 1:
            pen.setStyle(Qt::DashLine);
            break;
        case 2:
            pen.setStyle(Qt::DotLine);
            break;
        case 3:
            pen.setStyle(Qt::DashDotLine);
            break;
        case 4:
            pen.setStyle(Qt::DashDotDotLine);
            break;
        case 5:
            pen.setStyle(Qt::NoPen);
            break;
        default:
            pen.setStyle(Qt::SolidLine);
            break;
        }
        addObject(pen);
    }

    void createBrush(qsizetype p)
    {
        const int style = u16(p);
        const QColor colour = colourAt(m_bytes, p + 2);
        QBrush brush(colour);
        if (style == 1) {
            brush = QBrush(Qt::NoBrush);
        } else if (style == 2) {
            static constexpr Qt::BrushStyle hatches[] = {Qt::HorPattern,   Qt::VerPattern,
                                                         Qt::FDiagPattern, Qt::BDiagPattern,
                                                         Qt::CrossPattern, Qt::DiagCrossPattern};
            const int hatch = u16(p + 6);
            brush.setStyle(hatch >= 0 && hatch < 6 ? hatches[hatch] : Qt::SolidPattern);
        }
        addObject(brush);
    }

    void createFont(qsizetype p, qsizetype recordEnd)
    {
        FontSpec font;
        font.height = s16(p);
        font.width = s16(p + 2);
        font.escapement = s16(p + 4);
        font.weight = s16(p + 8);
        font.italic = (m_bytes.at(p + 10) != 0);
        font.underline = (m_bytes.at(p + 11) != 0);
        font.strikeOut = (m_bytes.at(p + 12) != 0);
        // The face name is a zero-ended string of at most 32 bytes after the fixed fields; the
        // record may end before the zero.
        const qsizetype faceStart = p + 18;
        qsizetype faceEnd = faceStart;
        while (faceEnd < recordEnd && faceEnd - faceStart < 32 && m_bytes.at(faceEnd) != '\0') {
            ++faceEnd;
        }
        font.face = toQString(std::string_view(m_bytes.constData() + faceStart,
                                               static_cast<std::size_t>(faceEnd - faceStart)));
        addObject(font);
    }

    void textOut(qsizetype p)
    {
        const int length = s16(p);
        const qsizetype padded = (qsizetype{length} + 1) / 2 * 2;
        const QString text = toQString(
            std::string_view(m_bytes.constData() + p + 2, static_cast<std::size_t>(length)));
        const QPointF anchor(s16(p + 2 + padded + 2), s16(p + 2 + padded));

        // Text is laid out in device pixels so that it stays sharp at any scale: the anchor is
        // mapped, and the font height is the logical height times the vertical scale. Every size
        // is worked out in floating point and bounded before it becomes an int: the file chooses
        // the height and the window, so the product may be anything.
        const QTransform toBase = m_transform * m_base.inverted();
        const double scaleX = std::hypot(toBase.m11(), toBase.m12());
        const double scaleY = std::hypot(toBase.m21(), toBase.m22());
        const double logicalHeight = m_font.height == 0 ? 12.0 : std::abs(m_font.height);
        const double pixels = boundedPixels(logicalHeight * scaleY);

        if (m_work) {
            // Every glyph's outline is about four times its height; the text covers at most its
            // line inside the position.
            const double glyphs = static_cast<double>(text.size());
            m_work->cells += glyphs * 4 * pixels;
            m_work->largestShape = std::max(m_work->largestShape, 4 * pixels);
            const double line = std::min(glyphs * pixels, m_deviceClip.width() + 2 * pixels) *
                                std::min(pixels, m_deviceClip.height());
            m_work->coveredPixels += m_opaqueText ? 2 * line : line;
            return;
        }

        QFont font;
        if (!m_font.face.isEmpty()) {
            font.setFamily(m_font.face);
        }
        font.setPixelSize(static_cast<int>(pixels));
        if (m_font.height > 0) {
            // A positive height is the character cell, a negative one the character itself.
            const double cell = QFontMetricsF(font).height();
            if (cell > 0) {
                font.setPixelSize(static_cast<int>(boundedPixels(pixels * pixels / cell)));
            }
        }
        font.setWeight(static_cast<QFont::Weight>(
            m_font.weight <= 0 ? 400 : std::clamp(m_font.weight, 1, 1000)));
        font.setItalic(m_font.italic);
        font.setUnderline(m_font.underline);
        font.setStrikeOut(m_font.strikeOut);
        // A width in the font record asks for that average character width, whichever font
        // stands in for the one named: the text then takes the room its author gave it. Without
        // one, the font keeps its proportions, stretched only where the picture is.
        double widthScale = 1;
        if (m_font.width != 0) {
            const double average = QFontMetricsF(font).averageCharWidth();
            if (average > 0) {
                widthScale = std::clamp(std::abs(m_font.width) * scaleX / average, 0.05, 20.0);
            }
        } else if (scaleY > 0 && std::abs(scaleX / scaleY - 1.0) > 0.02) {
            const double stretch = std::clamp(100 * scaleX / scaleY, 1.0, 4000.0);
            font.setStretch(static_cast<int>(std::lround(stretch)));
        }

        const QFontMetricsF metrics(font);
        const double width = metrics.horizontalAdvance(text) * widthScale;
        double dx = 0;
        if ((m_textAlign & 0x06) == 0x06) {
            dx = -width / 2; // centred
        } else if (m_textAlign & 0x02) {
            dx = -width; // right
        }
        double dy = metrics.ascent(); // top
        if ((m_textAlign & 0x18) == 0x18) {
            dy = 0; // baseline
        } else if (m_textAlign & 0x08) {
            dy = -metrics.descent(); // bottom
        }

        m_painter.save();
        m_painter.setTransform(m_base);
        m_painter.translate(toBase.map(anchor));
        if (m_font.escapement != 0) {
            m_painter.rotate(-m_font.escapement / 10.0);
        }
        if (m_opaqueText) {
            m_painter.fillRect(QRectF(dx, dy - metrics.ascent(), width, metrics.height()),
                               m_backColour);
        }
        m_painter.setFont(font);
        m_painter.setPen(m_textColour);
        m_painter.scale(widthScale, 1);
        m_painter.drawText(QPointF(dx / widthScale, dy), text);
        m_painter.restore();
    }

    // A font size in whole device pixels from 1 to MaxFontPixels; not-a-number gives 1.
    static double boundedPixels(double pixels)
    {
        if (!(pixels >= 1)) {
            return 1;
        }
        return std::round(std::min(pixels, MaxFontPixels));
    }

    const Metafile& m_file;
    const QByteArray& m_bytes;
    QPainter& m_painter;
    QRectF m_target;
    QRectF m_window;
    QTransform m_base;      // the painter's own transform, to its device
    QTransform m_transform; // logical units to the device, as the window sets it
    QRectF m_deviceClip;    // the target on the device
    Work* m_work = nullptr;
    std::vector<std::optional<GdiObject>> m_objects;
    QPen m_pen;
    QBrush m_brush{Qt::white};
    FontSpec m_font;
    QColor m_textColour{Qt::black};
    QColor m_backColour{Qt::white};
    bool m_opaqueText = true;
    Qt::FillRule m_fillRule = Qt::OddEvenFill;
    int m_textAlign = 0;
    QPointF m_position;
};

std::optional<Metafile> Metafile::fromBytes(const QByteArray& bytes, QString* whyNot)
{
    const auto fail = [whyNot](const QString& reason) -> std::optional<Metafile> {
        if (whyNot) {
            *whyNot = reason;
        }
        return std::nullopt;
    };
    if (bytes.size() < PlaceableHeaderSize + MetaHeaderSize) {
        return fail(QStringLiteral("too short for a metafile header"));
    }
    if (u32At(bytes, 0) != PlaceableKey) {
        return fail(QStringLiteral("not a placeable metafile"));
    }
    const int left = s16At(bytes, 6);
    const int top = s16At(bytes, 8);
    const int right = s16At(bytes, 10);
    const int bottom = s16At(bytes, 12);
    if (left == right || top == bottom) {
        return fail(QStringLiteral("empty picture frame"));
    }
    const std::uint16_t type = u16At(bytes, PlaceableHeaderSize);
    const std::uint16_t headerWords = u16At(bytes, PlaceableHeaderSize + 2);
    if ((type != 1 && type != 2) || headerWords != MetaHeaderSize / 2) {
        return fail(QStringLiteral("bad metafile header"));
    }

    Metafile file;
    file.m_bytes = bytes;
    file.m_frame = QRectF(QPointF(left, top), QPointF(right, bottom)).normalized();
    const std::uint16_t inch = u16At(bytes, 14);
    file.m_unitsPerInch = inch == 0 ? 1440 : inch;
    file.m_objectCount = u16At(bytes, PlaceableHeaderSize + 10);

    qint64 points = 0;
    qint64 characters = 0;
    qsizetype at = PlaceableHeaderSize + MetaHeaderSize;
    while (bytes.size() - at >= RecordHeaderSize) {
        const std::uint32_t words = u32At(bytes, at);
        const std::uint16_t function = u16At(bytes, at + 4);
        if (words < RecordHeaderSize / 2 ||
            words > static_cast<std::uint32_t>(bytes.size() - at) / 2) {
            return fail(QStringLiteral("record at byte %1 does not fit in the file").arg(at));
        }
        const qsizetype size = static_cast<qsizetype>(words) * 2 - RecordHeaderSize;
        const qsizetype offset = at + RecordHeaderSize;
        if (!enoughParameters(bytes, function, offset, size)) {
            return fail(QStringLiteral("record at byte %1 is too short").arg(at));
        }
        file.m_records.push_back({function, offset, size});
        if (function == MetaEof) {
            break;
        }
        at += static_cast<qsizetype>(words) * 2;

        // The work of a paint, counted once here, so a picture beyond the budget is known
        // before it is drawn.
        points += pointsDrawn(bytes, function, offset);
        if (function == MetaTextOut) {
            characters += s16At(bytes, offset);
        }
        const auto records = static_cast<qint64>(file.m_records.size());
        if (records > MaxRecordsPerPaint || points > MaxPointsPerPaint ||
            characters > MaxCharactersPerPaint) {
            return fail(QStringLiteral("too much to draw: more than %1 records, %2 points or %3 "
                                       "characters")
                            .arg(MaxRecordsPerPaint)
                            .arg(MaxPointsPerPaint)
                            .arg(MaxCharactersPerPaint));
        }
    }
    return file;
}

std::optional<Metafile> Metafile::fromFile(const QString& path, QString* whyNot)
{
    // Read through the core's reader: only a regular file is opened (a FIFO or a device named
    // as a picture must not hold or flood the window), and only up to the picture bound.
    std::string why;
    const auto bytes = readFileBytes(toPathBytes(path), PictureMaxBytes, &why);
    if (!bytes) {
        if (whyNot) {
            *whyNot = QString::fromLocal8Bit(why);
        }
        return std::nullopt;
    }
    return fromBytes(QByteArray(bytes->data(), static_cast<qsizetype>(bytes->size())), whyNot);
}

QSizeF Metafile::sizeInInches() const
{
    return m_frame.size() / m_unitsPerInch;
}

bool Metafile::play(QPainter& painter, const QRectF& target) const
{
    if (target.isEmpty()) {
        return true;
    }
    MetafilePlayer::Work work;
    MetafilePlayer(*this, painter, target, &work).run();
    if (!work.withinBudget()) {
        return false;
    }
    MetafilePlayer(*this, painter, target).run();
    return true;
}

} // namespace quillon
