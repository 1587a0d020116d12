#include <functional>

#include <QApplication>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileDialog>
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

// Runs `act` on the modal box once it is open, looking for it from the event loop the box runs.
// Records whether it was found.
void whenModalOpens(const std::function<void(QWidget*)>& act, bool* found, int triesLeft = 100)
{
    *found = false;
    QTimer::singleShot(10, [act, found, triesLeft] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible()) {
            *found = true;
            act(modal);
        } else if (triesLeft > 0) {
            whenModalOpens(act, found, triesLeft - 1);
        }
    });
}

} // namespace

class TestQtDialogs : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void notice_showsExclamationBoxWithTitleTextAndDetail()
    {
        QtDialogs dialogs;
        QString title;
        QString text;
        QString detail;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        bool found = false;
        whenModalOpens(
            [&](QWidget* modal) {
                auto* box = qobject_cast<QMessageBox*>(modal);
                if (!box) {
                    qobject_cast<QDialog*>(modal)->reject();
                    return;
                }
                title = box->windowTitle();
                text = box->text();
                detail = box->detailedText();
                icon = box->icon();
                buttons = box->standardButtons();
                box->button(QMessageBox::Ok)->click();
            },
            &found);
        dialogs.notice("Ini-File not found or Resource-Files missing!", "Quillon.ini line 7: \xE9");
        QVERIFY(found);
        QCOMPARE(title, QStringLiteral("EDS-INFO"));
        QCOMPARE(text, QStringLiteral("Ini-File not found or Resource-Files missing!"));
        QCOMPARE(detail, QString::fromLatin1("Quillon.ini line 7: \xE9"));
        QCOMPARE(icon, QMessageBox::Warning);
        QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }

    void askYesNo_countsOnlyYes_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("expected");
        QTest::newRow("yes") << int(QMessageBox::Yes) << true;
        QTest::newRow("no") << int(QMessageBox::No) << false;
        QTest::newRow("escape") << 0 << false;
    }

    void askYesNo_countsOnlyYes()
    {
        QFETCH(int, button);
        QFETCH(bool, expected);
        QtDialogs dialogs;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        QString title;
        bool found = false;
        whenModalOpens(
            [&](QWidget* modal) {
                auto* box = qobject_cast<QMessageBox*>(modal);
                if (!box) {
                    qobject_cast<QDialog*>(modal)->reject();
                    return;
                }
                icon = box->icon();
                title = box->windowTitle();
                buttons = box->standardButtons();
                if (button == 0) {
                    QTest::keyClick(box, Qt::Key_Escape);
                } else {
                    box->button(static_cast<QMessageBox::StandardButton>(button))->click();
                }
            },
            &found);
        QCOMPARE(dialogs.askYesNo("Do you really want to reset Quillon?"), expected);
        QVERIFY(found);
        QCOMPARE(icon, QMessageBox::Question);
        QCOMPARE(title, QStringLiteral("EDS-INFO"));
        QCOMPARE(buttons, QMessageBox::Yes | QMessageBox::No);
    }

    void saveFile_presetsTitleFolderNameAndFilter()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QtDialogs dialogs;
        QString title;
        QString folder;
        QStringList filters;
        QString presetName;
        bool found = false;
        whenModalOpens(
            [&](QWidget* modal) {
                auto* dialog = qobject_cast<QFileDialog*>(modal);
                if (!dialog) {
                    qobject_cast<QDialog*>(modal)->reject();
                    return;
                }
                title = dialog->windowTitle();
                folder = dialog->directory().absolutePath();
                filters = dialog->nameFilters();
                if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
                    presetName = name->text();
                }
                dialog->selectFile(dir.filePath(QStringLiteral("CO_station.eds")));
                QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
            },
            &found);
        const FileRequest request{"Create EDS and Save", dir.path().toStdString() + "/", "CO_",
                                  "EDS-File (*.eds)|*.eds"};
        const auto chosen = dialogs.saveFile(request);
        QVERIFY(found);
        QCOMPARE(title, QStringLiteral("Create EDS and Save"));
        QCOMPARE(folder, QDir(dir.path()).absolutePath());
        QCOMPARE(filters, QStringList{QStringLiteral("EDS-File (*.eds)")});
        QCOMPARE(presetName, QStringLiteral("CO_"));
        QVERIFY(chosen.has_value());
        QCOMPARE(QString::fromStdString(*chosen),
                 QDir::toNativeSeparators(dir.filePath(QStringLiteral("CO_station.eds"))));
    }

    void openFile_cancelGivesNothing()
    {
        QtDialogs dialogs;
        bool found = false;
        whenModalOpens([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); }, &found);
        const auto chosen =
            dialogs.openFile({"Open A New Project", "", "", "EDS-Project-File (*.edp)|*.edp"});
        QVERIFY(found);
        QVERIFY(!chosen.has_value());
    }

    void nameFilter_convertsPairs_data()
    {
        QTest::addColumn<QString>("windows");
        QTest::addColumn<QString>("qt");
        QTest::newRow("one pair") << "EDS-File (*.eds)|*.eds"
                                  << "EDS-File (*.eds)";
        QTest::newRow("two pairs") << "EDS-File (*.eds)|*.eds|All (*.*)|*.*"
                                   << "EDS-File (*.eds);;All (*.*)";
        QTest::newRow("pattern not named") << "Projects|*.edp"
                                           << "Projects (*.edp)";
        QTest::newRow("several patterns") << "Pictures|*.wmf;*.ico"
                                          << "Pictures (*.wmf *.ico)";
        QTest::newRow("empty") << ""
                               << "";
    }

    void nameFilter_convertsPairs()
    {
        QFETCH(QString, windows);
        QFETCH(QString, qt);
        QCOMPARE(quillon::qtNameFilter(windows.toStdString()), qt);
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
