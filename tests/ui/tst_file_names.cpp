#include <QDirIterator>
#include <QListWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "core/session.h"
#include "core/system.h"
#include "tests/ui/modal_watcher.h"
#include "ui/main_window.h"
#include "ui/qt_dialogs.h"

using namespace quillon;

// A station kept in folders whose names hold characters beyond ASCII, as users keep them: the
// names on disk are the names typed, the texts inside the files stay 8-bit.
class TestFileNames : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void programInUmlautFolder_savesLoadsGeneratesAndExportsUnderTypedNames()
    {
        QTemporaryDir root;
        const QString program = root.filePath(QStringLiteral(u"Pr\u00FCfstand-S\u00FCd"));
        QDirIterator files(QStringLiteral(QUILLON_RESOURCES), QDir::Files,
                           QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString target =
                program + '/' + QDir(QUILLON_RESOURCES).relativeFilePath(files.next());
            QVERIFY(QDir().mkpath(QFileInfo(target).path()) &&
                    QFile::copy(files.filePath(), target));
        }
        const QString sycon = root.filePath(QStringLiteral(u"SYCON-B\u00FCro"));
        QFile registry(root.filePath(QStringLiteral("registry.txt")));
        QVERIFY(QDir().mkpath(sycon) && QDir().mkpath(program + "/EDSFiles") &&
                registry.open(QIODevice::WriteOnly));
        registry.write("HKEY_LOCAL_MACHINE\\SOFTWARE\\Hilscher GmbH\\SyCon_net\\CoEDSPath=" +
                       QFile::encodeName(sycon) + "\n");
        registry.close();
        qputenv("QUILLON_REGISTRY_FILE", QFile::encodeName(registry.fileName()));

        Session session;
        locateProgram(session, program);
        QtDialogs dialogs;
        const auto system = makePlatformSystem();
        test::ModalWatcher watcher;
        const auto window = startMainWindow(session, dialogs, *system);
        QVERIFY2(window, qPrintable(watcher.titles().join('|')));
        dialogs.setParentWidget(window.get());
        const auto click = [&window](const char* name) {
            auto* button = window->findChild<QAbstractButton*>(QLatin1String(name));
            QVERIFY2(button && button->isEnabled(), name);
            button->click();
        };
        click("Option2");
        click("Command1");
        auto* list = window->findChild<QListWidget*>(QStringLiteral("List1"));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(1)).center());
        click("Command7");

        const QString project = QStringLiteral(u"S\u00FCd.edp");
        watcher.then(test::chooseFile(project));
        click("Command4");
        QTRY_VERIFY(watcher.done());
        QVERIFY(QDir(program + "/Projects").entryList(QDir::Files).contains(project));
        watcher.then(test::chooseFile(project));
        click("Command3");
        QTRY_VERIFY(watcher.done());
        QCOMPARE(window->findChild<QLineEdit*>(QStringLiteral("Text9"))->text(),
                 QDir::toNativeSeparators(program + "/Projects/" + project));

        const QString edsName = QStringLiteral(u"Stra\u00DFe.eds");
        watcher.then(test::chooseFile(edsName));
        watcher.then(test::press(QMessageBox::Ok)); // the hint to set the module parameters
        click("Command9");
        QTRY_VERIFY(watcher.done());
        QCOMPARE(QDir(program + "/EDSFiles").entryList(QDir::Files), QStringList{edsName});
        // Inside the file its name is 8-bit text like everything else there.
        QFile eds(program + "/EDSFiles/" + edsName);
        QVERIFY(eds.open(QIODevice::ReadOnly));
        QVERIFY(eds.readAll().contains(
            "\r\nFileName=" + QDir::toNativeSeparators(eds.fileName()).toLatin1() + "\r\n"));

        watcher.then(test::press(QMessageBox::Yes));
        QString report;
        watcher.then(test::press(QMessageBox::Ok, &report));
        click("Command2");
        QTRY_VERIFY(watcher.done());
        QVERIFY2(report.endsWith(QDir::toNativeSeparators(sycon) + '|'), qPrintable(report));
        QCOMPARE(QDir(sycon).entryList(QDir::Files, QDir::Name),
                 (QStringList{QStringLiteral("OVN_K310_HB612.ico"), edsName}));
        QCOMPARE(watcher.titles().size(), 6);
    }
};

QTEST_MAIN(TestFileNames)
#include "tst_file_names.moc"
