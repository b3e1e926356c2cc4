#include "memmap/records.h"

#include <algorithm>
#include <stdexcept>

namespace mirca {
namespace {

enum class TAccess { Read, Write };

[[noreturn]] void PropertyError(std::string_view property, TAccess access) {
    throw std::out_of_range("property \"" + std::string(property) + "\" " +
                            (access == TAccess::Read ? "read" : "write") + " error");
}

// The 0-based position of a 1-based index, or the property's error.
std::size_t Position(std::size_t index, std::size_t count, std::string_view property, TAccess access) {
    if (index < 1 || index > count) PropertyError(property, access);
    return index - 1;
}

TCode6 CodeAt(const std::uint8_t* p) {
    TCode6 code;
    std::copy_n(p, code.size(), code.begin());
    return code;
}

}  // namespace

std::string TZelmoPassword::Text() const {
    std::string text;
    for (const std::uint8_t b : bytes) {
        if (b == kEnd) break;
        text.push_back(static_cast<char>(static_cast<std::uint8_t>(b - kOffset)));
    }
    return text;
}

bool TZelmoPassword::SetText(std::string_view text) {
    if (text.size() > kMaxLength) return false;
    for (const char c : text)
        if (static_cast<unsigned>(static_cast<std::uint8_t>(c)) + kOffset >= kEnd) return false;
    bytes.fill(kEnd);
    for (std::size_t i = 0; i < text.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(static_cast<std::uint8_t>(text[i]) + kOffset);
    return true;
}

std::vector<std::size_t> TZelmoPassword::NonDigitPositions() const {
    std::vector<std::size_t> bad;
    bool ended = false;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        ended = ended || bytes[i] == kEnd;
        const bool digit = bytes[i] >= '0' + kOffset && bytes[i] <= '9' + kOffset;
        if (ended ? bytes[i] != kEnd : !digit) bad.push_back(i);
    }
    return bad;
}

TCode6 TArmDisarmCodes::Code(std::size_t entry) const {
    return CodeAt(&bytes[Position(entry, kEntries, "TArmDisarmCodes::Code", TAccess::Read) * kEntrySize]);
}

void TArmDisarmCodes::SetCode(std::size_t entry, const TCode6& code) {
    std::copy(code.begin(), code.end(),
              &bytes[Position(entry, kEntries, "TArmDisarmCodes::Code", TAccess::Write) * kEntrySize]);
}

std::uint16_t TArmDisarmCodes::Field(std::size_t entry) const {
    return le::Get16(
        &bytes[Position(entry, kEntries, "TArmDisarmCodes::Field", TAccess::Read) * kEntrySize + 6]);
}

void TArmDisarmCodes::SetField(std::size_t entry, std::uint16_t v) {
    le::Put16(&bytes[Position(entry, kEntries, "TArmDisarmCodes::Field", TAccess::Write) * kEntrySize + 6],
              v);
}

TArmDisarmCodes TArmDisarmCodes::Initial() {
    TArmDisarmCodes r;
    TCode6 unused;
    unused.fill(0xFF);
    for (std::size_t i = 1; i <= kEntries; ++i)
        r.SetCode(i, unused);
    return r;
}

std::uint32_t TKeyMask::Mask(std::size_t index) const {
    return le::Get32(&bytes[Position(index, kMasks, "TKeyMask::Mask", TAccess::Read) * 4]);
}

void TKeyMask::SetMask(std::size_t index, std::uint32_t v) {
    le::Put32(&bytes[Position(index, kMasks, "TKeyMask::Mask", TAccess::Write) * 4], v);
}

std::uint8_t TYAdrMR::Adr(std::size_t index) const {
    return bytes[Position(index, kCount, "TYAdrMR::Adr", TAccess::Read)];
}

// The established message text names this property without the record's Y prefix.
bool TYIIForAdr::II(std::size_t adr, std::size_t input) const {
    const std::size_t a = Position(adr, kAddresses, "IIForAdr::II", TAccess::Read);
    const std::size_t i = Position(input, kInputs, "IIForAdr::II", TAccess::Read);
    return (bytes[a] >> i) & 1;
}

void TYIIForAdr::SetII(std::size_t adr, std::size_t input, bool on) {
    const std::size_t a = Position(adr, kAddresses, "IIForAdr::II", TAccess::Write);
    const std::size_t i = Position(input, kInputs, "IIForAdr::II", TAccess::Write);
    const auto bit = static_cast<std::uint8_t>(1u << i);
    bytes[a] = on ? static_cast<std::uint8_t>(bytes[a] | bit) : static_cast<std::uint8_t>(bytes[a] & ~bit);
}

TCode6 TYConfirmCodes::Code(std::size_t index) const {
    return CodeAt(&bytes[Position(index, kCodes, "TYConfirmCodes::Code", TAccess::Read) * kCodeSize]);
}

void TYConfirmCodes::SetCode(std::size_t index, const TCode6& code) {
    std::copy(code.begin(), code.end(),
              &bytes[Position(index, kCodes, "TYConfirmCodes::Code", TAccess::Write) * kCodeSize]);
}

std::uint8_t TYRPDNumForAdr::RPDNum(std::size_t adr) const {
    return bytes[Position(adr, kAddresses, "TYRPDNumForAdr::RPDNum", TAccess::Read)];
}

std::uint8_t TYPKPNumForAdr::PKPNum(std::size_t adr) const {
    return bytes[Position(adr, kAddresses, "TYPKPNumForAdr::PKPNum", TAccess::Read)];
}

std::uint16_t TYObjNumForAdrAndII::ObjNum(std::size_t adr, std::size_t input) const {
    const std::size_t a = Position(adr, kAddresses, "TYObjNumForAdrAndII::ObjNum", TAccess::Read);
    const std::size_t i = Position(input, kInputs, "TYObjNumForAdrAndII::ObjNum", TAccess::Read);
    return le::Get16(&bytes[(a * kInputs + i) * 2]);
}

void TYObjNumForAdrAndII::SetObjNum(std::size_t adr, std::size_t input, std::uint16_t v) {
    const std::size_t a = Position(adr, kAddresses, "TYObjNumForAdrAndII::ObjNum", TAccess::Write);
    const std::size_t i = Position(input, kInputs, "TYObjNumForAdrAndII::ObjNum", TAccess::Write);
    le::Put16(&bytes[(a * kInputs + i) * 2], v);
}

bool TYSysOutAssigns::PultOutAsgnd(std::size_t out) const {
    return (bytes[0] >> Position(out, kPultOuts, "TYSysOutAssigns::PultOutAsgnd", TAccess::Read)) & 1;
}

void TYSysOutAssigns::SetPultOutAsgnd(std::size_t out, bool on) {
    const auto bit = static_cast<std::uint8_t>(
        1u << Position(out, kPultOuts, "TYSysOutAssigns::PultOutAsgnd", TAccess::Write));
    bytes[0] = on ? static_cast<std::uint8_t>(bytes[0] | bit) : static_cast<std::uint8_t>(bytes[0] & ~bit);
}

bool TYSysOutAssigns::MROutAsgnd(std::size_t out) const {
    return (bytes[2] >> Position(out, kMROuts, "TYSysOutAssigns::MROutAsgnd", TAccess::Read)) & 1;
}

void TYSysOutAssigns::SetMROutAsgnd(std::size_t out, bool on) {
    const auto bit = static_cast<std::uint8_t>(
        1u << Position(out, kMROuts, "TYSysOutAssigns::MROutAsgnd", TAccess::Write));
    bytes[2] = on ? static_cast<std::uint8_t>(bytes[2] | bit) : static_cast<std::uint8_t>(bytes[2] & ~bit);
}

TYSysOutAssigns TYSysOutsAssigns::YSysOutAssigns(std::size_t object) const {
    const std::size_t at = Position(object, kObjects, "TYSysOutsAssigns::YSysOutAssigns", TAccess::Read);
    TYSysOutAssigns entry;
    std::copy_n(&bytes[at * entry.bytes.size()], entry.bytes.size(), entry.bytes.begin());
    return entry;
}

void TYSysOutsAssigns::SetYSysOutAssigns(std::size_t object, const TYSysOutAssigns& entry) {
    const std::size_t at = Position(object, kObjects, "TYSysOutsAssigns::YSysOutAssigns", TAccess::Write);
    std::copy(entry.bytes.begin(), entry.bytes.end(), &bytes[at * entry.bytes.size()]);
}

std::uint8_t TYSysOuts::SysOut(std::size_t out) const {
    return bytes[Position(out, kOutputs, "TYSysOuts::SysOut", TAccess::Read)];
}

void TYSysOuts::SetSysOut(std::size_t out, std::uint8_t v) {
    bytes[Position(out, kOutputs, "TYSysOuts::SysOut", TAccess::Write)] = v;
}

std::uint16_t TYSysOutsWorkModes::OutWorkMode(std::size_t out) const {
    return le::Get16(&bytes[Position(out, kOutputs, "TYSysOutsWorkModes::OutWorkMode", TAccess::Read) * 2]);
}

void TYSysOutsWorkModes::SetOutWorkMode(std::size_t out, std::uint16_t v) {
    le::Put16(&bytes[Position(out, kOutputs, "TYSysOutsWorkModes::OutWorkMode", TAccess::Write) * 2], v);
}

}  // namespace mirca
