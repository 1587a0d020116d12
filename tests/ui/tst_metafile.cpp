#include <functional>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

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

// Plays `bytes` into a white 200 by 200 image (the picture's frame fills it).
QImage render(const QByteArray& bytes)
{
    QImage image(200, 200, QImage::Format_RGB32);
    image.fill(Qt::white);
    if (const auto file = Metafile::fromBytes(bytes)) {
        QPainter painter(&image);
        (void)file->play(painter, QRectF(0, 0, 200, 200));
    }
    return image;
}

int countPixels(const QImage& image, const QRect& area, const std::function<bool(QColor)>& test)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            count += test(image.pixelColor(x, y)) ? 1 : 0;
    }
    return count;
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
        QTest::newRow("shapes with selected brushes")
            << WmfBuilder(0, 0, 100, 100)
                   .brush(0, Red)
                   .select(0)
                   .rectangle(10, 10, 50, 50)
                   .brush(0, Blue)
                   .select(1)
                   .ellipse(60, 60, 90, 90)
                   .brush(0, Green)
                   .select(2)
                   .polygon({{60, 10}, {90, 10}, {90, 40}})
                   .bytes()
            << Pixels{{{60, 60}, Qt::red},    {{150, 150}, Qt::blue},
                      {{170, 40}, Qt::green}, {{130, 70}, Qt::white},   // beside the triangle
                      {{10, 150}, Qt::white}, {{123, 123}, Qt::white}}; // the ellipse's corner
        // Deleting object 0 lets the green brush take that place; blue stays at 1.
        QTest::newRow("lowest free object place")
            << WmfBuilder(0, 0, 100, 100)
                   .brush(0, Red)
                   .brush(0, Blue)
                   .remove(0)
                   .brush(0, Green)
                   .select(0)
                   .rectangle(0, 0, 50, 100)
                   .select(1)
                   .rectangle(50, 0, 100, 100)
                   .bytes()
            << Pixels{{{50, 100}, Qt::green}, {{150, 100}, Qt::blue}};
        QTest::newRow("window origin")
            << WmfBuilder(100, 100, 200, 200)
                   .windowOrg(100, 100)
                   .windowExt(100, 100)
                   .brush(0, Red)
                   .select(0)
                   .rectangle(150, 100, 200, 150)
                   .bytes()
            << Pixels{{{150, 50}, Qt::red}, {{50, 50}, Qt::white}, {{150, 150}, Qt::white}};
        QTest::newRow("unknown records, bad object indices and window")
            << WmfBuilder(0, 0, 100, 100)
                   .record(0x0999, {1, 2, 3, 4, 5})
                   .record(0x0F43, {}) // a bitmap record without its bitmap
                   .select(0)          // nothing there yet
                   .select(0xFFFF)     // far outside the table
                   .remove(40000)
                   .windowExt(0, 0) // ignored
                   .brush(0, Red)
                   .select(0)
                   .remove(0)
                   .select(0) // deleted: the red brush stays selected
                   .rectangle(0, 0, 100, 100)
                   .bytes()
            << Pixels{{{100, 100}, Qt::red}};
    }

    void play_drawsWhereAndWithWhatTheRecordsSay()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(Pixels, pixels);
        QVERIFY(Metafile::fromBytes(bytes).has_value());
        const QImage image = render(bytes);
        for (const auto& [at, colour] : pixels)
            QCOMPARE(image.pixelColor(at), colour);
    }

    void nullBrush_leavesInsideAndDefaultPenDrawsOutline()
    {
        const QImage image = render(
            WmfBuilder(0, 0, 100, 100).brush(1, Red).select(0).rectangle(10, 10, 90, 90).bytes());
        QCOMPARE(image.pixelColor(100, 100), QColor(Qt::white));
        const int dark = countPixels(image, QRect(15, 15, 10, 170),
                                     [](QColor c) { return c.lightness() < 128; });
        QVERIFY2(dark > 50, "the default black pen draws the left edge");
    }

    void textOut_drawsInTextColourNearItsAnchor()
    {
        const QImage image = render(WmfBuilder(0, 0, 100, 100)
                                        .font(-20, 700, "DejaVu Sans")
                                        .select(0)
                                        .textColour(Red)
                                        .backgroundMode(1)
                                        .textOut(5, 50, "HB612")
                                        .bytes());
        const auto reddish = [](QColor c) {
            return c.red() > 150 && c.green() < 120 && c.blue() < 120;
        };
        // Top-aligned at logical y 50: the glyphs lie between device rows 100 and 140.
        QVERIFY(countPixels(image, QRect(0, 100, 200, 40), reddish) > 100);
        QCOMPARE(countPixels(image, QRect(0, 0, 200, 95), reddish), 0);
        QCOMPARE(countPixels(image, QRect(0, 145, 200, 55), reddish), 0);
    }

    void frameAndSize_comeFromThePlaceableHeader_missingFileSaysWhy()
    {
        const auto file = Metafile::fromBytes(WmfBuilder(-10, 0, 710, 1440, 720).bytes());
        QVERIFY(file.has_value());
        QCOMPARE(file->frame(), QRectF(-10, 0, 720, 1440));
        QCOMPARE(file->sizeInInches(), QSizeF(1.0, 2.0));
        QString why;
        QVERIFY(!Metafile::fromFile(QStringLiteral("/nonexistent/HB612.wmf"), &why));
        QVERIFY(!why.isEmpty());
    }

    void brokenInput_isRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray good =
            WmfBuilder(0, 0, 100, 100).brush(0, Red).select(0).rectangle(0, 0, 9, 9).bytes();
        const auto changed = [&good](int at, char value) {
            QByteArray bytes = good;
            bytes[at] = value;
            return bytes;
        };
        const auto record = [](std::uint16_t function, std::vector<std::uint16_t> words) {
            return WmfBuilder(0, 0, 100, 100).record(function, std::move(words)).bytes();
        };
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("header cut short") << good.left(30);
        QTest::newRow("not placeable") << changed(0, 'X');
        QTest::newRow("empty frame") << WmfBuilder(5, 0, 5, 100).bytes();
        QTest::newRow("bad header type") << changed(22, 7);
        QTest::newRow("record of size 0") << changed(40, 0); // first record's size in words
        QByteArray tooLong = changed(40, 0x7F);
        tooLong[41] = 0x7F;
        QTest::newRow("record past the end") << tooLong;
        QTest::newRow("cut inside a record") << good.left(good.size() - 10);
        QTest::newRow("polygon count beyond record") << record(0x0324, {50, 1, 1, 2, 2});
        QTest::newRow("negative polygon count") << record(0x0324, {0xFFFF});
        QTest::newRow("text beyond record") << record(0x0521, {200, 0x4141, 5, 5});
        QTest::newRow("pen without colour") << record(0x02FA, {0, 1});
        QTest::newRow("rectangle without corners") << record(0x041B, {1, 2});
    }

    void brokenInput_isRefused()
    {
        QFETCH(QByteArray, bytes);
        QString why;
        QVERIFY(!Metafile::fromBytes(bytes, &why).has_value());
        QVERIFY(!why.isEmpty());
    }

    void extremeSizes_drawWithoutOverflow_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("drawn"); // false: too costly at this size, so nothing is drawn
        // A picture of 94 bytes: the largest font height in a frame smaller than the target.
        QTest::newRow("font height 32767")
            << WmfBuilder(0, 0, 10, 10).font(32767, 400, "").select(0).textOut(0, 0, "K").bytes()
            << true;
        QTest::newRow("font height -32768 in a one-unit window")
            << WmfBuilder(0, 0, 100, 100)
                   .windowExt(1, 1)
                   .font(-32768, 1000, "Sans")
                   .select(0)
                   .textOut(-32768, 32767, "K310")
                   .bytes()
            << true;
        QTest::newRow("widest pen, largest shapes")
            << WmfBuilder(-32768, -32768, 32767, 32767)
                   .windowExt(1, 1)
                   .pen(1, 32767, Red)
                   .select(0)
                   .rectangle(-32768, -32768, 32767, 32767)
                   .ellipse(-32768, -32768, 32767, 32767)
                   .polygon({{-32768, -32768}, {32767, 0}, {0, 32767}})
                   .bytes()
            << false;
    }

    void extremeSizes_drawWithoutOverflow()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, drawn);
        const auto file = Metafile::fromBytes(bytes);
        QVERIFY(file.has_value());
        QImage image(64, 64, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        // The sanitizer build reports any overflow here; everything else must draw inside the
        // position (or not at all) and leave the painter as it was.
        QCOMPARE(file->play(painter, QRectF(8, 8, 48, 48)), drawn);
        QCOMPARE(painter.transform(), QTransform());
        painter.end();
        const auto notWhite = [](QColor c) { return c != Qt::white; };
        QCOMPARE(countPixels(image, QRect(0, 0, 64, 8), notWhite), 0);
        if (!drawn)
            QCOMPARE(countPixels(image, image.rect(), notWhite), 0);
    }

    void workBudget_refusesWhatOnePaintCannotAfford()
    {
        // What the records alone say: too many records, points or characters for any picture.
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

        // What the shapes cost at the size they are drawn: a polygon of 600 crossing edges
        // reads, draws in a small position and is refused in a large one, where such polygons
        // once took seconds.
        QByteArray crossing;
        {
            std::vector<std::uint16_t> words = {600};
            QRandomGenerator random(5);
            for (int i = 0; i < 1200; ++i)
                words.push_back(std::uint16_t(random.bounded(65536)));
            crossing = WmfBuilder(-32768, -32768, 32767, 32767).record(0x0324, words).bytes();
        }
        const auto file = Metafile::fromBytes(crossing);
        QVERIFY(file.has_value());
        QImage small(20, 20, QImage::Format_RGB32);
        small.fill(Qt::white);
        QPainter smallPainter(&small);
        QVERIFY(file->play(smallPainter, QRectF(0, 0, 20, 20)));
        smallPainter.end();
        QImage large(400, 1000, QImage::Format_RGB32);
        large.fill(Qt::white);
        QPainter largePainter(&large);
        QVERIFY(!file->play(largePainter, QRectF(0, 0, 400, 1000)));
        largePainter.end();
        QCOMPARE(countPixels(large, large.rect(), [](QColor c) { return c != Qt::white; }), 0);

        // A picture box shows the tile with the name instead.
        QTemporaryDir dir;
        QFile out(dir.filePath(QStringLiteral("KX999.wmf")));
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(crossing) == crossing.size());
        out.close();
        PictureBox box;
        box.resize(400, 1000);
        box.setPicturePath(out.fileName());
        QCOMPARE(box.content(), PictureBox::Content::Picture);
        const QImage shown = box.grab().toImage();
        QVERIFY(countPixels(shown, shown.rect(),
                            [](QColor c) { return c == QColor(0xD8, 0xD8, 0xD8); }) > 300000);
    }

    void pictureBox_readsOnlyRegularFilesOfPictureSize()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString huge = dir.filePath(QStringLiteral("KH001.wmf"));
        QFile out(huge);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.resize((1 << 20) + 1));
        out.close();
        std::vector<std::pair<QString, QString>> refused = {
            {dir.path(), QStringLiteral("is a folder, not a regular file")},
            {huge, QStringLiteral("is larger than 1 MiB")},
        };
#ifndef _WIN32
        const QString fifo = dir.filePath(QStringLiteral("KF001.wmf"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
        refused.emplace_back(fifo, QStringLiteral("is a FIFO, not a regular file"));
        refused.emplace_back(QStringLiteral("/dev/zero"),
                             QStringLiteral("is a device, not a regular file"));
#endif
        for (const auto& [path, reason] : refused) {
            // A FIFO without a writer would hold the window for ever; /dev/zero would fill
            // memory.
            QString why;
            QVERIFY(!Metafile::fromFile(path, &why));
            QCOMPARE(why, reason);
            PictureBox box;
            box.setPicturePath(path);
            QCOMPARE(box.content(), PictureBox::Content::Unreadable);
        }
    }

    void randomInput_neverCrashes()
    {
        // Damaged bytes of a good picture: most single-byte damage hits coordinates and colours,
        // which still read.
        const QByteArray good = WmfBuilder(0, 0, 100, 100)
                                    .windowOrg(0, 0)
                                    .windowExt(100, 100)
                                    .pen(0, 2, Blue)
                                    .brush(2, Green, 3)
                                    .font(12, 400, "Sans")
                                    .select(0)
                                    .select(1)
                                    .select(2)
                                    .polygon({{1, 1}, {50, 90}, {99, 1}})
                                    .textOut(10, 10, "K310")
                                    .ellipse(5, 5, 95, 95)
                                    .bytes();
        QRandomGenerator random(4711);
        int readable = 0;
        for (int round = 0; round < 3000; ++round) {
            QByteArray damaged = good;
            for (int c = 1 + random.bounded(6); c > 0; --c)
                damaged[random.bounded(int(damaged.size()))] = char(random.bounded(256));
            if (random.bounded(4) == 0)
                damaged.truncate(random.bounded(int(damaged.size())));
            readable += Metafile::fromBytes(damaged) ? 1 : 0;
            (void)render(damaged);
        }
        QVERIFY(readable > 0);

        // Known record kinds with parameters of random length and value: those short of their
        // parameters are refused, the others drawn.
        const std::uint16_t functions[] = {0x020B, 0x020C, 0x02FA, 0x02FC, 0x02FB, 0x012D, 0x01F0,
                                           0x0209, 0x0201, 0x0102, 0x0106, 0x012E, 0x0214, 0x0213,
                                           0x041B, 0x0418, 0x0324, 0x0325, 0x0521, 0x00F7, 0x06FF};
        readable = 0;
        int refused = 0;
        for (int round = 0; round < 1000; ++round) {
            WmfBuilder builder(0, 0, std::int16_t(1 + random.bounded(3000)),
                               std::int16_t(1 + random.bounded(3000)));
            for (int r = random.bounded(40); r > 0; --r) {
                std::vector<std::uint16_t> words(std::size_t(random.bounded(24)));
                for (auto& word : words)
                    word = std::uint16_t(random.bounded(4) == 0 ? random.bounded(65536)
                                                                : random.bounded(64));
                builder.record(functions[random.bounded(int(std::size(functions)))], words);
            }
            const QByteArray bytes = builder.bytes();
            ++(Metafile::fromBytes(bytes) ? readable : refused);
            (void)render(bytes);
        }
        QVERIFY(readable > 50);
        QVERIFY(refused > 50);
    }

    void pictureBox_showsPictureTileOrNothing_andReportsClicks()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const auto write = [&dir](const char* name, const QByteArray& bytes) {
            QFile out(dir.filePath(QLatin1String(name)));
            return out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size();
        };
        QVERIFY(write("KD014.wmf", WmfBuilder(0, 0, 200, 500)
                                       .brush(0, Red)
                                       .select(0)
                                       .rectangle(30, 40, 170, 140)
                                       .bytes()));
        QVERIFY(write("broken.wmf", "not a metafile"));

        PictureBox box;
        box.resize(80, 200);
        const QColor background = box.palette().color(QPalette::Window);
        const auto count = [&box](const std::function<bool(QColor)>& test) {
            const QImage image = box.grab().toImage();
            return countPixels(image, image.rect(), test);
        };
        const auto nonBackground = [&background](QColor c) { return c != background; };

        QCOMPARE(box.content(), PictureBox::Content::Empty);
        QCOMPARE(count(nonBackground), 0);

        box.setPicturePath(dir.filePath(QStringLiteral("KD014.wmf")));
        QCOMPARE(box.content(), PictureBox::Content::Picture);
        QVERIFY(count([](QColor c) { return c == QColor(Qt::red); }) > 100);

        box.setPicturePath(dir.filePath(QStringLiteral("broken.wmf")));
        QCOMPARE(box.content(), PictureBox::Content::Unreadable);
        QCOMPARE(box.toolTip(), QStringLiteral("broken.wmf"));
        QVERIFY(count(nonBackground) > 200); // the tile and its name

        box.setBorder(true);
        QCOMPARE(box.grab().toImage().pixelColor(0, 100), QColor(Qt::black));

        box.setPicturePath(QString());
        box.setBorder(false);
        QCOMPARE(box.content(), PictureBox::Content::Empty);
        QCOMPARE(count(nonBackground), 0);

        QSignalSpy clicked(&box, &PictureBox::clicked);
        QTest::mouseClick(&box, Qt::LeftButton);
        QTest::mouseClick(&box, Qt::RightButton);
        QCOMPARE(clicked.count(), 1);
    }
};

QTEST_MAIN(TestMetafile)
#include "tst_metafile.moc"
