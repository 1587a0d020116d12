// The windows on the screens users have: run once on a 1366x768 laptop screen at scale 1 and once
// on a 1600x1000 screen at scale 1.5 (see tests/CMakeLists.txt), with the sample station full.
#include <cmath>
#include <memory>

#include <QAbstractButton>
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

// The window, its frame included, stands inside the screen's free area, and every control of its
// scroll area can be brought into sight whole and shows its caption whole.
void checkFitsAndShowsEveryControl(QWidget* window, QScrollArea* area)
{
    const QSize room = window->screen()->availableGeometry().size();
    const QSize outer = window->size() + MainWindow::FrameAllowance;
    QVERIFY2(outer.width() <= room.width() && outer.height() <= room.height(),
             qPrintable(QStringLiteral("%1x%2").arg(outer.width()).arg(outer.height())));
    const QRect shown = area->viewport()->rect();
    for (QWidget* control : area->widget()->findChildren<QWidget*>()) {
        const QString name = control->objectName();
        if (name.isEmpty() || !control->isVisibleTo(window))
            continue;
        const QRect inControls(control->mapTo(area->widget(), QPoint()), control->size());
        QVERIFY2(area->widget()->rect().contains(inControls), qPrintable(name));
        if (control->width() <= shown.width() && control->height() <= shown.height()) {
            // Scrolled to as a person would: just far enough for the whole control.
            const auto bring = [](QScrollBar* bar, int start, int length, int view) {
                bar->setValue(qBound(start + length - view, bar->value(), start));
            };
            bring(area->horizontalScrollBar(), inControls.x(), inControls.width(), shown.width());
            bring(area->verticalScrollBar(), inControls.y(), inControls.height(), shown.height());
            const QRect inViewport(control->mapTo(area->viewport(), QPoint()), control->size());
            QVERIFY2(shown.contains(inViewport), qPrintable(name));
        }
        if (auto* button = qobject_cast<QAbstractButton*>(control)) {
            int widest = 0;
            for (const QString& line : button->text().split('\n'))
                widest = qMax(widest, button->fontMetrics().horizontalAdvance(line));
            QVERIFY2(widest + 4 <= button->width(), qPrintable(name));
        } else if (auto* label = qobject_cast<QLabel*>(control)) {
            QVERIFY2(label->width() >= label->minimumSizeHint().width(), qPrintable(name));
        }
    }
}

} // namespace

class TestScreenSizes : public QObject
{
    Q_OBJECT

private:
    Session m_session;
    test::ScriptedDialogs m_dialogs;
    std::unique_ptr<System> m_system = makePlatformSystem();
    std::unique_ptr<MainWindow> m_window;

private Q_SLOTS:
    void init()
    {
        m_session = Session();
        locateProgram(m_session, QStringLiteral(QUILLON_RESOURCES));
        m_window = startMainWindow(m_session, m_dialogs, *m_system);
        QVERIFY(m_window);
    }

    void cleanup() { m_window.reset(); }

    void mainWindowAndEditor_fitTheScreenAndShowEveryControl()
    {
        ChooseProtocol(m_session, FieldbusProtocol::CanOpen);
        NewConfiguration(m_session, m_dialogs);
        for (int module : {1, 4, 9, 14, 3, 10, 7}) {
            SelectCatalogueEntry(m_session, m_dialogs, module);
            AddModule(m_session, m_dialogs);
        }
        m_window->render();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        // Where the screen has room for every control at its natural size, nothing scrolls.
        auto* area = m_window->findChild<QScrollArea*>(QStringLiteral("EDS_scroll"));
        const QSize natural = area->widget()->minimumSizeHint() + MainWindow::FrameAllowance +
                              QSize(0, m_window->menuBar()->height());
        const QSize room = m_window->screen()->availableGeometry().size();
        if (natural.width() <= room.width() && natural.height() <= room.height())
            QVERIFY(!area->horizontalScrollBar()->isVisible() &&
                    !area->verticalScrollBar()->isVisible());
        checkFitsAndShowsEveryControl(m_window.get(), area);

        QTemporaryDir dir;
        m_dialogs.thenChooseFile(dir.filePath(QStringLiteral("CO_station.eds")).toStdString());
        QVERIFY(GenerateEds(m_session, m_dialogs) && Command15_Click(m_session, m_dialogs));
        m_window->render();
        QWidget* editor = m_window->editorWindow();
        QVERIFY(editor && QTest::qWaitForWindowExposed(editor));
        auto* editorArea = editor->findChild<QScrollArea*>(QStringLiteral("frmDynam_scroll"));
        checkFitsAndShowsEveryControl(editor, editorArea);
        // The eighth slot's tab is in sight without scrolling the tab bar.
        QTabBar* tabs = editor->findChild<QTabWidget*>(QStringLiteral("TabStrip1"))->tabBar();
        QCOMPARE(tabs->count(), 8);
        QVERIFY(tabs->tabRect(7).right() < tabs->width());

        // The pictures for the README.
        if (const QString prefix = qEnvironmentVariable("QUILLON_SCREENSHOTS"); !prefix.isEmpty()) {
            for (auto* scrolled : {area, editorArea})
                scrolled->ensureVisible(0, 0);
            m_window->grab().save(prefix + QStringLiteral("-main.png"));
            editor->grab().save(prefix + QStringLiteral("-editor.png"));
        }
    }

    void moduleLabels_stayInsideTheirBand()
    {
        // Each sample module's name stands on a band (x 40..440, y 110..280 of 480 x 1600, framed
        // 6 wide); drawn at slot size on this screen, the columns inside the frame show no letter.
        const QSize slot = m_window->findChild<QWidget*>(QStringLiteral("Image2_1"))->size();
        const QDir resources(QStringLiteral(QUILLON_RESOURCES "/Resources"));
        const QStringList pictures = resources.entryList({QStringLiteral("K*.wmf")});
        QVERIFY(pictures.size() >= 10);
        for (const QString& name : pictures) {
            const auto picture = Metafile::fromFile(resources.filePath(name));
            QVERIFY2(picture, qPrintable(name));
            QSizeF size = picture->frame().size();
            size.scale(QSizeF(slot - QSize(4, 4)) * m_window->devicePixelRatioF(),
                       Qt::KeepAspectRatio);
            QImage image(size.toSize(), QImage::Format_RGB32);
            image.fill(Qt::white);
            QPainter painter(&image);
            QVERIFY(picture->play(painter, QRectF(QPointF(), size)));
            painter.end();
            const double sx = image.width() / 480.0;
            const double sy = image.height() / 1600.0;
            // The columns just inside the frame, along the rows the name stands in (145..240).
            const int left = static_cast<int>(std::ceil(43 * sx)) + 1;
            const int right = static_cast<int>(437 * sx) - 1;
            const QColor band = image.pixelColor(left, static_cast<int>(250 * sy));
            const auto letter = [&image, &band](int x, int y) {
                const QColor c = image.pixelColor(x, y);
                return qMax(
                           qMax(std::abs(c.red() - band.red()), std::abs(c.green() - band.green())),
                           std::abs(c.blue() - band.blue())) > 60;
            };
            for (int y = static_cast<int>(145 * sy); y <= static_cast<int>(240 * sy); ++y)
                QVERIFY2(!letter(left, y) && !letter(right, y),
                         qPrintable(QStringLiteral("%1, row %2").arg(name).arg(y)));
        }
    }
};

QTEST_MAIN(TestScreenSizes)
#include "tst_screen_sizes.moc"
