#pragma once

// The editor's object table of a Y-family system: which device (and which of its zones) and which system
// outputs each of the 2000 objects owns. It is rebuilt from the object blocks of the current map after every
// read, file open or factory reset, edited by the two assignment pages, and stored back into the map.
//
// Broken calls (an object, device, slot or zone position out of range) throw std::out_of_range with a fixed
// "class TObjectTable: ..." text; broken map contents throw the record accessors' `property "..." read/write
// error` texts, and a missing block throws the map's block lookup error.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "memmap/memmap.h"
#include "memmap/records.h"

namespace mirca {

inline constexpr std::size_t kObjectCount = 2000;
inline constexpr std::size_t kSystemOutputCount = TYSysOuts::kOutputs;
inline constexpr std::size_t kDeviceCount = 250;  // device numbers 1..250
inline constexpr std::size_t kAddressCount = TYRPDNumForAdr::kAddresses;
inline constexpr std::size_t kOutputSlots = 7;
inline constexpr std::size_t kAddressBlocks = 2;
inline constexpr std::size_t kZonesPerBlock = TYObjNumForAdrAndII::kInputs;

// ---- System outputs ----

enum class TOutputDevice { None, Panel, RelayModule };

// The physical output a system output is bound to. The panel's own outputs have address 0 and outputs 1..3;
// a relay module's outputs are 1..4.
struct TPhysicalOutput {
    TOutputDevice kind = TOutputDevice::None;
    std::uint8_t address = 0;
    std::uint8_t output = 0;
    bool operator==(const TPhysicalOutput&) const = default;
};

// System output 1..35 as bound in `sys_outs`: byte 1..3 is the panel's output, otherwise the first relay
// module of `adr_mr` with address a and output k (1..4) such that a*4 + k is the byte. An address of 0 in
// `adr_mr` is an empty entry and never matches. Anything else decodes as unbound (kind None).
TPhysicalOutput DecodeSystemOutput(const TYSysOuts& outs, const TYAdrMR& modules, std::size_t systemOutput);
// The `sys_outs` byte for a physical output (0 for None); throws std::invalid_argument for an output that has
// no byte (a panel output outside 1..3, a relay module output outside 1..4 or a module address above 62).
std::uint8_t EncodeSystemOutput(const TPhysicalOutput& output);

// Whether an object's three bytes in `sys_outs_assigns` give it the physical output, and setting it there.
// A panel output above 3 or a relay module output above 4 throws the record's property error.
bool IsOutputAssigned(const TYSysOutAssigns& assigns, const TPhysicalOutput& output);
void AssignOutput(TYSysOutAssigns& assigns, const TPhysicalOutput& output);

// The bindings of system outputs 1..35 (element s - 1), decoded once for a page or a rebuild.
using TSystemOutputBindings = std::array<TPhysicalOutput, kSystemOutputCount>;
TSystemOutputBindings DecodeSystemOutputs(const TYSysOuts& outs, const TYAdrMR& modules);

// ---- The table ----

enum class TZoneState : std::int32_t {
    Unset = 0,      // between an edit and the recomputation of states
    Available = 1,  // no object holds the zone
    Assigned = 3,   // this object holds it
    Busy = 4,       // the object named as owner holds it
};

struct TZoneEntry {
    TZoneState state = TZoneState::Unset;
    std::uint32_t owner = 0;
};

struct TAddressBlock {
    std::uint8_t address = 0;
    std::array<TZoneEntry, kZonesPerBlock> zones{};
};

struct TOutputSlot {
    bool used = false;
    std::uint8_t systemOutput = 0;
};

struct TObjectRecord {
    std::uint32_t number = 0;      // 1..2000
    std::uint8_t outputCount = 0;  // equals the number of used slots
    std::array<TOutputSlot, kOutputSlots> outputSlots{};
    std::uint8_t device = 0;  // 0: none
    std::uint8_t addressCount = 0;
    std::array<TAddressBlock, kAddressBlocks> blocks{};  // the device's addresses, ascending
    bool mark = false;                                   // "Вкл. обсл"

    bool HasAssignedZone() const;
};

struct TDeviceRecord {
    std::uint8_t addressCount = 0;                         // 0 when the device occupies no address
    std::array<std::uint8_t, kAddressBlocks> addresses{};  // ascending
    std::uint8_t panelNumber = 0;
};

// A zone of an object's device as shown on the zones page.
struct TZonePosition {
    std::size_t block = 0;  // address block, from 0
    std::size_t zone = 0;   // zone position within the block, from 0
};

// Who holds a zone shown on the zones page: the zone's number on the page (1..16), the device, the object.
struct TZoneHolder {
    std::size_t zone = 0;
    std::uint8_t device = 0;
    std::uint32_t owner = 0;
    bool operator==(const TZoneHolder&) const = default;
};

// Columns of the zones page.
inline constexpr int kMarkColumn = 1;
inline constexpr int kDeviceColumn = 2;
inline constexpr int kZoneCountColumn = 4;
inline constexpr int kFirstZoneColumn = 5;
inline constexpr int kLastZoneColumn = 20;

class TObjectTable {
public:
    TObjectTable();

    // Rebuilds objects and devices from the map's object blocks, from nothing. On a throw the table is left
    // empty and not valid, so that a later Store cannot wipe the map's assignments with it.
    void Rebuild(TZelmoMemoryMap& map);
    // Writes `sys_outs_assigns`, `obj_nums` and `obj_exl` from the table. Every block is looked up and every
    // value computed before any is changed: a throw leaves the map as it was. Throws std::logic_error when
    // the table is not valid.
    void Store(TZelmoMemoryMap& map) const;
    // True after a Rebuild that completed.
    bool Valid() const { return valid_; }
    // True once an edit has changed the table since the last Rebuild. Only then has a page anything to
    // store: a table merely looked at would otherwise rewrite entries the store does not keep (marks of
    // unassigned zones, outputs of objects without zones) and mark the blocks modified.
    bool Edited() const { return edited_; }

    void ComputeZoneStates();
    // Only the given zone position, across all objects (after a click on it).
    void ComputeZoneStates(const TZonePosition& position);

    // Clears the first used slot of every object that holds the system output.
    void RemoveSystemOutput(std::uint8_t systemOutput);

    // ---- Objects and devices ----
    const TObjectRecord& Object(std::size_t number) const;  // 1..2000
    const TDeviceRecord& Device(std::size_t device) const;  // 1..250
    // 8 for a device with a panel number, 2 otherwise.
    std::size_t ZonesPerAddress(std::size_t device) const;
    std::size_t ZoneCount(std::size_t device) const;

    // The page's current order: object numbers, one per row.
    const std::vector<std::uint16_t>& Order() const { return order_; }
    const TObjectRecord& ObjectAt(std::size_t row) const;  // row from 0
    void SortByObjectNumber();
    // Objects with a device first, by device then object number, then the others by object number.
    void SortByDevice();

    // ---- The outputs page ----
    // System outputs a slot (1..7) of the object may take: bound, not in another used slot, and on the relay
    // module of the object's other relay module slots if it has any; panel outputs always.
    // The bindings are those of the current map: the system outputs page may have changed them since the
    // rebuild.
    std::vector<std::uint8_t> EligibleSystemOutputs(const TSystemOutputBindings& bindings, std::size_t number,
                                                    std::size_t slot) const;
    // False, changing nothing, when the system output is not eligible for the slot.
    bool SetOutputSlot(const TSystemOutputBindings& bindings, std::size_t number, std::size_t slot,
                       std::uint8_t systemOutput);
    void ClearOutputSlot(std::size_t number, std::size_t slot);
    void ClearOutputs(std::size_t number);
    void ClearAllOutputs();

    // ---- The zones page ----
    // Device numbers the device box offers for the object: every device of `rpd_nums`, ascending, except
    // those held only by objects that have no available zone of them; the object's own device stays listed.
    std::vector<std::uint8_t> OfferedDevices(std::size_t number) const;
    // Gives the object another device (cleared zones, mark set, states recomputed, the mark cleared again
    // when none of the device's zones is available); 0 removes the device as RemoveDevice does. False when
    // nothing changed: the same device, or a device that occupies no address.
    bool GiveDevice(std::size_t number, std::uint8_t device);
    // The object loses its device, zones, mark and output slots; states are recomputed.
    void RemoveDevice(std::size_t number);
    void RemoveAllDevices();
    // Toggles the mark of an object that has a device; false for one without.
    bool ToggleMark(std::size_t number);
    // The zone shown in a column (5..20) of the object's row, if the column shows one of its device's zones.
    std::optional<TZonePosition> ZoneAt(std::size_t number, int column) const;
    // The holder of the zone in the cell, for a zone held by the object or by another one.
    std::optional<TZoneHolder> HolderAt(std::size_t number, int column) const;
    // A click on a zone cell: a held zone is released (the mark cleared when the object holds no zone any
    // more), an available one taken, a busy one left alone. False when the cell shows no zone or nothing
    // changed.
    bool ClickZone(std::size_t number, int column);

private:
    TObjectRecord& MutableObject(std::size_t number);
    void Reset();
    void Build(TZelmoMemoryMap& map);
    void ComputeZoneStates(std::size_t firstBlock, std::size_t lastBlock, std::size_t firstZone,
                           std::size_t lastZone);
    bool HasAvailableZone(const TObjectRecord& object) const;
    void DropDevice(TObjectRecord& object);

    // On the heap: the table is some 300 KB and lives in a window.
    std::vector<TObjectRecord> objects_;  // kObjectCount records, object n at n - 1
    std::vector<TDeviceRecord> devices_;  // device d at d; 0 unused
    std::vector<std::uint16_t> order_;
    bool valid_ = false;
    bool edited_ = false;
};

// Texts of the zones page cells: "X" for a set mark in column 1, "avl"/"set"/"bsy" for a shown zone, "n/a"
// for every zone column of an object without device, "" otherwise.
std::string_view ZoneStateText(TZoneState state);
std::string_view ZonesPageCellText(const TObjectTable& table, std::size_t number, int column);

}  // namespace mirca
