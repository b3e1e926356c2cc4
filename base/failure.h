#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mirca {

// Why the last device, transfer or file operation of this thread failed. Those operations return bool and
// stop at the first failed step; the step leaves its record here, each layer on the way out names where it
// was, and one function turns the whole into the user's text. Like errno, the record is only meaningful
// right after a call returned false.
struct TFailure {
    std::string operation;           // what the user asked for: "reading the configuration"
    std::vector<std::string> where;  // outer to inner: "range 2 of 5 (address 0x0400, 300 bytes)", "page 3"
    std::string step;                // the step that failed: "page reply"
    std::string expected;            // what the step expected: "258 bytes"
    std::string received;            // what arrived instead: "12 bytes"
    std::string system;              // the platform's own words: libusb's or the C library's error text

    bool Empty() const { return operation.empty() && where.empty() && step.empty(); }
};

// Replaces this thread's record. Returns false, so that a failing step reads `return Fail(...)`.
bool Fail(TFailure failure);
bool Fail(std::string step, std::string expected = {}, std::string received = {}, std::string system = {});
// Adds an outer place to the record (it goes before the places already named). Returns false.
bool FailWithin(std::string place);
// Names the operation the user asked for, unless an inner layer already did. Returns false.
bool FailOperation(std::string operation);
// Adds the platform's text to the record when it has none yet (a transport knows it, a protocol step not).
void NoteSystemError(std::string text);

const TFailure& LastFailure();
void ClearFailure();

// "reading the configuration failed: range 2 of 5 (address 0x0400, 300 bytes), page 3: page reply:
// expected 258 bytes, received 12 bytes (LIBUSB_ERROR_NO_DEVICE)". Empty for an empty record.
std::string FailureText(const TFailure& failure);
inline std::string LastFailureText() {
    return FailureText(LastFailure());
}
// A box's text: the message, and under it, after an empty line, the last failure's text when there is one.
inline std::string WithFailure(const std::string& message) {
    const std::string detail = LastFailureText();
    return detail.empty() ? message : message + "\n\n" + detail;
}

// Byte counts and bytes as the texts above show them.
std::string BytesText(std::size_t count);    // "1 byte", "12 bytes"
std::string HexNumber(std::uint32_t value);  // "0x0400", "0x12345": at least four digits, never cut
std::string HexBytes(const unsigned char* bytes, std::size_t count, std::size_t most = 16);  // "AA 00 …"
std::string_view ErrnoText(int error);

}  // namespace mirca
