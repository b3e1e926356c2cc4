#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace mirca {

inline std::string Hex(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    char buf[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%02X", bytes[i]);
        if (i) out += (i % 16 == 0) ? "\n  " : " ";
        out += buf;
    }
    return out;
}

// Both sides of a byte mismatch, with the first differing offset.
inline std::string HexDiff(const std::vector<std::uint8_t>& sent, const std::vector<std::uint8_t>& expected) {
    std::size_t at = 0;
    while (at < sent.size() && at < expected.size() && sent[at] == expected[at])
        ++at;
    return "first difference at offset " + std::to_string(at) + "\nsent:\n  " + Hex(sent) +
           "\nexpected:\n  " + Hex(expected);
}

}  // namespace mirca
