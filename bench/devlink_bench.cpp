// Transfers against the in-process panel in virtual time. The protocol's floor is what a real link cannot
// beat: the mandated waits plus every byte at 12 Mbit/s. The host's own time (protocol code and simulated
// panel together) is reported as a share of that floor.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

#include <unistd.h>

#include "devlink/device.h"
#include "sim/panel.h"
#include "sim/simport.h"

namespace {

using namespace mirca;

constexpr double kLinkBitsPerSecond = 12e6;

struct Rig {
    explicit Rig(std::uint32_t mode) : port(panel, &clock), device(clock) {
        device.Connect(&port, mode);
        panel.ClearExchange();
        startUs = clock.NowUs();
    }
    sim::TSimPanel panel{sim::TPanelIdentity{}, 0x10000};
    TVirtualClock clock;
    sim::TSimPort port;
    TZelmoDevice device;
    std::uint64_t startUs = 0;

    double FloorMs() const {
        std::size_t bytes = 0;
        for (const auto& t : panel.Exchange())
            bytes += t.bytes.size();
        return static_cast<double>(clock.NowUs() - startUs) / 1000.0 +
               bytes * 8 / kLinkBitsPerSecond * 1000.0;
    }
};

// Runs op on a fresh connection each iteration, timing only op, and reports host time against the floor.
template <typename Op>
void Measure(benchmark::State& state, std::uint32_t mode, Op op) {
    double floorMs = 0;
    double hostMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto rig = std::make_unique<Rig>(mode);
        state.ResumeTiming();
        const auto t0 = std::chrono::steady_clock::now();
        const bool ok = op(*rig);
        hostMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        state.PauseTiming();
        if (!ok) state.SkipWithError("transfer failed");
        floorMs += rig->FloorMs();
        rig.reset();
        state.ResumeTiming();
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["floor_ms"] = floorMs / n;
    state.counters["host_ms"] = hostMs / n;
    state.counters["host/floor_%"] = 100.0 * hostMs / floorMs;
}

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
BENCHMARK(BM_LoadFirmware200K)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
