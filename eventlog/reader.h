#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/catalogue.h"
#include "devlink/port.h"
#include "devlink/progress.h"
#include "devlink/sleeper.h"
#include "devlink/table.h"
#include "eventlog/event.h"

namespace mirca {

// Fetches a panel's event log with the log's own small request set (address 0xFF 0xFF, CRC-16/MODBUS), and
// writes and reads event-log files (.yrpt). A fresh reader serves every read from a panel and every file.
class TEventLogReader {
public:
    // The tables a panel keeps beside its log, in file order. Only events and log position are interpreted.
    enum TRole { kEvents, kNames, kNameIndex, kLogPosition, kRegisteredDevices, kExtraA, kExtraB, kRoles };

    static constexpr std::size_t kHeaderSize = 127;
    // The ring index travels in 16 bits, so no panel addresses more records than this; every table a panel
    // announces or a file holds is bounded by it before anything is allocated.
    static constexpr std::uint32_t kMaxTableSize = 65536u * EventElement::kSize;
    // How many times in all a block is asked for when its reply arrives damaged (cut short or with a wrong
    // checksum). A block that gets no reply at all, or that the link cuts off, is not asked for again.
    static constexpr int kBlockAttempts = 3;

    // port may be null (a reader made to load a file); it is borrowed, never closed.
    explicit TEventLogReader(TPort* port = nullptr, ISleeper* sleeper = nullptr);
    ~TEventLogReader();
    TEventLogReader(const TEventLogReader&) = delete;
    TEventLogReader& operator=(const TEventLogReader&) = delete;

    // The window's gauge (percent), borrowed; may be null.
    void SetProgress(IGauge* gauge) { gauge_ = gauge; }
    // The texts of GetEvent come from this catalogue; by default the program's.
    void SetCatalogue(const TCatalogue* catalogue) { catalogue_ = catalogue; }

    bool ReadIdentity();
    bool ReadLog();

    std::size_t EventCount() const { return events_.size(); }
    // Texts of record i (0 = oldest). Date and time are always filled; the four texts only for system 6,
    // which is when the result is true.
    bool GetEvent(std::size_t i, std::string& event, std::string& range, std::string& detail,
                  std::string& source, std::string& date, std::string& time) const;
    // "0x" and the record's event code as four upper-case hexadecimal digits.
    std::string GetEventCodeText(std::size_t i) const;
    std::string GetDeviceName() const;
    const EventElement& Event(std::size_t i) const { return events_.at(i); }

    // Both write beside the target and rename, or load into scratch state and adopt it only when the
    // whole file was read: a failure leaves the file on disk, and this reader, as they were.
    bool SaveToFile(const std::filesystem::path& fileName) const;
    bool LoadFromFile(const std::filesystem::path& fileName);
    // Why the last failed operation failed, for the user ("" after a success).
    const std::string& LastError() const { return lastError_; }

    bool newFormat() const { return newFormat_; }
    std::uint16_t deviceType() const { return deviceType_; }
    std::uint16_t identityWord() const { return identityWord_; }
    std::uint8_t systemNumber() const { return systemNumber_; }
    std::uint8_t minorVersion() const { return minorVersion_; }
    std::uint8_t buildNumber() const { return buildNumber_; }
    std::uint16_t logPosition() const { return logPosition_; }
    // Kind, address and size of every table, three values per table, as the panel reported them.
    const std::vector<std::uint32_t>& TableList() const { return tableList_; }
    // The table in a role, or null when the system has none.
    const TZelmoTable* Table(TRole role) const { return tables_[role].get(); }

private:
    bool ReadTableList();
    // Payload bytes appended to the read buffer, or -1. remaining: the table's bytes from offset on.
    int ReadBlock(std::int32_t kind, std::uint32_t offset, std::uint32_t remaining);
    bool FetchTable(TZelmoTable& table);
    void ParseEvents();
    void SetPercent(int percent) const;
    bool Fail(std::string why);
    // One reply of up to count bytes; how many came. A transport failure's words are kept for FailReply.
    std::uint32_t ReadReply(std::uint8_t* into, std::uint32_t count);
    bool FailReply(std::string why);
    // One request or acknowledgement; when the transport does not take it, its words are kept for FailReply.
    bool Send(const std::uint8_t* bytes, std::size_t count);

    TPort* port_;
    ISleeper* sleeper_;
    std::string readError_;  // what the transport said of the last transfer it did not complete
    IGauge* gauge_ = nullptr;
    const TCatalogue* catalogue_ = nullptr;

    bool newFormat_ = false;
    std::uint16_t deviceType_ = 0;
    std::uint16_t identityWord_ = 0;
    std::uint8_t systemNumber_ = 0;
    std::uint8_t minorVersion_ = 0;
    std::uint8_t buildNumber_ = 0;

    std::vector<std::uint32_t> tableList_;
    std::unique_ptr<TZelmoTable> tables_[kRoles];
    std::vector<EventElement> events_;
    std::uint16_t logPosition_ = 0;
    std::vector<std::uint8_t> readBuffer_;
    mutable std::string lastError_;  // SaveToFile, const, reports why it failed too
};

// System names by system number, for device names; empty for 0 and for numbers the table lacks.
std::string SystemName(std::uint8_t systemNumber);

}  // namespace mirca
