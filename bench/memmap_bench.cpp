// The Y-649 map: parsing it, building and loading its image, and moving the whole configuration.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "bench/transfer_rig.h"
#include "memmap/memmap.h"
#include "sim/factoryimage.h"

namespace {

using namespace mirca;

const std::filesystem::path kMap =
    std::filesystem::path(MIRCA_SOURCE_DIR) / "data" / "drv_base" / "937_d_6_4.xml";

void BM_ParseY649Map(benchmark::State& state) {
    for (auto _ : state) {
        TZelmoMemoryMap map(kMap);
        benchmark::DoNotOptimize(map.BlockCount());
    }
}

void BM_BuildAndLoadImage(benchmark::State& state) {
    TZelmoMemoryMap map(kMap);
    for (auto _ : state) {
        TZelmoMemoryMapImage& image = map.BuildImage();
        benchmark::DoNotOptimize(map.LoadFromImage(image));
    }
}

void LoadFactory(sim::TSimPanel& panel) {
    static TZelmoMemoryMap map(kMap);
    sim::LoadFactoryMap(panel, map);
}

void BM_ReadWholeConfiguration(benchmark::State& state) {
    TZelmoMemoryMap map(kMap);
    bench::Measure(
        state, TZelmoDevice::kModeConfiguration,
        [&](bench::Rig& rig) {
            TZelmoMemoryMapImage& image = map.BuildImage();
            return image.ReadReadable(rig.device) && map.LoadFromImage(image);
        },
        LoadFactory);
}

void BM_WriteWholeConfiguration(benchmark::State& state) {
    TZelmoMemoryMap map(kMap);
    bench::Measure(
        state, TZelmoDevice::kModeConfiguration,
        [&](bench::Rig& rig) { return map.BuildImage().WriteWritable(rig.device); }, LoadFactory);
}

BENCHMARK(BM_ParseY649Map)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildAndLoadImage)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadWholeConfiguration)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteWholeConfiguration)->Unit(benchmark::kMillisecond);

}  // namespace
