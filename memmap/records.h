#pragma once

// The record types that map files name in ClassName. Each is the block's bytes exactly as they lie in the
// device image: no padding, multi-byte numbers little-endian, so copying a block's Size bytes copies its
// value. Records whose inner meaning belongs to an editor page are plain byte arrays here.
//
// Indexed accessors count from 1, as the editor numbers entries. An index out of range throws
// std::out_of_range with the text `property "REC::PROP" read error` (getters) or `... write error` (setters);
// those texts reach the user through the general error handler.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "devlink/le.h"
#include "memmap/descriptor.h"

namespace mirca {

using TCode6 = std::array<std::uint8_t, 6>;

// A record whose bytes the map moves without looking inside; each record type derives its own.
template <std::size_t N>
struct TRecordBytes {
    std::array<std::uint8_t, N> bytes{};
    bool operator==(const TRecordBytes&) const = default;
};

// A 16-bit field followed by two byte fields.
struct TWordAndTwoBytes : TRecordBytes<4> {
    std::uint16_t Word() const { return le::Get16(&bytes[0]); }
    std::uint8_t Byte1() const { return bytes[2]; }
    std::uint8_t Byte2() const { return bytes[3]; }
    void SetWord(std::uint16_t v) { le::Put16(&bytes[0], v); }
    void SetByte1(std::uint8_t v) { bytes[2] = v; }
    void SetByte2(std::uint8_t v) { bytes[3] = v; }
};

// Two 16-bit fields.
struct TTwoWords : TRecordBytes<4> {
    std::uint16_t Word1() const { return le::Get16(&bytes[0]); }
    std::uint16_t Word2() const { return le::Get16(&bytes[2]); }
    void SetWord1(std::uint16_t v) { le::Put16(&bytes[0], v); }
    void SetWord2(std::uint16_t v) { le::Put16(&bytes[2], v); }
};

// Operator and engineer passwords: each used position holds the character's code plus 0x50, the rest 0xFF.
struct TZelmoPassword {
    static constexpr std::size_t kMaxLength = 6;
    static constexpr std::uint8_t kOffset = 0x50;
    static constexpr std::uint8_t kEnd = 0xFF;

    std::array<std::uint8_t, 6> bytes{};

    // Up to the first 0xFF. A byte below the offset, which SetText never writes, comes back modulo 256.
    std::string Text() const;
    // False, leaving the bytes untouched, for more than six characters or a character whose stored form would
    // not fit a byte or would read as the end mark.
    bool SetText(std::string_view text);
    // Passwords are digit strings: the positions (from 0) of the bytes that keep these from being one, each
    // before the first end mark storing no digit ('0' to '9' plus the offset: 0x80 to 0x89), and each after
    // it other than the end mark. Empty for bytes SetText could have written from digits.
    std::vector<std::size_t> NonDigitPositions() const;
    bool operator==(const TZelmoPassword&) const = default;
};

struct TModeTime {
    std::array<std::uint8_t, 2> bytes{};

    std::uint8_t Mode() const { return bytes[0]; }
    std::uint8_t Time() const { return bytes[1]; }
    void SetMode(std::uint8_t v) { bytes[0] = v; }
    void SetTime(std::uint8_t v) { bytes[1] = v; }
    bool operator==(const TModeTime&) const = default;
};

struct TRPDIAssignment : TRecordBytes<192> {};
struct TPartitionNames : TRecordBytes<144> {};
struct TRelay : TRecordBytes<8> {};
struct TVoiceModule : TRecordBytes<16> {};
struct TObjectInfo : TRecordBytes<18> {};
struct TDayNightThreshold : TRecordBytes<32> {};

// 32 entries (1..32) of six code bytes followed by a 16-bit field; an unused code is six 0xFF bytes.
struct TArmDisarmCodes {
    static constexpr std::size_t kEntries = 32;
    static constexpr std::size_t kEntrySize = 8;

    std::array<std::uint8_t, kEntries * kEntrySize> bytes{};

    TCode6 Code(std::size_t entry) const;
    void SetCode(std::size_t entry, const TCode6& code);
    std::uint16_t Field(std::size_t entry) const;
    void SetField(std::size_t entry, std::uint16_t v);
    // The content of a fresh record: every code unused, every field 0.
    static TArmDisarmCodes Initial();
    bool operator==(const TArmDisarmCodes&) const = default;
};

struct TTouchMemoryKeys : TRecordBytes<768> {};
struct TTelTable30 : TRecordBytes<36> {};

struct TTelTable33 : TWordAndTwoBytes {};

struct TTelTable34 : TRecordBytes<28> {};
struct TTelTable34v2 : TRecordBytes<32> {};

struct TTelTable35 : TTwoWords {};

struct TTelTable36 : TWordAndTwoBytes {};

struct TTelTable37 : TRecordBytes<12> {};
struct TTelTable43 : TRecordBytes<68> {};
struct TTelTable59 : TRecordBytes<8> {};
struct TTelTable71_v1 : TRecordBytes<12> {};
struct TTelTable71_v2 : TRecordBytes<24> {};
struct TTelTable72Wrapper : TRecordBytes<840> {};
struct TTableBell : TRecordBytes<196> {};

struct TTableAvtoInactive : TTwoWords {};

struct TPartitionDelays : TRecordBytes<32> {};

struct TCodeMask {
    std::array<std::uint8_t, 4> bytes{};

    std::uint32_t Mask() const { return le::Get32(&bytes[0]); }
    void SetMask(std::uint32_t v) { le::Put32(&bytes[0], v); }
    bool operator==(const TCodeMask&) const = default;
};

// Three 32-bit masks, 1..3.
struct TKeyMask {
    static constexpr std::size_t kMasks = 3;

    std::array<std::uint8_t, 12> bytes{};

    std::uint32_t Mask(std::size_t index) const;
    void SetMask(std::size_t index, std::uint32_t v);
    bool operator==(const TKeyMask&) const = default;
};

struct TBackupRegion1Wrapper : TRecordBytes<200> {};
struct TBackupRegion2Wrapper : TRecordBytes<7> {};
struct TBackupRegion3Wrapper : TRecordBytes<588> {};
struct TBackupRegion4Wrapper : TRecordBytes<192> {};
struct TRPUBackupWrapper : TRecordBytes<1792> {};
struct TRPUSettingsWrapper : TRecordBytes<256> {};
struct TObjExl : TRecordBytes<96> {};
struct TObjAssign : TRecordBytes<96> {};
struct TRiCodes : TRecordBytes<192> {};
struct TRiObjNums : TRecordBytes<1536> {};
struct TZelmoPassword4 : TRecordBytes<4> {};
struct TBackupRegionWrapper256 : TRecordBytes<256> {};

// ---- Y family (type-937 panels of system 6) ----

struct TYAdrRPP : TRecordBytes<4> {};

// Addresses of up to eight relay modules, 1..8; 0 means none.
struct TYAdrMR {
    static constexpr std::size_t kCount = 8;

    std::array<std::uint8_t, kCount> bytes{};

    std::uint8_t Adr(std::size_t index) const;
    bool operator==(const TYAdrMR&) const = default;
};

struct TYAdrRpdForRpp : TRecordBytes<4> {};
struct TYQAdrForRpp : TRecordBytes<4> {};
struct TYExtDevTypes : TRecordBytes<24> {};

// Per device address 1..250 a bit mask over its inputs 1..8.
struct TYIIForAdr {
    static constexpr std::size_t kAddresses = 250;
    static constexpr std::size_t kInputs = 8;

    std::array<std::uint8_t, kAddresses> bytes{};

    bool II(std::size_t adr, std::size_t input) const;
    void SetII(std::size_t adr, std::size_t input, bool on);
    bool operator==(const TYIIForAdr&) const = default;
};

// 32 confirmation codes, 1..32, of six bytes each.
struct TYConfirmCodes {
    static constexpr std::size_t kCodes = 32;
    static constexpr std::size_t kCodeSize = 6;

    std::array<std::uint8_t, kCodes * kCodeSize> bytes{};

    TCode6 Code(std::size_t index) const;
    void SetCode(std::size_t index, const TCode6& code);
    bool operator==(const TYConfirmCodes&) const = default;
};

// The device number occupying each system address 1..250; 0 means none.
struct TYRPDNumForAdr {
    static constexpr std::size_t kAddresses = 250;

    std::array<std::uint8_t, kAddresses> bytes{};

    std::uint8_t RPDNum(std::size_t adr) const;
    bool operator==(const TYRPDNumForAdr&) const = default;
};

// The panel number recorded for each address 1..250; 0 means none.
struct TYPKPNumForAdr {
    static constexpr std::size_t kAddresses = 250;

    std::array<std::uint8_t, kAddresses> bytes{};

    std::uint8_t PKPNum(std::size_t adr) const;
    bool operator==(const TYPKPNumForAdr&) const = default;
};

// A 16-bit object number per address 1..250 and input 1..8, address-major; 0 means unassigned.
struct TYObjNumForAdrAndII {
    static constexpr std::size_t kAddresses = 250;
    static constexpr std::size_t kInputs = 8;

    std::array<std::uint8_t, kAddresses * kInputs * 2> bytes{};

    std::uint16_t ObjNum(std::size_t adr, std::size_t input) const;
    void SetObjNum(std::size_t adr, std::size_t input, std::uint16_t v);
    bool operator==(const TYObjNumForAdrAndII&) const = default;
};

// The system outputs of one object: byte 0 a mask of panel outputs 1..3 (bits 0..2), byte 1 a relay module
// address, byte 2 a mask of that module's outputs 1..4 (bits 0..3).
struct TYSysOutAssigns {
    static constexpr std::size_t kPultOuts = 3;
    static constexpr std::size_t kMROuts = 4;

    std::array<std::uint8_t, 3> bytes{};

    bool PultOutAsgnd(std::size_t out) const;
    void SetPultOutAsgnd(std::size_t out, bool on);
    bool MROutAsgnd(std::size_t out) const;
    void SetMROutAsgnd(std::size_t out, bool on);
    std::uint8_t MRAdr() const { return bytes[1]; }
    void SetMRAdr(std::uint8_t adr) { bytes[1] = adr; }
    bool operator==(const TYSysOutAssigns&) const = default;
};

// The system outputs of objects 1..2000.
struct TYSysOutsAssigns {
    static constexpr std::size_t kObjects = 2000;

    std::array<std::uint8_t, kObjects * sizeof(TYSysOutAssigns)> bytes{};

    TYSysOutAssigns YSysOutAssigns(std::size_t object) const;
    void SetYSysOutAssigns(std::size_t object, const TYSysOutAssigns& entry);
    bool operator==(const TYSysOutsAssigns&) const = default;
};

// The physical binding of system outputs 1..35: relay module address * 4 + output, panel outputs 1..3.
struct TYSysOuts {
    static constexpr std::size_t kOutputs = 35;

    std::array<std::uint8_t, kOutputs> bytes{};

    std::uint8_t SysOut(std::size_t out) const;
    void SetSysOut(std::size_t out, std::uint8_t v);
    bool operator==(const TYSysOuts&) const = default;
};

// Per system output 1..35 a 16-bit word: the work mode in the low byte, the duration in the high byte.
struct TYSysOutsWorkModes {
    static constexpr std::size_t kOutputs = 35;

    std::array<std::uint8_t, kOutputs * 2> bytes{};

    std::uint16_t OutWorkMode(std::size_t out) const;
    void SetOutWorkMode(std::size_t out, std::uint16_t v);
    bool operator==(const TYSysOutsWorkModes&) const = default;
};

struct TYRPUBackupWrapper : TRecordBytes<3072> {};

// Each record is exactly its image bytes.
static_assert(sizeof(TZelmoPassword) == 6);
static_assert(sizeof(TZelmoDescriptor) == 9);
static_assert(sizeof(TModeTime) == 2);
static_assert(sizeof(TRPDIAssignment) == 192);
static_assert(sizeof(TPartitionNames) == 144);
static_assert(sizeof(TRelay) == 8);
static_assert(sizeof(TVoiceModule) == 16);
static_assert(sizeof(TObjectInfo) == 18);
static_assert(sizeof(TDayNightThreshold) == 32);
static_assert(sizeof(TArmDisarmCodes) == 256);
static_assert(sizeof(TTouchMemoryKeys) == 768);
static_assert(sizeof(TTelTable30) == 36);
static_assert(sizeof(TTelTable33) == 4);
static_assert(sizeof(TTelTable34) == 28);
static_assert(sizeof(TTelTable34v2) == 32);
static_assert(sizeof(TTelTable35) == 4);
static_assert(sizeof(TTelTable36) == 4);
static_assert(sizeof(TTelTable37) == 12);
static_assert(sizeof(TTelTable43) == 68);
static_assert(sizeof(TTelTable59) == 8);
static_assert(sizeof(TTelTable71_v1) == 12);
static_assert(sizeof(TTelTable71_v2) == 24);
static_assert(sizeof(TTelTable72Wrapper) == 840);
static_assert(sizeof(TTableBell) == 196);
static_assert(sizeof(TTableAvtoInactive) == 4);
static_assert(sizeof(TPartitionDelays) == 32);
static_assert(sizeof(TCodeMask) == 4);
static_assert(sizeof(TKeyMask) == 12);
static_assert(sizeof(TBackupRegion1Wrapper) == 200);
static_assert(sizeof(TBackupRegion2Wrapper) == 7);
static_assert(sizeof(TBackupRegion3Wrapper) == 588);
static_assert(sizeof(TBackupRegion4Wrapper) == 192);
static_assert(sizeof(TRPUBackupWrapper) == 1792);
static_assert(sizeof(TRPUSettingsWrapper) == 256);
static_assert(sizeof(TObjExl) == 96);
static_assert(sizeof(TObjAssign) == 96);
static_assert(sizeof(TRiCodes) == 192);
static_assert(sizeof(TRiObjNums) == 1536);
static_assert(sizeof(TZelmoPassword4) == 4);
static_assert(sizeof(TBackupRegionWrapper256) == 256);
static_assert(sizeof(TYAdrRPP) == 4);
static_assert(sizeof(TYAdrMR) == 8);
static_assert(sizeof(TYAdrRpdForRpp) == 4);
static_assert(sizeof(TYQAdrForRpp) == 4);
static_assert(sizeof(TYExtDevTypes) == 24);
static_assert(sizeof(TYIIForAdr) == 250);
static_assert(sizeof(TYConfirmCodes) == 192);
static_assert(sizeof(TYRPDNumForAdr) == 250);
static_assert(sizeof(TYPKPNumForAdr) == 250);
static_assert(sizeof(TYObjNumForAdrAndII) == 4000);
static_assert(sizeof(TYSysOutAssigns) == 3);
static_assert(sizeof(TYSysOutsAssigns) == 6000);
static_assert(sizeof(TYSysOuts) == 35);
static_assert(sizeof(TYSysOutsWorkModes) == 70);
static_assert(sizeof(TYRPUBackupWrapper) == 3072);

}  // namespace mirca
