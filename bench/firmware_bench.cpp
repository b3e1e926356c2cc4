// Firmware images written through the in-process panel in virtual time, against the protocol's floor: a
// framed panel image and an output module's legacy image, each taken by the simulated loader.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include <unistd.h>

#include "bench/transfer_rig.h"

namespace {

using namespace mirca;
using bench::Measure;
using bench::Rig;

// Writes the image through a firmware connection to the panel that prepare makes; a run in which the panel
// did not take the whole image is an error, not a figure.
void LoadFirmware(benchmark::State& state, const std::vector<std::uint8_t>& image,
                  const std::function<void(sim::TSimPanel&)>& prepare = {}) {
    const auto path =
        std::filesystem::temp_directory_path() / ("mirca-bench-" + std::to_string(getpid()) + ".tsk");
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    Measure(
        state, TZelmoDevice::kModeFirmware,
        [&](Rig& rig) { return rig.device.LoadFirmware(path) && rig.panel.FirmwareComplete(); }, prepare);
    std::filesystem::remove(path);
}

std::vector<std::uint8_t> Image(std::size_t size, std::initializer_list<std::uint8_t> head) {
    std::vector<std::uint8_t> image(size);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(i * 31);
    std::copy(head.begin(), head.end(), image.begin());
    return image;
}

// A type-937 system-6 image for the default panel (937, 6.4.9): 813 blocks of 252 bytes.
void BM_LoadFirmware200K(benchmark::State& state) {
    LoadFirmware(state, Image(200 * 1024, {0xA9, 0x03, 0x64, 0x64, 6, 5, 1}));
}

// An output module's image of 64 KiB: legacy frames, 64 bytes a write, no waits, so its floor is wire time
// alone.
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

BENCHMARK(BM_LoadFirmware200K)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadLegacyFirmware64K)->Unit(benchmark::kMillisecond);

}  // namespace
