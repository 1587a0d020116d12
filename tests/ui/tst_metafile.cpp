#include <functional>
#include <vector>

#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include "tests/ui/wmf_builder.h"
#include "ui/metafile.h"
#include "ui/picture_box.h"

using quillon::Metafile;
using quillon::PictureBox;
using quillon::test::WmfBuilder;

namespace {

constexpr std::uint32_t Red = 0x000000FF;
constexpr std::uint32_t Green = 0x0000FF00;
constexpr std::uint32_t Blue = 0x00FF0000;

// Plays `bytes` into a white image; whether it was drawn goes to `drawn`.
QImage render(const QByteArray& bytes, QSize size = {200, 200}, bool* drawn = nullptr)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    if (const auto file = Metafile::fromBytes(bytes)) {
        QPainter painter(&image);
        const bool played = file->play(painter, QRectF(image.rect()));
        if (drawn)
            *drawn = played && painter.transform() == QTransform();
    }
    return image;
}

int countPixels(const QImage& image, const std::function<bool(QColor)>& test, QRect area = {})
{
    area = area.isEmpty() ? image.rect() : area;
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += test(image.pixelColor(x, y)) ? 1 : 0;
    return count;
}

bool notWhite(QColor c)
{
    return c != Qt::white;
}

QString writeFile(const QTemporaryDir& dir, const char* name, const QByteArray& bytes)
{
    QFile out(dir.filePath(QLatin1String(name)));
    return out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() ? out.fileName()
                                                                              : QString();
}

using Pixels = QList<std::pair<QPoint, QColor>>;

} // namespace

class TestMetafile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void play_drawsWhereAndWithWhatTheRecordsSay_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Pixels>("pixels"); // device pixels: logical units scaled by 2
        WmfBuilder shapes(0, 0, 100, 100);
        shapes.brush(0, Red).select(0).rectangle(10, 10, 50, 50).brush(0, Blue).select(1);
        shapes.ellipse(60, 60, 90, 90).brush(0, Green).select(2);
        shapes.polygon({{60, 10}, {90, 10}, {90, 40}});
        QTest::newRow("shapes with selected brushes")
            << shapes.bytes()
            << Pixels{{{60, 60}, Qt::red},    {{150, 150}, Qt::blue},
                      {{170, 40}, Qt::green}, {{130, 70}, Qt::white},   // beside the triangle
                      {{10, 150}, Qt::white}, {{123, 123}, Qt::white}}; // the ellipse's corner
        // Deleting object 0 lets the green brush take that place; blue stays at 1.
        WmfBuilder reused(0, 0, 100, 100);
        reused.brush(0, Red).brush(0, Blue).remove(0).brush(0, Green).select(0);
        reused.rectangle(0, 0, 50, 100).select(1).rectangle(50, 0, 100, 100);
        QTest::newRow("lowest free object place")
            << reused.bytes() << Pixels{{{50, 100}, Qt::green}, {{150, 100}, Qt::blue}};
        WmfBuilder moved(100, 100, 200, 200);
        moved.windowOrg(100, 100).windowExt(100, 100).brush(0, Red).select(0);
        QTest::newRow("window origin")
            << moved.rectangle(150, 100, 200, 150).bytes()
            << Pixels{{{150, 50}, Qt::red}, {{50, 50}, Qt::white}, {{150, 150}, Qt::white}};
        // Records it does not know, objects not there, a window of no size: the red brush stays.
        WmfBuilder odd(0, 0, 100, 100);
        odd.record(0x0999, {1, 2, 3, 4, 5}).record(0x0F43, {}).select(0).select(0xFFFF);
        odd.remove(40000).windowExt(0, 0).brush(0, Red).select(0).remove(0).select(0);
        QTest::newRow("unknown records, bad object indices and window")
            << odd.rectangle(0, 0, 100, 100).bytes() << Pixels{{{100, 100}, Qt::red}};
        QTest::newRow("null brush")
            << WmfBuilder(0, 0, 100, 100).brush(1, Red).select(0).rectangle(10, 10, 90, 90).bytes()
            << Pixels{{{100, 100}, Qt::white}};
    }

    void play_drawsWhereAndWithWhatTheRecordsSay()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(Pixels, pixels);
        QVERIFY(Metafile::fromBytes(bytes).has_value());
        const QImage image = render(bytes);
        for (const auto& [at, colour] : pixels)
            QCOMPARE(image.pixelColor(at), colour);
        // Without a pen of its own the picture draws its outlines with a thin black one.
        if (QTest::currentDataTag() == QLatin1String("null brush"))
            QVERIFY(countPixels(
                        image, [](QColor c) { return c.lightness() < 128; },
                        QRect(15, 15, 10, 170)) > 50);
    }

    void textOut_drawsInTextColourBelowItsAnchor()
    {
        WmfBuilder text(0, 0, 100, 100);
        text.font(-20, 700, "DejaVu Sans").select(0).textColour(Red).backgroundMode(1);
        const QImage image = render(text.textOut(5, 50, "HB612").bytes());
        const auto reddish = [](QColor c) {
            return c.red() > 150 && c.green() < 120 && c.blue() < 120;
        };
        // Top-aligned at logical y 50: the glyphs lie between device rows 100 and 140.
        QVERIFY(countPixels(image, reddish, QRect(0, 100, 200, 40)) > 100);
        QCOMPARE(countPixels(image, reddish), countPixels(image, reddish, QRect(0, 95, 200, 50)));
    }

    void frameAndSize_comeFromThePlaceableHeader()
    {
        const auto file = Metafile::fromBytes(WmfBuilder(-10, 0, 710, 1440, 720).bytes());
        QVERIFY(file.has_value());
        QCOMPARE(file->frame(), QRectF(-10, 0, 720, 1440));
        QCOMPARE(file->sizeInInches(), QSizeF(1.0, 2.0));
    }

    void brokenInput_isRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray good =
            WmfBuilder(0, 0, 100, 100).brush(0, Red).select(0).rectangle(0, 0, 9, 9).bytes();
        const auto changed = [&good](int at, char value, int at2 = -1) {
            QByteArray bytes = good;
            bytes[at] = value;
            if (at2 >= 0)
                bytes[at2] = value;
            return bytes;
        };
        const auto record = [](std::uint16_t function, std::vector<std::uint16_t> words) {
            return WmfBuilder(0, 0, 100, 100).record(function, std::move(words)).bytes();
        };
        QTest::newRow("header cut short") << good.left(30);
        QTest::newRow("not placeable") << changed(0, 'X');
        QTest::newRow("empty frame") << WmfBuilder(5, 0, 5, 100).bytes();
        QTest::newRow("bad header type") << changed(22, 7);
        QTest::newRow("record of size 0") << changed(40, 0); // first record's size in words
        QTest::newRow("record past the end") << changed(40, 0x7F, 41);
        QTest::newRow("polygon count beyond record") << record(0x0324, {50, 1, 1, 2, 2});
        QTest::newRow("negative polygon count") << record(0x0324, {0xFFFF});
        QTest::newRow("text beyond record") << record(0x0521, {200, 0x4141, 5, 5});
        QTest::newRow("rectangle without corners") << record(0x041B, {1, 2});
    }

    void brokenInput_isRefused()
    {
        QFETCH(QByteArray, bytes);
        QString why;
        QVERIFY(!Metafile::fromBytes(bytes, &why).has_value());
        QVERIFY(!why.isEmpty());
    }

    void workBudget_refusesWhatOnePaintCannotAfford()
    {
        // Too many records, points or characters for any picture.
        const auto withRecords = [](int count, std::uint16_t function,
                                    std::vector<std::uint16_t> words) {
            WmfBuilder builder(0, 0, 100, 100);
            for (int i = 0; i < count; ++i)
                builder.record(function, words);
            return builder.bytes();
        };
        const std::vector<std::uint16_t> twoPoints = {2, 10, 10, 20, 20};
        const std::pair<QByteArray, bool> pictures[] = {
            {withRecords(3000, 0x0102, {1}), true}, // the end record does not count
            {withRecords(3001, 0x0102, {1}), false},
            {withRecords(1000, 0x0325, twoPoints), true},
            {withRecords(1001, 0x0325, twoPoints), false},
            {WmfBuilder(0, 0, 100, 100).textOut(0, 0, std::string(1000, 'x')).bytes(), true},
            {WmfBuilder(0, 0, 100, 100).textOut(0, 0, std::string(1001, 'x')).bytes(), false},
        };
        for (const auto& [bytes, reads] : pictures) {
            QString why;
            QCOMPARE(Metafile::fromBytes(bytes, &why).has_value(), reads);
            QCOMPARE(why.startsWith(QStringLiteral("too much to draw")), !reads);
        }

        // A polygon of 600 crossing edges draws small and is refused large; a picture box shows
        // the tile with the name instead.
        std::vector<std::uint16_t> words = {600};
        QRandomGenerator random(5);
        for (int i = 0; i < 1200; ++i)
            words.push_back(std::uint16_t(random.bounded(65536)));
        const QByteArray crossing =
            WmfBuilder(-32768, -32768, 32767, 32767).record(0x0324, words).bytes();
        bool drawn = false;
        QVERIFY(countPixels(render(crossing, {20, 20}, &drawn), notWhite) > 0 && drawn);
        QTemporaryDir dir;
        PictureBox box;
        box.resize(400, 1000);
        box.setPicturePath(writeFile(dir, "KX999.wmf", crossing));
        QVERIFY(countPixels(box.grab().toImage(),
                            [](QColor c) { return c == QColor(0xD8, 0xD8, 0xD8); }) > 300000);
    }

    // Which files the core's reader refuses is its own; the picture passes on its bound and why.
    void fromFile_readsUpToThePictureBound()
    {
        QTemporaryDir dir;
        QFile huge(dir.filePath(QStringLiteral("KH001.wmf")));
        QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize((1 << 20) + 1));
        huge.close();
        QString why;
        QVERIFY(!Metafile::fromFile(huge.fileName(), &why));
        QCOMPARE(why, QStringLiteral("is larger than 1 MiB"));
    }

    void pictureBox_showsPictureTileOrNothing_andReportsClicks()
    {
        QTemporaryDir dir;
        const QString picture = writeFile(
            dir, "KD014.wmf",
            WmfBuilder(0, 0, 200, 500).brush(0, Red).select(0).rectangle(30, 40, 170, 140).bytes());
        const QString broken = writeFile(dir, "broken.wmf", "not a metafile");
        PictureBox box;
        box.resize(80, 200);
        const QColor background = box.palette().color(QPalette::Window);
        const auto count = [&box](const std::function<bool(QColor)>& test) {
            return countPixels(box.grab().toImage(), test);
        };
        const auto drawn = [&background](QColor c) { return c != background; };
        QCOMPARE(box.content(), PictureBox::Content::Empty);
        QCOMPARE(count(drawn), 0);

        box.setPicturePath(picture);
        QCOMPARE(box.content(), PictureBox::Content::Picture);
        QVERIFY(count([](QColor c) { return c == QColor(Qt::red); }) > 100);

        box.setPicturePath(broken);
        QCOMPARE(box.content(), PictureBox::Content::Unreadable);
        QCOMPARE(box.toolTip(), QStringLiteral("broken.wmf"));
        QVERIFY(count(drawn) > 200); // the tile and its name
        box.setBorder(true);
        QCOMPARE(box.grab().toImage().pixelColor(0, 100), QColor(Qt::black));

        box.setPicturePath(QString());
        box.setBorder(false);
        QCOMPARE(box.content(), PictureBox::Content::Empty);
        QCOMPARE(count(drawn), 0);

        QSignalSpy clicked(&box, &PictureBox::clicked);
        QTest::mouseClick(&box, Qt::LeftButton);
        QTest::mouseClick(&box, Qt::RightButton);
        QCOMPARE(clicked.count(), 1);
    }
};

QTEST_MAIN(TestMetafile)
#include "tst_metafile.moc"
