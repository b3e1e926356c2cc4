#include "editor/sysoutlist.h"

#include <algorithm>

#include "memmap/memmap.h"

namespace mirca {

bool ModeHasDuration(int mode) {
    return mode == kModeSound || mode == kModeSoundAlarmOnly;
}

TSysOutRows ReadSysOutRows(TZelmoMemoryMap& map) {
    const TYSysOuts& outs = map.Block<TYSysOuts>("sys_outs").Value;
    const TYAdrMR& modules = map.Block<TYAdrMR>("adr_mr").Value;
    const TYSysOutsWorkModes& modes = map.Block<TYSysOutsWorkModes>("sys_outs_work_modes").Value;
    TSysOutRows rows;
    for (std::size_t s = 1; s <= kSystemOutputCount; ++s) {
        TSysOutRow& row = rows[s - 1];
        row.output = DecodeSystemOutput(outs, modules, s);
        if (!row.Bound()) continue;
        const std::uint16_t word = modes.OutWorkMode(s);
        const int mode = word & 0xFF;
        row.mode = mode < kSysOutModeCount ? mode : kModeNone;
        row.duration = ModeHasDuration(row.mode) ? static_cast<std::uint8_t>(word >> 8) : 0;
    }
    return rows;
}

void WriteSysOutRows(TZelmoMemoryMap& map, const TSysOutRows& rows) {
    auto& outs = map.Block<TYSysOuts>("sys_outs");
    auto& modes = map.Block<TYSysOutsWorkModes>("sys_outs_work_modes");
    TYSysOuts newOuts = outs.Value;
    TYSysOutsWorkModes newModes = modes.Value;
    for (std::size_t s = 1; s <= kSystemOutputCount; ++s) {
        const TSysOutRow& row = rows[s - 1];
        newOuts.SetSysOut(s, EncodeSystemOutput(row.output));
        std::uint16_t word = 0;
        if (row.Bound() && row.mode != kModeNone) {
            word = static_cast<std::uint16_t>(row.mode);
            if (ModeHasDuration(row.mode)) word |= static_cast<std::uint16_t>(row.duration << 8);
        }
        newModes.SetOutWorkMode(s, word);
    }
    outs.Change(newOuts);
    modes.Change(newModes);
}

void CommitSysOutRows(TZelmoMemoryMap& map, const TSysOutRows& rows, const TObjectTable* objects) {
    const auto bindings = [&map] {
        return DecodeSystemOutputs(map.Block<TYSysOuts>("sys_outs").Value,
                                   map.Block<TYAdrMR>("adr_mr").Value);
    };
    const TSystemOutputBindings before = bindings();
    WriteSysOutRows(map, rows);
    if (objects && objects->Valid() && bindings() != before) objects->Store(map);
}

std::vector<std::uint8_t> RelayModuleAddresses(const TYAdrMR& modules) {
    std::vector<std::uint8_t> addresses;
    for (std::size_t i = 1; i <= TYAdrMR::kCount; ++i) {
        const std::uint8_t a = modules.Adr(i);
        if (a >= 1 && a <= 62) addresses.push_back(a);
    }
    std::sort(addresses.begin(), addresses.end());
    addresses.erase(std::unique(addresses.begin(), addresses.end()), addresses.end());
    return addresses;
}

std::vector<std::uint8_t> FreeOutputs(const TSysOutRows& rows, std::size_t row, TOutputDevice kind,
                                      std::uint8_t address) {
    std::vector<std::uint8_t> free;
    if (kind == TOutputDevice::None) return free;
    const int last = kind == TOutputDevice::Panel ? TYSysOutAssigns::kPultOuts : TYSysOutAssigns::kMROuts;
    for (int k = 1; k <= last; ++k) {
        const TPhysicalOutput wanted{kind, kind == TOutputDevice::Panel ? std::uint8_t{0} : address,
                                     static_cast<std::uint8_t>(k)};
        bool used = false;
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (i != row && rows[i].output == wanted) used = true;
        if (!used) free.push_back(static_cast<std::uint8_t>(k));
    }
    return free;
}

}  // namespace mirca
