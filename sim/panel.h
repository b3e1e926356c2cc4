#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace mirca::sim {

// Who the simulated device says it is.
struct TPanelIdentity {
    std::uint16_t typeCode = 937;
    std::uint16_t edition = 0x6464;  // low byte: edition letter ('d' ordinary, 'e' extended)
    std::uint8_t major = 6;
    std::uint8_t minor = 4;
    std::uint8_t build = 9;
    bool framed = true;  // false: speaks only the legacy 8-byte frames
    // Device code in legacy replies: 0x1F or 0x0B for a type-937 panel, the type itself for 0x40..0x43.
    std::uint8_t legacyCode = 0x1F;
};

// Faults the panel can be told to commit, once, on a chosen reply.
enum class TFaultKind {
    NoReply,         // the reply is never sent
    WrongStartByte,  // first byte of the reply is corrupted
    BadCrc,          // the reply's CRC is wrong
    NonZeroStatus,   // the reply's status byte is 1
    ShortReply,      // the reply loses its last byte
    Stall,           // the reply is held back for the fault's delay, then sent whole
};

// Which reply a fault applies to.
enum class TReplyKind {
    Any,
    Identify,        // framed identification (11 bytes)
    SetMode,         // framed mode change (14 bytes)
    Select,          // framed table selection (4 bytes)
    ReadHeader,      // framed memory read reply (8 bytes)
    ReadBlock,       // framed data block of a memory read
    WriteStart,      // framed block-write start (4 bytes)
    WriteBlock,      // framed data block acknowledgement (4 bytes)
    LegacyIdentify,  // legacy identification (8 bytes)
    LegacyPage,      // legacy page read (AA AA, 256 bytes, CRC)
    LegacyWrite,     // legacy page/bulk write result (8 bytes)
    LegacyFirmware,  // legacy firmware transfer result (8 bytes)
    LogIdentity,     // event-log identity (11 bytes, or 7 in the old format)
    LogTableList,    // event-log table list
    LogBlock,        // one block of an event-log table
};

struct TFault {
    TFaultKind kind = TFaultKind::NoReply;
    TReplyKind on = TReplyKind::Any;
    unsigned skip = 0;     // matching replies to let pass before the faulty one
    unsigned delayMs = 0;  // Stall: how long the reply is held back
};

// What the panel reports to whoever keeps its non-volatile state, as it happens. Stored comes before the
// acknowledgement of the bytes it names is queued, so a listener that saves the memory on it never lets the
// host see an acknowledgement of bytes a sudden power loss would have lost.
struct TPanelEvent {
    enum class TKind {
        WriteStarted,   // a configuration write of [address, address + size) was accepted
        Stored,         // configuration bytes in [address, address + size) were stored
        WriteFinished,  // the last block of the accepted write was stored
        FirmwareTaken,  // the loader took a whole image; the identity now carries its version
        FaultCommitted  // an injected fault was applied to a reply (fault says which)
    };
    TKind kind = TKind::Stored;
    std::uint32_t address = 0;
    std::uint32_t size = 0;
    TFaultKind fault = TFaultKind::NoReply;
    TReplyKind on = TReplyKind::Any;
};
using TPanelListener = std::function<void(const TPanelEvent&)>;

// The event log the panel keeps, answered in the log's own request set (address 0xFF 0xFF, CRC-16/MODBUS).
// The system number is the identity's major version; it decides which tables exist.
struct TEventLogSetup {
    bool newFormat = true;          // 11-byte identity, 10-byte table entries; false: 7 and 6 bytes
    std::uint32_t records = 1400;   // size of the event ring
    std::uint16_t logPosition = 0;  // ring index of the oldest record
    std::uint32_t seed = 1;         // varies the generated records
};

// The largest rings SetEventLog builds: the reader's bound (the index travels in 16 bits) in the new format;
// in the old one every table, the ring last, must end below the 16-bit offset limit.
inline constexpr std::uint32_t kMaxLogRecords = 65536;
inline constexpr std::uint32_t kMaxOldFormatLogRecords = 4032;

// One table of the event log: the panel reports kind, address and size, and serves its bytes.
struct TEventLogTable {
    std::uint16_t kind = 0;
    std::uint32_t address = 0;
    std::vector<std::uint8_t> data;
};

// One USB transfer as the panel saw it.
struct TTransfer {
    bool toDevice = true;
    std::vector<std::uint8_t> bytes;
};

// A software panel: the device side of the framed protocol, the legacy protocol and firmware reception.
// The host side drives it by transfers: Receive() takes one host-to-device transfer, TakeTransfer() hands
// out the next device-to-host transfer.
class TSimPanel {
public:
    explicit TSimPanel(TPanelIdentity identity = {}, std::size_t memorySize = 0x10000);

    // One transfer from the host. False when the link is down (after LoseConnectionAfter).
    bool Receive(const std::uint8_t* data, std::size_t count);
    // The next transfer to the host, if the panel has one ready.
    std::optional<std::vector<std::uint8_t>> TakeTransfer();
    bool LinkUp() const;
    // Replies leave in packets of at most this many bytes (64, as full-speed bulk; 0 counts as 1).
    void SetMaxPacket(std::size_t bytes);
    // A fresh connection: parser, sessions, mode, selection and unsent replies are forgotten. Memory,
    // identity, firmware, faults, counters, the exchange log and a lost link stay as they are.
    void ResetLink();

    const TPanelIdentity& Identity() const;
    void SetIdentity(const TPanelIdentity& identity);

    // Configuration memory; reads and writes of tables land here.
    std::vector<std::uint8_t>& Memory();
    const std::vector<std::uint8_t>& Memory() const;
    // The last firmware image received (framed: every block byte, padding included; legacy: the data
    // blocks), and whether its transfer ended with a good checksum.
    const std::vector<std::uint8_t>& Firmware() const;
    // Framed: every announced block arrived and the loader took the image (its own type, a system of its
    // family); legacy: the opening frame named this device (its legacy code) and the checksum matched. A
    // taken image's version is the panel's from then on; a refused one changes nothing.
    bool FirmwareComplete() const;
    std::optional<std::vector<std::uint8_t>> LegacyFirmwareFrame() const;  // the 8-byte opening frame

    // Builds the event log for the current identity: the tables of its system, the ring filled with
    // realistic records (MakeEventRing) and the log position stored in its table. A panel starts with the
    // default setup (built when first asked for), and SetIdentity rebuilds the log from the last setup (the
    // system may have changed), so changes made through EventLogTables() must follow both. Throws
    // std::invalid_argument for more records than the format can address (kMaxLogRecords,
    // kMaxOldFormatLogRecords).
    void SetEventLog(const TEventLogSetup& setup);
    const TEventLogSetup& EventLogSetup() const;
    // The tables in the order the table list reports them; tests may change them. In the old format the
    // list carries kind, address and size in 16 bits each.
    std::vector<TEventLogTable>& EventLogTables();
    // Event-log requests received, by command (0x80 identity, 0x81 table list, 0x82 block); 0x00 counts
    // the acknowledgements the log service took.
    std::size_t EventLogRequests(std::uint8_t command) const;

    void InjectFault(TFault fault);
    // The delay of a Stall fault committed on a reply that is now queued, taken once (0: none). The
    // transport waits this long before it hands out the queued transfers.
    unsigned TakeStallMs();
    // Called on every TPanelEvent, on the thread that drives the panel; none by default.
    void SetListener(TPanelListener listener);
    // Configuration writes (framed and legacy) are acknowledged as ever but leave the `size` bytes from
    // `address` as they were, like a worn memory cell; size 0 heals the panel. Reads are not affected.
    void IgnoreWritesTo(std::uint32_t address, std::uint32_t size);
    // After this many more bytes in either direction the link drops: further writes fail, nothing is sent.
    void LoseConnectionAfter(std::size_t bytes);
    // A fresh connection (ResetLink); after a lost link the cable is plugged in again and the panel answers
    // once more. A link that is still up keeps what is left of LoseConnectionAfter.
    void Replug();
    // Once this many bytes of the next firmware image have arrived, the link drops (before the block that
    // completed them is acknowledged). Firmware() keeps what arrived. A framed image whose last block is
    // the one is still taken: the panel runs it while the host sees its write fail.
    void LoseConnectionInFirmwareAfter(std::size_t imageBytes);
    void ClearFaults();
    std::size_t PendingFaults() const;

    // Every transfer in both directions, in order.
    const std::vector<TTransfer>& Exchange() const;
    void ClearExchange();
    // Keeps the log under about this many bytes by dropping its oldest half (0: unlimited), so a panel
    // served for days does not grow without bound.
    void SetExchangeLimit(std::size_t bytes);
    // All bytes the host sent, joined.
    std::vector<std::uint8_t> BytesFromHost() const;
    // How many host-to-device transfers carried exactly n bytes.
    std::size_t WritesOfSize(std::size_t n) const;
    // Counters of what the panel was asked.
    std::size_t FramedRequests(std::uint8_t command) const;
    std::size_t LegacyFrames(std::uint8_t command) const;
    std::size_t Acks() const;
    std::vector<std::uint8_t> AckStatuses() const;
    std::vector<std::uint8_t> ModeChanges() const;  // SetMode codes in order
    std::size_t LegacyDisconnects() const;

    class Impl;
    ~TSimPanel();
    TSimPanel(TSimPanel&&) noexcept;
    TSimPanel& operator=(TSimPanel&&) noexcept;

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace mirca::sim
