// Memory regions and firmware images moved against the in-process panel, against the protocol's floor.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

#include <unistd.h>

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

void BM_LoadFirmware200K(benchmark::State& state) {
    const auto path =
        std::filesystem::temp_directory_path() / ("mirca-bench-" + std::to_string(getpid()) + ".tsk");
    {
        std::vector<std::uint8_t> image(200 * 1024);
        for (std::size_t i = 0; i < image.size(); ++i)
            image[i] = static_cast<std::uint8_t>(i * 31);
        const std::uint8_t head[7] = {0xA9, 0x03, 0x00, 0x64, 6, 4, 9};  // a type-937 image
        std::copy(head, head + 7, image.begin());
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    }
    Measure(state, TZelmoDevice::kModeFirmware, [&](Rig& rig) { return rig.device.LoadFirmware(path); });
    std::filesystem::remove(path);
}

BENCHMARK(BM_ReadRegion16K)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteRegion16K)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadLegacyRegion16K)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteLegacyRegion16K)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadFirmware200K)->Unit(benchmark::kMillisecond);

}  // namespace
