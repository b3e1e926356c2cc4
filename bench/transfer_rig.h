#pragma once

// Transfers against the in-process panel in virtual time. The protocol's floor is what a real link cannot
// beat: the mandated waits plus every byte at 12 Mbit/s. The host's own time (protocol code and simulated
// panel together) is reported as a share of that floor.
#include <benchmark/benchmark.h>

#include <chrono>
#include <functional>
#include <memory>

#include "devlink/device.h"
#include "sim/panel.h"
#include "sim/simport.h"

namespace mirca::bench {

constexpr double kLinkBitsPerSecond = 12e6;

// The virtual time since startUs plus every byte the panel exchanged, at the link's speed.
inline double FloorMs(const sim::TSimPanel& panel, const TVirtualClock& clock, std::uint64_t startUs) {
    std::size_t bytes = 0;
    for (const auto& t : panel.Exchange())
        bytes += t.bytes.size();
    return static_cast<double>(clock.NowUs() - startUs) / 1000.0 +
           static_cast<double>(bytes) * 8 / kLinkBitsPerSecond * 1000.0;
}

struct Rig {
    explicit Rig(std::uint32_t mode, const std::function<void(sim::TSimPanel&)>& prepare = {})
        : port(panel, &clock), device(clock) {
        if (prepare) prepare(panel);
        device.Connect(&port, mode);
        panel.ClearExchange();
        startUs = clock.NowUs();
    }
    sim::TSimPanel panel{sim::TPanelIdentity{}, 0x10000};
    TVirtualClock clock;
    sim::TSimPort port;
    TZelmoDevice device;
    std::uint64_t startUs = 0;

    double FloorMs() const { return bench::FloorMs(panel, clock, startUs); }
    // The floor's first part: the protocol's mandated waits alone.
    double WaitsMs() const { return static_cast<double>(clock.NowUs() - startUs) / 1000.0; }
};

// Runs op on a fresh connection each iteration, timing only op, and reports host time against the floor.
template <typename Op>
void Measure(benchmark::State& state, std::uint32_t mode, Op op,
             const std::function<void(sim::TSimPanel&)>& prepare = {}) {
    double floorMs = 0;
    double waitsMs = 0;
    double hostMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto rig = std::make_unique<Rig>(mode, prepare);
        state.ResumeTiming();
        const auto t0 = std::chrono::steady_clock::now();
        const bool ok = op(*rig);
        hostMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        state.PauseTiming();
        if (!ok) state.SkipWithError("transfer failed");
        floorMs += rig->FloorMs();
        waitsMs += rig->WaitsMs();
        rig.reset();
        state.ResumeTiming();
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["floor_ms"] = floorMs / n;
    state.counters["waits_ms"] = waitsMs / n;
    state.counters["host_ms"] = hostMs / n;
    state.counters["host/floor_%"] = 100.0 * hostMs / floorMs;
}

}  // namespace mirca::bench
