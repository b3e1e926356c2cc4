// The object assignment pages with all 2000 objects in use: filling a page (the page drawn once, as when
// it comes on screen) and committing it (the object table stored into the map's blocks).
#include <benchmark/benchmark.h>

#include <QPixmap>
#include <QTableView>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "base/catalogue.h"
#include "bench/silentdialogs.h"
#include "editor/assignpages.h"
#include "editor/objecttable.h"
#include "memmap/memmap.h"
#include "memmap/records.h"

namespace {

namespace fs = std::filesystem;
using namespace mirca;

const fs::path kBin = MIRCA_BIN_DIR;

// 125 devices with panel numbers at two addresses each (16 zones), every zone held by its own object, so
// every object has a device; every object has the panel's three outputs and two of a relay module's.
void Crowd(TZelmoMemoryMap& map) {
    auto& modules = map.Block<TYAdrMR>("adr_mr").Value;
    modules.bytes = {1, 2, 3, 4, 5, 6, 7, 8};
    auto& outs = map.Block<TYSysOuts>("sys_outs").Value;
    for (std::size_t s = 1; s <= 3; ++s)
        outs.SetSysOut(s, static_cast<std::uint8_t>(s));
    for (std::size_t s = 4; s <= kSystemOutputCount; ++s)  // module (s - 4) / 4 + 1, output (s - 4) % 4 + 1
        outs.SetSysOut(s, static_cast<std::uint8_t>(((s - 4) / 4 + 1) * 4 + (s - 4) % 4 + 1));

    auto& rpd = map.Block<TYRPDNumForAdr>("rpd_nums").Value;
    auto& pkp = map.Block<TYPKPNumForAdr>("pkp_nums").Value;
    auto& objNums = map.Block<TYObjNumForAdrAndII>("obj_nums").Value;
    auto& assigns = map.Block<TYSysOutsAssigns>("sys_outs_assigns").Value;
    std::uint16_t object = 0;
    for (std::size_t adr = 1; adr <= kAddressCount; ++adr) {
        rpd.bytes[adr - 1] = static_cast<std::uint8_t>((adr + 1) / 2);
        pkp.bytes[adr - 1] = 1;
        for (std::size_t zone = 1; zone <= kZonesPerBlock; ++zone)
            objNums.SetObjNum(adr, zone, ++object);
    }
    for (std::size_t n = 1; n <= kObjectCount; ++n)
        assigns.SetYSysOutAssigns(n, TYSysOutAssigns{{0b111, static_cast<std::uint8_t>(n % 8 + 1), 0b0101}});
}

struct TRig {
    TRig() {
        Catalogue().LoadCatalogue(kBin / "drv_base" / "Messages.xml", "RU", "");
        Crowd(map);
        table.Rebuild(map);
        if (!table.Valid()) throw std::runtime_error("object table not rebuilt");
    }
    TZelmoMemoryMap map{kBin / "drv_base" / "937_d_6_4.xml"};
    TObjectTable table;
    bench::TSilentDialogs dialogs;
    bool leave = true;
};

template <typename Page>
void FillPage(benchmark::State& state) {
    TRig rig;
    Page page({&rig.dialogs, &rig.leave}, nullptr);
    page.resize(800, 600);
    page.show();
    for (auto _ : state) {
        page.Fill({&rig.map, &rig.table});
        // Drawn into a pixmap: a repaint is skipped while the offscreen window is not exposed.
        benchmark::DoNotOptimize(page.grab());
    }
}

template <typename Page>
void CommitPage(benchmark::State& state) {
    TRig rig;
    Page page({&rig.dialogs, &rig.leave}, nullptr);
    page.Fill({&rig.map, &rig.table});
    // A page stores only an edited table: one edit, taken back, so that every commit stores the whole table.
    rig.table.ToggleMark(1);
    rig.table.ToggleMark(1);
    for (auto _ : state) {
        page.Commit();
        benchmark::DoNotOptimize(rig.map.AnyModified());
    }
}

void BM_AssignOutputsFill(benchmark::State& state) {
    FillPage<TAssignOutputsPage>(state);
}
void BM_AssignZonesFill(benchmark::State& state) {
    FillPage<TAssignZonesPage>(state);
}
void BM_AssignOutputsCommit(benchmark::State& state) {
    CommitPage<TAssignOutputsPage>(state);
}
void BM_AssignZonesCommit(benchmark::State& state) {
    CommitPage<TAssignZonesPage>(state);
}

BENCHMARK(BM_AssignOutputsFill)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AssignZonesFill)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AssignOutputsCommit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AssignZonesCommit)->Unit(benchmark::kMillisecond);

}  // namespace
