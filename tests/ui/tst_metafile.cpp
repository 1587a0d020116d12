#include <functional>

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
    const auto file = Metafile::fromBytes(bytes);
    if (file) {
        QPainter painter(&image);
        file->play(painter, QRectF(0, 0, 200, 200));
    }
    return image;
}

int countPixels(const QImage& image, const QRect& area, const std::function<bool(QColor)>& test)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            count += test(image.pixelColor(x, y)) ? 1 : 0;
        }
    }
    return count;
}

} // namespace

class TestMetafile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void shapes_drawnWithSelectedBrushesWhereTheyStand()
    {
        const QByteArray bytes = WmfBuilder(0, 0, 100, 100)
                                     .windowOrg(0, 0)
                                     .windowExt(100, 100)
                                     .pen(5, 0, 0) // no outline
                                     .select(0)
                                     .brush(0, Red)
                                     .select(1)
                                     .rectangle(10, 10, 50, 50)
                                     .brush(0, Blue)
                                     .select(2)
                                     .ellipse(60, 60, 90, 90)
                                     .brush(0, Green)
                                     .select(3)
                                     .polygon({{60, 10}, {90, 10}, {90, 40}})
                                     .bytes();
        const QImage image = render(bytes);
        QCOMPARE(image.pixelColor(60, 60), QColor(Qt::red)); // logical (30, 30), scaled by 2
        QCOMPARE(image.pixelColor(150, 150), QColor(Qt::blue));
        QCOMPARE(image.pixelColor(170, 40), QColor(Qt::green)); // inside the triangle
        QCOMPARE(image.pixelColor(130, 70), QColor(Qt::white)); // outside it
        QCOMPARE(image.pixelColor(10, 150), QColor(Qt::white));
        // The ellipse's corner box is not filled.
        QCOMPARE(image.pixelColor(123, 123), QColor(Qt::white));
    }

    void objects_takeLowestFreePlaceAfterDelete()
    {
        // Red at 0, blue at 1; deleting 0 lets the green brush take place 0.
        const QByteArray bytes = WmfBuilder(0, 0, 100, 100)
                                     .brush(0, Red)
                                     .brush(0, Blue)
                                     .remove(0)
                                     .brush(0, Green)
                                     .select(0)
                                     .rectangle(0, 0, 50, 100)
                                     .select(1)
                                     .rectangle(50, 0, 100, 100)
                                     .bytes();
        const QImage image = render(bytes);
        QCOMPARE(image.pixelColor(50, 100), QColor(Qt::green));
        QCOMPARE(image.pixelColor(150, 100), QColor(Qt::blue));
    }

    void nullBrush_leavesInsideAndDefaultPenDrawsOutline()
    {
        const QByteArray bytes =
            WmfBuilder(0, 0, 100, 100).brush(1, Red).select(0).rectangle(10, 10, 90, 90).bytes();
        const QImage image = render(bytes);
        QCOMPARE(image.pixelColor(100, 100), QColor(Qt::white));
        const int dark = countPixels(image, QRect(15, 15, 10, 170),
                                     [](QColor c) { return c.lightness() < 128; });
        QVERIFY2(dark > 50, "the default black pen draws the left edge");
    }

    void windowOrigin_shiftsLogicalCoordinates()
    {
        const QByteArray bytes = WmfBuilder(100, 100, 200, 200)
                                     .windowOrg(100, 100)
                                     .windowExt(100, 100)
                                     .brush(0, Red)
                                     .select(0)
                                     .pen(5, 0, 0)
                                     .select(1)
                                     .rectangle(150, 100, 200, 150)
                                     .bytes();
        const QImage image = render(bytes);
        QCOMPARE(image.pixelColor(150, 50), QColor(Qt::red));
        QCOMPARE(image.pixelColor(50, 50), QColor(Qt::white));
        QCOMPARE(image.pixelColor(150, 150), QColor(Qt::white));
    }

    void textOut_drawsInTextColourNearItsAnchor()
    {
        const QByteArray bytes = WmfBuilder(0, 0, 100, 100)
                                     .font(-20, 700, "DejaVu Sans")
                                     .select(0)
                                     .textColour(Red)
                                     .backgroundMode(1)
                                     .textOut(5, 50, "HB612")
                                     .bytes();
        const QImage image = render(bytes);
        const auto reddish = [](QColor c) {
            return c.red() > 150 && c.green() < 120 && c.blue() < 120;
        };
        // Top-aligned at logical y 50: the glyphs lie between device rows 100 and 140.
        QVERIFY(countPixels(image, QRect(0, 100, 200, 40), reddish) > 100);
        QCOMPARE(countPixels(image, QRect(0, 0, 200, 95), reddish), 0);
        QCOMPARE(countPixels(image, QRect(0, 145, 200, 55), reddish), 0);
    }

    void unknownRecords_areSkipped()
    {
        const QByteArray bytes = WmfBuilder(0, 0, 100, 100)
                                     .record(0x0999, {1, 2, 3, 4, 5})
                                     .record(0x0F43, {}) // a bitmap record without its bitmap
                                     .brush(0, Blue)
                                     .select(0)
                                     .rectangle(0, 0, 100, 100)
                                     .bytes();
        const auto file = Metafile::fromBytes(bytes);
        QVERIFY(file.has_value());
        QCOMPARE(file->recordCount(), 6);
        QCOMPARE(render(bytes).pixelColor(100, 100), QColor(Qt::blue));
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
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("header cut short") << good.left(30);
        QByteArray wrongKey = good;
        wrongKey[0] = 'X';
        QTest::newRow("not placeable") << wrongKey;
        QTest::newRow("empty frame") << WmfBuilder(5, 0, 5, 100).bytes();
        QByteArray badType = good;
        badType[22] = 7;
        QTest::newRow("bad header type") << badType;
        QByteArray zeroSize = good;
        zeroSize[40] = 0; // first record's size in words
        QTest::newRow("record of size 0") << zeroSize;
        QByteArray tooLong = good;
        tooLong[40] = 0x7F;
        tooLong[41] = 0x7F;
        QTest::newRow("record past the end") << tooLong;
        QTest::newRow("cut inside a record") << good.left(good.size() - 10);
        QTest::newRow("polygon count beyond record")
            << WmfBuilder(0, 0, 100, 100).record(0x0324, {50, 1, 1, 2, 2}).bytes();
        QTest::newRow("negative polygon count")
            << WmfBuilder(0, 0, 100, 100).record(0x0324, {0xFFFF}).bytes();
        QTest::newRow("text beyond record")
            << WmfBuilder(0, 0, 100, 100).record(0x0521, {200, 0x4141, 5, 5}).bytes();
        QTest::newRow("pen without colour")
            << WmfBuilder(0, 0, 100, 100).record(0x02FA, {0, 1}).bytes();
        QTest::newRow("rectangle without corners")
            << WmfBuilder(0, 0, 100, 100).record(0x041B, {1, 2}).bytes();
    }

    void brokenInput_isRefused()
    {
        QFETCH(QByteArray, bytes);
        QString why;
        QVERIFY(!Metafile::fromBytes(bytes, &why).has_value());
        QVERIFY(!why.isEmpty());
    }

    void badObjectIndicesAndWindow_doNotCrash()
    {
        const QByteArray bytes = WmfBuilder(0, 0, 100, 100)
                                     .select(0)      // nothing there yet
                                     .select(0xFFFF) // far outside the table
                                     .remove(40000)
                                     .windowExt(0, 0) // ignored
                                     .brush(0, Red)
                                     .select(0)
                                     .remove(0)
                                     .select(0) // deleted: the red brush stays selected
                                     .rectangle(0, 0, 100, 100)
                                     .bytes();
        QCOMPARE(render(bytes).pixelColor(100, 100), QColor(Qt::red));
    }

    void randomDamage_neverCrashes()
    {
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
            const int changes = 1 + random.bounded(6);
            for (int c = 0; c < changes; ++c) {
                damaged[random.bounded(static_cast<int>(damaged.size()))] =
                    static_cast<char>(random.bounded(256));
            }
            if (random.bounded(4) == 0) {
                damaged.truncate(random.bounded(static_cast<int>(damaged.size())));
            }
            if (Metafile::fromBytes(damaged)) {
                ++readable;
            }
            (void)render(damaged);
        }
        // Most single-byte damage hits coordinates and colours, which still read.
        QVERIFY(readable > 0);
    }

    void randomRecords_neverCrash()
    {
        // Known record kinds with parameters of random length and value.
        const std::uint16_t functions[] = {0x020B, 0x020C, 0x02FA, 0x02FC, 0x02FB, 0x012D, 0x01F0,
                                           0x0209, 0x0201, 0x0102, 0x0106, 0x012E, 0x0214, 0x0213,
                                           0x041B, 0x0418, 0x0324, 0x0325, 0x0521, 0x00F7, 0x06FF};
        QRandomGenerator random(1234);
        int readable = 0;
        int refused = 0;
        for (int round = 0; round < 1000; ++round) {
            WmfBuilder builder(0, 0, static_cast<std::int16_t>(1 + random.bounded(3000)),
                               static_cast<std::int16_t>(1 + random.bounded(3000)));
            const int records = random.bounded(40);
            for (int r = 0; r < records; ++r) {
                std::vector<std::uint16_t> words(static_cast<std::size_t>(random.bounded(24)));
                for (auto& word : words) {
                    word = static_cast<std::uint16_t>(random.bounded(4) == 0 ? random.bounded(65536)
                                                                             : random.bounded(64));
                }
                builder.record(functions[random.bounded(static_cast<int>(std::size(functions)))],
                               words);
            }
            const QByteArray bytes = builder.bytes();
            ++(Metafile::fromBytes(bytes) ? readable : refused);
            (void)render(bytes);
        }
        // Both ways through the reader were taken: records short of their parameters are
        // refused, the others drawn.
        QVERIFY(readable > 50);
        QVERIFY(refused > 50);
    }

    void fromFile_reportsMissingFile()
    {
        QString why;
        QVERIFY(!Metafile::fromFile(QStringLiteral("/nonexistent/HB612.wmf"), &why));
        QVERIFY(!why.isEmpty());
    }

    void pictureBox_showsPictureTileOrNothing()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString good = dir.filePath(QStringLiteral("KD014.wmf"));
        const QString broken = dir.filePath(QStringLiteral("broken.wmf"));
        {
            QFile out(good);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(quillon::test::modulePicture(Red));
        }
        {
            QFile out(broken);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write("not a metafile");
        }

        PictureBox box;
        box.resize(80, 200);
        const QColor background = box.palette().color(QPalette::Window);
        const auto nonBackground = [&box, &background] {
            const QImage image = box.grab().toImage();
            return countPixels(image, image.rect(),
                               [&background](QColor c) { return c != background; });
        };

        QCOMPARE(box.content(), PictureBox::Content::Empty);
        QCOMPARE(nonBackground(), 0);

        box.setPicturePath(good);
        QCOMPARE(box.content(), PictureBox::Content::Picture);
        const QImage picture = box.grab().toImage();
        QVERIFY(countPixels(picture, picture.rect(),
                            [](QColor c) { return c == QColor(Qt::red); }) > 100);

        box.setPicturePath(broken);
        QCOMPARE(box.content(), PictureBox::Content::Unreadable);
        QCOMPARE(box.toolTip(), QStringLiteral("broken.wmf"));
        QVERIFY(nonBackground() > 200); // the tile and its name

        box.setBorder(true);
        const QImage bordered = box.grab().toImage();
        QCOMPARE(bordered.pixelColor(0, 100), QColor(Qt::black));

        box.setPicturePath(QString());
        box.setBorder(false);
        QCOMPARE(box.content(), PictureBox::Content::Empty);
        QCOMPARE(nonBackground(), 0);
    }

    void pictureBox_reportsClicks()
    {
        PictureBox box;
        box.resize(40, 80);
        QSignalSpy clicked(&box, &PictureBox::clicked);
        QTest::mouseClick(&box, Qt::LeftButton);
        QTest::mouseClick(&box, Qt::RightButton);
        QCOMPARE(clicked.count(), 1);
    }
};

QTEST_MAIN(TestMetafile)
#include "tst_metafile.moc"
