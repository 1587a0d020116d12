#include "ui/program.h"

#include <cstdint>
#include <iostream>
#include <string_view>

#include <QApplication>
#include <QCommandLineParser>
#include <QPixmap>
#include <QTimer>

#include "core/dialogs.h"
#include "core/session.h"
#include "core/startup.h"
#include "core/system.h"
#include "ui/latin1.h"
#include "ui/main_window.h"
#include "ui/qt_dialogs.h"

namespace quillon {

namespace {

constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

// Nobody is at the screen while a screenshot is taken: every message goes to standard error,
// every question is answered No and every file dialog cancelled.
class ConsoleDialogs : public Dialogs
{
public:
    using Dialogs::notice;

    void notice(const std::string& text, const std::string& detail) override
    {
        std::cerr << "quillon: " << text;
        if (!detail.empty())
            std::cerr << " (" << detail << ")";
        std::cerr << "\n";
    }
    bool askYesNo(const std::string&) override { return false; }
    std::optional<std::string> openFile(const FileRequest&) override { return std::nullopt; }
    std::optional<std::string> saveFile(const FileRequest&) override { return std::nullopt; }
};

int takeScreenshot(const QString& png, const QString& file)
{
    Session session;
    locateProgram(session, QCoreApplication::applicationDirPath());
    ConsoleDialogs dialogs;
    const auto system = makePlatformSystem();
    const auto window = startMainWindow(session, dialogs, *system);
    if (!window)
        return ExitFailed;
    window->setRemembersProjects(false);
    if (!file.isEmpty() && !window->openFile(file))
        return ExitFailed;
    QCoreApplication::processEvents();
    if (!window->grab().save(png, "PNG")) {
        std::cerr << "quillon: cannot write the screenshot " << toPathBytes(png) << "\n";
        return ExitFailed;
    }
    return 0;
}

int runWindow(QCoreApplication& app, const QString& file)
{
    Session session;
    locateProgram(session, QCoreApplication::applicationDirPath());
    QtDialogs dialogs;
    const auto system = makePlatformSystem();
    const auto window = startMainWindow(session, dialogs, *system);
    if (!window)
        return ExitFailed;
    dialogs.setParentWidget(window.get());
    // Notepad opens over the main window.
    system->setOwnerWindow(static_cast<std::uintptr_t>(window->winId()));
    dialogs.setProgressHandler(
        [w = window.get()](int value, bool visible) { w->showProgress(value, visible); });
    QObject::connect(window.get(), &MainWindow::programEnded, &app,
                     [](int exitCode) { QCoreApplication::exit(exitCode); });
    if (!file.isEmpty()) {
        // Once the window is up, so that the file's messages appear over it.
        QTimer::singleShot(0, window.get(), [w = window.get(), file] { (void)w->openFile(file); });
    }
    return QCoreApplication::exec();
}

} // namespace

bool asksForUsageOnly(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        for (const std::string_view asking : {"-h", "--help", "--help-all", "-v", "--version"}) {
            if (argument == asking)
                return true;
        }
    }
    return false;
}

int runProgram(QCoreApplication& app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Configures an HB612 fieldbus station with K310 I/O modules and builds its EDS."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption screenshot(
        QStringLiteral("screenshot"),
        QStringLiteral("Starts as usual and opens FILE if one is given, then saves a picture of "
                       "the main window as the PNG file <png> and ends, without waiting for "
                       "anybody: exit status 0, or 1 with the reason on standard error when "
                       "the start-up, opening FILE or saving the picture failed. Nobody is "
                       "asked anything meanwhile."),
        QStringLiteral("png"));
    parser.addOption(screenshot);
    parser.addPositionalArgument(
        QStringLiteral("FILE"),
        QStringLiteral("A project file (*.edp) to load as \"Load Existing Configuration\" "
                       "does, or a CANopen EDS (*.eds) to open in the parameter editor as "
                       "\"Load existing EDS and edit Parameters\" does."),
        QStringLiteral("[FILE]"));
    if (!parser.parse(QCoreApplication::arguments())) {
        std::cerr << "quillon: " << parser.errorText().toLocal8Bit().constData() << "\n";
        return ExitUsage;
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        std::cerr << "quillon: one file at most, not " << files.size() << "\n";
        return ExitUsage;
    }
    const QString file = files.value(0);
    if (parser.isSet(screenshot))
        return takeScreenshot(parser.value(screenshot), file);
    return runWindow(app, file);
}

} // namespace quillon
