#include "eventlog/reader.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>
#include <utility>

#include "base/failure.h"
#include "base/userfile.h"
#include "devlink/crc.h"
#include "devlink/frames.h"
#include "devlink/le.h"
#include "eventlog/decoder.h"

namespace mirca {

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kRequestStart = 0x55;
constexpr std::uint8_t kReplyStart = 0xAA;
constexpr std::uint8_t kCmdIdentity = 0x80;
constexpr std::uint8_t kCmdTableList = 0x81;
constexpr std::uint8_t kCmdBlock = 0x82;
constexpr std::array<std::uint8_t, 4> kAck = {kRequestStart, 0xFF, 0xFF, 0x00};

constexpr std::uint32_t kIdentityWaitMs = 20;
constexpr std::uint32_t kTableListWaitMs = 100;
constexpr std::uint32_t kNewIdentityReply = 11;
constexpr std::uint32_t kOldIdentityReply = 7;
constexpr std::uint32_t kNewBlockReply = 258;
constexpr std::uint32_t kOldBlockReply = 259;
constexpr std::uint32_t kReplyOverhead = 4;  // start byte, command byte, CRC
constexpr std::uint16_t kOldFormatDeviceType = 937;
// Old-format offsets travel in 16 bits; a table must end inside that space.
constexpr std::uint32_t kOldAddressSpace = 0x10000;

constexpr std::size_t kTableRecordHead = 12;  // kind, address, size
constexpr std::size_t kHeaderOffsets = 7;     // the first table-record offset in the header
// Header, and every role's record at its largest: nothing a file of ours can exceed.
constexpr std::size_t kMaxFileSize =
    TEventLogReader::kHeaderSize +
    TEventLogReader::kRoles * (kTableRecordHead + TEventLogReader::kMaxTableSize);

const char* const kRoleNames[TEventLogReader::kRoles] = {
    "events", "names", "name index", "log position", "registered devices", "extra A", "extra B",
};

Bytes Request(std::uint8_t command, const Bytes& payload) {
    Bytes frame = {kRequestStart, 0xFF, 0xFF, command, static_cast<std::uint8_t>(payload.size())};
    frame.insert(frame.end(), payload.begin(), payload.end());
    le::Append16(frame, Crc16Modbus(frame.data(), frame.size()));
    return frame;
}

bool ReplyValid(const std::uint8_t* reply, std::size_t n) {
    return n >= 3 && reply[0] == kReplyStart && Crc16Modbus(reply, n - 2) == le::Get16(reply + n - 2);
}

// Which entry of the table list describes each role, by system; -1 where the system has no such table.
std::optional<std::array<int, TEventLogReader::kRoles>> RoleEntries(std::uint8_t system) {
    switch (system) {
        case 1:
        case 3:
            return std::array<int, TEventLogReader::kRoles>{0, 1, 2, 3, 4, -1, -1};
        case 2:
            return std::array<int, TEventLogReader::kRoles>{0, 1, 2, 3, 4, 5, 6};
        case 5:
        case 6:
            return std::array<int, TEventLogReader::kRoles>{0, -1, -1, 1, -1, -1, -1};
        default:
            return std::nullopt;
    }
}

// Length of the table-list reply, or 0 when the format and system have no table layout.
std::uint32_t TableListLength(bool newFormat, std::uint8_t system) {
    switch (system) {
        case 1:
        case 3:
            return newFormat ? 54 : 34;
        case 2:
            return newFormat ? 74 : 0;
        case 5:
            return newFormat ? 24 : 16;
        case 6:
            return newFormat ? 24 : 0;
        default:
            return 0;
    }
}

// The two tables the reader interprets must hold what it reads from them; "" when they do.
std::string CheckInterpretedTables(const std::unique_ptr<TZelmoTable> (&tables)[TEventLogReader::kRoles]) {
    const std::uint32_t position = tables[TEventLogReader::kLogPosition]->Size();
    if (position < 2) return "the log position table holds " + std::to_string(position) + " bytes, needs 2";
    const std::uint32_t events = tables[TEventLogReader::kEvents]->Size();
    if (events % EventElement::kSize != 0) {
        return "the events table holds " + std::to_string(events) +
               " bytes, not a whole number of 16-byte records";
    }
    return "";
}

// The index of the next record, as the log position table holds it.
std::uint16_t StoredPosition(const TZelmoTable& position) {
    return static_cast<std::uint16_t>(position[0] | (position[1] << 8));
}

std::size_t RecordCount(const TZelmoTable& events) {
    return events.Size() / EventElement::kSize;
}

std::string Hex2(std::uint8_t b) {
    char text[3];
    std::snprintf(text, sizeof text, "%02X", unsigned{b});
    return text;
}

}  // namespace

std::string SystemName(std::uint8_t systemNumber) {
    static const char* const kNames[] = {"", "S", "R", "S", "T", "P", "Y"};
    return systemNumber < std::size(kNames) ? kNames[systemNumber] : "";
}

TEventLogReader::TEventLogReader(TPort* port, ISleeper* sleeper)
    : port_(port), sleeper_(sleeper != nullptr ? sleeper : &SystemSleeper()) {}

TEventLogReader::~TEventLogReader() = default;

bool TEventLogReader::Fail(std::string why) {
    lastError_ = std::move(why);
    return false;
}

std::uint32_t TEventLogReader::ReadReply(std::uint8_t* into, std::uint32_t count) {
    ClearFailure();
    const bool whole = port_->Read(into, count);
    readError_ = whole ? std::string() : LastFailure().system;
    return std::min(port_->LastRead(), count);
}

bool TEventLogReader::Send(const std::uint8_t* bytes, std::size_t count) {
    ClearFailure();
    const bool sent = port_->Write(bytes, static_cast<std::uint32_t>(count));
    readError_ = sent ? std::string() : LastFailure().system;
    return sent;
}

bool TEventLogReader::FailReply(std::string why) {
    // A reply cut short by the link (the device unplugged, a timeout), or a request it did not take, says
    // what the link said, not only what was missing.
    if (!readError_.empty()) why += " (" + readError_ + ")";
    return Fail(std::move(why));
}

void TEventLogReader::SetPercent(int percent) const {
    if (gauge_ != nullptr) gauge_->SetPercent(percent);
}

// ---------------------------------------------------------------- panel

bool TEventLogReader::ReadIdentity() {
    if (port_ == nullptr || !port_->IsOpen()) return Fail("identity: the port is not open");
    const Bytes request = Request(kCmdIdentity, {});
    port_->Flush();
    if (!Send(request.data(), request.size())) return FailReply("identity: the request could not be sent");
    port_->Flush();
    sleeper_->Sleep(kIdentityWaitMs);
    std::array<std::uint8_t, kNewIdentityReply> reply{};
    // A 7-byte reply is a short read, told by its count.
    const std::uint32_t n = ReadReply(reply.data(), kNewIdentityReply);
    if (n != kOldIdentityReply && n != kNewIdentityReply) {
        return FailReply("identity: expected 7 or 11 bytes, received " + std::to_string(n));
    }
    if (!ReplyValid(reply.data(), n)) return FailReply("identity: the reply's start byte or CRC is wrong");
    if (n == kNewIdentityReply) {
        newFormat_ = true;
        deviceType_ = le::Get16(&reply[2]);
        identityWord_ = le::Get16(&reply[4]);
        systemNumber_ = reply[6];
        minorVersion_ = reply[7];
        buildNumber_ = reply[8];
    } else {
        newFormat_ = false;
        deviceType_ = kOldFormatDeviceType;
        identityWord_ = 0;  // the short reply has none, so the device name has no letter
        systemNumber_ = reply[1];
        minorVersion_ = 0;
        buildNumber_ = 0;
    }
    port_->Flush();
    if (!Send(kAck.data(), kAck.size())) return FailReply("identity: the acknowledgement could not be sent");
    port_->Flush();
    lastError_.clear();
    return true;
}

bool TEventLogReader::ReadTableList() {
    tableList_.clear();
    if (port_ == nullptr || !port_->IsOpen()) return Fail("table list: the port is not open");
    // Decided before asking, so that a panel we cannot read is not left holding an unread reply.
    const std::uint32_t length = TableListLength(newFormat_, systemNumber_);
    if (length == 0) {
        return Fail("table list: system " + std::to_string(systemNumber_) +
                    " has no event log layout in the " + (newFormat_ ? "new" : "old") + " format");
    }
    const Bytes request = Request(kCmdTableList, {0x01});
    port_->Flush();
    if (!Send(request.data(), request.size())) return FailReply("table list: the request could not be sent");
    port_->Flush();
    sleeper_->Sleep(kTableListWaitMs);
    Bytes reply(length);
    const std::uint32_t n = ReadReply(reply.data(), length);
    if (n != length) {
        return FailReply("table list: expected " + std::to_string(length) + " bytes, received " +
                         std::to_string(n));
    }
    if (!ReplyValid(reply.data(), n)) return FailReply("table list: the reply's start byte or CRC is wrong");
    const std::size_t entry = newFormat_ ? 10 : 6;
    for (std::size_t at = 2; at + entry <= length - 2; at += entry) {
        const std::uint8_t* p = &reply[at];
        tableList_.push_back(le::Get16(p));
        if (newFormat_) {
            tableList_.push_back(le::Get32(p + 2));
            tableList_.push_back(le::Get32(p + 6));
        } else {
            tableList_.push_back(le::Get16(p + 2));
            tableList_.push_back(le::Get16(p + 4));
        }
    }
    port_->Flush();
    if (!Send(kAck.data(), kAck.size()))
        return FailReply("table list: the acknowledgement could not be sent");
    port_->Flush();
    if (tableList_.size() < 3 || tableList_[2] == 0) return Fail("table list: the events table is empty");
    return true;
}

int TEventLogReader::ReadBlock(std::int32_t kind, std::uint32_t offset, std::uint32_t remaining) {
    if (port_ == nullptr || !port_->IsOpen()) {
        Fail("block: the port is not open");
        return -1;
    }
    Bytes payload;
    le::Append16(payload, static_cast<std::uint16_t>(kind));
    if (newFormat_) {
        le::Append32(payload, offset);
    } else {
        if (offset > 0xFFFF) {
            Fail("block: offset " + std::to_string(offset) + " does not fit the old format");
            return -1;
        }
        le::Append16(payload, static_cast<std::uint16_t>(offset));
    }
    const Bytes request = Request(kCmdBlock, payload);
    const std::uint32_t want = newFormat_ ? kNewBlockReply : kOldBlockReply;
    // What a whole reply to this request holds: a full block, or the rest of the table.
    const std::uint32_t whole = std::min(want - kReplyOverhead, remaining) + kReplyOverhead;
    const std::string where = "block of table kind " + std::to_string(kind) + " at " + std::to_string(offset);
    std::array<std::uint8_t, kOldBlockReply> reply{};
    std::uint32_t n = 0;
    for (int attempt = 1;; ++attempt) {
        port_->Flush();
        if (!Send(request.data(), request.size())) {
            FailReply(where + ": the request could not be sent");
            return -1;
        }
        port_->Flush();
        n = ReadReply(reply.data(), want);  // a last, shorter block is a short read
        if (n >= kReplyOverhead && ReplyValid(reply.data(), n)) break;
        // A reply that is missing or that the link cut off is not asked for again: the panel or the cable
        // is gone. One that came whole from the link but damaged (cut short on the way, its checksum wrong)
        // is, a few times; nothing damaged is ever acknowledged or kept.
        const std::string counts =
            ": expected " + std::to_string(whole) + " bytes, received " + std::to_string(n);
        std::string why = n == 0      ? "no reply" + counts
                          : n < whole ? "short reply" + counts
                                      : std::string("bad checksum: the reply's start byte or CRC is wrong");
        if (n == 0 || !readError_.empty() || attempt == kBlockAttempts) {
            if (n > 0 && readError_.empty()) why += " (asked " + std::to_string(attempt) + " times)";
            FailReply(where + ": " + why);
            return -1;
        }
    }
    readBuffer_.insert(readBuffer_.end(), reply.begin() + 2, reply.begin() + (n - 2));
    port_->Flush();
    if (!Send(kAck.data(), kAck.size())) {
        FailReply(where + ": the acknowledgement could not be sent");
        return -1;
    }
    port_->Flush();
    return static_cast<int>(n - kReplyOverhead);
}

bool TEventLogReader::FetchTable(TZelmoTable& table) {
    readBuffer_.clear();
    const std::uint64_t end = std::uint64_t{table.address} + table.Size();
    if (!newFormat_ && end > kOldAddressSpace) {
        return Fail("table kind " + std::to_string(table.kind) +
                    " reaches past the old format's 16-bit offsets");
    }
    if (end > 0x100000000ULL) {
        return Fail("table kind " + std::to_string(table.kind) + " reaches past the 32-bit offsets");
    }
    readBuffer_.reserve(table.Size() + kOldBlockReply);
    std::uint32_t sum = 0;
    while (sum < table.Size()) {
        const int r = ReadBlock(table.kind, table.address + sum, table.Size() - sum);
        if (r < 0) return false;
        // A panel with nothing more to give must not keep us asking for ever.
        if (r == 0) {
            return Fail("table kind " + std::to_string(table.kind) + ": the panel sent no data at " +
                        std::to_string(sum) + " of " + std::to_string(table.Size()) + " bytes");
        }
        sum += static_cast<std::uint32_t>(r);
        if (gauge_ != nullptr) gauge_->Pump();
    }
    std::copy_n(readBuffer_.begin(), table.Size(), table.data.begin());
    return true;
}

bool TEventLogReader::ReadLog() {
    SetPercent(5);
    if (!ReadTableList()) return false;
    SetPercent(10);
    const auto entries = RoleEntries(systemNumber_);
    if (!entries) return Fail("system " + std::to_string(systemNumber_) + " has no event log layout");

    // Built aside and adopted only when the whole log arrived.
    std::unique_ptr<TZelmoTable> tables[kRoles];
    for (int role = 0; role < kRoles; ++role) {
        const int e = (*entries)[role];
        if (e < 0) continue;
        if (tableList_.size() < 3 * std::size_t(e) + 3) {
            return Fail(std::string("table list: no entry for the ") + kRoleNames[role] + " table");
        }
        const std::uint32_t kind = tableList_[3 * e], address = tableList_[3 * e + 1],
                            size = tableList_[3 * e + 2];
        if (size > kMaxTableSize) {
            return Fail(std::string("the ") + kRoleNames[role] + " table announces " + std::to_string(size) +
                        " bytes, more than any panel holds");
        }
        tables[role] = std::make_unique<TZelmoTable>(static_cast<std::int32_t>(kind), address, size);
    }

    const std::pair<TRole, int> steps[] = {
        {kNames, 15},  {kNameIndex, 20}, {kLogPosition, 25}, {kRegisteredDevices, 30},
        {kExtraA, 35}, {kExtraB, 40},    {kEvents, 45}};
    for (const auto& [role, percent] : steps) {
        SetPercent(percent);
        if (!tables[role]) continue;
        if (!FetchTable(*tables[role])) return false;
    }
    if (const std::string error = CheckInterpretedTables(tables); !error.empty()) return Fail(error);
    // The ring is turned at the position: one outside it would put the records out of order, so the panel's
    // log is not taken at all.
    const std::uint16_t position = StoredPosition(*tables[kLogPosition]);
    const std::size_t count = RecordCount(*tables[kEvents]);
    if (position >= count) {
        TFailure fault;
        fault.operation = "reading the event log";
        fault.step = "the panel's log position";
        fault.expected = "< " + std::to_string(count) + " (the record count)";
        fault.received = std::to_string(position);
        mirca::Fail(fault);
        return Fail(fault.step + ": expected " + fault.expected + ", received " + fault.received);
    }
    logPosition_ = position;
    for (int role = 0; role < kRoles; ++role)
        tables_[role] = std::move(tables[role]);
    ParseEvents();
    SetPercent(50);
    lastError_.clear();
    return true;
}

void TEventLogReader::ParseEvents() {
    events_.clear();
    if (!tables_[kEvents]) return;
    // The table stays as the panel keeps it: it is saved that way, with the position beside it, so a file
    // loaded again is put in order once, not twice.
    const std::vector<std::uint8_t>& data = tables_[kEvents]->data;
    const std::size_t count = data.size() / EventElement::kSize;
    // Both sources refuse a position outside the ring; the guard only keeps the arithmetic in bounds.
    const std::size_t first = logPosition_ < count ? logPosition_ : 0;
    events_.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t from = (first + i) % count * EventElement::kSize;
        std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(from), EventElement::kSize,
                    events_[i].bytes.begin());
    }
}

// ---------------------------------------------------------------- texts

bool TEventLogReader::GetEvent(std::size_t i, std::string& event, std::string& range, std::string& detail,
                               std::string& source, std::string& date, std::string& time) const {
    const EventElement& record = events_.at(i);
    date = Hex2(record.day()) + kDateSeparator + Hex2(record.month()) + kDateSeparator + Hex2(record.year());
    time = Hex2(record.hours()) + kTimeSeparator + Hex2(record.minutes()) + kTimeSeparator +
           Hex2(record.seconds());
    event.clear();
    range.clear();
    detail.clear();
    source.clear();
    if (systemNumber_ != 6) return false;
    TEventTexts texts =
        DecodeEvent(record, logPosition_, EventCount(), catalogue_ != nullptr ? *catalogue_ : Catalogue());
    event = std::move(texts.event);
    range = std::move(texts.range);
    detail = std::move(texts.detail);
    source = std::move(texts.source);
    return true;
}

std::string TEventLogReader::GetEventCodeText(std::size_t i) const {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", unsigned{events_.at(i).code()});
    return text;
}

std::string TEventLogReader::GetDeviceName() const {
    std::string name = "Зелмо-" + std::to_string(deviceType_);
    const char letter = frames::LogEditionLetter(identityWord_);
    if ((letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z')) name += letter;
    return name + "-" + SystemName(systemNumber_);
}

// ---------------------------------------------------------------- files

bool TEventLogReader::SaveToFile(const std::filesystem::path& fileName) const {
    // Every reason in one shape, the file named once: "cannot write site.yrpt: Permission denied".
    const auto refuse = [&](const std::string& reason) {
        lastError_ = "cannot write " + fileName.string() + ": " + reason;
        return false;
    };
    if (!tables_[kEvents]) return refuse("there is no event log to save");
    // A file LoadFromFile would refuse is not written at all.
    const auto entries = RoleEntries(systemNumber_);
    for (int role = 0; role < kRoles; ++role) {
        if (!entries || ((*entries)[role] >= 0) != (tables_[role] != nullptr))
            return refuse("the log of system " + std::to_string(systemNumber_) +
                          " does not hold the tables its files need");
    }
    Bytes content(kHeaderSize, 0);
    le::Put16(&content[0], deviceType_);
    le::Put16(&content[2], identityWord_);
    content[4] = systemNumber_;
    content[5] = minorVersion_;
    content[6] = buildNumber_;
    for (int role = 0; role < kRoles; ++role) {
        const TZelmoTable* table = tables_[role].get();
        if (table == nullptr) continue;
        le::Put32(&content[kHeaderOffsets + 4 * std::size_t(role)],
                  static_cast<std::uint32_t>(content.size()));
        le::Append32(content, static_cast<std::uint32_t>(table->kind));
        le::Append32(content, table->address);
        le::Append32(content, table->Size());
        content.insert(content.end(), table->data.begin(), table->data.end());
    }
    if (const std::string error = WriteFileAtomically(fileName, content); !error.empty())
        return refuse(error);
    lastError_.clear();
    return true;
}

bool TEventLogReader::LoadFromFile(const std::filesystem::path& fileName) {
    Bytes file;
    if (const std::string error = ReadFileBounded(fileName, kMaxFileSize, file, "event-log file");
        !error.empty())
        return Fail(error);
    SetPercent(0);
    if (file.size() < kHeaderSize) {
        return Fail("the file holds " + std::to_string(file.size()) + " bytes, shorter than its " +
                    std::to_string(kHeaderSize) + "-byte header");
    }
    const std::uint8_t system = file[4];
    // The tables a read of this system fetches, and so the ones its file holds: what is saved is what loads.
    const auto entries = RoleEntries(system);
    if (!entries) return Fail("event-log files of system " + std::to_string(system) + " cannot be read");

    std::unique_ptr<TZelmoTable> tables[kRoles];
    for (int r = 0; r < kRoles; ++r) {
        if ((*entries)[r] < 0) continue;
        const auto role = static_cast<TRole>(r);
        const std::string name = std::string("the ") + kRoleNames[role] + " table";
        const std::uint32_t offset = le::Get32(&file[kHeaderOffsets + 4 * std::size_t(role)]);
        if (offset == 0) return Fail("the file has no " + std::string(kRoleNames[role]) + " table");
        if (offset < kHeaderSize || std::uint64_t{offset} + kTableRecordHead > file.size()) {
            return Fail(name + " starts at " + std::to_string(offset) + ", outside the file's " +
                        std::to_string(file.size()) + " bytes");
        }
        const std::uint8_t* head = &file[offset];
        const std::uint32_t size = le::Get32(head + 8);
        if (size > kMaxTableSize || offset + kTableRecordHead + std::uint64_t{size} > file.size()) {
            return Fail(name + " announces " + std::to_string(size) + " bytes, more than the file holds");
        }
        tables[role] = std::make_unique<TZelmoTable>(static_cast<std::int32_t>(le::Get32(head)),
                                                     le::Get32(head + 4), size);
        std::copy_n(head + kTableRecordHead, size, tables[role]->data.begin());
    }
    if (const std::string error = CheckInterpretedTables(tables); !error.empty()) return Fail(error);
    const std::uint16_t position = StoredPosition(*tables[kLogPosition]);
    if (const std::size_t count = RecordCount(*tables[kEvents]); position >= count) {
        return Fail(fileName.string() + ": the log position " + std::to_string(position) +
                    " is not below the file's " + std::to_string(count) +
                    " records; the file is damaged or was not written by this program");
    }

    // Everything checked: adopt it.
    newFormat_ = false;
    deviceType_ = le::Get16(&file[0]);
    identityWord_ = le::Get16(&file[2]);
    systemNumber_ = system;
    minorVersion_ = file[5];
    buildNumber_ = file[6];
    tableList_.clear();
    readBuffer_.clear();
    logPosition_ = position;
    for (int role = 0; role < kRoles; ++role)
        tables_[role] = std::move(tables[role]);
    ParseEvents();
    if (system == 5 || system == 6) SetPercent(50);
    lastError_.clear();
    return true;
}

}  // namespace mirca
