// The firmware window offscreen over a folder of 1,000 firmware files: the listing it makes when it opens,
// until the list has been laid out and painted.
#include <benchmark/benchmark.h>

#include <QApplication>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "base/catalogue.h"
#include "bench/silentdialogs.h"
#include "devlink/panellink.h"
#include "firmware/zchangesoftform.h"
#include "sim/panel.h"
#include "sim/simport.h"

namespace {

namespace fs = std::filesystem;
using namespace mirca;

const fs::path kBin = MIRCA_BIN_DIR;

void BM_FirmwareWindowList1000(benchmark::State& state) {
    Catalogue().LoadCatalogue(kBin / "drv_base" / "Messages.xml", "RU", "");
    const fs::path folder = fs::temp_directory_path() / "mirca-firmware-window-bench";
    fs::remove_all(folder);
    fs::create_directories(folder);
    std::vector<char> bytes(4096, 0x11);
    const char head[] = {static_cast<char>(0xA9), 0x03, 'd', 'd', 6, 4, 9};
    std::copy(std::begin(head), std::end(head), bytes.begin());
    for (int i = 0; i < 1000; ++i) {
        // The three masks of the opening listing, a third each.
        const char* prefix[] = {"937_", "x_rpu_", "x_rpd_"};
        std::ofstream(folder / (std::string(prefix[i % 3]) + std::to_string(i) + ".tsk"), std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    TVirtualClock clock;
    sim::TSimPanel panel;
    bench::TSilentDialogs dialogs;
    TFirmwareSetup setup;
    setup.dialogs = &dialogs;
    setup.paths = [&] { return TFirmwarePaths{kBin, folder, kBin / "drv_base", folder / "conf"}; };
    setup.link = [&] {
        return std::make_unique<TPanelLink>(std::make_unique<sim::TSimPort>(panel, &clock), clock);
    };
    setup.sleeper = &clock;
    TZChangeSoftForm form(std::move(setup));
    form.show();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        form.Session()->Shown();
        QCoreApplication::processEvents();
    }
    state.counters["rows"] = static_cast<double>(form.Session()->Files().size());
    form.close();
    fs::remove_all(folder);
}
BENCHMARK(BM_FirmwareWindowList1000)->Unit(benchmark::kMillisecond);

}  // namespace
