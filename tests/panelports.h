#pragma once

#include <cstdint>

#include "devlink/port.h"
#include "devlink/sleeper.h"
#include "sim/panel.h"
#include "sim/simport.h"

namespace mirca {

// A port that sees several panels and opens none.
class TCrowdedPort final : public TPort {
public:
    unsigned Open() override { return 2; }
    bool Read(std::uint8_t*, std::uint32_t) override { return false; }
    bool Write(const std::uint8_t*, std::uint32_t) override { return false; }
    void Flush() override {}
    void Close() override {}
    bool IsOpen() const override { return false; }
};

// The in-process panel behind a plug: while it is out, no panel is found.
class TPluggablePort final : public TPort {
public:
    TPluggablePort(sim::TSimPanel& panel, TVirtualClock& clock, bool& plugged)
        : inner_(panel, &clock), plugged_(plugged) {}
    unsigned Open() override { return plugged_ ? inner_.Open() : 0; }
    bool Read(std::uint8_t* b, std::uint32_t n) override { return inner_.Read(b, n); }
    bool Write(const std::uint8_t* b, std::uint32_t n) override { return inner_.Write(b, n); }
    void Flush() override { inner_.Flush(); }
    void Close() override { inner_.Close(); }
    std::uint32_t LastRead() const override { return inner_.LastRead(); }

private:
    sim::TSimPort inner_;
    bool& plugged_;
};

}  // namespace mirca
