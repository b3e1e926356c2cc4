// Configuration as text: what "mirca-cli config dump FILE" does for a Y-649 file, as a whole and its dump
// alone, and a diff of two such configurations.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

#include <unistd.h>

#include "base/failure.h"
#include "memmap/configtext.h"
#include "memmap/files.h"
#include "memmap/memmap.h"

namespace {

using namespace mirca;
namespace fs = std::filesystem;

const fs::path kMaps = fs::path(MIRCA_SOURCE_DIR) / "data" / "drv_base";

// A Y-649 configuration file (the map's factory values) in the temporary folder, made once and removed when
// the program ends.
struct TY649File {
    TY649File() : path(fs::temp_directory_path() / ("mirca-bench-" + std::to_string(getpid()) + ".ycfg")) {
        TZelmoMemoryMap map(kMaps / "937_d_6_4.xml");
        if (!SaveToFile(map.BuildImage(), path, kConfigFormatBinary))
            throw std::runtime_error(LastFailureText());
    }
    ~TY649File() {
        std::error_code ignored;
        fs::remove(path, ignored);
    }
    fs::path path;
};

const fs::path& Y649File() {
    static const TY649File file;
    return file.path;
}

// Load the file, choose and parse its map, dump every block: the command's whole work but printing.
void BM_DumpY649File(benchmark::State& state) {
    for (auto _ : state) {
        TZelmoMemoryMapImage image;
        const auto map = LoadConfigurationMap(kMaps, Y649File(), image);
        if (!map) {
            state.SkipWithError(LastFailureText().c_str());
            break;
        }
        benchmark::DoNotOptimize(DumpText(*map));
    }
}

void BM_DumpTextY649(benchmark::State& state) {
    TZelmoMemoryMap map(kMaps / "937_d_6_4.xml");
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string text = DumpText(map);
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.counters["chars"] = static_cast<double>(bytes);
}

void BM_DiffY649(benchmark::State& state) {
    TZelmoMemoryMap a(kMaps / "937_d_6_4.xml"), b(kMaps / "937_d_6_4.xml");
    b.ConfigBlock("language").ValueBytes()[0] = 1;
    for (auto _ : state)
        benchmark::DoNotOptimize(DiffMaps(a, b));
}

BENCHMARK(BM_DumpY649File)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DumpTextY649)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DiffY649)->Unit(benchmark::kMicrosecond);

}  // namespace
