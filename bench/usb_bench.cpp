// Host time per transfer over the real libusb path to an emulated device (umockdev), beside the same
// exchanges against the in-process panel. Run under umockdev-wrapper.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "devlink/device.h"
#include "devlink/sleeper.h"
#include "devlink/table.h"
#include "devlink/usbpipe.h"
#include "sim/panel.h"
#include "sim/simport.h"
#include "tests/usbemu/usbemu.h"

namespace {

using namespace mirca;

// The panel and the pipe over the emulated bus; a fresh bus per benchmark, as libusb keeps its list.
struct TUsbPath {
    TUsbPath() : usb(bed.AddPanel(panel)) {
        pipe.SetPortName("usb");
        pipe.SetDeviceListPath(MIRCA_BIN_DIR "/drv_base/usbdevices.xml");
        opened = pipe.Open() == 1 && pipe.IsOpen();
    }
    sim::TSimPanel panel;
    usbemu::TUsbTestbed bed;
    usbemu::TEmulatedDevice& usb;
    TAtmUsbPipe pipe;
    bool opened = false;
};

struct TInProcessPath {
    sim::TSimPanel panel;
    sim::TSimPort pipe{panel};
};

using Clock = std::chrono::steady_clock;

// Transfers per iteration and host microseconds per transfer, the protocol's waits left out (virtual time).
void Report(benchmark::State& state, std::size_t transfers, Clock::duration elapsed) {
    if (transfers == 0 || state.iterations() == 0) return;
    const double us = std::chrono::duration<double, std::micro>(elapsed).count();
    state.counters["transfers"] = static_cast<double>(transfers) / static_cast<double>(state.iterations());
    state.counters["us_per_transfer"] = us / static_cast<double>(transfers);
}

// One identification: the request out, the 11-byte reply in (byte by byte, as the protocol reads), the
// acknowledgement out.
template <typename Path>
void Identify(benchmark::State& state, Path& path, const std::function<std::size_t()>& transfers) {
    TVirtualClock clock;
    TZelmoDevice device(clock);
    device.Port = &path.pipe;
    const std::size_t before = transfers();
    const auto start = Clock::now();
    for (auto _ : state) {
        if (!device.Identify()) {
            state.SkipWithError("identification failed");
            break;
        }
    }
    Report(state, transfers() - before, Clock::now() - start);
}

void BM_UsbIdentifyExchange(benchmark::State& state) {
    TUsbPath path;
    if (!path.opened) return state.SkipWithError("no emulated device (run under umockdev-wrapper)");
    Identify(state, path, [&path] { return path.usb.Counters().submitted; });
}

void BM_InProcessIdentifyExchange(benchmark::State& state) {
    TInProcessPath path;
    Identify(state, path, [&path] { return path.panel.Exchange().size(); });
}

// A 16 KiB configuration read, framed: the protocol's byte-wise reads over 64-byte transfers.
template <typename Path>
void ReadRegion(benchmark::State& state, Path& path, const std::function<std::size_t()>& transfers) {
    TVirtualClock clock;
    TZelmoDevice device(clock);
    if (!device.Connect(&path.pipe, TZelmoDevice::kModeConfiguration))
        return state.SkipWithError("no connection");
    const std::size_t before = transfers();
    const auto start = Clock::now();
    for (auto _ : state) {
        TZelmoTable table(TZelmoTable::kKindConfigRead, 0x1000, 16 * 1024);
        if (!device.ReadTable(table)) {
            state.SkipWithError("read failed");
            break;
        }
    }
    Report(state, transfers() - before, Clock::now() - start);
}

void BM_UsbReadRegion16K(benchmark::State& state) {
    TUsbPath path;
    if (!path.opened) return state.SkipWithError("no emulated device (run under umockdev-wrapper)");
    ReadRegion(state, path, [&path] { return path.usb.Counters().submitted; });
}

void BM_InProcessReadRegion16K(benchmark::State& state) {
    TInProcessPath path;
    ReadRegion(state, path, [&path] { return path.panel.Exchange().size(); });
}

BENCHMARK(BM_InProcessIdentifyExchange)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_UsbIdentifyExchange)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_InProcessReadRegion16K)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_UsbReadRegion16K)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
