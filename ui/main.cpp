#include <cstdint>

#include <QApplication>

#include "core/session.h"
#include "core/system.h"
#include "ui/main_window.h"
#include "ui/qt_dialogs.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillon"));

    quillon::Session session;
    quillon::locateProgram(session, QCoreApplication::applicationDirPath());

    quillon::QtDialogs dialogs;
    const auto system = quillon::makePlatformSystem();
    const auto window = quillon::startMainWindow(session, dialogs, *system);
    if (!window) {
        return 1;
    }
    dialogs.setParentWidget(window.get());
    // Notepad opens over the main window.
    system->setOwnerWindow(static_cast<std::uintptr_t>(window->winId()));
    dialogs.setProgressHandler(
        [w = window.get()](int value, bool visible) { w->showProgress(value, visible); });
    QObject::connect(window.get(), &quillon::MainWindow::programEnded, &app,
                     [](int exitCode) { QCoreApplication::exit(exitCode); });
    return QApplication::exec();
}
