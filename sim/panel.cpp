#include "sim/panel.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>
#include <utility>

#include "devlink/crc.h"
#include "devlink/frames.h"
#include "devlink/le.h"
#include "sim/eventring.h"

namespace mirca::sim {

namespace {

using Bytes = std::vector<std::uint8_t>;

// The panel speaks the host's frames: their bytes are named in one place.
using frames::kCmdIdentify;
using frames::kCmdRead;
using frames::kCmdSetMode;
using frames::kCmdTable;
using frames::kCommandAddress;
using frames::kDataAddress;
using frames::kDataBlockLength;
using frames::kLegacyRead;
using frames::kLegacyWrite;
using frames::kReplyStart;
using frames::kRequestStart;
using frames::kSelectLength;
using frames::kWriteStartLength;
constexpr std::size_t kFramedHeader = frames::kHeaderSize;

constexpr std::uint8_t kModeRead = frames::kWireModeRead;
constexpr std::uint8_t kModeConfigWrite = frames::kWireModeConfigWrite;
constexpr std::uint8_t kModeFirmwareWrite = frames::kWireModeFirmwareWrite;
constexpr std::uint8_t kModeSelect = frames::kWireModeSelect;

constexpr std::uint32_t kBlock = frames::kBlock;
// The block count travels in 16 bits, in the read header and (plus one) in the write start.
constexpr std::uint32_t kMaxBlocks = 0xFFFF;

constexpr std::size_t kLegacyFrame = frames::kLegacyFrameSize;
constexpr std::uint8_t kLegacyFirmwareConnection = frames::kLegacyFirmwareCode;
constexpr std::uint8_t kLegacyConfigConnection = frames::kLegacyConfigCode;
constexpr std::size_t kPage = frames::kPage;
constexpr std::size_t kLegacyFirmwareBlock = frames::kPiece;
// No image of this family comes near it; beyond it the transfer fails instead of eating memory.
constexpr std::size_t kMaxLegacyFirmware = 16u * 1024 * 1024;

void AppendCrc(Bytes& frame) {
    le::Append16(frame, Crc16Arc(frame.data(), frame.size()));
}

// The event log's own requests: address 0xFF 0xFF like data writes, but CRC-16/MODBUS.
constexpr std::uint8_t kLogIdentity = 0x80;
constexpr std::uint8_t kLogTableList = 0x81;
constexpr std::uint8_t kLogBlock = 0x82;
constexpr std::size_t kLogNewBlock = 254;
constexpr std::size_t kLogOldBlock = 255;
constexpr std::array<std::uint8_t, 4> kLogAck = {kRequestStart, 0xFF, 0xFF, 0x00};

void AppendCrc16Modbus(Bytes& frame) {
    le::Append16(frame, Crc16Modbus(frame.data(), frame.size()));
}

// Kinds and addresses of the log's tables, by role: events, names, name index, log position, registered
// devices, extra A, extra B. The ring comes last so that it may grow without moving the others.
struct TLogTableLayout {
    std::uint16_t kind;
    std::uint32_t address;
    std::size_t size;
};
constexpr TLogTableLayout kLogEvents = {0x0101, 0x0400, 0};
constexpr TLogTableLayout kLogNames = {0x0102, 0x0100, 16 * 16};
constexpr TLogTableLayout kLogNameIndex = {0x0103, 0x0200, 16 * 2};
constexpr TLogTableLayout kLogPosition = {0x0104, 0x0240, 2};
constexpr TLogTableLayout kLogDevices = {0x0105, 0x0280, 32 * 8};
constexpr TLogTableLayout kLogExtraA = {0x0106, 0x0380, 64};
constexpr TLogTableLayout kLogExtraB = {0x0107, 0x03C0, 48};

bool IsLegacyReply(TReplyKind kind) {
    return kind == TReplyKind::LegacyIdentify || kind == TReplyKind::LegacyPage ||
           kind == TReplyKind::LegacyWrite || kind == TReplyKind::LegacyFirmware;
}

bool HasStatus(TReplyKind kind) {
    return kind == TReplyKind::Select || kind == TReplyKind::WriteStart || kind == TReplyKind::WriteBlock ||
           kind == TReplyKind::LegacyWrite || kind == TReplyKind::LegacyFirmware;
}

}  // namespace

class TSimPanel::Impl {
public:
    Impl(TPanelIdentity identity, std::size_t memorySize) : id(identity), memory(memorySize, 0) {}

    bool Receive(const std::uint8_t* data, std::size_t count);
    void ResetLink();
    void Log(bool toDevice, const std::uint8_t* data, std::size_t count);
    void BuildEventLog(const TEventLogSetup& setup);
    // The log is made when first asked for, so panels that never serve it cost nothing.
    std::vector<TEventLogTable>& EventLog() {
        if (logStale) BuildEventLog(logSetup);
        return logTables;
    }

    TPanelIdentity id;
    Bytes memory;
    // Configuration bytes that writes do not reach: [stuckFrom, stuckFrom + stuckSize).
    std::uint32_t stuckFrom = 0;
    std::uint32_t stuckSize = 0;
    void Store(std::size_t at, std::uint8_t value) {
        const bool stuck = at >= stuckFrom && at - stuckFrom < stuckSize;
        if (at < memory.size() && !stuck) memory[at] = value;
    }
    Bytes firmware;
    bool firmwareComplete = false;
    std::optional<Bytes> legacyFirmwareFrame;
    // The link goes down once this many image bytes have arrived (a cable pulled mid-update).
    std::optional<std::size_t> firmwareDropAfter;
    void DropIfDue() {
        if (firmwareDropAfter && firmware.size() >= *firmwareDropAfter) {
            linkUp = false;
            firmwareDropAfter.reset();
        }
    }
    // A whole framed image as the panel's loader takes it: its own type, a system of its family. Taken, it
    // is the firmware the panel runs from now on.
    bool TakeFramedImage() {
        if (firmware.size() < 7 || le::Get16(firmware.data()) != id.typeCode) return false;
        const int family = frames::SystemFamily(firmware[4]);
        if (family == 0 || family != frames::SystemFamily(id.major)) return false;
        id.edition = le::Get16(firmware.data() + 2);
        id.major = firmware[4];
        id.minor = firmware[5];
        id.build = firmware[6];
        logStale = true;
        return true;
    }
    // A legacy image names its version in its opening frame's fourth byte: major * 10 + minor.
    void TakeLegacyImage() {
        if (!legacyFirmwareFrame || legacyFirmwareFrame->size() < 4) return;
        id.major = static_cast<std::uint8_t>((*legacyFirmwareFrame)[3] / 10);
        id.minor = static_cast<std::uint8_t>((*legacyFirmwareFrame)[3] % 10);
        logStale = true;
    }

    std::deque<Bytes> outgoing;
    std::size_t maxPacket = 64;
    bool linkUp = true;
    std::optional<std::size_t> linkBudget;

    std::vector<TTransfer> exchange;
    std::size_t exchangeBytes = 0;
    std::size_t exchangeLimit = 0;

    std::vector<TFault> faults;
    unsigned stallMs = 0;  // a committed Stall's delay, until the transport takes it

    TPanelListener listener;
    void Notify(TPanelEvent::TKind kind, std::uint32_t address = 0, std::uint32_t size = 0) {
        if (!listener) return;
        TPanelEvent event;
        event.kind = kind;
        event.address = address;
        event.size = size;
        listener(event);
    }

    std::array<std::size_t, 256> framedRequests{};
    std::array<std::size_t, 256> legacyFrames{};
    std::size_t acks = 0;
    Bytes ackStatuses;
    Bytes modeChanges;
    std::size_t legacyDisconnects = 0;

    TEventLogSetup logSetup;
    std::vector<TEventLogTable> logTables;
    bool logStale = true;  // the identity or the setup changed since logTables was built
    std::array<std::size_t, 256> logRequests{};

private:
    // --- framed generation ---
    enum class TAwait { Nothing, Identify, SetMode, ReadHeader, ReadBlock };
    struct TSelection {
        std::uint16_t kind = 0;
        std::uint32_t address = 0;
        std::uint32_t size = 0;
    };
    struct TWriteSession {
        bool firmware = false;
        std::uint32_t address = 0;
        std::uint32_t size = 0;
        std::uint32_t blocks = 0;
        std::uint32_t next = 1;
    };
    struct TReadSession {
        std::uint32_t address = 0;
        std::uint32_t size = 0;
        std::uint32_t blocks = 0;
        std::uint32_t next = 0;
    };

    void FeedFramed(const std::uint8_t* data, std::size_t count);
    // Parses what is buffered; returns how many bytes were used up.
    std::size_t ParseFramed();
    void HandleAck(const std::array<std::uint8_t, 4>& ack);
    void HandleRequest(std::uint16_t address, std::uint8_t command, const std::uint8_t* payload,
                       std::uint8_t length);
    void Select(const std::uint8_t* payload);
    void StartWrite(const std::uint8_t* payload);
    void WriteBlock(const std::uint8_t* payload);
    void StartRead(const std::uint8_t* payload);
    void SendReadBlock();
    void SendStatus(TReplyKind kind, bool ok);
    bool InsideMemory(std::uint32_t address, std::uint32_t size) const {
        return std::uint64_t{address} + size <= memory.size();
    }

    // --- legacy generation ---
    enum class TLegacyState { Frames, WriteData, FirmwareData };
    void FeedLegacy(const std::uint8_t* data, std::size_t count);
    void LegacyFirmwareTransfer(const std::uint8_t* data, std::size_t count);
    std::size_t ParseLegacy();
    void HandleLegacyFrame(const std::uint8_t* frame);
    void FinishLegacyWrite();
    void SendLegacy(TReplyKind kind, std::uint8_t b2, std::uint8_t b3);

    // --- event log ---
    // True when the transfer was the log's: a whole request with its CRC, or the ack the log waits for.
    bool HandleEventLog(const std::uint8_t* data, std::size_t count);
    void SendLogIdentity();
    void SendLogTableList();
    void SendLogBlock(std::uint16_t kind, std::uint32_t offset);
    void SendLog(TReplyKind kind, Bytes reply);

    // Sends a reply unless a fault swallows it; false when nothing went out. A whole reply goes out as one
    // transfer instead of packets.
    bool Send(TReplyKind kind, Bytes reply, bool whole = false);
    std::optional<TFault> TakeFault(TReplyKind kind);
    void Queue(const Bytes& reply, bool whole = false);

    Bytes rx_;  // host bytes not yet used up
    TAwait await_ = TAwait::Nothing;
    std::optional<std::uint8_t> mode_;
    std::optional<TSelection> selection_;
    std::optional<TWriteSession> write_;
    std::optional<TReadSession> read_;

    TLegacyState legacyState_ = TLegacyState::Frames;
    std::optional<std::uint8_t> legacyConnection_;
    std::uint8_t legacyWritePages_ = 0;
    std::uint8_t legacyWritePage_ = 0;
    Bytes legacyWriteData_;  // markers, pages and checksum as they arrive
    TCrc16 legacyFirmwareCrc_;
    Bytes legacyFirmwareSum_;  // the closing checksum bytes received so far
    bool legacyFirmwareOverflow_ = false;
    bool legacyFirmwareForeign_ = false;  // the opening frame named another device

    bool logAwaitsAck_ = false;
};

// ---------------------------------------------------------------- link

bool TSimPanel::Impl::Receive(const std::uint8_t* data, std::size_t count) {
    if (!linkUp) return false;
    std::size_t taken = count;
    if (linkBudget) {
        taken = std::min(count, *linkBudget);
        *linkBudget -= taken;
    }
    const bool whole = taken == count;
    if (taken > 0 || whole) Log(true, data, taken);
    // The log service sits beside both generations; only a complete transfer can be one of its requests.
    const bool logRequest = whole && HandleEventLog(data, count);
    if (!logRequest && id.framed) FeedFramed(data, taken);
    if (!logRequest && !id.framed) FeedLegacy(data, taken);
    if (linkBudget && *linkBudget == 0) linkUp = false;
    // A transfer cut by the link did not complete, so the host must see its write fail.
    return whole;
}

void TSimPanel::Impl::Log(bool toDevice, const std::uint8_t* data, std::size_t count) {
    exchange.push_back({toDevice, Bytes(data, data + count)});
    exchangeBytes += count;
    if (exchangeLimit == 0 || exchangeBytes <= exchangeLimit || exchange.size() < 2) return;
    const auto half = exchange.begin() + static_cast<std::ptrdiff_t>(exchange.size() / 2);
    for (auto it = exchange.begin(); it != half; ++it)
        exchangeBytes -= it->bytes.size();
    exchange.erase(exchange.begin(), half);
}

void TSimPanel::Impl::ResetLink() {
    rx_.clear();
    stallMs = 0;
    await_ = TAwait::Nothing;
    mode_.reset();
    selection_.reset();
    write_.reset();
    read_.reset();
    legacyState_ = TLegacyState::Frames;
    legacyConnection_.reset();
    legacyWriteData_.clear();
    legacyFirmwareSum_.clear();
    legacyFirmwareOverflow_ = false;
    logAwaitsAck_ = false;
    outgoing.clear();
}

std::optional<TFault> TSimPanel::Impl::TakeFault(TReplyKind kind) {
    std::optional<std::size_t> chosen;
    for (std::size_t i = 0; i < faults.size(); ++i) {
        TFault& f = faults[i];
        if (f.on != TReplyKind::Any && f.on != kind) continue;
        if (f.skip > 0) {
            --f.skip;
        } else if (!chosen) {
            chosen = i;
        }
    }
    if (!chosen) return std::nullopt;
    const TFault fault = faults[*chosen];
    faults.erase(faults.begin() + static_cast<std::ptrdiff_t>(*chosen));
    if (listener) {
        TPanelEvent event;
        event.kind = TPanelEvent::TKind::FaultCommitted;
        event.fault = fault.kind;
        event.on = kind;
        listener(event);
    }
    return fault;
}

bool TSimPanel::Impl::Send(TReplyKind kind, Bytes reply, bool whole) {
    const auto fault = TakeFault(kind);
    if (fault) {
        switch (fault->kind) {
            case TFaultKind::NoReply:
                return false;
            case TFaultKind::WrongStartByte:
                reply[0] = 0x00;
                if (IsLegacyReply(kind)) reply[1] = 0x00;
                break;
            case TFaultKind::NonZeroStatus:
                if (HasStatus(kind)) {
                    reply[3] = 1;
                    // A legacy result is a whole frame: keep its CRC good so only the status tells.
                    if (IsLegacyReply(kind)) le::Put16(&reply[6], Crc16Arc(reply.data(), 6));
                    break;
                }
                [[fallthrough]];
            case TFaultKind::BadCrc:
                // Replies without a CRC lose their last byte's value instead, so the fault is never silent.
                reply.back() ^= 0xFF;
                break;
            case TFaultKind::ShortReply:
                reply.pop_back();
                break;
            case TFaultKind::Stall:
                stallMs = std::max(stallMs, fault->delayMs);
                break;
        }
    }
    Queue(reply, whole);
    return true;
}

void TSimPanel::Impl::Queue(const Bytes& reply, bool whole) {
    if (!linkUp) return;
    std::size_t count = reply.size();
    if (linkBudget) {
        count = std::min(count, *linkBudget);
        *linkBudget -= count;
        if (*linkBudget == 0) linkUp = false;
    }
    const std::size_t packet = whole ? std::max<std::size_t>(count, 1) : std::max<std::size_t>(maxPacket, 1);
    for (std::size_t at = 0; at < count; at += packet) {
        const std::size_t n = std::min(packet, count - at);
        outgoing.emplace_back(reply.begin() + static_cast<std::ptrdiff_t>(at),
                              reply.begin() + static_cast<std::ptrdiff_t>(at + n));
        Log(false, reply.data() + at, n);
    }
}

// ---------------------------------------------------------------- framed generation

void TSimPanel::Impl::FeedFramed(const std::uint8_t* data, std::size_t count) {
    rx_.insert(rx_.end(), data, data + count);
    const std::size_t used = ParseFramed();
    rx_.erase(rx_.begin(), rx_.begin() + static_cast<std::ptrdiff_t>(used));
}

std::size_t TSimPanel::Impl::ParseFramed() {
    std::size_t at = 0;
    while (at < rx_.size()) {
        const std::size_t left = rx_.size() - at;
        const std::uint8_t* p = rx_.data() + at;
        if (await_ != TAwait::Nothing) {
            // Whatever the host sends next is the acknowledgement of the last reply.
            if (left < 4) break;
            HandleAck({p[0], p[1], p[2], p[3]});
            at += 4;
            continue;
        }
        if (p[0] != kRequestStart) {
            ++at;
            continue;
        }
        if (left < 3) break;
        const std::uint16_t address = le::Get16(p + 1);
        if (address != kCommandAddress && address != kDataAddress) {
            ++at;
            continue;
        }
        if (left < kFramedHeader) break;
        const std::uint8_t length = p[4];
        const std::size_t total = kFramedHeader + length + 2;
        if (left < total) break;
        if (!Crc16ArcMatches(p, kFramedHeader + length)) {
            // No reply; the frame may have begun with noise, so look for a request inside it.
            ++at;
            continue;
        }
        at += total;
        HandleRequest(address, p[3], p + kFramedHeader, length);  // handlers never touch rx_
    }
    return at;
}

void TSimPanel::Impl::HandleAck(const std::array<std::uint8_t, 4>& ack) {
    ++acks;
    ackStatuses.push_back(ack[3]);
    const TAwait was = await_;
    await_ = TAwait::Nothing;
    if (was != TAwait::ReadHeader && was != TAwait::ReadBlock) return;
    if (ack[3] != 0 || !read_ || read_->next >= read_->blocks) {
        read_.reset();
        return;
    }
    SendReadBlock();
}

void TSimPanel::Impl::HandleRequest(std::uint16_t address, std::uint8_t command, const std::uint8_t* payload,
                                    std::uint8_t length) {
    ++framedRequests[command];
    if (address == kDataAddress) {
        if (command == kCmdTable && length == kDataBlockLength) WriteBlock(payload);
        return;
    }
    if (command == kCmdIdentify && length == 0) {
        Bytes reply = {kReplyStart, kCmdIdentify};
        le::Append16(reply, id.typeCode);
        le::Append16(reply, id.edition);
        reply.insert(reply.end(), {id.major, id.minor, id.build});
        AppendCrc(reply);
        if (Send(TReplyKind::Identify, std::move(reply))) await_ = TAwait::Identify;
    } else if (command == kCmdSetMode && length == 1) {
        mode_ = payload[0];
        modeChanges.push_back(payload[0]);
        // A write session belongs to the mode that opened it.
        write_.reset();
        read_.reset();
        Bytes reply = {kReplyStart, kCmdSetMode, payload[0]};
        le::Append16(reply, id.typeCode);
        le::Append16(reply, id.edition);
        reply.insert(reply.end(), {id.major, id.minor, id.build, 0x00, 0x00});
        AppendCrc(reply);
        if (Send(TReplyKind::SetMode, std::move(reply))) await_ = TAwait::SetMode;
    } else if (command == kCmdTable && length == kSelectLength) {
        Select(payload);
    } else if (command == kCmdTable && length == kWriteStartLength) {
        StartWrite(payload);
    } else if (command == kCmdRead && length == 6) {
        StartRead(payload);
    }
}

void TSimPanel::Impl::SendStatus(TReplyKind kind, bool ok) {
    Send(kind, {kReplyStart, kCmdTable, 0x00, static_cast<std::uint8_t>(ok ? 0 : 1)});
}

void TSimPanel::Impl::Select(const std::uint8_t* payload) {
    TSelection s;
    s.kind = le::Get16(payload + 12);
    s.address = le::Get32(payload + 14);
    s.size = le::Get32(payload + 18);
    const bool ok = mode_ == kModeSelect && (s.kind == 0 || InsideMemory(s.address, s.size));
    // A refused selection selects nothing: a later read or write must not reach the refused region.
    selection_.reset();
    if (ok) selection_ = s;
    SendStatus(TReplyKind::Select, ok);
}

void TSimPanel::Impl::StartWrite(const std::uint8_t* payload) {
    const std::uint16_t count = le::Get16(payload + 2);
    const std::uint16_t kind = le::Get16(payload + 4);
    const std::uint32_t address = le::Get32(payload + 6);
    write_.reset();
    bool ok = false;
    if (count == 0) {
        ok = false;  // the count is blocks plus one: zero is no count at all
    } else if (mode_ == kModeFirmwareWrite && kind == 0) {
        TWriteSession w;
        w.firmware = true;
        w.blocks = count - 1u;
        write_ = w;
        firmware.clear();
        firmwareComplete = false;  // an image of no blocks has no identity for the loader to take
        ok = true;
    } else if (mode_ == kModeConfigWrite && selection_ && selection_->kind == kind &&
               selection_->address == address && InsideMemory(selection_->address, selection_->size)) {
        // Kind 0 selections skip the memory check; a configuration write must still fit, or it would
        // be acknowledged while its bytes went nowhere.
        TWriteSession w;
        w.address = address;
        w.size = selection_->size;
        w.blocks = count - 1u;
        write_ = w;
        ok = true;
        Notify(TPanelEvent::TKind::WriteStarted, w.address, w.size);
    }
    SendStatus(TReplyKind::WriteStart, ok);
}

void TSimPanel::Impl::WriteBlock(const std::uint8_t* payload) {
    const std::uint16_t number = le::Get16(payload);
    const std::uint8_t* data = payload + 2;
    bool ok = write_ && number == write_->next && number <= write_->blocks;
    if (ok) {
        const std::size_t offset = std::size_t{number - 1u} * kBlock;
        if (write_->firmware) {
            firmware.resize(offset + kBlock);
            std::copy_n(data, kBlock, firmware.begin() + static_cast<std::ptrdiff_t>(offset));
            DropIfDue();
            // The last block's acknowledgement says whether the loader took the image.
            if (number == write_->blocks) ok = firmwareComplete = TakeFramedImage();
            if (number == write_->blocks && ok) Notify(TPanelEvent::TKind::FirmwareTaken);
        } else {
            // The host pads its last block; only the selected size lands. Memory() may have shrunk since.
            std::size_t k = 0;
            for (; k < kBlock && offset + k < write_->size; ++k) {
                Store(std::size_t{write_->address} + offset + k, data[k]);
            }
            const auto at = static_cast<std::uint32_t>(write_->address + offset);
            if (k > 0) Notify(TPanelEvent::TKind::Stored, at, static_cast<std::uint32_t>(k));
            if (number == write_->blocks)
                Notify(TPanelEvent::TKind::WriteFinished, write_->address, write_->size);
        }
        ++write_->next;
    }
    SendStatus(TReplyKind::WriteBlock, ok);
}

void TSimPanel::Impl::StartRead(const std::uint8_t* payload) {
    const std::uint16_t kind = le::Get16(payload);
    const std::uint32_t address = le::Get32(payload + 2);
    read_.reset();
    std::uint32_t blocks = 0;
    if (mode_ == kModeRead && selection_ && selection_->kind == kind && selection_->address == address) {
        const std::uint64_t n = (std::uint64_t{selection_->size} + kBlock - 1) / kBlock;
        // A count that does not fit its 16-bit field cannot be announced truthfully: refuse.
        if (n <= kMaxBlocks) {
            blocks = static_cast<std::uint32_t>(n);
            read_ = TReadSession{address, selection_->size, blocks, 0};
        }
    }
    Bytes reply = {static_cast<std::uint8_t>(read_ ? kReplyStart : 0x00), kCmdRead};
    le::Append16(reply, static_cast<std::uint16_t>(blocks));
    reply.insert(reply.end(), {0x00, 0x00});
    AppendCrc(reply);
    // The host acknowledges a refusal too (with its own status); that ack must not be taken for a request.
    if (Send(TReplyKind::ReadHeader, std::move(reply))) {
        await_ = TAwait::ReadHeader;
    } else {
        read_.reset();
    }
}

void TSimPanel::Impl::SendReadBlock() {
    const std::uint32_t j = read_->next;
    Bytes block = {kReplyStart, 0x00};
    le::Append16(block, static_cast<std::uint16_t>(j));
    const std::uint64_t offset = std::uint64_t{j} * kBlock;
    for (std::uint64_t k = 0; k < kBlock; ++k) {
        const std::uint64_t at = std::uint64_t{read_->address} + offset + k;
        const bool inside = offset + k < read_->size && at < memory.size();
        block.push_back(inside ? memory[static_cast<std::size_t>(at)] : 0);
    }
    AppendCrc(block);
    ++read_->next;
    if (Send(TReplyKind::ReadBlock, std::move(block))) {
        await_ = TAwait::ReadBlock;
    } else {
        read_.reset();
    }
}

// ---------------------------------------------------------------- legacy generation

void TSimPanel::Impl::FeedLegacy(const std::uint8_t* data, std::size_t count) {
    if (legacyState_ == TLegacyState::FirmwareData) {
        // Firmware blocks and the closing checksum are told apart by transfer size alone.
        if (count == kLegacyFirmwareBlock || count == 1) {
            LegacyFirmwareTransfer(data, count);
            return;
        }
        legacyState_ = TLegacyState::Frames;  // anything else ends the transfer unanswered
    }
    rx_.insert(rx_.end(), data, data + count);
    const std::size_t used = ParseLegacy();
    rx_.erase(rx_.begin(), rx_.begin() + static_cast<std::ptrdiff_t>(used));
    if (legacyState_ == TLegacyState::FirmwareData && !rx_.empty()) {
        // The opening frame shared its transfer with more bytes: that is no block, so the transfer is off.
        legacyState_ = TLegacyState::Frames;
        const std::size_t more = ParseLegacy();
        rx_.erase(rx_.begin(), rx_.begin() + static_cast<std::ptrdiff_t>(more));
    }
}

void TSimPanel::Impl::LegacyFirmwareTransfer(const std::uint8_t* data, std::size_t count) {
    if (count == kLegacyFirmwareBlock) {
        if (!legacyFirmwareSum_.empty()) {
            legacyFirmwareOverflow_ = true;  // a block after the checksum began: the transfer is spoilt
            return;
        }
        legacyFirmwareCrc_.Update(data, count);
        if (firmware.size() + count > kMaxLegacyFirmware) {
            legacyFirmwareOverflow_ = true;
        } else {
            firmware.insert(firmware.end(), data, data + count);
            DropIfDue();
        }
        return;
    }
    legacyFirmwareSum_.push_back(data[0]);
    if (legacyFirmwareSum_.size() < 2) return;
    const bool ok = !legacyFirmwareOverflow_ && !legacyFirmwareForeign_ &&
                    legacyFirmwareCrc_.Value() == le::Get16(legacyFirmwareSum_.data());
    firmwareComplete = ok;
    if (ok) {
        TakeLegacyImage();
        Notify(TPanelEvent::TKind::FirmwareTaken);
    }
    legacyState_ = TLegacyState::Frames;
    legacyFirmwareSum_.clear();
    SendLegacy(TReplyKind::LegacyFirmware, id.legacyCode, ok ? 0 : 1);
}

std::size_t TSimPanel::Impl::ParseLegacy() {
    std::size_t at = 0;
    while (at < rx_.size() && legacyState_ != TLegacyState::FirmwareData) {
        const std::size_t left = rx_.size() - at;
        const std::uint8_t* p = rx_.data() + at;
        if (legacyState_ == TLegacyState::WriteData) {
            const std::size_t want = 2 + std::size_t{legacyWritePages_} * kPage + 2;
            const std::size_t take = std::min(left, want - legacyWriteData_.size());
            legacyWriteData_.insert(legacyWriteData_.end(), p, p + take);
            at += take;
            if (legacyWriteData_.size() == want) FinishLegacyWrite();
            continue;
        }
        if (p[0] != kRequestStart || (left >= 2 && p[1] != kRequestStart)) {
            ++at;
            continue;
        }
        if (left < kLegacyFrame) break;
        const std::array<std::uint8_t, kLegacyFrame> frame = {p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7]};
        // The firmware opening frame carries no CRC, so it is recognised before the CRC is checked: by this
        // device's code, or, in a firmware connection, as any frame that is no command. An image for another
        // device is taken in like any other and refused by its result, as the loader only looks at the
        // code once the image is in.
        const bool command = Crc16ArcMatches(frame.data(), 6);
        if (legacyConnection_ == kLegacyFirmwareConnection && (frame[2] == id.legacyCode || !command)) {
            at += kLegacyFrame;
            ++legacyFrames[frame[2]];
            legacyFirmwareFrame = Bytes(frame.begin(), frame.end());
            legacyFirmwareCrc_.Reset();
            legacyFirmwareCrc_.Update(frame.data(), frame.size());
            legacyFirmwareSum_.clear();
            legacyFirmwareOverflow_ = false;
            legacyFirmwareForeign_ = frame[2] != id.legacyCode;
            firmware.clear();
            firmwareComplete = false;
            legacyState_ = TLegacyState::FirmwareData;
            break;
        }
        if (!command) {
            ++at;  // no reply; a real frame may start inside this one
            continue;
        }
        at += kLegacyFrame;
        HandleLegacyFrame(frame.data());
    }
    return at;
}

void TSimPanel::Impl::HandleLegacyFrame(const std::uint8_t* frame) {
    const std::uint8_t command = frame[2];
    ++legacyFrames[command];
    if ((command == kLegacyFirmwareConnection || command == kLegacyConfigConnection) && frame[3] == 0xAA) {
        legacyConnection_ = command;
        SendLegacy(TReplyKind::LegacyIdentify, id.legacyCode,
                   static_cast<std::uint8_t>(id.major * 10 + id.minor));
    } else if (command == kLegacyFirmwareConnection && frame[3] == 0x00) {
        ++legacyDisconnects;
        legacyConnection_.reset();
    } else if (command == kLegacyRead && frame[3] == 0x01) {
        const std::size_t start = std::size_t{frame[4]} * kPage;
        if (start + kPage > memory.size()) return;
        Bytes reply = {0xAA, 0xAA};
        reply.insert(reply.end(), memory.begin() + static_cast<std::ptrdiff_t>(start),
                     memory.begin() + static_cast<std::ptrdiff_t>(start + kPage));
        AppendCrc(reply);
        Send(TReplyKind::LegacyPage, std::move(reply));
    } else if (command == kLegacyWrite) {
        legacyWritePages_ = frame[3];
        legacyWritePage_ = frame[4];
        legacyWriteData_.clear();
        legacyState_ = TLegacyState::WriteData;
    }
}

void TSimPanel::Impl::FinishLegacyWrite() {
    legacyState_ = TLegacyState::Frames;
    const Bytes& d = legacyWriteData_;
    const std::size_t count = std::size_t{legacyWritePages_} * kPage;
    const std::size_t start = std::size_t{legacyWritePage_} * kPage;
    const bool ok = count > 0 && d[0] == 0xAA && d[1] == 0xAA &&
                    LegacyPageCrc(d.data() + 2, count) == le::Get16(d.data() + 2 + count) &&
                    start + count <= memory.size();
    if (ok) {
        const auto at = static_cast<std::uint32_t>(start);
        const auto size = static_cast<std::uint32_t>(count);
        Notify(TPanelEvent::TKind::WriteStarted, at, size);
        for (std::size_t k = 0; k < count; ++k)
            Store(start + k, d[2 + k]);
        Notify(TPanelEvent::TKind::Stored, at, size);
        Notify(TPanelEvent::TKind::WriteFinished, at, size);
    }
    legacyWriteData_.clear();
    SendLegacy(TReplyKind::LegacyWrite, kLegacyWrite, ok ? 0 : 1);
}

void TSimPanel::Impl::SendLegacy(TReplyKind kind, std::uint8_t b2, std::uint8_t b3) {
    Bytes reply = {0x55, 0x55, b2, b3, 0x00, 0x00};
    AppendCrc(reply);
    Send(kind, std::move(reply));
}

// ---------------------------------------------------------------- event log

void TSimPanel::Impl::BuildEventLog(const TEventLogSetup& setup) {
    const std::uint32_t limit = setup.newFormat ? kMaxLogRecords : kMaxOldFormatLogRecords;
    if (setup.records > limit) {
        throw std::invalid_argument("an event log of " + std::to_string(setup.records) + " records; the " +
                                    (setup.newFormat ? "new" : "old") + " format holds at most " +
                                    std::to_string(limit));
    }
    const auto table = [](const TLogTableLayout& layout, Bytes data) {
        return TEventLogTable{layout.kind, layout.address, std::move(data)};
    };
    // Contents the reader only keeps and saves: recognisable, and different for each seed.
    const auto filler = [&setup](const TLogTableLayout& layout) {
        Bytes data(layout.size);
        for (std::size_t i = 0; i < data.size(); ++i)
            data[i] = static_cast<std::uint8_t>(layout.kind + i * 7 + setup.seed);
        return data;
    };
    Bytes names(kLogNames.size, 0);
    Bytes nameIndex;
    for (std::size_t n = 0; n < 16; ++n) {
        const std::string name = "Partition " + std::to_string(n + 1);
        std::copy(name.begin(), name.end(), names.begin() + static_cast<std::ptrdiff_t>(n * 16));
        le::Append16(nameIndex, static_cast<std::uint16_t>(n * 16));
    }
    Bytes position;
    le::Append16(position, setup.logPosition);

    std::vector<TEventLogTable> tables;
    tables.push_back(table(kLogEvents, MakeEventRing(setup.records, setup.logPosition, setup.seed)));
    switch (id.major) {
        case 1:
        case 2:
        case 3:
            tables.push_back(table(kLogNames, names));
            tables.push_back(table(kLogNameIndex, nameIndex));
            tables.push_back(table(kLogPosition, position));
            tables.push_back(table(kLogDevices, filler(kLogDevices)));
            if (id.major == 2) {
                tables.push_back(table(kLogExtraA, filler(kLogExtraA)));
                tables.push_back(table(kLogExtraB, filler(kLogExtraB)));
            }
            break;
        default:
            // Systems 5 and 6, and any other: the ring and its position.
            tables.push_back(table(kLogPosition, position));
            break;
    }
    logSetup = setup;
    logTables = std::move(tables);
    logStale = false;
}

bool TSimPanel::Impl::HandleEventLog(const std::uint8_t* data, std::size_t count) {
    if (logAwaitsAck_ && count == kLogAck.size() && std::equal(kLogAck.begin(), kLogAck.end(), data)) {
        logAwaitsAck_ = false;
        ++logRequests[0x00];
        return true;
    }
    if (count < kFramedHeader + 2 || data[0] != kRequestStart || data[1] != 0xFF || data[2] != 0xFF)
        return false;
    const std::uint8_t command = data[3];
    const std::uint8_t length = data[4];
    if (count != kFramedHeader + length + 2u) return false;
    if (command != kLogIdentity && command != kLogTableList && command != kLogBlock) return false;
    if (Crc16Modbus(data, kFramedHeader + length) != le::Get16(data + kFramedHeader + length)) return false;
    ++logRequests[command];
    // A host that skipped an ack has moved on; the next request stands on its own.
    logAwaitsAck_ = false;
    const std::uint8_t* payload = data + kFramedHeader;
    if (command == kLogIdentity && length == 0) {
        SendLogIdentity();
    } else if (command == kLogTableList && length == 1) {
        SendLogTableList();
    } else if (command == kLogBlock && logSetup.newFormat && length == 6) {
        SendLogBlock(le::Get16(payload), le::Get32(payload + 2));
    } else if (command == kLogBlock && !logSetup.newFormat && length == 4) {
        SendLogBlock(le::Get16(payload), le::Get16(payload + 2));
    }
    // Anything else is a request of the other format or none at all: the panel stays silent.
    return true;
}

void TSimPanel::Impl::SendLog(TReplyKind kind, Bytes reply) {
    AppendCrc16Modbus(reply);
    if (Send(kind, std::move(reply), true)) logAwaitsAck_ = true;
}

void TSimPanel::Impl::SendLogIdentity() {
    if (logSetup.newFormat) {
        Bytes reply = {kReplyStart, kLogIdentity};
        le::Append16(reply, id.typeCode);
        // The log service names the edition letter in the high byte of its word, as panels do.
        le::Append16(reply, frames::LogIdentityWord(id.edition));
        reply.insert(reply.end(), {id.major, id.minor, id.build});
        SendLog(TReplyKind::LogIdentity, std::move(reply));
    } else {
        SendLog(TReplyKind::LogIdentity, {kReplyStart, id.major, 0x00, 0x00, 0x00});
    }
}

void TSimPanel::Impl::SendLogTableList() {
    Bytes reply = {kReplyStart, kLogTableList};
    for (const TEventLogTable& t : EventLog()) {
        le::Append16(reply, t.kind);
        const auto size = static_cast<std::uint32_t>(t.data.size());
        if (logSetup.newFormat) {
            le::Append32(reply, t.address);
            le::Append32(reply, size);
        } else {
            le::Append16(reply, static_cast<std::uint16_t>(t.address));
            le::Append16(reply, static_cast<std::uint16_t>(size));
        }
    }
    SendLog(TReplyKind::LogTableList, std::move(reply));
}

void TSimPanel::Impl::SendLogBlock(std::uint16_t kind, std::uint32_t offset) {
    Bytes reply = {kReplyStart, kLogBlock};
    const std::vector<TEventLogTable>& tables = EventLog();
    const auto table = std::find_if(tables.begin(), tables.end(),
                                    [kind](const TEventLogTable& t) { return t.kind == kind; });
    if (table != tables.end() && offset >= table->address && offset - table->address < table->data.size()) {
        const std::size_t at = offset - table->address;
        const std::size_t n =
            std::min(logSetup.newFormat ? kLogNewBlock : kLogOldBlock, table->data.size() - at);
        reply.insert(reply.end(), table->data.begin() + static_cast<std::ptrdiff_t>(at),
                     table->data.begin() + static_cast<std::ptrdiff_t>(at + n));
    }
    SendLog(TReplyKind::LogBlock, std::move(reply));
}

// ---------------------------------------------------------------- public face

TSimPanel::TSimPanel(TPanelIdentity identity, std::size_t memorySize)
    : impl_(std::make_unique<Impl>(identity, memorySize)) {}
TSimPanel::~TSimPanel() = default;
TSimPanel::TSimPanel(TSimPanel&&) noexcept = default;
TSimPanel& TSimPanel::operator=(TSimPanel&&) noexcept = default;

bool TSimPanel::Receive(const std::uint8_t* data, std::size_t count) {
    return impl_->Receive(data, count);
}

std::optional<std::vector<std::uint8_t>> TSimPanel::TakeTransfer() {
    if (impl_->outgoing.empty()) return std::nullopt;
    Bytes t = std::move(impl_->outgoing.front());
    impl_->outgoing.pop_front();
    return t;
}

bool TSimPanel::LinkUp() const {
    return impl_->linkUp;
}
void TSimPanel::SetMaxPacket(std::size_t bytes) {
    impl_->maxPacket = std::max<std::size_t>(bytes, 1);
}
void TSimPanel::ResetLink() {
    impl_->ResetLink();
}

const TPanelIdentity& TSimPanel::Identity() const {
    return impl_->id;
}

void TSimPanel::SetIdentity(const TPanelIdentity& identity) {
    const bool generationChanged = identity.framed != impl_->id.framed;
    impl_->id = identity;
    // Half a frame of one generation means nothing to the other.
    if (generationChanged) impl_->ResetLink();
    // The system decides which log tables exist.
    impl_->logStale = true;
}

std::vector<std::uint8_t>& TSimPanel::Memory() {
    return impl_->memory;
}
const std::vector<std::uint8_t>& TSimPanel::Memory() const {
    return impl_->memory;
}
const std::vector<std::uint8_t>& TSimPanel::Firmware() const {
    return impl_->firmware;
}
bool TSimPanel::FirmwareComplete() const {
    return impl_->firmwareComplete;
}
std::optional<std::vector<std::uint8_t>> TSimPanel::LegacyFirmwareFrame() const {
    return impl_->legacyFirmwareFrame;
}

void TSimPanel::SetEventLog(const TEventLogSetup& setup) {
    impl_->BuildEventLog(setup);
}
const TEventLogSetup& TSimPanel::EventLogSetup() const {
    return impl_->logSetup;
}
std::vector<TEventLogTable>& TSimPanel::EventLogTables() {
    return impl_->EventLog();
}
std::size_t TSimPanel::EventLogRequests(std::uint8_t command) const {
    return impl_->logRequests[command];
}

void TSimPanel::InjectFault(TFault fault) {
    impl_->faults.push_back(fault);
}

unsigned TSimPanel::TakeStallMs() {
    return std::exchange(impl_->stallMs, 0u);
}

void TSimPanel::SetListener(TPanelListener listener) {
    impl_->listener = std::move(listener);
}

void TSimPanel::IgnoreWritesTo(std::uint32_t address, std::uint32_t size) {
    impl_->stuckFrom = address;
    impl_->stuckSize = size;
}

void TSimPanel::Replug() {
    if (!impl_->linkUp) {
        impl_->linkUp = true;
        impl_->linkBudget.reset();
    }
    impl_->ResetLink();
}

void TSimPanel::LoseConnectionInFirmwareAfter(std::size_t imageBytes) {
    impl_->firmwareDropAfter = imageBytes;
}

void TSimPanel::LoseConnectionAfter(std::size_t bytes) {
    impl_->linkBudget = bytes;
    if (bytes == 0) impl_->linkUp = false;
}

void TSimPanel::ClearFaults() {
    impl_->faults.clear();
    impl_->stallMs = 0;
    impl_->firmwareDropAfter.reset();
}
std::size_t TSimPanel::PendingFaults() const {
    return impl_->faults.size();
}

const std::vector<TTransfer>& TSimPanel::Exchange() const {
    return impl_->exchange;
}

void TSimPanel::ClearExchange() {
    impl_->exchange.clear();
    impl_->exchangeBytes = 0;
}

void TSimPanel::SetExchangeLimit(std::size_t bytes) {
    impl_->exchangeLimit = bytes;
}

std::vector<std::uint8_t> TSimPanel::BytesFromHost() const {
    Bytes out;
    for (const TTransfer& t : impl_->exchange) {
        if (t.toDevice) out.insert(out.end(), t.bytes.begin(), t.bytes.end());
    }
    return out;
}

std::size_t TSimPanel::WritesOfSize(std::size_t n) const {
    return static_cast<std::size_t>(
        std::count_if(impl_->exchange.begin(), impl_->exchange.end(),
                      [n](const TTransfer& t) { return t.toDevice && t.bytes.size() == n; }));
}

std::size_t TSimPanel::FramedRequests(std::uint8_t command) const {
    return impl_->framedRequests[command];
}
std::size_t TSimPanel::LegacyFrames(std::uint8_t command) const {
    return impl_->legacyFrames[command];
}
std::size_t TSimPanel::Acks() const {
    return impl_->acks;
}
std::vector<std::uint8_t> TSimPanel::AckStatuses() const {
    return impl_->ackStatuses;
}
std::vector<std::uint8_t> TSimPanel::ModeChanges() const {
    return impl_->modeChanges;
}
std::size_t TSimPanel::LegacyDisconnects() const {
    return impl_->legacyDisconnects;
}

}  // namespace mirca::sim
