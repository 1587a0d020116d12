#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Runs the built program (or a copy of it) to its end: its exit status, then its standard error.
QString runProgram(const QStringList& arguments, const QString& program = QUILLON_EXE,
                   bool display = true)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        environment.remove(QLatin1String(name));
    if (display)
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return QStringLiteral("<no end>");
    return QString::number(process.exitCode()) + ' ' +
           QString::fromLocal8Bit(process.readAllStandardError() + process.readAllStandardOutput());
}

} // namespace

class TestProgram : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void screenshot_ofTheWindowPlainWithAProjectOrWithAnEds()
    {
        QTemporaryDir dir;
        const QString shot = dir.filePath(QStringLiteral("window.png"));
        for (const QString& file :
             {QString(), QStringLiteral(QUILLON_RESOURCES "/Projects/K310_Sample_Station.edp"),
              QStringLiteral(QUILLON_TEST_DATA "/params/station.eds")}) {
            QFile::remove(shot);
            QStringList arguments = {QStringLiteral("--screenshot"), shot};
            if (!file.isEmpty())
                arguments << file;
            QVERIFY(runProgram(arguments).startsWith(QStringLiteral("0 ")));
            const QImage image(shot);
            QVERIFY(image.width() > 400 && image.height() > 300);
        }
    }

    void failures_endWithTheMessageOnStandardError()
    {
        QTemporaryDir dir;
        const QString shot = dir.filePath(QStringLiteral("x.png"));
        const QString missing = dir.filePath(QStringLiteral("missing.edp"));
        const auto fails = [](const QString& run, const QString& message) {
            return run.startsWith(QStringLiteral("1 ")) && run.contains("quillon: " + message);
        };
        QVERIFY(fails(runProgram({QStringLiteral("--screenshot"), shot, missing}),
                      "This is no readable project file: " + missing));
        QVERIFY(!QFile::exists(shot));
        QVERIFY(fails(runProgram({QStringLiteral("--screenshot"), dir.filePath("no/such.png")}),
                      QStringLiteral("cannot write the screenshot")));

        // A copy of the program beside a broken settings file does not start.
        const QString copy = dir.filePath(QFileInfo(QUILLON_EXE).fileName());
        QFile ini(dir.filePath(QStringLiteral("Quillon.ini")));
        QVERIFY(QFile::copy(QUILLON_EXE, copy) && ini.open(QIODevice::WriteOnly));
        ini.write("[MaxDIDOAIAO]\r\n1,2,3,99999\r\n");
        ini.close();
        QVERIFY(fails(runProgram({QStringLiteral("--screenshot"), shot}, copy),
                      QStringLiteral("Ini-File not found or Resource-Files missing!")));
    }

    void usage_errorsAreStatusTwoAndHelpNeedsNoDisplay()
    {
        QVERIFY(runProgram({QStringLiteral("--no-such-option")}).startsWith('2'));
        QVERIFY(runProgram({QStringLiteral("a.edp"), QStringLiteral("b.edp")}).startsWith('2'));
        const QString help = runProgram({QStringLiteral("--help")}, QUILLON_EXE, false);
        QVERIFY2(help.startsWith(QStringLiteral("0 ")) &&
                     help.contains(QStringLiteral("--screenshot <png>")) &&
                     help.contains(QStringLiteral("[FILE]")),
                 qPrintable(help));
    }
};

QTEST_MAIN(TestProgram)
#include "tst_program.moc"
