#pragma once

// The system output list of a Y-family system as its page and binding dialog edit it, without widgets: each
// of the 35 system outputs bound to a physical output of the panel or of a relay module, with a work mode
// and, for the sound modes, a duration.

#include <array>
#include <cstdint>
#include <vector>

#include "editor/objecttable.h"

namespace mirca {

class TZelmoMemoryMap;

// Work modes of a system output: the first byte of its pair in `sys_outs_work_modes`.
enum TSysOutMode : int {
    kModeNone = -1,  // bound, but no mode chosen yet; written as mode 0
    kModeAlarm = 0,
    kModeCentralStation = 1,
    kModeLamp = 2,
    kModeSound = 3,
    kModeSoundAlarmOnly = 4,
};
inline constexpr int kSysOutModeCount = 5;
// The duration byte that means "no limit".
inline constexpr std::uint8_t kUnlimitedDuration = 255;
inline constexpr int kFirstDuration = 10;
inline constexpr int kLastDuration = 254;

// Whether a mode takes a duration: the two sound modes.
bool ModeHasDuration(int mode);

struct TSysOutRow {
    TPhysicalOutput output;  // kind None: not bound
    int mode = kModeNone;
    std::uint8_t duration = 0;  // minutes for the sound modes, 255 without limit; 0 otherwise
    bool Bound() const { return output.kind != TOutputDevice::None; }
    bool operator==(const TSysOutRow&) const = default;
};

using TSysOutRows = std::array<TSysOutRow, kSystemOutputCount>;  // system output s at s - 1

// The rows from `sys_outs`, `adr_mr` and `sys_outs_work_modes`. An output that decodes to no physical output
// is an empty row; a stored mode outside 0..4 shows as none.
TSysOutRows ReadSysOutRows(TZelmoMemoryMap& map);

// Writes `sys_outs` and `sys_outs_work_modes` from the rows: a bound row its binding byte, its mode (0 when
// none) and, for the sound modes, its duration; an empty row three zeros. Each block is marked Modified when
// its bytes changed. A binding that has no byte (a relay module address above 62) throws before anything is
// written.
void WriteSysOutRows(TZelmoMemoryMap& map, const TSysOutRows& rows);

// Writes the rows as WriteSysOutRows does, and when that binds any system output to another physical output
// (or to none) stores the object table, so that the objects' assignments in `sys_outs_assigns` name the
// physical outputs their system outputs now stand for; a configuration saved next holds no assignment of
// an output that was deleted or moved. Rows that bind as before leave the object blocks alone. Null or a
// table that is not valid is not stored.
void CommitSysOutRows(TZelmoMemoryMap& map, const TSysOutRows& rows, const TObjectTable* objects);

// The relay module addresses the binding dialog offers: the distinct non-zero addresses of `adr_mr`,
// ascending, that a binding byte can hold (1..62; a larger one would not fit the byte).
std::vector<std::uint8_t> RelayModuleAddresses(const TYAdrMR& modules);

// The outputs of a device (the panel: address 0, outputs 1..3; a relay module: 1..4) that no row but `row`
// (0-based) uses, ascending.
std::vector<std::uint8_t> FreeOutputs(const TSysOutRows& rows, std::size_t row, TOutputDevice kind,
                                      std::uint8_t address);

}  // namespace mirca
