// The firmware file list over a folder of 1,000 firmware files: the listing the window makes when it opens
// (three masks, no device), and the one after connecting, which reads every matching file's header twice
// (its row and the compatibility check).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "devlink/device.h"
#include "firmware/filelist.h"
#include "sim/panel.h"
#include "sim/simport.h"

namespace {

using namespace mirca;
namespace fs = std::filesystem;

constexpr int kFiles = 1000;

// 1,000 files of 4 KiB: a third each for system 6, system 1 and the output modules, under the masks' names.
const fs::path& Folder() {
    static const fs::path folder = [] {
        const fs::path dir = fs::temp_directory_path() / ("mirca_bench_firmware_" + std::to_string(getpid()));
        fs::create_directories(dir);
        std::vector<char> bytes(4096, 0x11);
        for (int i = 0; i < kFiles; ++i) {
            std::string name;
            if (i % 3 == 0) {
                name = "Y-PCN_" + std::to_string(i) + ".tsk";
                bytes[4] = 6;
            } else if (i % 3 == 1) {
                name = "937_rpu_" + std::to_string(i) + ".tsk";
                bytes[4] = 1;
            } else {
                name = "m_y-uop_" + std::to_string(i) + ".tsk";
                bytes[4] = 0;
            }
            bytes[0] = static_cast<char>(0xA9);
            bytes[1] = 0x03;
            std::ofstream(dir / name, std::ios::binary)
                .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        }
        std::atexit([] {
            fs::remove_all(fs::temp_directory_path() / ("mirca_bench_firmware_" + std::to_string(getpid())));
        });
        return dir;
    }();
    return folder;
}

void BM_FirmwareListAtOpening(benchmark::State& state) {
    const fs::path& folder = Folder();
    TZelmoDevice device;
    std::size_t rows = 0;
    for (auto _ : state) {
        rows = 0;
        for (const auto& mask : OpeningMasks())
            rows += ListFirmwareFiles(folder, mask, device).size();
    }
    state.counters["files"] = kFiles;
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_FirmwareListAtOpening)->Unit(benchmark::kMillisecond);

void BM_FirmwareListConnected(benchmark::State& state) {
    const fs::path& folder = Folder();
    sim::TSimPanel panel;  // a system-6 panel
    TVirtualClock clock;
    sim::TSimPort port(panel, &clock);
    TZelmoDevice device(clock);
    if (!device.Connect(&port, TZelmoDevice::kModeFirmware)) {
        state.SkipWithError("the simulated panel did not connect");
        return;
    }
    std::size_t rows = 0;
    for (auto _ : state)
        rows = ListFirmwareFiles(folder, *DeviceMask(937, 6), device).size();
    state.counters["files"] = kFiles;
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_FirmwareListConnected)->Unit(benchmark::kMillisecond);

}  // namespace
