#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/catalogue.h"
#include "eventlog/event.h"

namespace mirca {

// The four texts of one decoded event.
struct TEventTexts {
    std::string event;
    std::string range;
    std::string detail;
    std::string source;
    bool operator==(const TEventTexts&) const = default;
};

// Every event code a system-6 panel logs that has its own texts; any other code is an unknown event.
inline constexpr std::array<std::uint16_t, 53> kKnownEventCodes = {
    0x1110, 0x1118, 0x1130, 0x1137, 0x1138, 0x1143, 0x1144, 0x1145, 0x1147, 0x1300, 0x1301,
    0x1331, 0x1332, 0x1337, 0x1338, 0x1341, 0x1342, 0x1343, 0x1344, 0x1350, 0x1370, 0x1380,
    0x1381, 0x1383, 0x1384, 0x1402, 0x1406, 0x1463, 0x1570, 0x1627, 0x1628, 0x3118, 0x3300,
    0x3301, 0x3308, 0x3331, 0x3332, 0x3337, 0x3338, 0x3341, 0x3342, 0x3343, 0x3344, 0x3350,
    0x3370, 0x3380, 0x3381, 0x3383, 0x3384, 0x3402, 0x3403, 0x3570, 0x3603,
};

// The texts of one system-6 record, every word from the catalogue (messages 700 to 773). logPosition and
// recordCount place the record that a 0x1406 event refers to. Never fails: an unknown code gives the
// unknown-event text.
TEventTexts DecodeEvent(const EventElement& record, std::uint16_t logPosition, std::size_t recordCount,
                        const TCatalogue& catalogue);

}  // namespace mirca
