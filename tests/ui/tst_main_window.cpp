#include <memory>

#include <QtTest>
#include <QtWidgets>

#include "app/main_window_ops.h"
#include "core/file_access.h"
#include "core/grid_text.h"
#include "core/item_reader.h"
#include "core/session.h"
#include "core/startup.h"
#include "core/system.h"
#include "iomap/eds_export.h"
#include "project/project_file.h"
#include "tests/fakes/scripted_dialogs.h"
#include "tests/fakes/temp_station.h"
#include "tests/ui/modal_watcher.h"
#include "ui/colours.h"
#include "ui/io_grid_table.h"
#include "ui/latin1.h"
#include "ui/main_window.h"
#include "ui/map_list_window.h"
#include "ui/picture_box.h"

using namespace quillon;

namespace {

// Records the files the window opens in the text viewer; there is no registry.
class RecordingSystem : public System
{
public:
    std::string readRegistryString(const std::string&) override { return {}; }
    bool openInTextEditor(const std::string& parameters, const std::string&) override
    {
        opened.push_back(parameters);
        return true;
    }
    std::vector<std::string> opened;
};

// The sample station's settings, reading its pictures and templates from the sample resources.
std::string sampleIni()
{
    std::string ini = readFileBytes(QUILLON_RESOURCES "/Quillon.ini").value_or("");
    const std::string empty = "[Resourcepath]\r\n\r\n";
    if (const auto at = ini.find(empty); at != std::string::npos)
        ini.replace(at, empty.size(), "[Resourcepath]\r\n" QUILLON_RESOURCES "/Resources/\r\n");
    return ini;
}

// The lines of a file under tests/data/ui, without comments and empty lines.
QStringList tableLines(const char* name)
{
    QStringList lines;
    const auto text = readFileBytes(std::string(QUILLON_TEST_DATA "/ui/") + name);
    for (const std::string& line : splitLines(text.value_or("<missing " + std::string(name))))
        if (!line.empty() && line[0] != '#')
            lines << QString::fromLatin1(line).section(QStringLiteral("  #"), 0, 0);
    return lines;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<test::TempStation> m_station;
    std::unique_ptr<Session> m_session;
    std::unique_ptr<test::ScriptedDialogs> m_dialogs;
    std::unique_ptr<RecordingSystem> m_system;
    std::unique_ptr<MainWindow> m_window;

    template <typename T = QObject> T* control(const QString& name) const
    {
        return m_window->findChild<T*>(name);
    }

    QString textOf(const QString& name) const
    {
        auto* object = control(name);
        const QVariant plain = object ? object->property("plainText") : QVariant();
        return object ? (plain.isValid() ? plain : object->property("text")).toString()
                      : QStringLiteral("<no control>");
    }

    // Each control of the start-up fixture as "name|state|text[|shortcut]": on, off, hidden or -
    // (no state), with * when checked and /w when drawn on the window's colour.
    QStringList describeControls() const
    {
        QStringList lines;
        const QColor window = fromColourRef(WindowBackColour);
        for (const QString& line : tableLines("start_controls.txt")) {
            const QString name = line.section(QLatin1Char('|'), 0, 0);
            const QObject* object = control(name);
            const auto* widget = qobject_cast<const QWidget*>(object);
            const QVariant on = object ? object->property("enabled") : QVariant();
            QString state = !object                        ? QStringLiteral("missing")
                            : widget && widget->isHidden() ? QStringLiteral("hidden")
                            : !on.isValid()                ? QStringLiteral("-")
                            : on.toBool()                  ? QStringLiteral("on")
                                                           : QStringLiteral("off");
            if (object && object->property("checked").toBool())
                state += '*';
            // Text boxes and lists paint their text area, the others their background.
            const auto role = qobject_cast<const QLineEdit*>(widget) ||
                                      qobject_cast<const QAbstractScrollArea*>(widget)
                                  ? QPalette::Base
                              : widget ? widget->backgroundRole()
                                       : QPalette::NoRole;
            if (widget && widget->palette().color(role) == window)
                state += QStringLiteral("/w");
            const QString key =
                object ? object->property("shortcut").value<QKeySequence>().toString() : QString();
            lines << name + '|' + state + '|' + textOf(name).replace('\n', QLatin1String("\\n")) +
                         (key.isEmpty() ? QString() : '|' + key);
        }
        return lines;
    }

    // Clicks a button near its left edge, where an option button's circle is, or triggers a
    // menu entry.
    void click(const QString& name)
    {
        if (auto* action = control<QAction>(name)) {
            QVERIFY2(action->isEnabled(), qPrintable(name));
            action->trigger();
            return;
        }
        auto* b = control<QAbstractButton>(name);
        QVERIFY2(b, qPrintable(name));
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(qMin(8, b->width() / 2), b->height() / 2));
    }

    // The catalogue row of a module, scrolled into sight, and where to click it.
    QPoint catalogueEntry(const QString& module) const
    {
        auto* list = control<QListWidget>("List1");
        const auto found = list->findItems(module + ' ', Qt::MatchStartsWith);
        if (found.isEmpty())
            return {-1, -1};
        list->scrollToItem(found.front());
        return list->visualItemRect(found.front()).center();
    }

    void clickCatalogue(const QString& module)
    {
        QTest::mouseClick(control<QListWidget>("List1")->viewport(), Qt::LeftButton, {},
                          catalogueEntry(module));
    }

    void addModule(const QString& module)
    {
        clickCatalogue(module);
        click("Command7");
    }

    PictureBox* picture(int position) const
    {
        return control<PictureBox>(QStringLiteral("Image2_%1").arg(position));
    }

    // The module shown in a picture box: "_" when empty, * when framed, ? when unreadable.
    static QString shown(const PictureBox* box)
    {
        const QString name = QFileInfo(box->picturePath()).baseName();
        return (box->content() == PictureBox::Content::Empty        ? QStringLiteral("_")
                : box->content() == PictureBox::Content::Unreadable ? name + '?'
                                                                    : name) +
               (box->hasBorder() ? QStringLiteral("*") : QString());
    }

    // The modules beside the head, up to the last one shown.
    QString pictures() const
    {
        QStringList names;
        for (int i = 1; i < 8; ++i)
            names << shown(picture(i));
        while (!names.isEmpty() && names.back() == QLatin1String("_"))
            names.removeLast();
        return names.join(' ');
    }

    // Pictures | used bytes DI DO AI AO | preview, then each notice, each question and file
    // dialog that was answered No or cancelled, and how the program ended.
    QString describeCluster(const QSignalSpy& ended) const
    {
        QStringList all = {pictures(),       textOf("Text15"),
                           textOf("Text20"), textOf("Text21"),
                           textOf("Text22"), shown(control<PictureBox>("Image1_7"))};
        for (const auto* said : {&m_dialogs->notices, &m_dialogs->unexpected})
            for (const std::string& text : *said)
                all << "| " + toQString(text);
        for (const QList<QVariant>& end : ended)
            all << "| ended " + end.front().toString();
        all[0] += " |";
        all[4] += " |";
        return all.join(' ').trimmed();
    }

    bool gridShowsView() const
    {
        return ioGridTexts(*control<QTableWidget>("grid")) == m_session->view.grid;
    }

    void start()
    {
        m_window = startMainWindow(*m_session, *m_dialogs, *m_system);
        QVERIFY(m_window);
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get(), 30000));
    }

    // Starts the window with a new CANopen configuration.
    void startCanOpen()
    {
        start();
        click("Option2");
        click("Command1");
    }

private Q_SLOTS:
    void init()
    {
        storeRecentProjects({});
        m_station = std::make_unique<test::TempStation>();
        m_station->writeIni(sampleIni());
        m_session = std::make_unique<Session>(m_station->session());
        m_dialogs = std::make_unique<test::ScriptedDialogs>();
        m_system = std::make_unique<RecordingSystem>();
    }

    void cleanup()
    {
        m_window.reset();
        // The other windows go with deleteLater; delete them now, before the next test.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (m_dialogs && !m_dialogs->unexpected.empty())
            QFAIL(m_dialogs->unexpected.front().c_str());
    }

    void startUp_showsEveryControlAsTheFixtureSays()
    {
        start();
        QCOMPARE(m_window->objectName() + '|' + m_window->windowTitle(),
                 QStringLiteral("EDS|Quillon"));
        QCOMPARE(describeControls(), tableLines("start_controls.txt"));
        QCOMPARE(control<QWidget>("Text1")->palette().color(QPalette::Base),
                 fromColourRef(HintBackColour));
        QCOMPARE(shown(picture(0)) + '|' + pictures(), QStringLiteral("HB612|"));
        QVERIFY(gridShowsView());

        auto* grid = control<QTableWidget>("grid");
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualItemRect(grid->item(2, 2)).center());
        QVERIFY(textOf("Text1").startsWith(QStringLiteral("This table shows the mapping")));

        // The first tick of the one-second clock, however late a busy machine delivers it.
        QTRY_COMPARE_WITH_TIMEOUT(textOf("Label2"), QStringLiteral("Date: 2009-06-30"), 30000);
        QCOMPARE(textOf("Label1"), QStringLiteral("Time: 21:05:09"));
        for (const char* name : {"Label1", "Label2", "EDS_client"})
            QCOMPARE(control<QWidget>(name)->palette().color(QPalette::Window),
                     fromColourRef(WindowBackColour));
    }

    void clicks_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("expected");
        for (const QString& line : tableLines("clicks.txt")) {
            const QString script = line.section(QStringLiteral(" =>"), 0, 0);
            QTest::newRow(qPrintable(script))
                << script << line.section(QStringLiteral("=> "), 1).trimmed();
        }
    }

    void clicks()
    {
        QFETCH(QString, script);
        QFETCH(QString, expected);
        start();
        QSignalSpy ended(m_window.get(), &MainWindow::programEnded);
        test::ModalWatcher watcher; // closes the boxes the window shows itself
        auto* list = control<QListWidget>("List1");
        for (const QString& word : script.split(' ', Qt::SkipEmptyParts)) {
            const QString module = word.section(':', 1);
            if (word.startsWith('+')) {
                addModule(word.mid(1));
            } else if (word.startsWith('@')) {
                clickCatalogue(word.mid(1));
            } else if (word.startsWith(QLatin1String("dbl:"))) {
                // As the mouse makes it: press, release, double click, release.
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, catalogueEntry(module));
                QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, catalogueEntry(module));
                QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, catalogueEntry(module));
            } else if (word.startsWith(QLatin1String("ret:")) ||
                       word.startsWith(QLatin1String("ent:"))) {
                list->setCurrentItem(list->findItems(module + ' ', Qt::MatchStartsWith).value(0));
                QTest::keyClick(list, word[0] == 'r' ? Qt::Key_Return : Qt::Key_Enter);
            } else if (word.size() == 2 && word[0] == 's') {
                QTest::mouseClick(picture(word[1].digitValue()), Qt::LeftButton);
            } else if (word == QLatin1String("close")) {
                m_window->close();
            } else {
                click(word);
            }
        }
        for (const QString& title : watcher.titles())
            m_dialogs->unexpected.push_back("box: " + title.toStdString());
        QCOMPARE(describeCluster(ended), expected);
        QVERIFY(gridShowsView());
        m_dialogs->unexpected.clear();
    }

    void reset_startsAfreshWithNewSettings_brokenSettingsEndTheProgram()
    {
        startCanOpen();
        // CANopen paints its option green and shows the parameter buttons and its headers.
        QCOMPARE(control<QRadioButton>("Option2")->palette().color(QPalette::Button),
                 QColor(0, 255, 0));
        for (const char* name : {"Command15", "Command16"}) {
            const QImage face = control<QWidget>(name)->grab().toImage();
            int green = 0;
            for (int y = 0; y < face.height(); ++y)
                for (int x = 0; x < face.width(); ++x)
                    green += face.pixelColor(x, y).hue() == 120;      // green, whatever its shade
            QVERIFY2(green * 2 > face.width() * face.height(), name); // shown, on green
        }
        QCOMPARE(control<QTableWidget>("grid")->item(0, 2)->text(),
                 QStringLiteral("TPDO/Byte dig"));
        addModule("KD218");
        click("Command14");

        m_dialogs->thenAnswer(true).thenAnswer(false); // reset yes, save no
        click("Command17");
        QStringList fresh = tableLines("start_controls.txt"); // but with CANopen's limits
        for (const char* limit : {"Text13|on|16", "Text16|on|16", "Text17|on|32", "Text19|on|32"})
            fresh.replaceInStrings(QString(limit).section('|', 0, 1) + "|0", limit);
        QCOMPARE(describeControls(), fresh);
        QVERIFY(control<QListWidget>("List1")->selectedItems().isEmpty());
        QVERIFY(m_dialogs->done() && !m_window->mapListWindow() && m_window->isVisible());
        // A reset that finds the settings broken ends the program.
        QSignalSpy ended(m_window.get(), &MainWindow::programEnded);
        m_station->writeIni("[Modules]\r\nKD214\r\n"); // ends before its records
        m_dialogs->thenAnswer(true).thenAnswer(false);
        click("Command17");
        QCOMPARE(ended.count() == 1 ? ended.front().front().toInt() : -1, 1);
        QCOMPARE(m_dialogs->notices, std::vector<std::string>{StartupFailedMessage});
        QVERIFY(!m_window->isVisible());
    }

    void generateThenEditParameters_opensAndDiscardsTheEditor()
    {
        startCanOpen();
        addModule("KD218");
        addModule("KA224");
        const std::string eds = m_station->dir() + "/EDSFiles/CO_station.eds";
        m_dialogs->thenChooseFile(eds);
        click("Command9");
        QCOMPARE(textOf("Text9"), QString::fromStdString(eds));
        QVERIFY(!m_dialogs->progress.empty() && control<QWidget>("ProgressBar1")->isHidden());
        click("Command5");
        QCOMPARE(m_system->opened, std::vector<std::string>{eds});
        QVERIFY(!m_window->editorWindow());
        click("Command15");
        QWidget* editor = m_window->editorWindow();
        QVERIFY(editor && editor->isVisible());
        click("Command1"); // a new configuration discards it
        QVERIFY(!m_window->editorWindow());
    }

    void openFile_loadsAProjectFromAPathRelativeToTheCurrentFolder()
    {
        start();
        QDir::setCurrent(QString::fromStdString(m_station->dir()));
        QVERIFY(QFile::copy(QStringLiteral(QUILLON_RESOURCES "/Projects/K310_Sample_Station.edp"),
                            QStringLiteral("Projects/sample.edp")));
        QVERIFY(m_window->openFile(QStringLiteral("Projects/sample.edp")));
        QCOMPARE(pictures(), QStringLiteral("KD236 KD418 KA224 KA424 KM688"));
        QCOMPARE(textOf("Text9"), QDir::toNativeSeparators(QDir::current().absoluteFilePath(
                                      QStringLiteral("Projects/sample.edp"))));
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Quillon - sample.edp*"));
    }

    void recentProjects_areOfferedWhileTheyExistAndOpenWithoutTheDialog()
    {
        startCanOpen();
        const auto project = [this](char name) {
            return m_station->dir() + "/Projects/" + name + ".edp";
        };
        for (const char name : {'a', 'b', 'c'}) {
            m_dialogs->thenChooseFile(project(name));
            click("Command4");
        }
        const auto offered = [this] {
            Q_EMIT control<QMenu>("m_file")->aboutToShow();
            QString names;
            for (int i = 0; i < 5; ++i) {
                auto* action = control<QAction>(QStringLiteral("m_recent%1").arg(i));
                if (action->isVisible())
                    names += action->text().left(3) + QFileInfo(action->text()).baseName();
            }
            return names;
        };
        QVERIFY(QFile::remove(QString::fromStdString(project('b'))));
        QCOMPARE(offered(), QStringLiteral("&1 c&2 a"));
        click("m_recent1");
        QCOMPARE(m_dialogs->fileRequests.size(), std::size_t{3});
        QCOMPARE(textOf("Text9"), QDir::toNativeSeparators(QString::fromStdString(project('a'))));
        QCOMPARE(offered(), QStringLiteral("&1 a&2 c"));
    }

    void mapList_copiesTheGridUntilTheClusterChanges()
    {
        startCanOpen();
        addModule("KD218");
        click("Command14");
        QPointer<MapListWindow> list = m_window->mapListWindow();
        QVERIFY(list && list->isVisible());
        QCOMPARE(list->windowTitle(), QStringLiteral("I/O-Map List for Use in SYCON"));
        QTableWidget* grid = list->grid();
        QCOMPARE(ioGridTexts(*grid), ioGridTexts(*control<QTableWidget>("grid")));
        grid->setRangeSelected(QTableWidgetSelectionRange(1, 1, 2, 2), true);
        QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("HB612\t1/1-2\nKD218\t1/3\n"));

        const std::string csv = m_station->dir() + "/Projects/map.csv";
        m_dialogs->thenChooseFile(csv);
        QTest::mouseClick(list->findChild<QPushButton*>(QStringLiteral("SaveCsv")), Qt::LeftButton);
        QCOMPARE(m_dialogs->fileRequests.back().directory, m_session->gstrProjectPath);
        QCOMPARE(readFileBytes(csv), gridCsv(ioGridTexts(*grid)));

        // A change closes it; one the user closed is not opened again by the next change.
        addModule("KD414");
        QVERIFY(!m_window->mapListWindow());
        click("Command14");
        QTest::keyClick(m_window->mapListWindow()->grid(), Qt::Key_Escape);
        QVERIFY(!m_window->mapListWindow() && !m_session->view.mapListOpen);
        clickCatalogue("KD414");
        QVERIFY(!m_window->mapListWindow());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
