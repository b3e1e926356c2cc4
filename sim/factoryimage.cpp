#include "sim/factoryimage.h"

#include <algorithm>

#include "devlink/frames.h"

namespace mirca::sim {

std::vector<std::uint8_t> FactoryMemory(TZelmoMemoryMap& map) {
    std::vector<std::uint8_t> memory(map.size, 0);
    for (std::size_t i = 0; i < map.BlockCount(); ++i) {
        const TConfigBlockBase& block = map.ConfigBlock(i);
        std::copy(block.Factory.begin(), block.Factory.end(), memory.begin() + block.Address);
    }
    return memory;
}

TPanelIdentity IdentityFromMap(const TZelmoMemoryMap& map) {
    TPanelIdentity id;
    TZelmoDescriptor d;
    if (!map.GetDescriptor(d)) {
        id.typeCode = static_cast<std::uint16_t>(map.devtype);
        return id;
    }
    id.typeCode = d.TypeCode();
    id.edition = d.Edition();
    id.major = d.Major();
    id.minor = d.Minor();
    id.build = d.Build();
    if (frames::IsOutputModuleType(id.typeCode)) id.legacyCode = static_cast<std::uint8_t>(id.typeCode);
    return id;
}

void LoadFactoryMap(TSimPanel& panel, TZelmoMemoryMap& map) {
    TPanelIdentity id = IdentityFromMap(map);
    id.framed = panel.Identity().framed;
    panel.SetIdentity(id);
    const std::vector<std::uint8_t> memory = FactoryMemory(map);
    panel.Memory().assign(memory.begin(), memory.end());
}

}  // namespace mirca::sim
