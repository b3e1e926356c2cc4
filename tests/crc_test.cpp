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

// The table-driven CRC-16 against the bit-by-bit definition, for every length around its eight-byte steps,
// both starting values, and running updates split at every place.
TEST(Crc, Crc16MatchesTheBitwiseDefinitionAtEveryLengthAndSplit) {
    const auto bitwise = [](std::uint16_t crc, const std::uint8_t* data, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            crc ^= data[i];
            for (int bit = 0; bit < 8; ++bit)
                crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001) : (crc >> 1);
        }
        return crc;
    };
    std::vector<std::uint8_t> data(40);
    std::uint32_t x = 12345;
    for (auto& b : data) {
        x = x * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(x >> 16);
    }
    for (const std::uint16_t initial : {std::uint16_t{0}, std::uint16_t{0xFFFF}}) {
        for (std::size_t n = 0; n <= data.size(); ++n) {
            const std::uint16_t expected = bitwise(initial, data.data(), n);
            EXPECT_EQ(TCrc16(initial, 0xA001).Calc(data.data(), n), expected) << n;
            for (std::size_t split = 0; split <= n; ++split) {
                TCrc16 running(initial, 0xA001);
                running.Update(data.data(), split);
                EXPECT_EQ(running.Update(data.data() + split, n - split), expected)
                    << n << " split " << split;
            }
        }
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
