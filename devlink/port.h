#pragma once

#include <cstdint>

namespace mirca {

// The byte transport to one device. The slot order is fixed: callers and the transports agree on it.
class TPort {
public:
    virtual ~TPort() = default;

    // Finds and opens the device; returns how many matching devices are present (only 1 opens one).
    virtual unsigned Open() = 0;
    virtual int Reserved1() { return 0; }
    // Exactly count bytes, or false.
    virtual bool Read(std::uint8_t* buffer, std::uint32_t count) = 0;
    virtual bool Write(const std::uint8_t* buffer, std::uint32_t count) = 0;
    virtual void Flush() = 0;
    virtual void Close() = 0;
    virtual bool Reserved2() { return true; }
    virtual int Reserved3() { return 0; }

    // Beyond the fixed slots: what a caller that reads whole replies of unknown length needs to know.
    // How many bytes the last Read delivered, whether or not it returned true.
    virtual std::uint32_t LastRead() const { return 0; }
    virtual bool IsOpen() const { return true; }
    // How long a Read may wait for its bytes, for the few steps where a device legitimately answers late. A
    // transport without a timeout of its own answers 0 and ignores the setting.
    virtual unsigned ReadTimeoutMs() const { return 0; }
    virtual void SetReadTimeoutMs(unsigned) {}
};

}  // namespace mirca
