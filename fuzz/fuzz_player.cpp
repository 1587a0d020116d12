#include "fuzz/fuzz_player.h"

#include <QByteArray>
#include <QImage>
#include <QPainter>

#include "ui/metafile.h"

namespace quillon::fuzz {

namespace {

// An image small enough to play fast, with a position that does not fill it, so that drawing
// outside the position shows.
constexpr int ImageWidth = 48;
constexpr int ImageHeight = 96;
const QRect Position(8, 8, 32, 80);
constexpr QRgb Untouched = 0xFF123456;

bool untouchedOutside(const QImage& image, const QRect& inside)
{
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (!inside.contains(x, y) && image.pixel(x, y) != Untouched)
                return false;
        }
    }
    return true;
}

} // namespace

std::string metafilePlayback(std::string_view data)
{
    const QByteArray bytes(data.data(), static_cast<qsizetype>(data.size()));
    QString why;
    const auto file = Metafile::fromBytes(bytes, &why);
    if (!file)
        return why.isEmpty() ? "a refused picture gave no reason" : std::string();
    if (file->frame().isEmpty())
        return "a picture that reads has an empty frame";

    QImage image(ImageWidth, ImageHeight, QImage::Format_ARGB32);
    image.fill(Untouched);
    QPainter painter(&image);
    const QTransform before = painter.transform();
    const bool drawn = file->play(painter, QRectF(Position));
    if (painter.transform() != before || painter.hasClipping())
        return "the painter's state was not restored";
    painter.end();
    if (!untouchedOutside(image, drawn ? Position : QRect()))
        return drawn ? "the picture drew outside its position"
                     : "a picture too costly to draw drew something";
    return {};
}

} // namespace quillon::fuzz
