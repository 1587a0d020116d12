#include "ui/metafile.h"

#include <algorithm>
#include <cmath>
#include <variant>

#include <QBrush>
#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPolygonF>
#include <QTransform>

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
constexpr qint64 MaxFileSize = 16 * 1024 * 1024;
// A real picture needs a handful of objects; the cap only stops a hostile file from growing the
// table without end.
constexpr int MaxObjects = 4096;

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

QColor colourAt(const QByteArray& bytes, qsizetype at)
{
    const std::uint32_t ref = u32At(bytes, at);
    return QColor(static_cast<int>(ref & 0xFF), static_cast<int>((ref >> 8) & 0xFF),
                  static_cast<int>((ref >> 16) & 0xFF));
}

struct FontSpec
{
    int height = 0;
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
    MetafilePlayer(const Metafile& file, QPainter& painter, const QRectF& target)
        : m_file(file), m_bytes(file.m_bytes), m_painter(painter), m_target(target),
          m_window(file.m_frame)
    {
        m_objects.resize(static_cast<std::size_t>(std::clamp(file.m_objectCount, 0, MaxObjects)));
        m_pen.setWidthF(0); // a one-pixel black line, as a fresh device context draws
        m_pen.setColor(Qt::black);
    }

    void run()
    {
        m_painter.save();
        m_painter.setClipRect(m_target, Qt::IntersectClip);
        m_painter.setRenderHint(QPainter::Antialiasing);
        m_painter.setRenderHint(QPainter::TextAntialiasing);
        m_base = m_painter.transform();
        applyWindow();
        for (const auto& record : m_file.m_records) {
            play(record.function, record.offset, record.size);
        }
        m_painter.restore();
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
        m_painter.setTransform(toTarget * m_base);
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
            m_painter.setPen(m_pen);
            m_painter.drawLine(m_position, to);
            m_position = to;
            break;
        }
        case MetaRectangle:
        case MetaEllipse: {
            const QRectF box =
                QRectF(QPointF(s16(p + 6), s16(p + 4)), QPointF(s16(p + 2), s16(p))).normalized();
            m_painter.setPen(m_pen);
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
            m_painter.setPen(m_pen);
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
        // mapped, and the font height is the logical height times the vertical scale.
        const QTransform toBase = m_painter.transform() * m_base.inverted();
        const double scaleX = std::hypot(toBase.m11(), toBase.m12());
        const double scaleY = std::hypot(toBase.m21(), toBase.m22());
        const double logicalHeight = m_font.height == 0 ? 12.0 : std::abs(m_font.height);
        const int pixels = std::max(1, static_cast<int>(std::lround(logicalHeight * scaleY)));

        QFont font;
        if (!m_font.face.isEmpty()) {
            font.setFamily(m_font.face);
        }
        font.setPixelSize(pixels);
        if (m_font.height > 0) {
            // A positive height is the character cell, a negative one the character itself.
            const double cell = QFontMetricsF(font).height();
            if (cell > 0) {
                font.setPixelSize(
                    std::max(1, static_cast<int>(std::lround(pixels * pixels / cell))));
            }
        }
        font.setWeight(static_cast<QFont::Weight>(
            m_font.weight <= 0 ? 400 : std::clamp(m_font.weight, 1, 1000)));
        font.setItalic(m_font.italic);
        font.setUnderline(m_font.underline);
        font.setStrikeOut(m_font.strikeOut);
        if (scaleY > 0 && std::abs(scaleX / scaleY - 1.0) > 0.02) {
            font.setStretch(
                std::clamp(static_cast<int>(std::lround(100 * scaleX / scaleY)), 1, 4000));
        }

        const QFontMetricsF metrics(font);
        const double width = metrics.horizontalAdvance(text);
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
        m_painter.drawText(QPointF(dx, dy), text);
        m_painter.restore();
    }

    const Metafile& m_file;
    const QByteArray& m_bytes;
    QPainter& m_painter;
    QRectF m_target;
    QRectF m_window;
    QTransform m_base;
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
    }
    return file;
}

std::optional<Metafile> Metafile::fromFile(const QString& path, QString* whyNot)
{
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly)) {
        if (whyNot) {
            *whyNot = in.errorString();
        }
        return std::nullopt;
    }
    if (in.size() > MaxFileSize) {
        if (whyNot) {
            *whyNot = QStringLiteral("file too large for a picture");
        }
        return std::nullopt;
    }
    return fromBytes(in.readAll(), whyNot);
}

QSizeF Metafile::sizeInInches() const
{
    return m_frame.size() / m_unitsPerInch;
}

void Metafile::play(QPainter& painter, const QRectF& target) const
{
    if (target.isEmpty()) {
        return;
    }
    MetafilePlayer(*this, painter, target).run();
}

} // namespace quillon
