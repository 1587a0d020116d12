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
#include "ui/main_window.h"
#include "ui/qt_dialogs.h"

using namespace quillon;

namespace {

// Answers the modal boxes and dialogs the window opens, one step per box, in order. It looks for
// the next box every few milliseconds for as long as the test waits, so a slow machine only makes
// it slower.
class ModalScript : public QObject
{
public:
    using Step = std::function<void(QWidget* modal)>;

    ModalScript()
    {
        connect(&m_poll, &QTimer::timeout, this, [this] { answer(); });
        m_poll.start(5);
    }

    void then(Step step) { m_steps.push_back(std::move(step)); }
    [[nodiscard]] bool done() const { return m_steps.empty(); }
    [[nodiscard]] const QStringList& seen() const { return m_seen; }

private:
    void answer()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible() || modal == m_answered)
            return;
        m_answered = modal;
        m_seen << modal->windowTitle();
        if (m_steps.empty()) {
            qobject_cast<QDialog*>(modal)->reject();
            return;
        }
        Step step = std::move(m_steps.front());
        m_steps.pop_front();
        step(modal);
    }

    QTimer m_poll;
    std::deque<Step> m_steps;
    QPointer<QWidget> m_answered;
    QStringList m_seen;
};

ModalScript::Step chooseFile(const QString& name)
{
    return [name](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        QVERIFY2(dialog, qPrintable(modal->windowTitle()));
        dialog->selectFile(dialog->directory().filePath(name));
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
