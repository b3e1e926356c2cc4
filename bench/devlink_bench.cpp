// Memory regions moved against the in-process panel, against the protocol's floor (firmware images:
// firmware_bench.cpp).
#include <benchmark/benchmark.h>

#include <functional>

#include "bench/transfer_rig.h"

namespace {

using namespace mirca;
using bench::Measure;
using bench::Rig;

void BM_ReadRegion16K(benchmark::State& state) {
    Measure(state, TZelmoDevice::kModeConfiguration, [](Rig& rig) {
        TZelmoTable table(TZelmoTable::kKindConfigRead, 0x1000, 16 * 1024);
        return rig.device.ReadTable(table);
    });
}

void BM_WriteRegion16K(benchmark::State& state) {
    Measure(state, TZelmoDevice::kModeConfiguration, [](Rig& rig) {
        TZelmoTable table(TZelmoTable::kKindConfigWrite, 0x1000, 16 * 1024);
        for (std::size_t i = 0; i < table.data.size(); ++i)
            table.data[i] = static_cast<std::uint8_t>(i);
        return rig.device.WriteTable(table);
    });
}

// A legacy panel moves pages; a region that starts and ends inside a page reads its partial pages first when
// writing.
void LegacyPanel(sim::TSimPanel& panel) {
    sim::TPanelIdentity id;
    id.framed = false;
    id.major = 5;
    id.minor = 0;
    panel.SetIdentity(id);
}

void BM_ReadLegacyRegion16K(benchmark::State& state) {
    Measure(
        state, TZelmoDevice::kModeConfiguration,
        [](Rig& rig) {
            TZelmoTable table(TZelmoTable::kKindConfigRead, 0x1010, 16 * 1024);
            return rig.device.ReadTable(table);
        },
        LegacyPanel);
}

void BM_WriteLegacyRegion16K(benchmark::State& state) {
    Measure(
        state, TZelmoDevice::kModeConfiguration,
        [](Rig& rig) {
            TZelmoTable table(TZelmoTable::kKindConfigWrite, 0x1010, 16 * 1024);
            for (std::size_t i = 0; i < table.data.size(); ++i)
                table.data[i] = static_cast<std::uint8_t>(i);
            return rig.device.WriteTable(table);
        },
        LegacyPanel);
}

BENCHMARK(BM_ReadRegion16K)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteRegion16K)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadLegacyRegion16K)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteLegacyRegion16K)->Unit(benchmark::kMillisecond);

}  // namespace
