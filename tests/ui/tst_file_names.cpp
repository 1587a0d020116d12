#include <deque>
#include <functional>
#include <memory>

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "core/session.h"
#include "core/system.h"
#include "tests/ui/modal_watcher.h"
#include "ui/main_window.h"
#include "ui/qt_dialogs.h"

using namespace quillon;

namespace {

// Answers the modal boxes and dialogs the window opens, one step per box, in order; a box the
// script did not foresee is rejected. Waits for each box however long the machine takes.
class ModalScript
{
public:
    using Step = std::function<void(QWidget* modal)>;

    void then(Step step) { m_steps.push_back(std::move(step)); }
    [[nodiscard]] bool done() const { return m_steps.empty(); }
    [[nodiscard]] const QStringList& seen() const { return m_seen; }

private:
    void answer(QWidget* modal)
    {
        m_seen << modal->windowTitle();
        if (m_steps.empty()) {
            QMetaObject::invokeMethod(qobject_cast<QDialog*>(modal), "reject",
                                      Qt::QueuedConnection);
            return;
        }
        Step step = std::move(m_steps.front());
        m_steps.pop_front();
        step(modal);
    }

    std::deque<Step> m_steps;
    QStringList m_seen;
    test::ModalWatcher m_watcher{[this](QWidget* modal) { answer(modal); }};
};

// Types the name into the file dialog, as a user does, and accepts it once the dialog has taken
// it.
ModalScript::Step chooseFile(const QString& name)
{
    return [name](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        QVERIFY2(dialog, qPrintable(modal->windowTitle()));
        const QString target = dialog->directory().filePath(name);
        auto* box = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(box);
        box->setFocus();
        box->setText(name);
        QVERIFY(
            QTest::qWaitFor([&] { return dialog->selectedFiles() == QStringList{target}; }, 20000));
        QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
    };
}

ModalScript::Step press(QMessageBox::StandardButton button, QString* text = nullptr)
{
    return [button, text](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        QVERIFY2(box, qPrintable(modal->windowTitle()));
        if (text)
            *text = box->text();
        QMetaObject::invokeMethod(box->button(button), "click", Qt::QueuedConnection);
    };
}

void copyTree(const QString& from, const QString& to)
{
    QDir().mkpath(to);
    QDirIterator it(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = to + '/' + QDir(from).relativeFilePath(source);
        if (it.fileInfo().isDir())
            QDir().mkpath(target);
        else
            QFile::copy(source, target);
    }
}

QByteArray lineStartingWith(const QString& path, const QByteArray& key)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<cannot read " + path.toUtf8() + '>';
    for (const QByteArray& line : file.readAll().split('\n'))
        if (line.startsWith(key))
            return line.chopped(line.endsWith('\r') ? 1 : 0);
    return "<no " + key + '>';
}

} // namespace

// A station kept in folders whose names hold characters beyond ASCII, as users keep them: the
// names on disk are the names typed, the texts inside the files stay 8-bit.
class TestFileNames : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void programInUmlautFolder_savesLoadsGeneratesAndExportsUnderTypedNames()
    {
        QTemporaryDir root;
        QVERIFY(root.isValid());
        const QString program = root.filePath(QStringLiteral(u"Pr\u00FCfstand-S\u00FCd"));
        copyTree(QStringLiteral(QUILLON_RESOURCES), program);
        QVERIFY(QDir().mkpath(program + "/EDSFiles"));
        const QString sycon = root.filePath(QStringLiteral(u"SYCON-B\u00FCro"));
        QVERIFY(QDir().mkpath(sycon));
        QFile registry(root.filePath(QStringLiteral("registry.txt")));
        QVERIFY(registry.open(QIODevice::WriteOnly));
        registry.write("HKEY_LOCAL_MACHINE\\SOFTWARE\\Hilscher GmbH\\SyCon_net\\CoEDSPath=" +
                       QFile::encodeName(sycon) + "\n");
        registry.close();
        qputenv("QUILLON_REGISTRY_FILE", QFile::encodeName(registry.fileName()));

        Session session;
        locateProgram(session, program);
        QtDialogs dialogs;
        const auto system = makePlatformSystem();
        ModalScript script;
        const auto window = startMainWindow(session, dialogs, *system);
        QVERIFY2(window, qPrintable(script.seen().join('|')));
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

        const QString projectName = QStringLiteral(u"S\u00FCd.edp");
        script.then(chooseFile(projectName));
        click("Command4");
        QTRY_VERIFY(script.done());
        QVERIFY(QDir(program + "/Projects").entryList(QDir::Files).contains(projectName));

        script.then(chooseFile(projectName));
        click("Command3");
        QTRY_VERIFY(script.done());
        QCOMPARE(window->findChild<QLineEdit*>(QStringLiteral("Text9"))->text(),
                 QDir::toNativeSeparators(program + "/Projects/" + projectName));
        QVERIFY(window->findChild<QAbstractButton*>(QStringLiteral("Command9"))->isEnabled());

        const QString edsName = QStringLiteral(u"Stra\u00DFe.eds");
        script.then(chooseFile(edsName));
        script.then(press(QMessageBox::Ok)); // the hint to set the module parameters
        click("Command9");
        QTRY_VERIFY(script.done());
        const QString eds = program + "/EDSFiles/" + edsName;
        QCOMPARE(QDir(program + "/EDSFiles").entryList(QDir::Files), QStringList{edsName});
        // Inside the file its name is 8-bit text like everything else there.
        QCOMPARE(lineStartingWith(eds, "FileName="),
                 "FileName=" + QDir::toNativeSeparators(eds).toLatin1());

        script.then(press(QMessageBox::Yes));
        QString report;
        script.then(press(QMessageBox::Ok, &report));
        click("Command2");
        QTRY_VERIFY(script.done());
        QVERIFY2(report.endsWith(QDir::toNativeSeparators(sycon)), qPrintable(report));
        QCOMPARE(QDir(sycon).entryList(QDir::Files, QDir::Name),
                 (QStringList{QStringLiteral("OVN_K310_HB612.ico"), edsName}));
        QCOMPARE(script.seen().size(), 6);
    }
};

QTEST_MAIN(TestFileNames)
#include "tst_file_names.moc"
