#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "tests/ui/modal_watcher.h"
#include "ui/qt_dialogs.h"

using quillon::FileRequest;
using quillon::QtDialogs;
namespace test = quillon::test;

namespace {

// The file name the save dialog shows, or "" when it has none.
QString fileNameShown(QFileDialog* dialog)
{
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    return name ? name->text() : QString();
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
        test::ModalWatcher watcher([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (!box) {
                qobject_cast<QDialog*>(modal)->reject();
                return;
            }
            found = true;
            shown = box->windowTitle() + '|' + box->text() + '|' + box->detailedText();
            shownIcon = box->icon();
            shownButtons = box->standardButtons();
            if (press == QMessageBox::NoButton)
                QTest::keyClick(box, Qt::Key_Escape);
            else
                box->button(QMessageBox::StandardButton(press))->click();
        });
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

    void saveFile_presetsTitleFolderNameAndFilter_neverAsksToReplace_data()
    {
        QTest::addColumn<bool>("exists");
        QTest::newRow("new file") << false;
        QTest::newRow("existing file") << true;
    }

    void saveFile_presetsTitleFolderNameAndFilter_neverAsksToReplace()
    {
        QFETCH(bool, exists);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString target = dir.filePath(QStringLiteral("CO_station.eds"));
        if (exists) {
            QFile file(target);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QtDialogs dialogs;
        QString title, folder, presetName, question;
        QStringList filters;
        bool found = false;
        test::ModalWatcher watcher([&](QWidget* modal) {
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                question = box->text();
                box->button(QMessageBox::Yes)->click();
                return;
            }
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            found = dialog != nullptr;
            if (!dialog) {
                qobject_cast<QDialog*>(modal)->reject();
                return;
            }
            title = dialog->windowTitle();
            folder = dialog->directory().absolutePath();
            filters = dialog->nameFilters();
            presetName = fileNameShown(dialog);
            // Typed into the name box, as a user does, and accepted once the dialog has taken it.
            // (QFileDialog::selectFile leaves the box alone while it has the focus.)
            if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
                name->setFocus();
                name->setText(QStringLiteral("CO_station.eds"));
            }
            (void)QTest::qWaitFor([&] { return dialog->selectedFiles() == QStringList{target}; },
                                  20000);
            QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
        });
        const auto chosen = dialogs.saveFile({"Create EDS and Save", dir.path().toStdString() + "/",
                                              "CO_", "EDS-File (*.eds)|*.eds"});
        QVERIFY(found);
        QCOMPARE(title, QStringLiteral("Create EDS and Save"));
        QCOMPARE(folder, QDir(dir.path()).absolutePath());
        QCOMPARE(filters, QStringList{QStringLiteral("EDS-File (*.eds)")});
        QCOMPARE(presetName, QStringLiteral("CO_"));
        QCOMPARE(question, QString());
        QVERIFY(chosen.has_value());
        QCOMPARE(QString::fromStdString(*chosen), QDir::toNativeSeparators(target));
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
        test::ModalWatcher watcher([&typed, &found](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            found = dialog != nullptr;
            QVERIFY(dialog);
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            QVERIFY(name);
            name->setFocus();
            name->setText(typed);
            // Accepted once the dialog has taken the name typed.
            (void)QTest::qWaitFor(
                [&] {
                    return !dialog->selectedFiles().isEmpty() &&
                           QFileInfo(dialog->selectedFiles().constFirst())
                               .fileName()
                               .startsWith(typed);
                },
                20000);
            QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
        });
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
        test::ModalWatcher watcher([&found](QWidget* modal) {
            found = qobject_cast<QFileDialog*>(modal) != nullptr;
            qobject_cast<QDialog*>(modal)->reject();
        });
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
