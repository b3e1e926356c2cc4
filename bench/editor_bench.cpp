// The editor's object table on a full Y-649 configuration: every address occupied, every zone assigned, every
// object with seven system outputs. A rebuild runs after every read, file open and factory reset; a store on
// every commit of the two assignment pages; a zone click on every click in the zones grid.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "editor/objecttable.h"
#include "editor/settingsrules.h"
#include "editor/sysoutlist.h"
#include "memmap/memmap.h"

namespace {

using namespace mirca;

const std::filesystem::path kMap =
    std::filesystem::path(MIRCA_SOURCE_DIR) / "data" / "drv_base" / "937_d_6_4.xml";

// 125 devices of two addresses with a panel number (16 zones each), zone k of all 2000 owned by object k;
// eight relay modules and 35 bound system outputs, every object holding all outputs of the panel and of one
// module.
void FillFullConfiguration(TZelmoMemoryMap& map) {
    auto& modules = map.Block<TYAdrMR>("adr_mr").Value;
    for (std::size_t i = 0; i < TYAdrMR::kCount; ++i)
        modules.bytes[i] = static_cast<std::uint8_t>(10 + i);
    auto& outs = map.Block<TYSysOuts>("sys_outs").Value;
    for (std::size_t s = 1; s <= 3; ++s)
        outs.SetSysOut(s, static_cast<std::uint8_t>(s));
    for (std::size_t s = 4; s <= kSystemOutputCount; ++s)
        outs.SetSysOut(s, static_cast<std::uint8_t>(modules.bytes[(s - 4) / 4] * 4 + (s - 4) % 4 + 1));

    auto& rpd = map.Block<TYRPDNumForAdr>("rpd_nums").Value;
    auto& pkp = map.Block<TYPKPNumForAdr>("pkp_nums").Value;
    auto& objNums = map.Block<TYObjNumForAdrAndII>("obj_nums").Value;
    for (std::size_t a = 1; a <= kAddressCount; ++a) {
        rpd.bytes[a - 1] = static_cast<std::uint8_t>((a + 1) / 2);
        pkp.bytes[a - 1] = 1;
        for (std::size_t z = 1; z <= kZonesPerBlock; ++z)
            objNums.SetObjNum(a, z, static_cast<std::uint16_t>((a - 1) * kZonesPerBlock + z));
    }
    auto& assigns = map.Block<TYSysOutsAssigns>("sys_outs_assigns").Value;
    for (std::size_t n = 1; n <= kObjectCount; ++n)
        assigns.SetYSysOutAssigns(n, TYSysOutAssigns{{0x07, modules.bytes[n % TYAdrMR::kCount], 0x0F}});
}

// The full configuration in a map and the table rebuilt from it.
struct TFullTable {
    TZelmoMemoryMap map{kMap};
    TObjectTable table;
    TFullTable() {
        FillFullConfiguration(map);
        table.Rebuild(map);
    }
};

void BM_RebuildFullTable(benchmark::State& state) {
    TFullTable full;
    for (auto _ : state) {
        full.table.Rebuild(full.map);
        benchmark::DoNotOptimize(full.table.Object(kObjectCount).outputCount);
    }
    // A table that lost its content would make the figure meaningless.
    if (full.table.Object(kObjectCount).outputCount != kOutputSlots) state.SkipWithError("table not full");
}

void BM_StoreFullTable(benchmark::State& state) {
    TFullTable full;
    for (auto _ : state)
        full.table.Store(full.map);
}

void BM_ClickZone(benchmark::State& state) {
    TFullTable full;
    for (auto _ : state)
        benchmark::DoNotOptimize(full.table.ClickZone(1, kFirstZoneColumn));
}

void BM_GiveDevice(benchmark::State& state) {
    TFullTable full;
    std::uint8_t device = 1;
    for (auto _ : state) {
        device = device == 1 ? 2 : 1;
        benchmark::DoNotOptimize(full.table.GiveDevice(1, device));
    }
}

// The rules under the main settings, codes and system output pages: a fill reads the blocks, a commit checks
// and writes them back.
void BM_MainSettingsFillCommit(benchmark::State& state) {
    TZelmoMemoryMap map{kMap};
    for (auto _ : state) {
        TMainSettings s = ReadMainSettings(map);
        benchmark::DoNotOptimize(WriteMainSettings(map, s));
    }
}

void BM_CodesFillCommit(benchmark::State& state) {
    TZelmoMemoryMap map{kMap};
    auto& codes = map.Block<TYConfirmCodes>("codes").Value;
    for (int i = 1; i <= kCodeCount; ++i)
        codes.SetCode(static_cast<std::size_t>(i), EncodeCode(std::to_string(100000 + i)));
    for (auto _ : state) {
        TCodeList list = TCodeList::Read(map);
        benchmark::DoNotOptimize(list.Enter(kCodeCount, "999999"));
        list.Write(map);
    }
}

void BM_SysOutsFillCommit(benchmark::State& state) {
    TFullTable full;
    for (auto _ : state) {
        const TSysOutRows rows = ReadSysOutRows(full.map);
        WriteSysOutRows(full.map, rows);
    }
}

BENCHMARK(BM_MainSettingsFillCommit)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CodesFillCommit)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SysOutsFillCommit)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RebuildFullTable)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StoreFullTable)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ClickZone)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GiveDevice)->Unit(benchmark::kMicrosecond);

}  // namespace
