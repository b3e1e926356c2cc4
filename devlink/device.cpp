#include "devlink/device.h"

#include <algorithm>
#include <array>

#include "base/failure.h"
#include "devlink/crc.h"
#include "devlink/frames.h"
#include "devlink/le.h"

namespace mirca {

namespace {

using namespace frames;

std::string Sent(std::size_t n) {
    return BytesText(n) + " sent";
}

}  // namespace

// The transport notes its own error text on the record before the step names itself; the step keeps it.
bool TZelmoDevice::FailStep(const std::string& step, std::string expected, std::string received) {
    std::string system = LastFailure().system;
    return Fail(step, std::move(expected), std::move(received), std::move(system));
}

bool TZelmoDevice::WriteBytes(const std::uint8_t* bytes, std::size_t count, const std::string& step) {
    for (std::size_t i = 0; i < count; ++i) {
        if (!Port->Write(bytes + i, 1)) return FailStep(step, Sent(count), Sent(i));
    }
    return true;
}

bool TZelmoDevice::ReadBytes(std::uint8_t* bytes, std::size_t count, const std::string& step,
                             std::size_t before) {
    for (std::size_t i = 0; i < count; ++i) {
        if (!Port->Read(bytes + i, 1))
            return FailStep(step, BytesText(before + count), BytesText(before + i));
    }
    return true;
}

bool TZelmoDevice::WritePiece(const std::uint8_t* bytes, std::uint32_t count, const std::string& step) {
    if (Port->Write(bytes, count)) return true;
    return FailStep(step, Sent(count), "the write failed");
}

// One Read of `count` bytes that are part of a reply of `whole` bytes, `before` of which already arrived.
bool TZelmoDevice::ReadPiece(std::uint8_t* bytes, std::uint32_t count, std::size_t before, std::size_t whole,
                             const std::string& step) {
    if (Port->Read(bytes, count)) return true;
    const std::size_t got = before + std::min<std::uint32_t>(Port->LastRead(), count);
    return FailStep(step, BytesText(whole), BytesText(got));
}

void TZelmoDevice::ProgressMax(std::uint32_t max) {
    if (Progress && !progressTotalSet_) Progress->SetMax(max);
}

void TZelmoDevice::ProgressStep() {
    if (Progress) {
        Progress->Advance();
        Progress->Pump();
    }
}

bool TZelmoDevice::SendFrame(const std::vector<std::uint8_t>& frame, const std::string& step) {
    Port->Flush();
    if (!WriteBytes(frame.data(), frame.size(), step)) return false;
    Port->Flush();
    return true;
}

bool TZelmoDevice::SendRequest(const std::uint8_t header[5], const std::uint8_t* payload) {
    return SendFrame(FramedRequest(le::Get16(header + 1), header[3], payload, header[4]),
                     "request " + HexByte(header[3]));
}

bool TZelmoDevice::SendAck(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
    const std::uint8_t ack[4] = {b0, b1, b2, b3};
    const bool ok = WriteBytes(ack, sizeof ack, "acknowledgement");
    Port->Flush();
    return ok;
}

bool TZelmoDevice::SendLegacyFrame(std::uint8_t b2, std::uint8_t b3, std::uint8_t b4, std::uint8_t b5,
                                   const std::string& step) {
    const auto frame = LegacyFrame(b2, b3, b4, b5);
    return WriteBytes(frame.data(), frame.size(), step);
}

bool TZelmoDevice::Connect(TPort* port, std::uint32_t mode, bool framedOnly) {
    Port = port;
    Mode = mode;
    Framed = true;
    WriteModeCode = kWireModeConfigWrite;
    std::uint8_t code = kLegacyConfigCode;
    if (mode == kModeFirmware) {
        WriteModeCode = kWireModeFirmwareWrite;
        code = kLegacyFirmwareCode;
    }
    Connected = Identify();
    if (!Connected && !framedOnly) {
        const TFailure framed = LastFailure();
        Framed = false;
        Connected = IdentifyLegacy(code);
        // A device that answered the framed identification, badly, is a framed one: its fault is the news.
        if (!Connected && framedAnswered_) Fail(framed);
    }
    return Connected;
}

bool TZelmoDevice::Identify() {
    ClearFailure();
    framedAnswered_ = false;
    if (!SendFrame(IdentifyRequest(), "identify request")) {
        Wait(500);
        Port->Flush();
        return false;
    }
    Wait(20);
    std::array<std::uint8_t, kIdentifyReplySize> reply{};
    if (!Port->Read(&reply[0], 1)) return FailStep("identify reply", BytesText(reply.size()), BytesText(0));
    framedAnswered_ = true;
    if (!ReadBytes(&reply[1], reply.size() - 1, "identify reply", 1)) return false;
    if (reply[0] != kReplyStart) {
        Wait(10);
        return FailStep("identify reply", "start byte " + HexByte(kReplyStart),
                        "start byte " + HexByte(reply[0]));
    }
    TIdentity id;
    if (TCheck check = ParseIdentifyReply(reply.data(), reply.size(), id); !check)
        return FailStep("identify reply", check.expected, check.received);
    TakeIdentity(id);
    return SendAck(kRequestStart, 0x00, 0x00, 0x00);
}

void TZelmoDevice::TakeIdentity(const TIdentity& id) {
    TypeCode = id.typeCode;
    Edition = id.edition;
    Major = id.major;
    Minor = id.minor;
    Build = id.build;
}

bool TZelmoDevice::IdentifyLegacy(std::uint8_t code) {
    ClearFailure();
    Port->Flush();
    if (!SendLegacyFrame(code, kLegacyConnectArg, 0x00, 0x00, "legacy identify request")) return false;
    Port->Flush();
    std::array<std::uint8_t, kLegacyFrameSize> reply{};
    if (!ReadBytes(reply.data(), reply.size(), "legacy identify reply")) return false;
    if (TCheck frame = ParseLegacyFrame(reply.data(), reply.size()); !frame)
        return FailStep("legacy identify reply", frame.expected, frame.received);
    Port->Flush();
    TIdentity id;
    if (TCheck check = ParseLegacyIdentity(reply.data(), reply.size(), id); !check)
        return FailStep("legacy identify reply", check.expected, check.received);
    TakeIdentity(id);
    return true;
}

bool TZelmoDevice::Disconnect() {
    if (!Connected) return true;
    Connected = false;
    if (Framed) return true;
    Port->Flush();
    const bool ok = SendLegacyFrame(kLegacyFirmwareCode, 0x00, 0x00, 0x00, "legacy disconnect");
    Port->Flush();
    return ok;
}

bool TZelmoDevice::SetMode(std::uint8_t code) {
    const std::string step = "set mode " + std::to_string(code);
    if (!SendFrame(SetModeRequest(code), step + " request")) return false;
    std::array<std::uint8_t, kSetModeReplySize> reply{};
    if (!ReadBytes(reply.data(), reply.size(), step + " reply")) return false;
    if (TCheck check = ParseSetModeReply(reply.data(), reply.size()); !check)
        return FailStep(step + " reply", check.expected, check.received);
    Port->Flush();
    return SendAck(kRequestStart, 0xFF, 0xFF, 0x00);
}

}  // namespace mirca
