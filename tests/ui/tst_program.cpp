#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Run
{
    int status = -1;
    QString err;
};

// Runs the built program (or a copy of it) to its end, without a display.
Run runProgram(const QStringList& arguments, const QString& program = QStringLiteral(QUILLON_EXE))
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardError())};
}

} // namespace

class TestProgram : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void screenshot_ofTheStartedWindowWithAProjectOrAnEds()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString project =
            QStringLiteral(QUILLON_RESOURCES "/Projects/K310_Sample_Station.edp");
        const QString shot = dir.filePath(QStringLiteral("window.png"));
        const Run loaded = runProgram({QStringLiteral("--screenshot"), shot, project});
        QCOMPARE(loaded.status, 0);
        const QImage image(shot);
        QVERIFY(!image.isNull());
        QVERIFY(image.width() > 400 && image.height() > 300);

        // The same without a file, and with an EDS for the parameter editor.
        QCOMPARE(runProgram({QStringLiteral("--screenshot"), dir.filePath("plain.png")}).status, 0);
        const QString eds = QStringLiteral(QUILLON_TEST_DATA "/params/station.eds");
        QCOMPARE(runProgram({QStringLiteral("--screenshot"), dir.filePath("eds.png"), eds}).status,
                 0);
        QVERIFY(QFile::exists(dir.filePath("eds.png")));
    }

    void screenshot_failuresEndWithTheMessageOnStandardError()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString missing = dir.filePath(QStringLiteral("missing.edp"));
        const Run unread =
            runProgram({QStringLiteral("--screenshot"), dir.filePath("x.png"), missing});
        QCOMPARE(unread.status, 1);
        QVERIFY2(unread.err.contains(QStringLiteral("quillon: This is no readable project file: ") +
                                     missing),
                 qPrintable(unread.err));
        QVERIFY(!QFile::exists(dir.filePath("x.png")));

        const Run unwritable = runProgram(
            {QStringLiteral("--screenshot"), dir.filePath(QStringLiteral("no/such/folder.png"))});
        QCOMPARE(unwritable.status, 1);
        QVERIFY2(unwritable.err.contains(QStringLiteral("cannot write the screenshot")),
                 qPrintable(unwritable.err));

        // A copy of the program beside a broken settings file does not start.
        const QString copy = dir.filePath(QFileInfo(QStringLiteral(QUILLON_EXE)).fileName());
        QVERIFY(QFile::copy(QStringLiteral(QUILLON_EXE), copy));
        QFile ini(dir.filePath(QStringLiteral("Quillon.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[MaxDIDOAIAO]\r\n1,2,3,99999\r\n");
        ini.close();
        const Run broken =
            runProgram({QStringLiteral("--screenshot"), dir.filePath("b.png")}, copy);
        QCOMPARE(broken.status, 1);
        QVERIFY2(
            broken.err.contains(QStringLiteral("Ini-File not found or Resource-Files missing!")),
            qPrintable(broken.err));
    }

    void usage_errorsAreStatusTwoAndHelpNamesTheScreenshot()
    {
        QCOMPARE(runProgram({QStringLiteral("--no-such-option")}).status, 2);
        QCOMPARE(runProgram({QStringLiteral("a.edp"), QStringLiteral("b.edp")}).status, 2);
        // Usage and version need no display.
        QProcess help;
        QProcessEnvironment headless = QProcessEnvironment::systemEnvironment();
        headless.remove(QStringLiteral("QT_QPA_PLATFORM"));
        headless.remove(QStringLiteral("DISPLAY"));
        headless.remove(QStringLiteral("WAYLAND_DISPLAY"));
        help.setProcessEnvironment(headless);
        help.start(QStringLiteral(QUILLON_EXE), {QStringLiteral("--help")});
        QVERIFY(help.waitForFinished(60000));
        QCOMPARE(help.exitCode(), 0);
        const QString text = QString::fromLocal8Bit(help.readAllStandardOutput());
        QVERIFY2(text.contains(QStringLiteral("--screenshot <png>")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("[FILE]")));
    }
};

QTEST_MAIN(TestProgram)
#include "tst_program.moc"
