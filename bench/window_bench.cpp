// "Create EDS File and Save" in the real main window, offscreen: the progress bar repainted after
// each slot, the pauses that keep each step in sight, the generation and the file written. The
// save dialog and the closing notice are answered in code; everything else is the program's.
#include <benchmark/benchmark.h>
#include <filesystem>
#include <iostream>

#include <QApplication>
#include <QPushButton>

#include "core/cluster.h"
#include "core/session.h"
#include "core/startup.h"
#include "core/system.h"
#include "ui/main_window.h"
#include "ui/qt_dialogs.h"

namespace quillon {
namespace {

// The window's own dialogs, with the save dialog answered and the notice after a CANopen EDS
// (which waits for its OK button) let through.
class AnsweringDialogs : public QtDialogs
{
public:
    explicit AnsweringDialogs(std::string path) : m_path(std::move(path)) {}
    void notice(const std::string&, const std::string&) override {}
    std::optional<std::string> saveFile(const FileRequest&) override { return m_path; }

private:
    std::string m_path;
};

void CreateEdsInTheWindowFullStation(benchmark::State& state)
{
    const std::filesystem::path out = std::filesystem::temp_directory_path() / "quillon-bench";
    std::filesystem::create_directories(out);
    AnsweringDialogs dialogs((out / "CO_full_station.eds").string());

    Session session;
    session.programDir = QUILLON_RESOURCES;
    session.iniPath = std::string(QUILLON_RESOURCES) + "/Quillon.ini";
    const auto system = makePlatformSystem();
    const auto window = startMainWindow(session, dialogs, *system);
    if (!window) {
        state.SkipWithError("the sample station does not start");
        return;
    }
    dialogs.setParentWidget(window.get());
    dialogs.setProgressHandler(
        [w = window.get()](int value, bool visible) { w->showProgress(value, visible); });

    // Head and seven modules, the most slots a station has.
    ChooseProtocol(session, FieldbusProtocol::CanOpen);
    NewConfiguration(session, dialogs);
    for (const char* model : {"KD236", "KD436", "KA224", "KA424", "KM688", "KM622", "KD218"}) {
        const auto& names = session.view.catalogueNames;
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (names[i].rfind(model, 0) == 0) {
                SelectCatalogueEntry(session, dialogs, static_cast<int>(i));
                AddModule(session, dialogs);
            }
        }
    }
    window->render();
    if (session.UsedCount != 8) {
        state.SkipWithError("the seven modules do not fit the CANopen limits");
        return;
    }
    auto* create = window->findChild<QPushButton*>(QStringLiteral("Command9"));

    for (auto _ : state) {
        create->click();
        if (!session.view.isEnabled("Command5")) {
            state.SkipWithError("no EDS was created");
            break;
        }
    }
    std::filesystem::remove_all(out);
}

BENCHMARK(CreateEdsInTheWindowFullStation)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(10);

} // namespace
} // namespace quillon

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
