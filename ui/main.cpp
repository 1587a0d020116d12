#include <QApplication>

#include "core/startup.h"
#include "ui/latin1.h"
#include "ui/program.h"

namespace {

void nameProgram()
{
    QCoreApplication::setApplicationName(QStringLiteral("Quillon"));
    QCoreApplication::setApplicationVersion(quillon::toQString(quillon::ProgramVersion));
}

} // namespace

int main(int argc, char* argv[])
{
    if (quillon::asksForUsageOnly(argc, argv)) {
        // Answered without a display, on a terminal of a machine that has none.
        QCoreApplication app(argc, argv);
        nameProgram();
        return quillon::runProgram(app);
    }
    QApplication app(argc, argv);
    nameProgram();
    // The desktop entry's name, so that a Wayland compositor finds the icon and name.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.quillon.Quillon"));
    return quillon::runProgram(app);
}
