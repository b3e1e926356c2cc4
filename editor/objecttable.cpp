#include "editor/objecttable.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>

namespace mirca {
namespace {

[[noreturn]] void TableError(const char* what) {
    throw std::out_of_range(std::string("class TObjectTable: ") + what + " out of range");
}

// The block's factory value as LoadFactory would leave it, without touching the block.
template <typename T>
T FactoryValue(const TConfigBlock<T>& block) {
    T value = block.Value;
    if (block.Size) std::memcpy(value.bytes.data(), block.Factory.data(), block.Size);
    return value;
}

bool IsZoneColumn(int column) {
    return column >= kFirstZoneColumn && column <= kLastZoneColumn;
}

}  // namespace

// ---- System outputs ----

TPhysicalOutput DecodeSystemOutput(const TYSysOuts& outs, const TYAdrMR& modules, std::size_t systemOutput) {
    const unsigned v = outs.SysOut(systemOutput);
    if (v >= 1 && v <= TYSysOutAssigns::kPultOuts)
        return {TOutputDevice::Panel, 0, static_cast<std::uint8_t>(v)};
    for (std::size_t i = 1; i <= TYAdrMR::kCount; ++i) {
        const unsigned a = modules.Adr(i);
        // 0 is an empty entry: taken as a module it would turn byte 4 into "module 0, output 4".
        if (a == 0) continue;
        if (v > a * 4 && v <= a * 4 + TYSysOutAssigns::kMROuts)
            return {TOutputDevice::RelayModule, static_cast<std::uint8_t>(a),
                    static_cast<std::uint8_t>(v - a * 4)};
    }
    return {};
}

TSystemOutputBindings DecodeSystemOutputs(const TYSysOuts& outs, const TYAdrMR& modules) {
    TSystemOutputBindings bindings;
    for (std::size_t s = 1; s <= kSystemOutputCount; ++s)
        bindings[s - 1] = DecodeSystemOutput(outs, modules, s);
    return bindings;
}

std::uint8_t EncodeSystemOutput(const TPhysicalOutput& output) {
    switch (output.kind) {
        case TOutputDevice::None:
            return 0;
        case TOutputDevice::Panel:
            if (output.address == 0 && output.output >= 1 && output.output <= TYSysOutAssigns::kPultOuts)
                return output.output;
            break;
        case TOutputDevice::RelayModule:
            if (output.address >= 1 && output.address <= 62 && output.output >= 1 &&
                output.output <= TYSysOutAssigns::kMROuts)
                return static_cast<std::uint8_t>(output.address * 4 + output.output);
            break;
    }
    throw std::invalid_argument("system output binding: no byte for address " +
                                std::to_string(output.address) + " output " + std::to_string(output.output));
}

bool IsOutputAssigned(const TYSysOutAssigns& assigns, const TPhysicalOutput& output) {
    switch (output.kind) {
        case TOutputDevice::Panel:
            return assigns.PultOutAsgnd(output.output);
        case TOutputDevice::RelayModule:
            // The bit first, so that a bad output number is reported whatever the module.
            return assigns.MROutAsgnd(output.output) && assigns.MRAdr() == output.address;
        case TOutputDevice::None:
            break;
    }
    return false;
}

void AssignOutput(TYSysOutAssigns& assigns, const TPhysicalOutput& output) {
    switch (output.kind) {
        case TOutputDevice::Panel:
            assigns.SetPultOutAsgnd(output.output, true);
            break;
        case TOutputDevice::RelayModule:
            assigns.SetMROutAsgnd(output.output, true);
            assigns.SetMRAdr(output.address);
            break;
        case TOutputDevice::None:
            break;
    }
}

// ---- Records ----

bool TObjectRecord::HasAssignedZone() const {
    for (std::size_t b = 0; b < addressCount; ++b)
        for (const TZoneEntry& e : blocks[b].zones)
            if (e.state == TZoneState::Assigned) return true;
    return false;
}

// ---- The table ----

TObjectTable::TObjectTable() {
    Reset();
}

void TObjectTable::Reset() {
    objects_.assign(kObjectCount, TObjectRecord{});
    for (std::size_t i = 0; i < kObjectCount; ++i)
        objects_[i].number = static_cast<std::uint32_t>(i + 1);
    devices_.assign(kDeviceCount + 1, TDeviceRecord{});
    order_.resize(kObjectCount);
    for (std::size_t i = 0; i < kObjectCount; ++i)
        order_[i] = static_cast<std::uint16_t>(i + 1);
    valid_ = false;
    edited_ = false;
}

void TObjectTable::Rebuild(TZelmoMemoryMap& map) {
    Reset();
    try {
        Build(map);
    } catch (...) {
        Reset();
        throw;
    }
    valid_ = true;
}

void TObjectTable::Build(TZelmoMemoryMap& map) {
    // Every block first: a map lacking one fails before anything is built.
    const TYSysOuts& outs = map.Block<TYSysOuts>("sys_outs").Value;
    const TYAdrMR& modules = map.Block<TYAdrMR>("adr_mr").Value;
    const TYSysOutsAssigns& assigns = map.Block<TYSysOutsAssigns>("sys_outs_assigns").Value;
    const TYRPDNumForAdr& rpdNums = map.Block<TYRPDNumForAdr>("rpd_nums").Value;
    const TYPKPNumForAdr& pkpNums = map.Block<TYPKPNumForAdr>("pkp_nums").Value;
    const TYObjNumForAdrAndII& objNums = map.Block<TYObjNumForAdrAndII>("obj_nums").Value;
    const TYIIForAdr& marks = map.Block<TYIIForAdr>("obj_exl").Value;

    const TSystemOutputBindings bindings = DecodeSystemOutputs(outs, modules);
    for (TObjectRecord& object : objects_) {
        const TYSysOutAssigns entry = assigns.YSysOutAssigns(object.number);
        for (std::size_t s = 1; s <= kSystemOutputCount; ++s) {
            // Seven slots hold every physical output an object can have; only system outputs bound twice to
            // one physical output could ask for more, and those beyond the seventh are left out.
            if (object.outputCount == kOutputSlots) break;
            if (!IsOutputAssigned(entry, bindings[s - 1])) continue;
            object.outputSlots[object.outputCount] = {true, static_cast<std::uint8_t>(s)};
            ++object.outputCount;
        }
    }

    for (std::size_t a = 1; a <= kAddressCount; ++a) {
        const std::uint8_t d = rpdNums.RPDNum(a);
        if (d == 0) continue;
        TDeviceRecord& device = devices_[d];
        // A third address of one device is inconsistent; it is ignored whole, panel number included.
        if (device.addressCount == kAddressBlocks) continue;
        device.addresses[device.addressCount++] = static_cast<std::uint8_t>(a);
        device.panelNumber = pkpNums.PKPNum(a);
    }
    // Addresses are visited in ascending order, so each device's addresses already are.

    for (std::size_t a = 1; a <= kAddressCount; ++a) {
        const std::uint8_t d = rpdNums.RPDNum(a);
        if (d == 0 || devices_[d].addressCount == 0) continue;
        for (std::size_t z = 1; z <= kZonesPerBlock; ++z) {
            const std::uint16_t n = objNums.ObjNum(a, z);
            if (n < 1 || n > kObjectCount) continue;
            TObjectRecord& object = objects_[n - 1];
            if (object.device == 0) {
                object.device = d;
                object.addressCount = devices_[d].addressCount;
                for (std::size_t b = 0; b < object.addressCount; ++b)
                    object.blocks[b].address = devices_[d].addresses[b];
            }
            for (std::size_t b = 0; b < object.addressCount; ++b) {
                if (object.blocks[b].address != a) continue;
                object.blocks[b].zones[z - 1] = {TZoneState::Assigned, n};
                // Only from a zone the object really holds: a stray entry under another device must not
                // change the marks the store writes for the object's own zones.
                if (marks.II(a, z)) object.mark = true;
            }
        }
    }
    ComputeZoneStates();
}

void TObjectTable::Store(TZelmoMemoryMap& map) const {
    if (!valid_) throw std::logic_error("class TObjectTable: not built from the current map");
    const TYSysOuts& outs = map.Block<TYSysOuts>("sys_outs").Value;
    const TYAdrMR& modules = map.Block<TYAdrMR>("adr_mr").Value;
    auto& assignsBlock = map.Block<TYSysOutsAssigns>("sys_outs_assigns");
    map.Block<TYRPDNumForAdr>("rpd_nums");
    map.Block<TYPKPNumForAdr>("pkp_nums");
    auto& objNumsBlock = map.Block<TYObjNumForAdrAndII>("obj_nums");
    auto& marksBlock = map.Block<TYIIForAdr>("obj_exl");

    // New values are built apart and laid in only when all are complete.
    TYSysOutsAssigns assigns = FactoryValue(assignsBlock);
    TYObjNumForAdrAndII objNums = FactoryValue(objNumsBlock);
    TYIIForAdr marks = FactoryValue(marksBlock);

    const TSystemOutputBindings bindings = DecodeSystemOutputs(outs, modules);
    for (const TObjectRecord& object : objects_) {
        if (!object.HasAssignedZone()) continue;
        TYSysOutAssigns entry = assigns.YSysOutAssigns(object.number);
        // The record holds one relay module per object. If rebinding system outputs has put the object's
        // slots on two modules, the first module's outputs are stored and the others left out, rather than
        // crediting their output numbers to the wrong module.
        std::optional<std::uint8_t> module;
        for (const TOutputSlot& slot : object.outputSlots) {
            if (!slot.used || slot.systemOutput < 1 || slot.systemOutput > kSystemOutputCount) continue;
            const TPhysicalOutput& output = bindings[slot.systemOutput - 1];
            if (output.kind == TOutputDevice::RelayModule) {
                if (module && *module != output.address) continue;
                module = output.address;
            }
            AssignOutput(entry, output);
        }
        assigns.SetYSysOutAssigns(object.number, entry);
    }

    for (const TObjectRecord& object : objects_) {
        for (std::size_t b = 0; b < object.addressCount; ++b) {
            const TAddressBlock& block = object.blocks[b];
            for (std::size_t z = 0; z < kZonesPerBlock; ++z) {
                if (block.zones[z].state != TZoneState::Assigned) continue;
                objNums.SetObjNum(block.address, z + 1, static_cast<std::uint16_t>(object.number));
                if (!object.mark) marks.SetII(block.address, z + 1, false);
            }
        }
    }

    assignsBlock.Change(assigns);
    objNumsBlock.Change(objNums);
    marksBlock.Change(marks);
}

void TObjectTable::ComputeZoneStates() {
    ComputeZoneStates(0, kAddressBlocks, 0, kZonesPerBlock);
}

void TObjectTable::ComputeZoneStates(const TZonePosition& position) {
    if (position.block >= kAddressBlocks || position.zone >= kZonesPerBlock) TableError("zone position");
    ComputeZoneStates(position.block, position.block + 1, position.zone, position.zone + 1);
}

void TObjectTable::ComputeZoneStates(std::size_t firstBlock, std::size_t lastBlock, std::size_t firstZone,
                                     std::size_t lastZone) {
    // Who holds each zone position of each device, found in one pass instead of one search per entry.
    using THolders = std::array<std::array<std::uint16_t, kZonesPerBlock>, kAddressBlocks>;
    std::vector<THolders> holders(kDeviceCount + 1, THolders{});
    for (const TObjectRecord& object : objects_) {
        if (object.device == 0) continue;
        for (std::size_t b = firstBlock; b < std::min<std::size_t>(lastBlock, object.addressCount); ++b)
            for (std::size_t z = firstZone; z < lastZone; ++z) {
                std::uint16_t& holder = holders[object.device][b][z];
                if (object.blocks[b].zones[z].state == TZoneState::Assigned && holder == 0)
                    holder = static_cast<std::uint16_t>(object.number);
            }
    }
    for (TObjectRecord& object : objects_) {
        if (object.device == 0) continue;
        for (std::size_t b = firstBlock; b < std::min<std::size_t>(lastBlock, object.addressCount); ++b)
            for (std::size_t z = firstZone; z < lastZone; ++z) {
                TZoneEntry& entry = object.blocks[b].zones[z];
                if (entry.state == TZoneState::Assigned) continue;
                const std::uint16_t holder = holders[object.device][b][z];
                entry =
                    holder != 0 ? TZoneEntry{TZoneState::Busy, holder} : TZoneEntry{TZoneState::Available, 0};
            }
    }
}

void TObjectTable::RemoveSystemOutput(std::uint8_t systemOutput) {
    for (TObjectRecord& object : objects_) {
        for (TOutputSlot& slot : object.outputSlots) {
            if (!slot.used || slot.systemOutput != systemOutput) continue;
            slot = {};
            --object.outputCount;
            edited_ = true;
            break;
        }
    }
}

// ---- Objects and devices ----

const TObjectRecord& TObjectTable::Object(std::size_t number) const {
    if (number < 1 || number > kObjectCount) TableError("object number");
    return objects_[number - 1];
}

TObjectRecord& TObjectTable::MutableObject(std::size_t number) {
    if (number < 1 || number > kObjectCount) TableError("object number");
    return objects_[number - 1];
}

const TDeviceRecord& TObjectTable::Device(std::size_t device) const {
    if (device < 1 || device > kDeviceCount) TableError("device number");
    return devices_[device];
}

std::size_t TObjectTable::ZonesPerAddress(std::size_t device) const {
    return Device(device).panelNumber != 0 ? 8 : 2;
}

std::size_t TObjectTable::ZoneCount(std::size_t device) const {
    return Device(device).addressCount * ZonesPerAddress(device);
}

const TObjectRecord& TObjectTable::ObjectAt(std::size_t row) const {
    if (row >= order_.size()) TableError("row");
    return objects_[order_[row] - 1];
}

void TObjectTable::SortByObjectNumber() {
    std::sort(order_.begin(), order_.end());
}

void TObjectTable::SortByDevice() {
    std::sort(order_.begin(), order_.end(), [this](std::uint16_t l, std::uint16_t r) {
        const TObjectRecord& a = objects_[l - 1];
        const TObjectRecord& b = objects_[r - 1];
        // Objects without device (0) go last.
        const unsigned da = a.device == 0 ? 256u : a.device;
        const unsigned db = b.device == 0 ? 256u : b.device;
        return da != db ? da < db : l < r;
    });
}

// ---- The outputs page ----

std::vector<std::uint8_t> TObjectTable::EligibleSystemOutputs(const TSystemOutputBindings& bindings,
                                                              std::size_t number, std::size_t slot) const {
    const TObjectRecord& object = Object(number);
    if (slot < 1 || slot > kOutputSlots) TableError("output slot");
    std::array<bool, kSystemOutputCount + 1> taken{};
    // The relay modules of the object's other slots: one, or several if rebinding has mixed them.
    std::vector<std::uint8_t> modules;
    for (std::size_t i = 0; i < kOutputSlots; ++i) {
        const TOutputSlot& other = object.outputSlots[i];
        if (i == slot - 1 || !other.used || other.systemOutput < 1 || other.systemOutput > kSystemOutputCount)
            continue;
        taken[other.systemOutput] = true;
        const TPhysicalOutput& output = bindings[other.systemOutput - 1];
        if (output.kind == TOutputDevice::RelayModule &&
            std::find(modules.begin(), modules.end(), output.address) == modules.end())
            modules.push_back(output.address);
    }
    std::vector<std::uint8_t> eligible;
    for (std::size_t s = 1; s <= kSystemOutputCount; ++s) {
        const TPhysicalOutput& output = bindings[s - 1];
        if (output.kind == TOutputDevice::None || taken[s]) continue;
        if (output.kind == TOutputDevice::RelayModule && !modules.empty() &&
            (modules.size() > 1 || modules.front() != output.address))
            continue;
        eligible.push_back(static_cast<std::uint8_t>(s));
    }
    return eligible;
}

bool TObjectTable::SetOutputSlot(const TSystemOutputBindings& bindings, std::size_t number, std::size_t slot,
                                 std::uint8_t systemOutput) {
    const std::vector<std::uint8_t> eligible = EligibleSystemOutputs(bindings, number, slot);
    if (std::find(eligible.begin(), eligible.end(), systemOutput) == eligible.end()) return false;
    TObjectRecord& object = MutableObject(number);
    TOutputSlot& target = object.outputSlots[slot - 1];
    if (!target.used) ++object.outputCount;
    target = {true, systemOutput};
    edited_ = true;
    return true;
}

void TObjectTable::ClearOutputSlot(std::size_t number, std::size_t slot) {
    TObjectRecord& object = MutableObject(number);
    if (slot < 1 || slot > kOutputSlots) TableError("output slot");
    TOutputSlot& target = object.outputSlots[slot - 1];
    if (!target.used) return;
    target = {};
    --object.outputCount;
    edited_ = true;
}

void TObjectTable::ClearOutputs(std::size_t number) {
    TObjectRecord& object = MutableObject(number);
    object.outputSlots = {};
    object.outputCount = 0;
    edited_ = true;
}

void TObjectTable::ClearAllOutputs() {
    for (TObjectRecord& object : objects_) {
        object.outputSlots = {};
        object.outputCount = 0;
    }
    edited_ = true;
}

// ---- The zones page ----

bool TObjectTable::HasAvailableZone(const TObjectRecord& object) const {
    const std::size_t zones = ZonesPerAddress(object.device);
    for (std::size_t b = 0; b < object.addressCount; ++b)
        for (std::size_t z = 0; z < zones; ++z)
            if (object.blocks[b].zones[z].state == TZoneState::Available) return true;
    return false;
}

std::vector<std::uint8_t> TObjectTable::OfferedDevices(std::size_t number) const {
    const std::uint8_t own = Object(number).device;
    std::vector<bool> held(kDeviceCount + 1, false);
    std::vector<bool> available(kDeviceCount + 1, false);
    for (const TObjectRecord& object : objects_) {
        if (object.device == 0) continue;
        held[object.device] = true;
        if (!available[object.device] && HasAvailableZone(object)) available[object.device] = true;
    }
    std::vector<std::uint8_t> offered;
    for (std::size_t d = 1; d <= kDeviceCount; ++d) {
        if (devices_[d].addressCount == 0) continue;
        // The object's own device stays, so that the box can show what the cell shows.
        if (held[d] && !available[d] && d != own) continue;
        offered.push_back(static_cast<std::uint8_t>(d));
    }
    return offered;
}

void TObjectTable::DropDevice(TObjectRecord& object) {
    object.device = 0;
    object.addressCount = 0;
    object.blocks = {};
    object.mark = false;
    object.outputSlots = {};
    object.outputCount = 0;
}

bool TObjectTable::GiveDevice(std::size_t number, std::uint8_t device) {
    TObjectRecord& object = MutableObject(number);
    if (device > kDeviceCount) TableError("device number");
    if (device == object.device) return false;
    if (device == 0) {
        RemoveDevice(number);
        return true;
    }
    const TDeviceRecord& record = devices_[device];
    if (record.addressCount == 0) return false;
    object.device = device;
    object.addressCount = record.addressCount;
    object.blocks = {};
    for (std::size_t b = 0; b < record.addressCount; ++b)
        object.blocks[b].address = record.addresses[b];
    object.mark = true;
    ComputeZoneStates();
    if (!HasAvailableZone(object)) object.mark = false;
    edited_ = true;
    return true;
}

void TObjectTable::RemoveDevice(std::size_t number) {
    DropDevice(MutableObject(number));
    ComputeZoneStates();
    edited_ = true;
}

void TObjectTable::RemoveAllDevices() {
    for (TObjectRecord& object : objects_)
        DropDevice(object);
    edited_ = true;
}

bool TObjectTable::ToggleMark(std::size_t number) {
    TObjectRecord& object = MutableObject(number);
    if (object.device == 0) return false;
    object.mark = !object.mark;
    edited_ = true;
    return true;
}

std::optional<TZonePosition> TObjectTable::ZoneAt(std::size_t number, int column) const {
    const TObjectRecord& object = Object(number);
    if (!IsZoneColumn(column) || object.device == 0) return std::nullopt;
    const auto index = static_cast<std::size_t>(column - kFirstZoneColumn);
    const TZonePosition position{index / kZonesPerBlock, index % kZonesPerBlock};
    if (position.block >= object.addressCount || position.zone >= ZonesPerAddress(object.device))
        return std::nullopt;
    return position;
}

std::optional<TZoneHolder> TObjectTable::HolderAt(std::size_t number, int column) const {
    const std::optional<TZonePosition> position = ZoneAt(number, column);
    if (!position) return std::nullopt;
    const TObjectRecord& object = Object(number);
    const TZoneEntry& entry = object.blocks[position->block].zones[position->zone];
    if (entry.state != TZoneState::Assigned && entry.state != TZoneState::Busy) return std::nullopt;
    return TZoneHolder{static_cast<std::size_t>(column - kFirstZoneColumn + 1), object.device, entry.owner};
}

bool TObjectTable::ClickZone(std::size_t number, int column) {
    const std::optional<TZonePosition> position = ZoneAt(number, column);
    if (!position) return false;
    TObjectRecord& object = MutableObject(number);
    TZoneEntry& entry = object.blocks[position->block].zones[position->zone];
    switch (entry.state) {
        case TZoneState::Assigned:
            entry = {};
            if (!object.HasAssignedZone()) object.mark = false;
            break;
        case TZoneState::Available:
            entry = {TZoneState::Assigned, object.number};
            break;
        case TZoneState::Busy:
        case TZoneState::Unset:
            return false;
    }
    ComputeZoneStates(*position);
    edited_ = true;
    return true;
}

std::string_view ZoneStateText(TZoneState state) {
    switch (state) {
        case TZoneState::Available:
            return "avl";
        case TZoneState::Assigned:
            return "set";
        case TZoneState::Busy:
            return "bsy";
        case TZoneState::Unset:
            break;
    }
    return "";
}

std::string_view ZonesPageCellText(const TObjectTable& table, std::size_t number, int column) {
    const TObjectRecord& object = table.Object(number);
    if (column == kMarkColumn) return object.mark ? "X" : "";
    if (!IsZoneColumn(column)) return "";
    if (object.device == 0) return "n/a";
    const std::optional<TZonePosition> position = table.ZoneAt(number, column);
    if (!position) return "";
    return ZoneStateText(object.blocks[position->block].zones[position->zone].state);
}

}  // namespace mirca
