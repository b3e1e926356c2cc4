// Memory regions and firmware images moved against the in-process panel, against the protocol's floor.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
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

// Writes the image through a firmware connection to the panel that prepare makes.
void LoadFirmware(benchmark::State& state, std::vector<std::uint8_t> image,
                  const std::function<void(sim::TSimPanel&)>& prepare = {}) {
    const auto path =
        std::filesystem::temp_directory_path() / ("mirca-bench-" + std::to_string(getpid()) + ".tsk");
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    Measure(
        state, TZelmoDevice::kModeFirmware, [&](Rig& rig) { return rig.device.LoadFirmware(path); }, prepare);
    std::filesystem::remove(path);
}

std::vector<std::uint8_t> Image(std::size_t size, std::initializer_list<std::uint8_t> head) {
    std::vector<std::uint8_t> image(size);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(i * 31);
    std::copy(head.begin(), head.end(), image.begin());
    return image;
}

void BM_LoadFirmware200K(benchmark::State& state) {
    LoadFirmware(state, Image(200 * 1024, {0xA9, 0x03, 0x64, 0x64, 6, 4, 9}));  // a type-937 image
}

// An output module's image of 64 KiB: legacy frames, 64 bytes a write.
void BM_LoadLegacyFirmware64K(benchmark::State& state) {
    LoadFirmware(state, Image(11 + 64 * 1024, {0x41, 0x00, 0, 0, 0, 1, 4, 1, 2, 3, 4}),
                 [](sim::TSimPanel& panel) {
                     sim::TPanelIdentity id;
                     id.framed = false;
                     id.typeCode = 0x41;
                     id.legacyCode = 0x41;
                     id.major = 1;
                     id.minor = 2;
                     panel.SetIdentity(id);
                 });
}

BENCHMARK(BM_ReadRegion16K)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteRegion16K)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadLegacyRegion16K)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteLegacyRegion16K)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadFirmware200K)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadLegacyFirmware64K)->Unit(benchmark::kMillisecond);

}  // namespace
