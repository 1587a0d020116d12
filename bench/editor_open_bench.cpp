// How long the parameter editor takes to open on a station of 496 parameter rows (8 slots of 62),
// the size the editor's row table is made for. Run offscreen:
//   QT_QPA_PLATFORM=offscreen build/ci/bench/quillon_editor_bench
#include <benchmark/benchmark.h>

#include <QApplication>

#include "bench/no_dialogs.h"
#include "core/dialogs.h"
#include "core/session.h"
#include "ui/frm_dynam.h"

namespace quillon {
namespace {

using bench::NoDialogs;

void BM_OpenEditorOn496Rows(benchmark::State& state)
{
    Session session;
    session.gintAnzMod = 8;
    session.gstrModule = {"OVN_HB612.eds", "OVN_KD236.eds", "OVN_KA224.eds", "OVN_KD418.eds",
                          "OVN_KA228.eds", "OVN_KM644.eds", "OVN_KD214.eds", "OVN_KA422.eds"};
    session.gstrModPar = {62, 62, 62, 62, 62, 62, 62, 62};
    NoDialogs dialogs;
    for (auto _ : state) {
        FrmDynam window(session, dialogs);
        window.show();
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(window.editor().rowCount());
    }
}
BENCHMARK(BM_OpenEditorOn496Rows)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace
} // namespace quillon

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
