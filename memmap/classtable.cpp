#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "memmap/block.h"
#include "memmap/records.h"

namespace mirca {
namespace {

using TMaker = std::unique_ptr<TConfigBlockBase> (*)();

// A block holds its whole record whatever its Size, so the records bound what one block of a map file costs
// (the largest, TYSysOutsAssigns, has 6000 bytes); the map bounds the total.
constexpr std::size_t kMaxRecordBytes = 8192;

template <typename T>
std::unique_ptr<TConfigBlockBase> Zero() {
    static_assert(sizeof(T) <= kMaxRecordBytes);
    return std::make_unique<TConfigBlock<T>>(T{});
}

// Records whose unused state is all 0xFF (empty codes and passwords, unassigned entries).
template <typename T>
std::unique_ptr<TConfigBlockBase> AllFF() {
    static_assert(sizeof(T) <= kMaxRecordBytes);
    T initial{};
    std::fill(initial.bytes.begin(), initial.bytes.end(), std::uint8_t{0xFF});
    return std::make_unique<TConfigBlock<T>>(initial);
}

std::unique_ptr<TConfigBlockBase> ArmDisarmCodes() {
    return std::make_unique<TConfigBlock<TArmDisarmCodes>>(TArmDisarmCodes::Initial());
}

struct TClassRow {
    std::string_view className;
    TMaker make;
};

// Every ClassName a map file may use. Names differ from record types only where map files say "TSysOuts".
constexpr std::array kClasses = {
    TClassRow{"Byte", Zero<std::uint8_t>},
    TClassRow{"Word", Zero<std::uint16_t>},
    TClassRow{"DWord", Zero<std::uint32_t>},
    TClassRow{"TZelmoPassword", AllFF<TZelmoPassword>},
    TClassRow{"TZelmoDescriptor", Zero<TZelmoDescriptor>},
    TClassRow{"TModeTime", Zero<TModeTime>},
    TClassRow{"TRPDIAssignment", Zero<TRPDIAssignment>},
    TClassRow{"TPartitionNames", Zero<TPartitionNames>},
    TClassRow{"TRelay", Zero<TRelay>},
    TClassRow{"TVoiceModule", Zero<TVoiceModule>},
    TClassRow{"TObjectInfo", Zero<TObjectInfo>},
    TClassRow{"TDayNightThreshold", Zero<TDayNightThreshold>},
    TClassRow{"TArmDisarmCodes", ArmDisarmCodes},
    TClassRow{"TTouchMemoryKeys", Zero<TTouchMemoryKeys>},
    TClassRow{"TTelTable30", Zero<TTelTable30>},
    TClassRow{"TTelTable33", Zero<TTelTable33>},
    TClassRow{"TTelTable34", Zero<TTelTable34>},
    TClassRow{"TTelTable34v2", Zero<TTelTable34v2>},
    TClassRow{"TTelTable35", Zero<TTelTable35>},
    TClassRow{"TTelTable36", Zero<TTelTable36>},
    TClassRow{"TTelTable37", Zero<TTelTable37>},
    TClassRow{"TTelTable43", Zero<TTelTable43>},
    TClassRow{"TTelTable59", Zero<TTelTable59>},
    TClassRow{"TTelTable71_v1", Zero<TTelTable71_v1>},
    TClassRow{"TTelTable71_v2", Zero<TTelTable71_v2>},
    TClassRow{"TTelTable72Wrapper", Zero<TTelTable72Wrapper>},
    TClassRow{"TTableBell", Zero<TTableBell>},
    TClassRow{"TTableAvtoInactive", Zero<TTableAvtoInactive>},
    TClassRow{"TPartitionDelays", Zero<TPartitionDelays>},
    TClassRow{"TCodeMask", Zero<TCodeMask>},
    TClassRow{"TKeyMask", Zero<TKeyMask>},
    TClassRow{"TBackupRegion1Wrapper", Zero<TBackupRegion1Wrapper>},
    TClassRow{"TBackupRegion2Wrapper", Zero<TBackupRegion2Wrapper>},
    TClassRow{"TBackupRegion3Wrapper", Zero<TBackupRegion3Wrapper>},
    TClassRow{"TBackupRegion4Wrapper", Zero<TBackupRegion4Wrapper>},
    TClassRow{"TRPUBackupWrapper", Zero<TRPUBackupWrapper>},
    TClassRow{"TRPUSettingsWrapper", Zero<TRPUSettingsWrapper>},
    TClassRow{"TObjExl", AllFF<TObjExl>},
    TClassRow{"TObjAssign", AllFF<TObjAssign>},
    TClassRow{"TRiCodes", AllFF<TRiCodes>},
    TClassRow{"TRiObjNums", Zero<TRiObjNums>},
    TClassRow{"TZelmoPassword4", AllFF<TZelmoPassword4>},
    TClassRow{"TBackupRegionWrapper256", Zero<TBackupRegionWrapper256>},
    TClassRow{"TYAdrRPP", Zero<TYAdrRPP>},
    TClassRow{"TYAdrMR", Zero<TYAdrMR>},
    TClassRow{"TYAdrRpdForRpp", Zero<TYAdrRpdForRpp>},
    TClassRow{"TYQAdrForRpp", Zero<TYQAdrForRpp>},
    TClassRow{"TYExtDevTypes", Zero<TYExtDevTypes>},
    TClassRow{"TYIIForAdr", Zero<TYIIForAdr>},
    TClassRow{"TYConfirmCodes", Zero<TYConfirmCodes>},
    TClassRow{"TYRPDNumForAdr", Zero<TYRPDNumForAdr>},
    TClassRow{"TYPKPNumForAdr", Zero<TYPKPNumForAdr>},
    TClassRow{"TYObjNumForAdrAndII", Zero<TYObjNumForAdrAndII>},
    TClassRow{"TYSysOutsAssigns", Zero<TYSysOutsAssigns>},
    TClassRow{"TSysOuts", Zero<TYSysOuts>},
    TClassRow{"TYSysOutsWorkModes", Zero<TYSysOutsWorkModes>},
    TClassRow{"TYRPUBackupWrapper", Zero<TYRPUBackupWrapper>},
};

}  // namespace

std::unique_ptr<TConfigBlockBase> CreateConfigBlock(const std::string& className) {
    for (const TClassRow& row : kClasses)
        if (row.className == className) return row.make();
    return nullptr;
}

}  // namespace mirca
