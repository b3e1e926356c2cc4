#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devlink/crc.h"

namespace mirca {
namespace {

std::vector<std::uint8_t> Bytes(const std::string& s) {
    return {s.begin(), s.end()};
}

struct CrcCase {
    std::string text;
    std::uint16_t arc;
    std::uint16_t modbus;
    std::uint8_t maxim;
};

TEST(Crc, PublishedCheckValues) {
    const CrcCase cases[] = {
        {"123456789", 0xBB3D, 0x4B37, 0xA1},
        {"abc", 0x9738, 0x5749, 0x42},
        {"", 0x0000, 0xFFFF, 0x00},
    };
    for (const auto& c : cases) {
        const auto b = Bytes(c.text);
        EXPECT_EQ(TCrc16().Calc(b.data(), b.size()), c.arc) << c.text;
        EXPECT_EQ(TCrc16(0xFFFF, 0xA001).Calc(b.data(), b.size()), c.modbus) << c.text;
        EXPECT_EQ(Crc8(b.data(), b.size(), 0), c.maxim) << c.text;
    }
}

TEST(Crc, Crc8TableStartsAsPublished) {
    const std::uint8_t expected[] = {0x00, 0x5E, 0xBC, 0xE2, 0x61, 0x3F, 0xDD, 0x83};
    for (std::uint8_t i = 0; i < 8; ++i)
        EXPECT_EQ(Crc8(&i, 1, 0), expected[i]) << int{i};
}

TEST(Crc, ChainingOverPiecesEqualsOnePass) {
    const auto b = Bytes("The panel answers with 0xAA, then its identity.");
    const std::uint8_t whole8 = Crc8(b.data(), b.size(), 0);
    const std::uint16_t whole16 = TCrc16().Calc(b.data(), b.size());
    for (std::size_t split = 0; split <= b.size(); ++split) {
        EXPECT_EQ(Crc8(b.data() + split, b.size() - split, Crc8(b.data(), split, 0)), whole8) << split;
        TCrc16 running;
        running.Update(b.data(), split);
        EXPECT_EQ(running.Update(b.data() + split, b.size() - split), whole16) << split;
    }
}

TEST(Crc, CalcStartsAfreshEachTime) {
    const auto b = Bytes("123456789");
    TCrc16 crc(0xFFFF, 0xA001);
    crc.Calc(b.data(), 3);
    EXPECT_EQ(crc.Calc(b.data(), b.size()), 0x4B37);
}

}  // namespace
}  // namespace mirca
