#include <functional>

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "ui/qt_dialogs.h"

using quillon::FileRequest;
using quillon::QtDialogs;

namespace {

// Runs `act` on the modal `Box` once it is open, looking for it from the event loop the box runs;
// `found` tells whether it came. Any other modal window is rejected.
template <class Box>
void whenModalOpens(const std::function<void(Box*)>& act, bool* found, int triesLeft = 100)
{
    *found = false;
    QTimer::singleShot(10, [act, found, triesLeft] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible()) {
            if (triesLeft > 0)
                whenModalOpens<Box>(act, found, triesLeft - 1);
        } else if (auto* box = qobject_cast<Box*>(modal)) {
            *found = true;
            act(box);
        } else {
            qobject_cast<QDialog*>(modal)->reject();
        }
    });
}

} // namespace

class TestQtDialogs : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void messageBoxes_showTitleIconAndButtons_data()
    {
        QTest::addColumn<int>("press"); // NoButton: Escape
        QTest::addColumn<int>("icon");
        QTest::addColumn<int>("buttons");
        QTest::addColumn<bool>("yes");
        QTest::newRow("notice") << int(QMessageBox::Ok) << int(QMessageBox::Warning)
                                << int(QMessageBox::Ok) << false;
        const int yesNo = QMessageBox::Yes | QMessageBox::No;
        QTest::newRow("yes") << int(QMessageBox::Yes) << int(QMessageBox::Question) << yesNo
                             << true;
        QTest::newRow("no") << int(QMessageBox::No) << int(QMessageBox::Question) << yesNo << false;
        QTest::newRow("escape") << int(QMessageBox::NoButton) << int(QMessageBox::Question) << yesNo
                                << false;
    }

    void messageBoxes_showTitleIconAndButtons()
    {
        QFETCH(int, press);
        QFETCH(int, icon);
        QFETCH(int, buttons);
        QFETCH(bool, yes);
        QString shown;
        int shownIcon = 0, shownButtons = 0;
        bool found = false;
        whenModalOpens<QMessageBox>(
            [&](QMessageBox* box) {
                shown = box->windowTitle() + '|' + box->text() + '|' + box->detailedText();
                shownIcon = box->icon();
                shownButtons = box->standardButtons();
                if (press == QMessageBox::NoButton)
                    QTest::keyClick(box, Qt::Key_Escape);
                else
                    box->button(QMessageBox::StandardButton(press))->click();
            },
            &found);
        QtDialogs dialogs;
        if (QTest::currentDataTag() == QLatin1String("notice")) {
            dialogs.notice("Ini-File not found or Resource-Files missing!", "Quillon.ini: \xE9");
            QCOMPARE(
                shown,
                QString::fromLatin1(
                    "EDS-INFO|Ini-File not found or Resource-Files missing!|Quillon.ini: \xE9"));
        } else {
            QCOMPARE(dialogs.askYesNo("Do you really want to reset Quillon?"), yes);
            QCOMPARE(shown, QStringLiteral("EDS-INFO|Do you really want to reset Quillon?|"));
        }
        QVERIFY(found);
        QCOMPARE(shownIcon, icon);
        QCOMPARE(shownButtons, buttons);
    }

    void saveFile_presetsTitleFolderNameAndFilter()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QtDialogs dialogs;
        QString title, folder, presetName;
        QStringList filters;
        bool found = false;
        whenModalOpens<QFileDialog>(
            [&](QFileDialog* dialog) {
                title = dialog->windowTitle();
                folder = dialog->directory().absolutePath();
                filters = dialog->nameFilters();
                if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                    presetName = name->text();
                dialog->selectFile(dir.filePath(QStringLiteral("CO_station.eds")));
                QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
            },
            &found);
        const auto chosen = dialogs.saveFile({"Create EDS and Save", dir.path().toStdString() + "/",
                                              "CO_", "EDS-File (*.eds)|*.eds"});
        QVERIFY(found);
        QCOMPARE(title, QStringLiteral("Create EDS and Save"));
        QCOMPARE(folder, QDir(dir.path()).absolutePath());
        QCOMPARE(filters, QStringList{QStringLiteral("EDS-File (*.eds)")});
        QCOMPARE(presetName, QStringLiteral("CO_"));
        QVERIFY(chosen.has_value());
        QCOMPARE(QString::fromStdString(*chosen),
                 QDir::toNativeSeparators(dir.filePath(QStringLiteral("CO_station.eds"))));
    }

    void saveFile_appendsTheFiltersExtensionToANameWithoutOne_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("saved");
        QTest::newRow("no extension") << "station"
                                      << "station.edp";
        QTest::newRow("its extension") << "station.edp"
                                       << "station.edp";
        QTest::newRow("another extension") << "station.v2"
                                           << "station.v2";
    }

    void saveFile_appendsTheFiltersExtensionToANameWithoutOne()
    {
        QFETCH(QString, typed);
        QFETCH(QString, saved);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        // The folder the dialog starts in is made when it is not there yet.
        const QString folder = dir.filePath(QStringLiteral("Quillon/Projects"));
        bool found = false;
        whenModalOpens<QFileDialog>(
            [&typed](QFileDialog* dialog) {
                auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                QVERIFY(name);
                name->setText(typed);
                QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
            },
            &found);
        QtDialogs dialogs;
        const auto chosen =
            dialogs.saveFile({"Save Actual Configuration", folder.toStdString() + "/", "",
                              "EDS-Project-File (*.edp)|*.edp"});
        QVERIFY(found);
        QVERIFY(QFileInfo(folder).isDir());
        QVERIFY(chosen.has_value());
        QCOMPARE(QString::fromStdString(*chosen),
                 QDir::toNativeSeparators(QDir(folder).filePath(saved)));
    }

    void defaultSuffix_isTheFirstPatternsExtension()
    {
        const std::pair<const char*, const char*> cases[] = {
            {"EDS-File (*.eds)|*.eds", "eds"},
            {"Projects|*.edp;*.txt", "edp"},
            {"CSV-File (*.csv)|*.csv|All (*.*)|*.*", "csv"},
            {"All (*.*)|*.*", ""},
            {"Any|*", ""},
            {"Archives|*.tar.gz", ""},
            {"No pattern", ""},
        };
        for (const auto& [filter, suffix] : cases)
            QCOMPARE(quillon::defaultSuffix(filter), QString::fromLatin1(suffix));
    }

    void openFile_cancelGivesNothing()
    {
        QtDialogs dialogs;
        bool found = false;
        whenModalOpens<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); }, &found);
        const auto chosen =
            dialogs.openFile({"Open A New Project", "", "", "EDS-Project-File (*.edp)|*.edp"});
        QVERIFY(found);
        QVERIFY(!chosen.has_value());
    }

    void nameFilter_convertsPairs()
    {
        const std::pair<const char*, const char*> cases[] = {
            {"EDS-File (*.eds)|*.eds", "EDS-File (*.eds)"},
            {"EDS-File (*.eds)|*.eds|All (*.*)|*.*", "EDS-File (*.eds);;All (*.*)"},
            {"Projects|*.edp", "Projects (*.edp)"}, // pattern not named in the description
            {"Pictures|*.wmf;*.ico", "Pictures (*.wmf *.ico)"},
            {"", ""},
        };
        for (const auto& [windows, qt] : cases)
            QCOMPARE(quillon::qtNameFilter(windows), QString::fromLatin1(qt));
    }

    void progress_goesToTheHandler()
    {
        QtDialogs dialogs;
        dialogs.progressChanged(10, true); // no handler yet: nothing happens
        QList<QPair<int, bool>> seen;
        dialogs.setProgressHandler([&seen](int value, bool visible) {
            seen.append({value, visible});
        });
        dialogs.progressChanged(30, true);
        dialogs.progressChanged(0, false);
        QCOMPARE(seen, (QList<QPair<int, bool>>{{30, true}, {0, false}}));
    }

    void pause_waitsWhileTimersRun()
    {
        QtDialogs dialogs;
        bool timerRan = false;
        QTimer::singleShot(10, [&timerRan] { timerRan = true; });
        QElapsedTimer clock;
        clock.start();
        dialogs.pause(std::chrono::milliseconds(60));
        QVERIFY(clock.elapsed() >= 55);
        QVERIFY(timerRan);
    }
};

QTEST_MAIN(TestQtDialogs)
#include "tst_qt_dialogs.moc"
