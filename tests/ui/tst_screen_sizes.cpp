// The windows on the screens users have: run once on a 1366x768 laptop screen at scale 1 and once
// on a 1600x1000 screen at scale 1.5 (see tests/CMakeLists.txt), with the sample station full.
#include <cmath>
#include <memory>

#include <QAbstractButton>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "core/cluster.h"
#include "core/session.h"
#include "core/system.h"
#include "eds/generate.h"
#include "params/editor_commands.h"
#include "tests/fakes/scripted_dialogs.h"
#include "ui/main_window.h"
#include "ui/metafile.h"

using namespace quillon;

namespace {

// Every control can be brought into sight inside the window's scroll area and shows its caption
// whole.
void checkReachableAndUnclipped(QWidget* window, QScrollArea* area)
{
    for (QWidget* control : window->findChildren<QWidget*>()) {
        const QString name = control->objectName();
        if (name.isEmpty() || !control->isVisibleTo(window) || control == area->widget() ||
            !area->widget()->isAncestorOf(control))
            continue;
        // Inside the scrolled controls, and brought into sight whole when it is smaller than the
        // part of the window that shows them.
        const QRect inControls(control->mapTo(area->widget(), QPoint()), control->size());
        QVERIFY2(area->widget()->rect().contains(inControls), qPrintable(name));
        const QRect shown = area->viewport()->rect();
        if (control->width() <= shown.width() && control->height() <= shown.height()) {
            // Scrolled to as a person would: just far enough for the whole control.
            const auto bring = [](QScrollBar* bar, int start, int length, int view) {
                if (start < bar->value())
                    bar->setValue(start);
                else if (start + length > bar->value() + view)
                    bar->setValue(start + length - view);
            };
            bring(area->horizontalScrollBar(), inControls.x(), inControls.width(), shown.width());
            bring(area->verticalScrollBar(), inControls.y(), inControls.height(), shown.height());
            const QRect inViewport(control->mapTo(area->viewport(), QPoint()), control->size());
            QVERIFY2(shown.contains(inViewport), qPrintable(name));
        }
        if (auto* button = qobject_cast<QAbstractButton*>(control)) {
            // The caption's widest line fits on the button's face.
            int widest = 0;
            for (const QString& line : button->text().split(QLatin1Char('\n')))
                widest = qMax(widest, button->fontMetrics().horizontalAdvance(line));
            QVERIFY2(widest + 4 <= button->width(), qPrintable(name));
        } else if (auto* label = qobject_cast<QLabel*>(control)) {
            QVERIFY2(label->width() >= label->minimumSizeHint().width(), qPrintable(name));
        }
    }
}

// The window, its frame included, stands inside the screen's free area.
void checkFitsTheScreen(QWidget* window)
{
    const QSize room = window->screen()->availableGeometry().size();
    QVERIFY2(window->width() + MainWindow::FrameAllowance.width() <= room.width() &&
                 window->height() + MainWindow::FrameAllowance.height() <= room.height(),
             qPrintable(QStringLiteral("%1x%2 on %3x%4")
                            .arg(window->width())
                            .arg(window->height())
                            .arg(room.width())
                            .arg(room.height())));
}

} // namespace

class TestScreenSizes : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void mainWindowAndEditor_fitTheScreenAndShowEveryControl()
    {
        Session session;
        locateProgram(session, QStringLiteral(QUILLON_RESOURCES));
        test::ScriptedDialogs dialogs;
        const auto system = makePlatformSystem();
        const auto window = startMainWindow(session, dialogs, *system);
        QVERIFY(window);
        ChooseProtocol(session, FieldbusProtocol::CanOpen);
        NewConfiguration(session, dialogs);
        for (int module : {1, 4, 9, 14, 3, 10, 7}) {
            SelectCatalogueEntry(session, dialogs, module);
            AddModule(session, dialogs);
        }
        window->render();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        checkFitsTheScreen(window.get());
        // Where the screen has room for every control at its natural size, nothing scrolls.
        auto* area = window->findChild<QScrollArea*>(QStringLiteral("EDS_scroll"));
        const QSize natural = area->widget()->minimumSizeHint() + MainWindow::FrameAllowance +
                              QSize(0, window->menuBar()->height());
        if (natural.width() <= window->screen()->availableGeometry().width() &&
            natural.height() <= window->screen()->availableGeometry().height()) {
            QVERIFY(!area->horizontalScrollBar()->isVisible());
            QVERIFY(!area->verticalScrollBar()->isVisible());
        }
        checkReachableAndUnclipped(window.get(), area);

        QTemporaryDir dir;
        dialogs.thenChooseFile(dir.filePath(QStringLiteral("CO_station.eds")).toStdString());
        QVERIFY(GenerateEds(session, dialogs));
        QVERIFY(Command15_Click(session, dialogs));
        window->render();
        QWidget* editor = window->editorWindow();
        QVERIFY(editor);
        QVERIFY(QTest::qWaitForWindowExposed(editor));
        checkFitsTheScreen(editor);
        checkReachableAndUnclipped(
            editor, editor->findChild<QScrollArea*>(QStringLiteral("frmDynam_scroll")));
        // The eighth slot's tab is in sight without scrolling the tab bar.
        QTabBar* tabs = editor->findChild<QTabWidget*>(QStringLiteral("TabStrip1"))->tabBar();
        QCOMPARE(tabs->count(), 8);
        QVERIFY2(tabs->tabRect(7).right() < tabs->width(),
                 qPrintable(
                     QStringLiteral("%1 of %2").arg(tabs->tabRect(7).right()).arg(tabs->width())));
        if (!qEnvironmentVariableIsEmpty("QUILLON_SCREENSHOTS")) {
            const QString prefix = qEnvironmentVariable("QUILLON_SCREENSHOTS");
            for (auto* scrolled : {area, editor->findChild<QScrollArea*>()}) {
                scrolled->horizontalScrollBar()->setValue(0);
                scrolled->verticalScrollBar()->setValue(0);
            }
            window->grab().save(prefix + QStringLiteral("-main.png"));
            editor->grab().save(prefix + QStringLiteral("-editor.png"));
        }
    }

    void moduleLabels_stayInsideTheirBand()
    {
        // Each sample module's name stands on a coloured band across the top of its picture
        // (x 40..440, y 110..280 of 480 x 1600, framed by a line 6 wide). Drawn at the size of a
        // slot picture in the main window at this screen's scale, no letter may touch the band's
        // frame: the columns just inside it show the band's colour only.
        Session session;
        locateProgram(session, QStringLiteral(QUILLON_RESOURCES));
        test::ScriptedDialogs dialogs;
        const auto system = makePlatformSystem();
        const auto window = startMainWindow(session, dialogs, *system);
        QVERIFY(window);
        const QSize slot = window->findChild<QWidget*>(QStringLiteral("Image2_1"))->size();
        const qreal scale = window->devicePixelRatioF();
        const QDir resources(QStringLiteral(QUILLON_RESOURCES "/Resources"));
        const QStringList pictures = resources.entryList({QStringLiteral("K*.wmf")});
        QVERIFY(pictures.size() >= 10);
        for (const QString& name : pictures) {
            const auto picture = Metafile::fromFile(resources.filePath(name));
            QVERIFY2(picture, qPrintable(name));
            // The picture keeps its proportions inside the slot, as the slot draws it.
            QSizeF size = picture->frame().size();
            size.scale(QSizeF(slot - QSize(4, 4)) * scale, Qt::KeepAspectRatio);
            QImage image(size.toSize(), QImage::Format_RGB32);
            image.fill(Qt::white);
            {
                QPainter painter(&image);
                QVERIFY(picture->play(painter, QRectF(QPointF(), size)));
            }
            const double sx = image.width() / 480.0;
            const double sy = image.height() / 1600.0;
            // The columns just inside the frame, along the rows the name stands in (145..240).
            const int left = static_cast<int>(std::ceil(43 * sx)) + 1;
            const int right = static_cast<int>(437 * sx) - 1;
            const QRgb band = image.pixel(left, static_cast<int>(250 * sy));
            const auto letter = [band](QRgb pixel) {
                return std::abs(qRed(pixel) - qRed(band)) > 60 ||
                       std::abs(qGreen(pixel) - qGreen(band)) > 60 ||
                       std::abs(qBlue(pixel) - qBlue(band)) > 60;
            };
            for (int y = static_cast<int>(145 * sy); y <= static_cast<int>(240 * sy); ++y) {
                QVERIFY2(!letter(image.pixel(left, y)) && !letter(image.pixel(right, y)),
                         qPrintable(QStringLiteral("%1: a letter touches the band's end at row %2")
                                        .arg(name)
                                        .arg(y)));
            }
        }
    }
};

QTEST_MAIN(TestScreenSizes)
#include "tst_screen_sizes.moc"
