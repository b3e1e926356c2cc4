#include "base/failure.h"

#include <cstdio>
#include <cstring>

namespace mirca {

namespace {

TFailure& Record() {
    thread_local TFailure record;
    return record;
}

}  // namespace

bool Fail(TFailure failure) {
    Record() = std::move(failure);
    return false;
}

bool Fail(std::string step, std::string expected, std::string received, std::string system) {
    TFailure f;
    f.step = std::move(step);
    f.expected = std::move(expected);
    f.received = std::move(received);
    f.system = std::move(system);
    return Fail(std::move(f));
}

bool FailWithin(std::string place) {
    auto& where = Record().where;
    where.insert(where.begin(), std::move(place));
    return false;
}

bool FailOperation(std::string operation) {
    if (Record().operation.empty()) Record().operation = std::move(operation);
    return false;
}

void NoteSystemError(std::string text) {
    if (Record().system.empty()) Record().system = std::move(text);
}

const TFailure& LastFailure() {
    return Record();
}

void ClearFailure() {
    Record() = {};
}

std::string FailureText(const TFailure& f) {
    if (f.Empty() && f.system.empty()) return {};
    std::string text = f.operation.empty() ? std::string("the operation failed") : f.operation + " failed";
    std::string detail;
    for (const auto& place : f.where) {
        if (!detail.empty()) detail += ", ";
        detail += place;
    }
    if (!f.step.empty()) detail += (detail.empty() ? "" : ": ") + f.step;
    if (!detail.empty()) text += ": " + detail;
    if (!f.expected.empty() && !f.received.empty()) {
        text += ": expected " + f.expected + ", received " + f.received;
    } else if (!f.expected.empty()) {
        text += ": expected " + f.expected;
    } else if (!f.received.empty()) {
        text += ": received " + f.received;
    }
    if (!f.system.empty()) text += " (" + f.system + ")";
    return text;
}

std::string BytesText(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " byte" : " bytes");
}

std::string HexNumber(std::uint32_t value) {
    char text[12];
    std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(value));
    return text;
}

std::string HexBytes(const unsigned char* bytes, std::size_t count, std::size_t most) {
    std::string text;
    const std::size_t shown = count < most ? count : most;
    for (std::size_t i = 0; i < shown; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X", bytes[i]);
        if (!text.empty()) text += ' ';
        text += hex;
    }
    if (shown < count) text += " …";
    return text;
}

std::string_view ErrnoText(int error) {
    // strerror's buffer lives as long as the thread's next call; the record copies it at once.
    return std::strerror(error);
}

}  // namespace mirca
