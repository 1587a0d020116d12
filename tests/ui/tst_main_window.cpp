#include <fstream>
#include <functional>
#include <memory>
#include <sstream>

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

#include "app/main_window_ops.h"
#include "core/cluster.h"
#include "core/session.h"
#include "core/startup.h"
#include "core/system.h"
#include "iomap/eds_export.h"
#include "params/editor_commands.h"
#include "tests/fakes/scripted_dialogs.h"
#include "tests/fakes/temp_station.h"
#include "ui/io_grid_table.h"
#include "ui/main_window.h"
#include "ui/map_list_window.h"
#include "ui/picture_box.h"

using namespace quillon;

namespace {

// Records what the window asks of the operating system; there is no registry.
class RecordingSystem : public System
{
public:
    std::string readRegistryString(const std::string& fullValuePath) override
    {
        registryReads.push_back(fullValuePath);
        return {};
    }
    void openInTextEditor(const std::string& parameters, const std::string&) override
    {
        opened.push_back(parameters);
    }
    std::vector<std::string> registryReads;
    std::vector<std::string> opened;
};

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The sample station's settings file, reading its pictures and templates from the sample
// resource folder.
std::string sampleIni()
{
    std::string ini = readFile(QUILLON_RESOURCES "/Quillon.ini");
    const std::string empty = "[Resourcepath]\r\n\r\n";
    const auto at = ini.find(empty);
    if (at != std::string::npos) {
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

    // The text a control shows, whatever kind of widget it is.
    QString textOf(const char* name) const
    {
        QObject* object = m_window->findChild<QObject*>(QLatin1String(name));
        if (auto* label = qobject_cast<QLabel*>(object)) {
            return label->text();
        }
        if (auto* line = qobject_cast<QLineEdit*>(object)) {
            return line->text();
        }
        if (auto* box = qobject_cast<QPlainTextEdit*>(object)) {
            return box->toPlainText();
        }
        if (auto* b = qobject_cast<QAbstractButton*>(object)) {
            return b->text();
        }
        return QStringLiteral("<no control %1>").arg(QLatin1String(name));
    }

    bool enabled(const char* name) const
    {
        QObject* object = m_window->findChild<QObject*>(QLatin1String(name));
        if (auto* action = qobject_cast<QAction*>(object)) {
            return action->isEnabled();
        }
        auto* widget = qobject_cast<QWidget*>(object);
        return widget && widget->isEnabled();
    }

    bool shown(const char* name) const
    {
        auto* widget = control<QWidget>(name);
        return widget && !widget->isHidden();
    }

    // Clicks a button near its left edge, where an option button's circle and caption are.
    void click(const char* name)
    {
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

    QString pictureName(int position) const
    {
        return QFileInfo(picture(position)->picturePath()).fileName();
    }

    QString cell(int row, int column) const
    {
        return control<QTableWidget>("grid")->item(row, column)->text();
    }

    void start()
    {
        m_window = startMainWindow(*m_session, *m_dialogs, *m_system);
        QVERIFY(m_window);
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    void addModule(int row)
    {
        clickCatalogue(row);
        click("Command7");
    }

    void writeIni(const std::string& ini) { m_station->writeIni(ini); }

private Q_SLOTS:
    void init()
    {
        m_station = std::make_unique<test::TempStation>();
        writeIni(sampleIni());
        m_session = std::make_unique<Session>(m_station->session());
        m_dialogs = std::make_unique<test::ScriptedDialogs>();
        m_system = std::make_unique<RecordingSystem>();
    }

    void cleanup()
    {
        m_window.reset();
        QApplication::processEvents(); // deferred deletes of the other windows
        if (m_dialogs) {
            QVERIFY2(m_dialogs->unexpected.empty(),
                     m_dialogs->unexpected.empty() ? "" : m_dialogs->unexpected.front().c_str());
        }
    }

    void everyNamedControl_exists()
    {
        start();
        QStringList missing;
        QStringList names = {"EDS",    "Text1",        "Text3",   "Image4",  "Text4",   "List1",
                             "Text7",  "Image1_7",     "Text8_0", "Option1", "Option2", "Text8_1",
                             "Text18", "Text23",       "Text11",  "Text25",  "Text26",  "Text27",
                             "Text12", "Text14",       "Text13",  "Text16",  "Text17",  "Text19",
                             "Text15", "Text20",       "Text21",  "Text22",  "Text2",   "grid",
                             "Text5",  "Text24",       "Text10",  "Text9",   "Label1",  "Label2",
                             "Timer1", "ProgressBar1", "m_file",  "m_proj"};
        for (int i = 1; i <= 17; ++i) {
            names << QStringLiteral("Command%1").arg(i);
        }
        for (int i = 0; i < 8; ++i) {
            names << QStringLiteral("Image2_%1").arg(i) << QStringLiteral("Text28_%1").arg(i);
        }
        for (const char* action : {"m_nproj", "m_LoPro", "m_SaPro", "m_exit", "m_crsavEDS",
                                   "m_shEDS", "m_creMapList", "m_About"}) {
            names << QLatin1String(action);
        }
        for (const QString& name : names) {
            if (name != QLatin1String("EDS") && !m_window->findChild<QObject*>(name)) {
                missing << name;
            }
        }
        QCOMPARE(missing, QStringList());
        QCOMPARE(m_window->objectName(), QStringLiteral("EDS"));
    }

    void startUp_showsTextsPicturesAndControlStates()
    {
        start();
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Quillon"));
        QVERIFY(!m_window->windowIcon().isNull());
        QCOMPARE(textOf("Text9"), QStringLiteral("none"));
        QVERIFY(textOf("Text1").startsWith(QStringLiteral("Welcome to Quillon !\n-Select")));
        QVERIFY(textOf("Text3").contains(QStringLiteral("Version 1.1.0.4")));
        QCOMPARE(textOf("Text12"), QStringLiteral("Max"));
        QCOMPARE(textOf("Text14"), QStringLiteral("Used"));
        const QStringList used = {textOf("Text15"), textOf("Text20"), textOf("Text21"),
                                  textOf("Text22")};
        QCOMPARE(used, (QStringList{"2", "1", "0", "0"}));
        QCOMPARE(textOf("Text13"), QStringLiteral("0"));
        QCOMPARE(textOf("Text28_7"), QStringLiteral("SLOT:    1"));
        QCOMPARE(textOf("Text28_0"), QStringLiteral("2"));
        QCOMPARE(textOf("Text28_6"), QStringLiteral("8"));
        QCOMPARE(textOf("Command8"), QStringLiteral("Clear selected "));
        QCOMPARE(textOf("Command15"), QStringLiteral("Set  Module Parameters"));
        QCOMPARE(textOf("Label2"), QStringLiteral("Date:"));

        QCOMPARE(control<QListWidget>("List1")->count(), 17);
        QCOMPARE(control<QListWidget>("List1")->item(KD218)->text(),
                 QStringLiteral("KD218  8 DI 24 V DC"));
        QCOMPARE(picture(0)->content(), PictureBox::Content::Picture);
        QCOMPARE(pictureName(0), QStringLiteral("HB612.wmf"));
        QCOMPARE(picture(1)->content(), PictureBox::Content::Empty);
        QCOMPARE(control<PictureBox>("Image1_7")->content(), PictureBox::Content::Empty);
        QCOMPARE(cell(1, 1), QStringLiteral("HB612"));
        QCOMPARE(cell(9, 0), QStringLiteral("Diag"));
        QCOMPARE(ioGridTexts(*control<QTableWidget>("grid")), m_session->view.grid);

        for (const char* on : {"Option1", "Option2", "List1", "Command12", "Command14", "Command17",
                               "m_nproj", "m_LoPro", "m_exit", "m_About", "Image2_3"}) {
            QVERIFY2(enabled(on), on);
        }
        for (const char* off : {"Command1", "Command2", "Command3", "Command4", "Command5",
                                "Command6", "Command7", "Command8", "Command9", "Command10",
                                "Command11", "m_SaPro", "m_crsavEDS", "m_shEDS", "m_creMapList"}) {
            QVERIFY2(!enabled(off), off);
        }
        for (const char* hidden : {"Command13", "Command15", "Command16", "ProgressBar1"}) {
            QVERIFY2(!shown(hidden), hidden);
        }
        QVERIFY(!control<QRadioButton>("Option1")->isChecked());
        QVERIFY(!control<QRadioButton>("Option2")->isChecked());
    }

    void lookAndMenus_followTheWindowsDesign()
    {
        start();
        QCOMPARE(m_window->centralWidget()->palette().color(QPalette::Window),
                 QColor(233, 230, 207));
        const QPalette hint = control<QPlainTextEdit>("Text1")->palette();
        QCOMPARE(hint.color(QPalette::Base), QColor(255, 255, 192));
        QCOMPARE(hint.color(QPalette::Text), QColor(192, 0, 0));
        const std::pair<const char*, Qt::Key> keys[] = {
            {"m_nproj", Qt::Key_F4},    {"m_LoPro", Qt::Key_F5}, {"m_SaPro", Qt::Key_F6},
            {"m_crsavEDS", Qt::Key_F7}, {"m_shEDS", Qt::Key_F8}, {"m_creMapList", Qt::Key_F9}};
        for (const auto& [name, key] : keys) {
            QCOMPARE(control<QAction>(name)->shortcut(), QKeySequence(key));
        }
        QCOMPARE(control<QAction>("m_nproj")->text(), QStringLiteral("&New Configuration"));
        QCOMPARE(control<QAction>("m_creMapList")->text(), QStringLiteral("Export EDS-File"));
    }

    void clock_showsDateAndTimeAfterATick()
    {
        start();
        QTRY_COMPARE_WITH_TIMEOUT(textOf("Label2"), QStringLiteral("Date: 2009-06-30"), 2500);
        QCOMPARE(textOf("Label1"), QStringLiteral("Time: 21:05:09"));
    }

    void clicksBeforeAConfiguration_doNothing()
    {
        start();
        clickCatalogue(KD218);
        clickSlot(2);
        QCOMPARE(control<PictureBox>("Image1_7")->content(), PictureBox::Content::Empty);
        QVERIFY(!enabled("Command7"));
        QVERIFY(!picture(2)->hasBorder());
    }

    void typicalRun_clickedThrough()
    {
        start();
        // CANopen: its limits, the parameter buttons and its grid headers.
        click("Option2");
        QVERIFY(control<QRadioButton>("Option2")->isChecked());
        QVERIFY(!enabled("Option1"));
        QCOMPARE(control<QRadioButton>("Option2")->palette().color(QPalette::Button),
                 QColor(0, 255, 0));
        QVERIFY(shown("Command15") && shown("Command16"));
        QCOMPARE(textOf("Text13"), QStringLiteral("16"));
        QCOMPARE(cell(0, 2), QStringLiteral("TPDO/Byte dig"));

        click("Command1");
        QCOMPARE(textOf("Text9"), QStringLiteral("*** New Project ***"));
        QVERIFY(enabled("Command4") && enabled("Command9") && enabled("m_SaPro"));

        // Catalogue click previews the module.
        clickCatalogue(KD218);
        QCOMPARE(QFileInfo(control<PictureBox>("Image1_7")->picturePath()).fileName(),
                 QStringLiteral("KD218.wmf"));
        QCOMPARE(control<PictureBox>("Image1_7")->content(), PictureBox::Content::Picture);
        QVERIFY(enabled("Command7"));

        click("Command7");
        addModule(KD414);
        addModule(KA224);
        QCOMPARE(pictureName(1), QStringLiteral("KD218.wmf"));
        QCOMPARE(pictureName(2), QStringLiteral("KD414.wmf"));
        QCOMPARE(pictureName(3), QStringLiteral("KA224.wmf"));
        QCOMPARE(picture(4)->content(), PictureBox::Content::Empty);
        QStringList used = {textOf("Text15"), textOf("Text20"), textOf("Text21"), textOf("Text22")};
        QCOMPARE(used, (QStringList{"3", "2", "8", "0"}));
        QCOMPARE(cell(2, 1), QStringLiteral("KD218"));
        QCOMPARE(cell(2, 2), QStringLiteral("1/3"));
        QCOMPARE(cell(3, 3), QStringLiteral("1/2"));
        QCOMPARE(cell(4, 4), QStringLiteral("3/1 - 3/8"));
        QCOMPARE(ioGridTexts(*control<QTableWidget>("grid")), m_session->view.grid);
        QVERIFY(textOf("Text1").startsWith(QStringLiteral("-Add another one")));

        // Select position 2 and insert a KM644 before it.
        clickSlot(2);
        QVERIFY(picture(2)->hasBorder());
        QVERIFY(enabled("Command8") && enabled("Command11"));
        clickCatalogue(KM644);
        click("Command11");
        QCOMPARE(pictureName(2), QStringLiteral("KM644.wmf"));
        QCOMPARE(pictureName(3), QStringLiteral("KD414.wmf"));
        QCOMPARE(pictureName(4), QStringLiteral("KA224.wmf"));
        QVERIFY(!picture(2)->hasBorder());
        QVERIFY(!enabled("Command11") && !enabled("Command8"));
        QCOMPARE(textOf("Text15"), QStringLiteral("4"));
        QCOMPARE(cell(3, 1), QStringLiteral("KM644"));

        // Clear position 3 (the KD414), then close the gap.
        clickSlot(3);
        click("Command8");
        QCOMPARE(picture(3)->content(), PictureBox::Content::Empty);
        QCOMPARE(textOf("Text20"), QStringLiteral("2"));
        QVERIFY(enabled("Command10"));
        click("Command10");
        QCOMPARE(pictureName(3), QStringLiteral("KA224.wmf"));
        QCOMPARE(picture(4)->content(), PictureBox::Content::Empty);
        QVERIFY(!enabled("Command10"));
        QCOMPARE(cell(4, 1), QStringLiteral("KA224"));
        QCOMPARE(ioGridTexts(*control<QTableWidget>("grid")), m_session->view.grid);

        // The I/O list shows a copy of the grid until the cluster changes.
        click("Command14");
        MapListWindow* list = m_window->mapListWindow();
        QVERIFY(list);
        QVERIFY(list->isVisible());
        QCOMPARE(list->objectName(), QStringLiteral("EDS_MapList"));
        QCOMPARE(list->windowTitle(), QStringLiteral("I/O-Map List for Use in SYCON"));
        QCOMPARE(list->grid()->objectName(), QStringLiteral("grid2"));
        QCOMPARE(ioGridTexts(*list->grid()), m_session->view.mapList);
        QCOMPARE(list->grid()->item(4, 1)->text(), QStringLiteral("KA224"));
        QCOMPARE(list->grid()->item(0, 4)->text(), QStringLiteral("TPDO/Byte ana"));

        // A second click opens a fresh window in its place.
        QPointer<MapListWindow> first = list;
        click("Command14");
        QVERIFY(m_window->mapListWindow() && m_window->mapListWindow() != first);
        QTRY_VERIFY(first.isNull());

        addModule(KD218);
        QVERIFY(!m_window->mapListWindow());
        QCOMPARE(pictureName(4), QStringLiteral("KD218.wmf"));

        click("Command6");
        for (int i = 1; i < 8; ++i) {
            QCOMPARE(picture(i)->content(), PictureBox::Content::Empty);
        }
        QCOMPARE(picture(0)->content(), PictureBox::Content::Picture);
        QCOMPARE(textOf("Text15"), QStringLiteral("2"));
        QVERIFY(!enabled("Command6"));

        QVERIFY(m_dialogs->notices.empty());
    }

    void fileCommands_openTheirDialogs_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("title");
        QTest::newRow("Command4") << "Command4"
                                  << "save"
                                  << "Save Actual Configuration";
        QTest::newRow("m_SaPro") << "m_SaPro"
                                 << "save"
                                 << "Save Actual Configuration";
        QTest::newRow("Command3") << "Command3"
                                  << "open"
                                  << "Load An Existing Configuration";
        QTest::newRow("m_LoPro") << "m_LoPro"
                                 << "open"
                                 << "Load An Existing Configuration";
        QTest::newRow("Command9") << "Command9"
                                  << "save"
                                  << "Create EDS and Save";
        QTest::newRow("m_crsavEDS") << "m_crsavEDS"
                                    << "save"
                                    << "Create EDS and Save";
        QTest::newRow("Command16") << "Command16"
                                   << "open"
                                   << "Load An Existing EDS - File";
    }

    void fileCommands_openTheirDialogs()
    {
        QFETCH(QString, control);
        QFETCH(QString, kind);
        QFETCH(QString, title);
        start();
        click("Option2");
        click("Command1");
        m_dialogs->thenCancelFile();
        const QByteArray name = control.toLatin1();
        if (auto* action = this->control<QAction>(name.constData())) {
            QVERIFY(action->isEnabled());
            action->trigger();
        } else {
            click(name.constData());
        }
        QCOMPARE(m_dialogs->fileDialogKinds, std::vector<std::string>{kind.toStdString()});
        QCOMPARE(QString::fromStdString(m_dialogs->fileRequests.front().title), title);
        QVERIFY(m_dialogs->done());
    }

    void mapListClosedByUser_isNotReopenedByRender()
    {
        start();
        click("Command14");
        QVERIFY(m_window->mapListWindow());
        m_window->mapListWindow()->close();
        QVERIFY(!m_session->view.mapListOpen);
        QVERIFY(!m_window->mapListWindow());
        click("Option1"); // any operation renders again
        QVERIFY(!m_window->mapListWindow());
    }

    void refusedAdd_showsNoticeAndKeepsCluster()
    {
        start();
        // A configuration opened before any protocol works with limits of 0.
        control<QAction>("m_nproj")->trigger();
        addModule(KD218);
        QCOMPARE(m_dialogs->notices, std::vector<std::string>{DigitalInputsExceededMessage});
        QCOMPARE(picture(1)->content(), PictureBox::Content::Empty);
        QCOMPARE(textOf("Text15"), QStringLiteral("2"));
    }

    void chosenOptionClickedAgain_changesNothing()
    {
        start();
        click("Option1");
        click("Command1");
        QVERIFY(enabled("Command4"));
        click("Option1");
        QVERIFY(control<QRadioButton>("Option1")->isChecked());
        QVERIFY(enabled("Command4"));
        QVERIFY(!enabled("Option2"));
        QCOMPARE(cell(0, 2), QStringLiteral("InByNo dig."));
    }

    void gridClick_explainsTheTable()
    {
        start();
        auto* grid = control<QTableWidget>("grid");
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualItemRect(grid->item(2, 2)).center());
        QVERIFY(textOf("Text1").startsWith(QStringLiteral("This table shows the mapping")));
    }

    void resetAnsweredNo_changesNothing()
    {
        start();
        click("Option2");
        click("Command1");
        addModule(KD218);
        m_dialogs->thenAnswer(false);
        click("Command17");
        QCOMPARE(m_dialogs->questions,
                 std::vector<std::string>{"Do you really want to reset Quillon?"});
        QCOMPARE(textOf("Text9"), QStringLiteral("*** New Project ***"));
        QCOMPARE(pictureName(1), QStringLiteral("KD218.wmf"));
        QVERIFY(control<QRadioButton>("Option2")->isChecked());
    }

    void resetAnsweredYes_startsAfreshWithTheNewSettings()
    {
        start();
        click("Option2");
        click("Command1");
        addModule(KD218);
        click("Command14");
        QVERIFY(m_window->mapListWindow());

        // The catalogue grows by one module before the reset.
        std::string ini = sampleIni();
        const auto modulesEnd = ini.find("[ModulInfo]");
        ini.insert(modulesEnd, "KX001  test module\r\n");
        ini.insert(ini.find("[End]"), "\"KD214.wmf\",1,0,0,0,\"OVN_KD214.eds\",2\r\n");
        writeIni(ini);

        m_dialogs->thenAnswer(true).thenAnswer(false); // reset yes, save no
        click("Command17");
        QCOMPARE(m_dialogs->questions,
                 (std::vector<std::string>{"Do you really want to reset Quillon?",
                                           "Do you want to save module configuration?"}));
        QCOMPARE(textOf("Text9"), QStringLiteral("none"));
        QCOMPARE(control<QListWidget>("List1")->count(), 18);
        QCOMPARE(control<QListWidget>("List1")->item(17)->text(),
                 QStringLiteral("KX001  test module"));
        QVERIFY(control<QListWidget>("List1")->selectedItems().isEmpty());
        QCOMPARE(picture(0)->content(), PictureBox::Content::Picture);
        QCOMPARE(picture(1)->content(), PictureBox::Content::Empty);
        QVERIFY(!control<QRadioButton>("Option1")->isChecked());
        QVERIFY(!control<QRadioButton>("Option2")->isChecked());
        QVERIFY(enabled("Option1") && enabled("Option2"));
        QVERIFY(!enabled("Command1") && !enabled("Command7"));
        QVERIFY(!shown("Command15"));
        QVERIFY(!m_window->mapListWindow());
        QVERIFY(textOf("Text1").startsWith(QStringLiteral("Welcome to Quillon !")));
        QVERIFY(m_window->isVisible());
    }

    void resetWithBrokenSettings_endsTheProgram()
    {
        start();
        QSignalSpy ended(m_window.get(), &MainWindow::programEnded);
        writeIni("[Modules]\r\nKD214\r\n"); // ends before its records
        m_dialogs->thenAnswer(true);
        click("Command17");
        QCOMPARE(ended.count(), 1);
        QCOMPARE(ended.front().front().toInt(), 1);
        QCOMPARE(m_dialogs->notices, std::vector<std::string>{StartupFailedMessage});
        QVERIFY(!m_window->isVisible());
    }

    void brokenSettings_showMessageAndOpenNoWindow()
    {
        writeIni("[MaxDIDOAIAO]\r\n32,32,99999,64\r\n");
        m_window = startMainWindow(*m_session, *m_dialogs, *m_system);
        QVERIFY(!m_window);
        QCOMPARE(m_dialogs->notices, std::vector<std::string>{StartupFailedMessage});
        QVERIFY(!m_dialogs->details.front().empty());
        for (QWidget* top : QApplication::topLevelWidgets()) {
            QVERIFY(!top->isVisible());
        }
    }

    void exit_endsWithoutQuestionWhenNothingChanged()
    {
        start();
        QSignalSpy ended(m_window.get(), &MainWindow::programEnded);
        click("Command12");
        QCOMPARE(ended.count(), 1);
        QCOMPARE(ended.front().front().toInt(), 0);
        QVERIFY(m_dialogs->questions.empty());
    }

    void exitFromMenuAfterChange_asksOnce()
    {
        start();
        QSignalSpy ended(m_window.get(), &MainWindow::programEnded);
        click("Option1");
        click("Command1");
        m_dialogs->thenAnswer(false);
        control<QAction>("m_exit")->trigger();
        QCOMPARE(ended.count(), 1);
        m_window->close(); // the window going away does not ask again
        QCOMPARE(m_dialogs->questions, std::vector<std::string>{SaveQuestion});
    }

    void closeBox_asksToSaveAChangedConfiguration()
    {
        start();
        click("Option1");
        click("Command1");
        m_dialogs->thenAnswer(false);
        QVERIFY(m_window->close());
        QCOMPARE(m_dialogs->questions, std::vector<std::string>{SaveQuestion});
        QVERIFY(!m_window->isVisible());
    }

    void about_namesProgramAndVersion()
    {
        start();
        QString shown;
        QTimer::singleShot(50, [&shown] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                shown = box->objectName() + QLatin1Char('|') + box->text();
                box->button(QMessageBox::Ok)->click();
            }
        });
        control<QAction>("m_About")->trigger();
        QVERIFY(shown.startsWith(QStringLiteral("AboutBox|Quillon\nVersion 1.1.0.4")));
    }

    void exportFromMenu_disablesItselfWhateverTheOutcome()
    {
        start();
        m_session->view.enable("m_creMapList", true);
        m_window->render();
        QVERIFY(enabled("m_creMapList"));
        control<QAction>("m_creMapList")->trigger();
        QCOMPARE(m_dialogs->notices, std::vector<std::string>{NoValidEdsMessage});
        QVERIFY(!enabled("m_creMapList"));
    }

    void generateThenEditParameters_opensAndDiscardsTheEditor()
    {
        start();
        click("Option2");
        click("Command1");
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
        QVERIFY(editor);
        QVERIFY(editor->isVisible());
        QCOMPARE(editor->objectName(), QStringLiteral("frmDynam"));

        // A new configuration discards it.
        click("Command1");
        QVERIFY(!m_window->editorWindow());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
