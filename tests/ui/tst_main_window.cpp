#include <memory>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QtTest>

#include "app/main_window_ops.h"
#include "core/cluster.h"
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

// The sample station's settings file, reading its pictures and templates from the sample
// resource folder.
std::string sampleIni()
{
    std::string ini = readFileBytes(QUILLON_RESOURCES "/Quillon.ini").value_or("");
    const std::string empty = "[Resourcepath]\r\n\r\n";
    if (const auto at = ini.find(empty); at != std::string::npos) {
        ini.replace(at, empty.size(),
                    "[Resourcepath]\r\n" + std::string(QUILLON_RESOURCES) + "/Resources/\r\n");
    }
    return ini;
}

// Catalogue rows of the sample station used below.
constexpr int KD218 = 1;  // 1 DI byte
constexpr int KD414 = 4;  // 1 DO byte
constexpr int KA224 = 9;  // 8 AI bytes
constexpr int KM644 = 14; // 1 DI, 1 DO byte

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

    template <typename T> T* control(const char* name) const
    {
        return m_window->findChild<T*>(QLatin1String(name));
    }

    // The text a label, box or button shows.
    QString textOf(const char* name) const
    {
        auto* object = control<QObject>(name);
        if (!object)
            return QStringLiteral("<no control %1>").arg(QLatin1String(name));
        const QVariant plain = object->property("plainText");
        return (plain.isValid() ? plain : object->property("text")).toString();
    }

    QStringList texts(std::initializer_list<const char*> names) const
    {
        QStringList shownTexts;
        for (const char* name : names)
            shownTexts << textOf(name);
        return shownTexts;
    }

    // Every control named in the start-up fixture as "name|state|text": the state is on, off,
    // hidden or - (neither), with * when checked; line breaks in the text show as \\n.
    static QStringList startControls()
    {
        QStringList lines;
        for (const std::string& line : splitLines(
                 readFileBytes(QUILLON_TEST_DATA "/ui/start_controls.txt").value_or("missing")))
            lines << QString::fromStdString(line);
        return lines;
    }

    QStringList describeControls() const
    {
        QStringList lines;
        for (const QString& line : startControls()) {
            const QString name = line.section(QLatin1Char('|'), 0, 0);
            const QObject* object = m_window->findChild<QObject*>(name);
            const auto* widget = qobject_cast<const QWidget*>(object);
            const QVariant on = object ? object->property("enabled") : QVariant();
            const QString state = !object                        ? QStringLiteral("missing")
                                  : widget && widget->isHidden() ? QStringLiteral("hidden")
                                  : !on.isValid()                ? QStringLiteral("-")
                                  : on.toBool()                  ? QStringLiteral("on")
                                                                 : QStringLiteral("off");
            const bool ticked = object && object->property("checked").toBool();
            lines << name + '|' + state + (ticked ? "*|" : "|") +
                         textOf(name.toLatin1().constData()).replace('\n', QLatin1String("\\n"));
        }
        return lines;
    }

    // The used-bytes boxes: DI, DO, AI, AO.
    QStringList used() const { return texts({"Text15", "Text20", "Text21", "Text22"}); }

    // Works for menu entries (QAction) and widgets alike.
    bool enabled(const char* name) const
    {
        auto* object = control<QObject>(name);
        return object && object->property("enabled").toBool();
    }

    bool shown(const char* name) const { return !control<QWidget>(name)->isHidden(); }

    bool checked(const char* name) const { return control<QRadioButton>(name)->isChecked(); }

    // Clicks a button near its left edge, where an option button's circle and caption are, or
    // triggers a menu entry.
    void click(const char* name)
    {
        if (auto* action = control<QAction>(name)) {
            QVERIFY2(action->isEnabled(), name);
            action->trigger();
            return;
        }
        auto* b = control<QAbstractButton>(name);
        QVERIFY2(b, name);
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(qMin(8, b->width() / 2), b->height() / 2));
    }

    void clickCatalogue(int row)
    {
        auto* list = control<QListWidget>("List1");
        QListWidgetItem* item = list->item(row);
        QVERIFY(item);
        list->scrollToItem(item);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(item).center());
    }

    void clickSlot(int position) { QTest::mouseClick(picture(position), Qt::LeftButton); }

    PictureBox* picture(int position) const
    {
        return m_window->findChild<PictureBox*>(QStringLiteral("Image2_%1").arg(position));
    }

    // The picture file shown at each position ("" when empty).
    QStringList pictures() const
    {
        QStringList names;
        for (int i = 0; i < 8; ++i) {
            const PictureBox::Content content = picture(i)->content();
            const QString name = QFileInfo(picture(i)->picturePath()).fileName();
            names << (content == PictureBox::Content::Empty        ? QString()
                      : content == PictureBox::Content::Unreadable ? name + QStringLiteral("?")
                                                                   : name);
        }
        return names;
    }

    QString cell(int row, int column) const
    {
        return control<QTableWidget>("grid")->item(row, column)->text();
    }

    // The grid shows exactly what the session's view holds.
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

    // Starts the window and opens a new configuration for `protocol` ("Option1": DeviceNet,
    // "Option2": CANopen).
    void startNew(const char* protocol)
    {
        start();
        click(protocol);
        click("Command1");
    }

    void addModule(int row)
    {
        clickCatalogue(row);
        click("Command7");
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
        if (m_dialogs) {
            QVERIFY2(m_dialogs->unexpected.empty(),
                     m_dialogs->unexpected.empty() ? "" : m_dialogs->unexpected.front().c_str());
        }
    }

    void startUp_namesEveryControlAndShowsTextsPicturesStatesMenusAndClock()
    {
        start();
        QCOMPARE(m_window->objectName(), QStringLiteral("EDS"));
        // Every named control, its state and its text (the clock's labels are checked below).
        QCOMPARE(describeControls(), startControls());
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Quillon"));
        QVERIFY(!m_window->windowIcon().isNull());
        QCOMPARE(control<QListWidget>("List1")->count(), 17);
        QCOMPARE(control<QListWidget>("List1")->item(KD218)->text(),
                 QStringLiteral("KD218  8 DI 24 V DC"));
        QCOMPARE(pictures(), (QStringList{"HB612.wmf", "", "", "", "", "", "", ""}));
        QCOMPARE(control<PictureBox>("Image1_7")->content(), PictureBox::Content::Empty);
        QCOMPARE(cell(1, 1), QStringLiteral("HB612"));
        QCOMPARE(cell(9, 0), QStringLiteral("Diag"));
        QVERIFY(gridShowsView());

        const std::pair<const char*, Qt::Key> keys[] = {
            {"m_nproj", Qt::Key_F4},    {"m_LoPro", Qt::Key_F5}, {"m_SaPro", Qt::Key_F6},
            {"m_crsavEDS", Qt::Key_F7}, {"m_shEDS", Qt::Key_F8}, {"m_creMapList", Qt::Key_F9}};
        for (const auto& [name, key] : keys)
            QCOMPARE(control<QAction>(name)->shortcut(), QKeySequence(key));

        // The first tick of the one-second clock, however late a busy machine delivers it.
        QTRY_COMPARE_WITH_TIMEOUT(textOf("Label2"), QStringLiteral("Date: 2009-06-30"), 30000);
        QCOMPARE(textOf("Label1"), QStringLiteral("Time: 21:05:09"));
    }

    void startUp_paintsTheHeadingsAndTextsOnTheWindowColour()
    {
        start();
        const QColor window = fromColourRef(WindowBackColour);
        QStringList names = {"Text2",   "Text3",   "Text5",  "Text7",  "Text8_0",
                             "Text8_1", "Text9",   "Text10", "Text18", "Text24",
                             "Option1", "Option2", "Text11", "Text23", "Text26",
                             "Label1",  "Label2",  "Text27", "Text25", "EDS_client"};
        for (int i = 0; i < 8; ++i)
            names << QStringLiteral("Text28_%1").arg(i);
        for (const QString& name : names) {
            auto* widget = m_window->findChild<QWidget*>(name);
            QVERIFY2(widget, qPrintable(name));
            // The project box paints its text area; the others their background.
            const QPalette::ColorRole role =
                qobject_cast<QLineEdit*>(widget) ? QPalette::Base : widget->backgroundRole();
            QVERIFY2(widget->palette().color(role) == window, qPrintable(name));
        }
        // The hint box keeps its own colours.
        QCOMPARE(control<QWidget>("Text1")->palette().color(QPalette::Base),
                 fromColourRef(HintBackColour));
    }

    void beforeAConfiguration_clicksDoNothingAndAddsAreRefused()
    {
        start();
        clickCatalogue(KD218);
        clickSlot(2);
        QCOMPARE(control<PictureBox>("Image1_7")->content(), PictureBox::Content::Empty);
        QVERIFY(!enabled("Command7"));
        QVERIFY(!picture(2)->hasBorder());

        auto* grid = control<QTableWidget>("grid");
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualItemRect(grid->item(2, 2)).center());
        QVERIFY(textOf("Text1").startsWith(QStringLiteral("This table shows the mapping")));

        // A configuration opened before any protocol works with limits of 0.
        click("m_nproj");
        addModule(KD218);
        QCOMPARE(m_dialogs->notices, std::vector<std::string>{DigitalInputsExceededMessage});
        QCOMPARE(pictures()[1], QString());
        QCOMPARE(used()[0], QStringLiteral("2"));
    }

    void typicalRun_clickedThrough()
    {
        start();
        // CANopen: its limits, the parameter buttons and its grid headers.
        click("Option2");
        QVERIFY(checked("Option2") && !enabled("Option1"));
        QCOMPARE(control<QRadioButton>("Option2")->palette().color(QPalette::Button),
                 QColor(0, 255, 0));
        QVERIFY(shown("Command15") && shown("Command16"));
        QCOMPARE(textOf("Text13"), QStringLiteral("16"));
        QCOMPARE(cell(0, 2), QStringLiteral("TPDO/Byte dig"));

        click("Command1");
        QCOMPARE(textOf("Text9"), QStringLiteral("*** New Project ***"));
        QVERIFY(enabled("Command4") && enabled("Command9") && enabled("m_SaPro"));
        click("Option2"); // the chosen option clicked again changes nothing
        QVERIFY(checked("Option2") && enabled("Command4"));

        // Catalogue click previews the module.
        clickCatalogue(KD218);
        QCOMPARE(QFileInfo(control<PictureBox>("Image1_7")->picturePath()).fileName(),
                 QStringLiteral("KD218.wmf"));
        QVERIFY(enabled("Command7"));

        click("Command7");
        addModule(KD414);
        addModule(KA224);
        QCOMPARE(pictures(),
                 (QStringList{"HB612.wmf", "KD218.wmf", "KD414.wmf", "KA224.wmf", "", "", "", ""}));
        QCOMPARE(used(), (QStringList{"3", "2", "8", "0"}));
        QVERIFY(gridShowsView());
        QVERIFY(textOf("Text1").startsWith(QStringLiteral("-Add another one")));

        // Select position 2 and insert a KM644 before it.
        clickSlot(2);
        QVERIFY(picture(2)->hasBorder());
        QVERIFY(enabled("Command8") && enabled("Command11"));
        clickCatalogue(KM644);
        click("Command11");
        QCOMPARE(pictures(), (QStringList{"HB612.wmf", "KD218.wmf", "KM644.wmf", "KD414.wmf",
                                          "KA224.wmf", "", "", ""}));
        QVERIFY(!picture(2)->hasBorder());
        QVERIFY(!enabled("Command11") && !enabled("Command8"));
        QVERIFY(gridShowsView());

        // Clear position 3 (the KD414), then close the gap.
        clickSlot(3);
        click("Command8");
        QCOMPARE(pictures()[3], QString());
        QVERIFY(enabled("Command10"));
        click("Command10");
        QCOMPARE(pictures(),
                 (QStringList{"HB612.wmf", "KD218.wmf", "KM644.wmf", "KA224.wmf", "", "", "", ""}));
        QVERIFY(!enabled("Command10"));
        QVERIFY(gridShowsView());

        // The I/O list shows a copy of the grid until the cluster changes.
        click("Command14");
        MapListWindow* list = m_window->mapListWindow();
        QVERIFY(list && list->isVisible());
        QCOMPARE(list->objectName() + '|' + list->grid()->objectName() + '|' + list->windowTitle(),
                 QStringLiteral("EDS_MapList|grid2|I/O-Map List for Use in SYCON"));
        QCOMPARE(ioGridTexts(*list->grid()), ioGridTexts(*control<QTableWidget>("grid")));

        // A second click opens a fresh window in its place.
        QPointer<MapListWindow> first = list;
        click("Command14");
        QVERIFY(m_window->mapListWindow() && m_window->mapListWindow() != first);
        QTRY_VERIFY_WITH_TIMEOUT(first.isNull(), 30000);

        addModule(KD218);
        QVERIFY(!m_window->mapListWindow());
        QCOMPARE(pictures()[4], QStringLiteral("KD218.wmf"));

        // A list the user closed is not reopened by the next render.
        click("Command14");
        m_window->mapListWindow()->close();
        QVERIFY(!m_session->view.mapListOpen && !m_window->mapListWindow());
        clickCatalogue(KD414);
        QVERIFY(!m_window->mapListWindow());

        click("Command6");
        QCOMPARE(pictures(), (QStringList{"HB612.wmf", "", "", "", "", "", "", ""}));
        QCOMPARE(used(), (QStringList{"2", "1", "0", "0"}));
        QVERIFY(!enabled("Command6"));
        QVERIFY(m_dialogs->notices.empty());
    }

    void fileCommands_openTheirDialogs()
    {
        startNew("Option2");
        const std::tuple<const char*, const char*, const char*> commands[] = {
            {"Command4", "save", "Save Actual Configuration"},
            {"m_SaPro", "save", "Save Actual Configuration"},
            {"Command3", "open", "Load An Existing Configuration"},
            {"m_LoPro", "open", "Load An Existing Configuration"},
            {"Command9", "save", "Create EDS and Save"},
            {"m_crsavEDS", "save", "Create EDS and Save"},
            {"Command16", "open", "Load An Existing EDS - File"}};
        for (const auto& [name, kind, title] : commands) {
            m_dialogs->thenCancelFile();
            click(name);
            QVERIFY2(m_dialogs->done(), name);
            QCOMPARE(m_dialogs->fileDialogKinds.back(), std::string(kind));
            QCOMPARE(m_dialogs->fileRequests.back().title, std::string(title));
        }
        QCOMPARE(m_dialogs->fileRequests.size(), std::size(commands));
    }

    void reset_noKeepsAll_yesStartsAfreshWithNewSettings_brokenSettingsEndTheProgram()
    {
        startNew("Option2");
        addModule(KD218);
        click("Command14");
        m_dialogs->thenAnswer(false);
        click("Command17");
        QCOMPARE(textOf("Text9"), QStringLiteral("*** New Project ***"));
        QCOMPARE(pictures()[1], QStringLiteral("KD218.wmf"));
        QVERIFY(checked("Option2"));
        QVERIFY(m_window->mapListWindow());

        // The catalogue grows by one module before the reset.
        std::string ini = sampleIni();
        ini.insert(ini.find("[ModulInfo]"), "KX001  test module\r\n");
        ini.insert(ini.find("[End]"), "\"KD214.wmf\",1,0,0,0,\"OVN_KD214.eds\",2\r\n");
        m_station->writeIni(ini);

        m_dialogs->thenAnswer(true).thenAnswer(false); // reset yes, save no
        click("Command17");
        QCOMPARE(m_dialogs->questions,
                 (std::vector<std::string>{"Do you really want to reset Quillon?",
                                           "Do you really want to reset Quillon?",
                                           "Do you want to save module configuration?"}));
        QStringList fresh = startControls(); // but the limit boxes keep CANopen's limits
        for (const char* limit : {"Text13|on|16", "Text16|on|16", "Text17|on|32", "Text19|on|32"})
            fresh.replaceInStrings(QString(limit).section('|', 0, 1) + "|0", limit);
        QCOMPARE(describeControls(), fresh);
        auto* catalogue = control<QListWidget>("List1");
        QCOMPARE(catalogue->count(), 18);
        QCOMPARE(catalogue->item(17)->text(), QStringLiteral("KX001  test module"));
        QVERIFY(catalogue->selectedItems().isEmpty());
        QCOMPARE(pictures(), (QStringList{"HB612.wmf", "", "", "", "", "", "", ""}));
        QVERIFY(!m_window->mapListWindow() && m_window->isVisible());

        // A reset that finds the settings broken ends the program.
        QSignalSpy ended(m_window.get(), &MainWindow::programEnded);
        m_station->writeIni("[Modules]\r\nKD214\r\n"); // ends before its records
        m_dialogs->thenAnswer(true).thenAnswer(false); // the change survives the reset: save, no
        click("Command17");
        QCOMPARE(ended.count(), 1);
        QCOMPARE(ended.front().front().toInt(), 1);
        QCOMPARE(m_dialogs->notices, std::vector<std::string>{StartupFailedMessage});
        QCOMPARE(m_dialogs->questions.back(), std::string(SaveQuestion));
        QVERIFY(!m_window->isVisible());
    }

    void brokenSettings_showMessageAndOpenNoWindow()
    {
        m_station->writeIni("[MaxDIDOAIAO]\r\n32,32,99999,64\r\n");
        m_window = startMainWindow(*m_session, *m_dialogs, *m_system);
        QVERIFY(!m_window);
        QCOMPARE(m_dialogs->notices, std::vector<std::string>{StartupFailedMessage});
        QVERIFY(!m_dialogs->details.front().empty());
        for (QWidget* top : QApplication::topLevelWidgets())
            QVERIFY(!top->isVisible());
    }

    void exitOrCloseBox_askToSaveOnlyAChangedConfiguration_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("changed");
        QTest::newRow("Exit button, nothing changed") << QStringLiteral("Command12") << false;
        QTest::newRow("Exit menu, changed") << QStringLiteral("m_exit") << true;
        QTest::newRow("close box, changed") << QStringLiteral("close") << true;
    }

    void exitOrCloseBox_askToSaveOnlyAChangedConfiguration()
    {
        QFETCH(QString, how);
        QFETCH(bool, changed);
        changed ? startNew("Option1") : start();
        QSignalSpy ended(m_window.get(), &MainWindow::programEnded);
        if (changed)
            m_dialogs->thenAnswer(false);
        if (how == QLatin1String("close")) {
            QVERIFY(m_window->close());
        } else {
            click(how.toLatin1().constData());
            QCOMPARE(ended.count(), 1);
            QCOMPARE(ended.front().front().toInt(), 0);
            m_window->close(); // the window going away does not ask again
        }
        QCOMPARE(m_dialogs->questions,
                 changed ? std::vector<std::string>{SaveQuestion} : std::vector<std::string>{});
        QVERIFY(!m_window->isVisible());
    }

    void menuOnlyCommands_aboutBoxAndExport()
    {
        start();
        QString shownText;
        {
            test::ModalWatcher watcher([&shownText](QWidget* modal) {
                if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                    shownText = box->objectName() + QLatin1Char('|') + box->text();
                    box->button(QMessageBox::Ok)->click();
                } else {
                    qobject_cast<QDialog*>(modal)->reject();
                }
            });
            click("m_About");
        }
        QVERIFY(shownText.startsWith(QStringLiteral("AboutBox|Quillon\nVersion 1.1.0.4")));

        // Export from the menu disables itself whatever the outcome.
        m_session->view.enable("m_creMapList", true);
        m_window->render();
        click("m_creMapList");
        QCOMPARE(m_dialogs->notices, std::vector<std::string>{NoValidEdsMessage});
        QVERIFY(!enabled("m_creMapList"));
    }

    void generateThenEditParameters_opensAndDiscardsTheEditor()
    {
        startNew("Option2");
        addModule(KD218);
        addModule(KA224);
        const std::string eds = m_station->dir() + "/EDSFiles/CO_station.eds";
        m_dialogs->thenChooseFile(eds);
        click("Command9");
        QCOMPARE(textOf("Text9"), QString::fromStdString(eds));
        QVERIFY(enabled("Command5") && enabled("Command15") && enabled("m_creMapList"));
        QVERIFY(!m_dialogs->progress.empty()); // the bar was driven while generating
        QVERIFY(!shown("ProgressBar1"));       // and hidden at the end

        click("Command5");
        QCOMPARE(m_system->opened, std::vector<std::string>{eds});

        QVERIFY(!m_window->editorWindow());
        click("Command15");
        QWidget* editor = m_window->editorWindow();
        QVERIFY(editor && editor->isVisible());
        QCOMPARE(editor->objectName(), QStringLiteral("frmDynam"));

        click("Command1"); // a new configuration discards it
        QVERIFY(!m_window->editorWindow());
    }

    void title_namesTheProjectFileAndMarksAChangedConfiguration()
    {
        start();
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Quillon"));
        click("Option2");
        click("Command1");
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Quillon - Untitled*"));
        const std::string project = m_station->dir() + "/Projects/CO_station.edp";
        m_dialogs->thenChooseFile(project);
        click("Command4");
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Quillon - CO_station.edp"));
        m_dialogs->thenChooseFile(project);
        click("Command3"); // a loaded configuration counts as changed
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Quillon - CO_station.edp*"));
    }

    void openFile_loadsAProjectWithoutItsDialogAndReportsOneItCannot()
    {
        start();
        QDir::setCurrent(QString::fromStdString(m_station->dir()));
        QVERIFY(QFile::copy(QStringLiteral(QUILLON_RESOURCES "/Projects/K310_Sample_Station.edp"),
                            QStringLiteral("Projects/sample.edp")));
        QVERIFY(m_window->openFile(QStringLiteral("Projects/sample.edp")));
        QVERIFY(m_dialogs->fileRequests.empty());
        QCOMPARE(pictures(), (QStringList{"HB612.wmf", "KD236.wmf", "KD418.wmf", "KA224.wmf",
                                          "KA424.wmf", "KM688.wmf", "", ""}));
        // The project box shows the full path, as after the dialog.
        const QString full = QDir::toNativeSeparators(
            QDir::current().absoluteFilePath(QStringLiteral("Projects/sample.edp")));
        QCOMPARE(textOf("Text9"), full);
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Quillon - sample.edp*"));

        QVERIFY(!m_window->openFile(QStringLiteral("Projects/gone.edp")));
        QCOMPARE(m_dialogs->notices,
                 std::vector<std::string>{std::string(ProjectFileBrokenMessage) +
                                          toPathBytes(QDir::current().absoluteFilePath(
                                              QStringLiteral("Projects/gone.edp")))});
        QCOMPARE(pictures()[1], QStringLiteral("KD236.wmf"));
    }

    void recentProjects_lastFiveThatStillExist_openWithoutTheDialog()
    {
        startNew("Option2");
        const auto project = [this](char name) {
            return m_station->dir() + "/Projects/" + name + ".edp";
        };
        for (const char name : {'a', 'b', 'c', 'd', 'e', 'f'}) {
            m_dialogs->thenChooseFile(project(name));
            click("Command4");
        }
        auto* file = control<QMenu>("m_file");
        const auto offered = [this, file] {
            Q_EMIT file->aboutToShow();
            QStringList shown;
            for (int i = 0; i < 5; ++i) {
                auto* action = control<QAction>(qPrintable(QStringLiteral("m_recent%1").arg(i)));
                if (action->isVisible())
                    shown << action->text();
            }
            return shown;
        };
        const auto entry = [&project](int number, char name) {
            return QStringLiteral("&%1 ").arg(number) +
                   QDir::toNativeSeparators(QString::fromStdString(project(name)));
        };
        QCOMPARE(offered(), (QStringList{entry(1, 'f'), entry(2, 'e'), entry(3, 'd'), entry(4, 'c'),
                                         entry(5, 'b')}));
        QVERIFY(QFile::remove(QString::fromStdString(project('e'))));
        QCOMPARE(offered(),
                 (QStringList{entry(1, 'f'), entry(2, 'd'), entry(3, 'c'), entry(4, 'b')}));

        const std::size_t dialogs = m_dialogs->fileRequests.size();
        click("m_recent2"); // c.edp
        QCOMPARE(m_dialogs->fileRequests.size(), dialogs);
        QCOMPARE(textOf("Text9"), QDir::toNativeSeparators(QString::fromStdString(project('c'))));
        QCOMPARE(offered().front(), entry(1, 'c'));
        QCOMPARE(storedRecentProjects().size(), 5);
    }

    void catalogue_enterOrDoubleClickAddsTheEntry()
    {
        startNew("Option2");
        auto* list = control<QListWidget>("List1");
        // A double click as the mouse makes it: press, release, double click, release.
        const QPoint at = list->visualItemRect(list->item(KD218)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(pictures()[1], QStringLiteral("KD218.wmf"));
        QCOMPARE(pictures()[2], QString()); // added once
        list->setCurrentRow(KD414);
        QTest::keyClick(list, Qt::Key_Return);
        QTest::keyClick(list, Qt::Key_Enter);
        QCOMPARE(pictures(),
                 (QStringList{"HB612.wmf", "KD218.wmf", "KD414.wmf", "KD414.wmf", "", "", "", ""}));
        QCOMPARE(used(), (QStringList{"3", "3", "0", "0"}));
        QVERIFY(m_dialogs->notices.empty());
    }

    void mapList_copiesSelectedCellsSavesCsvAndClosesOnEscape()
    {
        startNew("Option2");
        addModule(KD218);
        click("Command14");
        MapListWindow* list = m_window->mapListWindow();
        QVERIFY(list);
        QTableWidget* grid = list->grid();
        grid->setRangeSelected(QTableWidgetSelectionRange(1, 1, 2, 2), true);
        QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("HB612\t1/1-2\nKD218\t1/3\n"));
        QCOMPARE(list->findChild<QAction*>(QStringLiteral("CopyCells"))->shortcut(),
                 QKeySequence(QKeySequence::Copy));

        const std::string csv = m_station->dir() + "/Projects/map.csv";
        m_dialogs->thenChooseFile(csv);
        QTest::mouseClick(list->findChild<QPushButton*>(QStringLiteral("SaveCsv")), Qt::LeftButton);
        QVERIFY(m_dialogs->done());
        QCOMPARE(m_dialogs->fileRequests.back().directory, m_session->gstrProjectPath);
        QCOMPARE(readFileBytes(csv), gridCsv(ioGridTexts(*grid)));
        QVERIFY(readFileBytes(csv)->find("\r\n2,KD218,1/3,,,\r\n") != std::string::npos);

        QTest::keyClick(grid, Qt::Key_Escape);
        QVERIFY(!m_window->mapListWindow());
        QVERIFY(!m_session->view.mapListOpen);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
