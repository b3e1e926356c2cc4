#include "base/failure.h"

#include <gtest/gtest.h>

namespace mirca {
namespace {

// Inner steps record, outer layers name where they were, the session names the operation: the text reads
// from the outside in, whichever order the layers ran.
TEST(Failure, LayersReadFromTheOutsideIn) {
    EXPECT_FALSE(Fail("page reply", BytesText(258), BytesText(1), "LIBUSB_ERROR_NO_DEVICE"));
    EXPECT_FALSE(FailWithin("page 3"));
    EXPECT_FALSE(FailWithin("range 2 of 5 (address 0x0400, 300 bytes)"));
    EXPECT_FALSE(FailOperation("reading the configuration"));
    EXPECT_FALSE(FailOperation("an outer caller that came late"));
    EXPECT_EQ(
        LastFailureText(),
        "reading the configuration failed: range 2 of 5 (address 0x0400, 300 bytes), page 3: page reply: "
        "expected 258 bytes, received 1 byte (LIBUSB_ERROR_NO_DEVICE)");

    // A new failure replaces the whole record.
    Fail("identify", "start byte AA", HexBytes(reinterpret_cast<const unsigned char*>("\x55\x00"), 2));
    EXPECT_EQ(LastFailureText(), "the operation failed: identify: expected start byte AA, received 55 00");
    NoteSystemError("first");
    NoteSystemError("second");
    EXPECT_EQ(LastFailure().system, "first");
    ClearFailure();
    EXPECT_EQ(LastFailureText(), "");
}

TEST(Failure, LongByteDumpsAreCut) {
    unsigned char bytes[20] = {};
    EXPECT_EQ(HexBytes(bytes, 3, 2), "00 00 …");
    EXPECT_EQ(HexBytes(bytes, 0), "");
}

}  // namespace
}  // namespace mirca
