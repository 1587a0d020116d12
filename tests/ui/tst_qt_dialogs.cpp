#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include "tests/ui/modal_watcher.h"
#include "ui/qt_dialogs.h"

using quillon::QtDialogs;
namespace test = quillon::test;

class TestQtDialogs : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void messageBoxes_showTitleIconAndButtons()
    {
        // The button pressed (none: Escape), the icon the box shows and the answer.
        const std::tuple<QMessageBox::StandardButton, QMessageBox::Icon, bool> rows[] = {
            {QMessageBox::Ok, QMessageBox::Warning, false},
            {QMessageBox::Yes, QMessageBox::Question, true},
            {QMessageBox::NoButton, QMessageBox::Question, false}};
        for (const auto& [press, icon, yes] : rows) {
            QString said;
            test::ModalWatcher watcher({[&, press = press, icon = icon](QWidget* modal) {
                auto* box = qobject_cast<QMessageBox*>(modal);
                QVERIFY(box && box->icon() == icon);
                said = box->windowTitle() + '|' + box->text() + '|' + box->detailedText() + '|' +
                       QString::number(box->standardButtons());
                if (press == QMessageBox::NoButton)
                    QTest::keyClick(box, Qt::Key_Escape);
                else
                    box->button(press)->click();
            }});
            QtDialogs dialogs;
            if (icon == QMessageBox::Warning) {
                dialogs.notice("Not found!", "Quillon.ini: \xE9");
                QCOMPARE(said, QString::fromLatin1("EDS-INFO|Not found!|Quillon.ini: \xE9|%1")
                                   .arg(QMessageBox::Ok));
            } else {
                QCOMPARE(dialogs.askYesNo("Do you really want to reset Quillon?"), yes);
                QCOMPARE(said, QStringLiteral("EDS-INFO|Do you really want to reset Quillon?||%1")
                                   .arg(QMessageBox::Yes | QMessageBox::No));
            }
        }
    }

    void saveFile_presetsTitleFolderNameAndFilter_neverAsksToReplace_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("saved");
        QTest::newRow("new file") << "station"
                                  << "station.edp";
        QTest::newRow("existing file") << "CO_station.edp"
                                       << "CO_station.edp";
        QTest::newRow("another extension") << "station.v2"
                                           << "station.v2";
    }

    void saveFile_presetsTitleFolderNameAndFilter_neverAsksToReplace()
    {
        QFETCH(QString, typed);
        QFETCH(QString, saved);
        QTemporaryDir dir;
        // The folder the dialog starts in is made when it is not there yet.
        const QString folder = dir.filePath(QStringLiteral("Quillon/Projects"));
        if (QTest::currentDataTag() == QLatin1String("existing file")) {
            QFile existing(QDir(folder).filePath(saved));
            QVERIFY(QDir().mkpath(folder) && existing.open(QIODevice::WriteOnly));
        }
        QString shown;
        test::ModalWatcher watcher({[&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            QVERIFY(dialog);
            shown = modal->windowTitle() + '|' + dialog->directory().absolutePath() + '|' +
                    dialog->nameFilters().join(';') + '|' +
                    dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text();
            test::chooseFile(typed)(modal);
        }});
        watcher.then(test::press(QMessageBox::Yes)); // a question to replace it, if one came

        QtDialogs dialogs;
        const auto chosen =
            dialogs.saveFile({"Save Actual Configuration", folder.toStdString() + "/", "CO_",
                              "EDS-Project-File (*.edp)|*.edp"});
        QCOMPARE(watcher.titles(), QStringList{QStringLiteral("Save Actual Configuration")});
        QCOMPARE(shown, "Save Actual Configuration|" + folder + "|EDS-Project-File (*.edp)|CO_");
        QCOMPARE(QString::fromStdString(chosen.value_or("<cancelled>")),
                 QDir::toNativeSeparators(QDir(folder).filePath(saved)));
    }

    void openFile_cancelGivesNothing()
    {
        test::ModalWatcher watcher; // rejects the dialog
        QtDialogs dialogs;
        QVERIFY(
            !dialogs.openFile({"Open A New Project", "", "", "EDS-Project-File (*.edp)|*.edp"}));
        QCOMPARE(watcher.titles(), QStringList{QStringLiteral("Open A New Project")});
    }

    void filters_becomeQtNameFiltersAndTheFirstExtension()
    {
        const std::tuple<const char*, const char*, const char*> cases[] = {
            {"EDS-File (*.eds)|*.eds|All (*.*)|*.*", "EDS-File (*.eds);;All (*.*)", "eds"},
            {"Projects|*.edp;*.txt", "Projects (*.edp *.txt)", "edp"},
            {"Any|*", "Any (*)", ""},
            {"Archives|*.tar.gz", "Archives (*.tar.gz)", ""},
            {"No pattern", "No pattern", ""},
            {"", "", ""},
        };
        for (const auto& [filter, qt, suffix] : cases) {
            QCOMPARE(quillon::qtNameFilter(filter), QString::fromLatin1(qt));
            QCOMPARE(quillon::defaultSuffix(filter), QString::fromLatin1(suffix));
        }
    }

    void pause_letsTimersRunForAsLongAsAsked()
    {
        QtDialogs dialogs;
        bool timerRan = false;
        QTimer::singleShot(10, [&timerRan] { timerRan = true; });
        QElapsedTimer clock;
        clock.start();
        dialogs.pause(std::chrono::milliseconds(60));
        QVERIFY(clock.elapsed() >= 55 && timerRan);
    }
};

QTEST_MAIN(TestQtDialogs)
#include "tst_qt_dialogs.moc"
