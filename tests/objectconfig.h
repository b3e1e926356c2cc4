#pragma once

// The Y-family configuration the object table and assignment page tests start from:
//   relay modules at addresses 5 and 9 (adr_mr entries 2 and 3; entry 1 is empty)
//   system outputs 1..3 the panel's, 4 = module 5 output 2, 5 = module 5 output 1, 6 = module 9 output 1,
//   7 = module 9 output 4, 8..35 unbound
//   device 7 at addresses 10 and 11 with panel number 3 (16 zones); device 12 at address 20 without panel
//   number (2 zones); device 2 at addresses 30 and 31 without panel number (4 zones)
//   object 3: panel outputs 1 and 3, module 5 outputs 1 and 2; object 1500: module 9 outputs 1 and 4
// and the zones each test gives its objects.

#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "memmap/memmap.h"
#include "memmap/records.h"

namespace mirca {

struct TZoneOwner {
    std::size_t adr;
    std::size_t zone;
    std::uint16_t object;
    bool mark;  // the zone's "Вкл. обсл" bit
};

inline void ConfigureObjects(TZelmoMemoryMap& map, std::initializer_list<TZoneOwner> zones) {
    map.Block<TYAdrMR>("adr_mr").Value.bytes = {0, 5, 9, 0, 0, 0, 0, 0};
    auto& outs = map.Block<TYSysOuts>("sys_outs").Value;
    outs.bytes = {};
    const std::uint8_t bindings[] = {1, 2, 3, 22, 21, 37, 40};
    for (std::size_t s = 1; s <= 7; ++s)
        outs.SetSysOut(s, bindings[s - 1]);

    auto& rpd = map.Block<TYRPDNumForAdr>("rpd_nums").Value;
    auto& pkp = map.Block<TYPKPNumForAdr>("pkp_nums").Value;
    rpd.bytes = {};
    pkp.bytes = {};
    rpd.bytes[10 - 1] = rpd.bytes[11 - 1] = 7;
    pkp.bytes[10 - 1] = pkp.bytes[11 - 1] = 3;
    rpd.bytes[20 - 1] = 12;
    rpd.bytes[30 - 1] = rpd.bytes[31 - 1] = 2;

    auto& objNums = map.Block<TYObjNumForAdrAndII>("obj_nums").Value;
    auto& marks = map.Block<TYIIForAdr>("obj_exl").Value;
    objNums.bytes = {};
    marks.bytes.fill(0xFF);
    for (const TZoneOwner& z : zones) {
        objNums.SetObjNum(z.adr, z.zone, z.object);
        marks.SetII(z.adr, z.zone, z.mark);
    }
    auto& assigns = map.Block<TYSysOutsAssigns>("sys_outs_assigns").Value;
    assigns.bytes = {};
    assigns.SetYSysOutAssigns(3, TYSysOutAssigns{{0b101, 5, 0b0011}});
    assigns.SetYSysOutAssigns(1500, TYSysOutAssigns{{0, 9, 0b1001}});
    map.SetAllModified(false);
}

}  // namespace mirca
