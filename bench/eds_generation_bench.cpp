#include <benchmark/benchmark.h>
#include <cstdlib>
#include <iostream>

#include "bench/no_dialogs.h"
#include "core/dialogs.h"
#include "core/session.h"
#include "core/settings.h"
#include "eds/generate.h"
#include "eds/template_reader.h"

namespace quillon {
namespace {

using bench::NoDialogs;

const Settings& sampleCatalogue()
{
    static const SettingsResult settings =
        readSettingsFile(std::string(QUILLON_RESOURCES) + "/Quillon.ini", QUILLON_RESOURCES);
    if (!settings.ok) {
        std::cerr << "cannot read the sample catalogue: " << settings.error.detail << "\n";
        std::exit(1);
    }
    return settings.settings;
}

ModuleInfo catalogueModule(const std::string& model)
{
    const Settings& settings = sampleCatalogue();
    for (std::size_t i = 0; i < settings.moduleNames.size(); ++i) {
        if (settings.moduleNames[i].rfind(model, 0) == 0)
            return settings.catalogue[i];
    }
    std::cerr << "no catalogue module " << model << "\n";
    std::exit(1);
}

Session fullStation(FieldbusProtocol protocol)
{
    Session session;
    session.gstrResourcePath = sampleCatalogue().resourcePath;
    session.Protocol = protocol;
    session.ClusterSlots[0] = headRecord();
    session.UsedBytes = session.ClusterSlots[0].bytes();
    session.UsedCount = 1;
    for (const char* model : {"KD236", "KD436", "KA228", "KA424", "KM688", "KM622", "KA234"}) {
        const ModuleInfo m = catalogueModule(model);
        session.ClusterSlots[static_cast<std::size_t>(session.UsedCount++)] = m;
        for (std::size_t kind = 0; kind < session.UsedBytes.size(); ++kind)
            session.UsedBytes[kind] += m.bytes()[kind];
    }
    if (protocol == FieldbusProtocol::CanOpen) {
        // The largest PDO layout the CANopen limits allow: two digital and four analogue PDOs
        // in each direction.
        session.UsedBytes = sampleCatalogue().canOpenLimits;
    }
    return session;
}

const DateTime Instant{2009, 6, 30, 14, 5, 9};

void runGeneration(benchmark::State& state, FieldbusProtocol protocol, bool templatesInMemory)
{
    Session session = fullStation(protocol);
    NoDialogs dialogs;
    TemplateStore kept(session.gstrResourcePath);
    std::size_t bytes = 0;
    for (auto _ : state) {
        // From disk: a fresh store per EDS, as "Create EDS File and Save" reads the templates.
        TemplateStore fresh(session.gstrResourcePath);
        TemplateStore& templates = templatesInMemory ? kept : fresh;
        const EdsBuildResult result = buildEdsText(session, protocol, "C:\\EDSFiles\\station.eds",
                                                   Instant, dialogs, templates);
        if (!result.ok) {
            state.SkipWithError(result.error.c_str());
            break;
        }
        bytes += result.text.size();
        benchmark::DoNotOptimize(result.text.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}

void DeviceNetFullStation(benchmark::State& state)
{
    runGeneration(state, FieldbusProtocol::DeviceNet, false);
}
void DeviceNetFullStationTemplatesInMemory(benchmark::State& state)
{
    runGeneration(state, FieldbusProtocol::DeviceNet, true);
}
void CanOpenLargestPdoLayout(benchmark::State& state)
{
    runGeneration(state, FieldbusProtocol::CanOpen, false);
}
void CanOpenLargestPdoLayoutTemplatesInMemory(benchmark::State& state)
{
    runGeneration(state, FieldbusProtocol::CanOpen, true);
}

BENCHMARK(DeviceNetFullStation);
BENCHMARK(DeviceNetFullStationTemplatesInMemory);
BENCHMARK(CanOpenLargestPdoLayout);
BENCHMARK(CanOpenLargestPdoLayoutTemplatesInMemory);

} // namespace
} // namespace quillon

BENCHMARK_MAIN();
