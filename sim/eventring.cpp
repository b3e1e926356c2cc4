#include "sim/eventring.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "devlink/le.h"
#include "eventlog/decoder.h"
#include "eventlog/event.h"

namespace mirca::sim {

namespace {

// SplitMix64: the same records for the same seed on every platform and standard library.
class TRandom {
public:
    explicit TRandom(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // A value from lo to hi inclusive.
    unsigned Between(unsigned lo, unsigned hi) {
        return lo + static_cast<unsigned>(Next() % (hi - lo + 1ULL));
    }
    bool OneIn(unsigned n) { return Next() % n == 0; }

private:
    std::uint64_t state_;
};

// Codes no system-6 panel gives texts to, as a newer firmware might log them.
constexpr std::array<std::uint16_t, 4> kUnknownCodes = {0x1200, 0x1119, 0x1500, 0x3999};

// Which fields a code's texts read, so its records carry the numbers a real panel would put there.
enum class TShape {
    Panel,    // the panel itself: no unit numbers
    Zone,     // an input of a UOO unit, within an object
    UooUnit,  // a UOO unit as a whole
    Uop,      // an УОП unit only
    Unit,     // a UOO unit, else an УОП unit, else the panel
    Output,   // an output of a UOO unit, or of a further unit
    Code,     // a user code: 0x1406
    Service,  // a unit taken into or out of service
    Wire,     // a wire fault on a UOO unit's input
};

TShape ShapeOf(std::uint16_t code) {
    switch (code) {
        case 0x1137:
        case 0x1300:
        case 0x1301:
        case 0x1627:
        case 0x1628:
        case 0x3300:
        case 0x3301:
        case 0x3308:
            return TShape::Panel;
        case 0x1144:
        case 0x1383:
        case 0x1384:
        case 0x3383:
        case 0x3384:
            return TShape::UooUnit;
        case 0x1145:
        case 0x1337:
        case 0x1341:
        case 0x1343:
        case 0x1350:
        case 0x3337:
        case 0x3341:
        case 0x3343:
        case 0x3350:
            return TShape::Uop;
        case 0x1143:
        case 0x1147:
        case 0x1338:
        case 0x1342:
        case 0x1344:
        case 0x1380:
        case 0x1381:
        case 0x3338:
        case 0x3342:
        case 0x3344:
        case 0x3380:
        case 0x3381:
            return TShape::Unit;
        case 0x1331:
        case 0x1332:
        case 0x3331:
        case 0x3332:
            return TShape::Output;
        case 0x1406:
            return TShape::Code;
        case 0x1570:
        case 0x3570:
            return TShape::Service;
        case 0x3603:
            return TShape::Wire;
        default:
            return TShape::Zone;
    }
}

struct TFields {
    std::uint8_t uop = 0, uoo = 0, input = 0, sub = 0;
    std::uint16_t object = 0;
};

// full: the first record of a code gets every number its texts can show.
TFields FieldsFor(std::uint16_t code, bool full, TRandom& rng) {
    TFields f;
    const auto uoo = [&] { return static_cast<std::uint8_t>(rng.Between(1, 250)); };
    const auto object = [&] { return static_cast<std::uint16_t>(rng.Between(1, 2000)); };
    const auto uop = [&] {
        return static_cast<std::uint8_t>(rng.OneIn(3) ? rng.Between(5, 12) : rng.Between(1, 4));
    };
    switch (ShapeOf(code)) {
        case TShape::Panel:
            break;
        case TShape::Zone:
            f.uoo = uoo();
            f.input = static_cast<std::uint8_t>(full || !rng.OneIn(6) ? rng.Between(1, 8) : 0);
            f.sub = static_cast<std::uint8_t>(!full && rng.OneIn(5) ? rng.Between(1, 4) : 0);
            f.object = full || !rng.OneIn(8) ? object() : 0;
            // An alarm of a whole UOO unit (no input) is not tied to one object.
            if (code == 0x1130 && f.input == 0) f.object = 0;
            break;
        case TShape::UooUnit:
            f.uoo = uoo();
            f.sub = static_cast<std::uint8_t>(rng.OneIn(4) ? rng.Between(1, 4) : 0);
            f.object = full || !rng.OneIn(8) ? object() : 0;
            break;
        case TShape::Uop:
            f.uop = uop();
            break;
        case TShape::Unit: {
            const unsigned pick = full ? 0 : rng.Between(0, 5);
            if (pick <= 2) {
                f.uoo = uoo();
                f.object = object();
            } else if (pick <= 4) {
                f.uop = uop();
            }
            break;
        }
        case TShape::Output:
            if (full || !rng.OneIn(3)) {
                f.uoo = uoo();
                f.input = static_cast<std::uint8_t>(rng.Between(1, 8));
                f.object = object();
            } else {
                f.uop = static_cast<std::uint8_t>(rng.Between(5, 12));
            }
            break;
        case TShape::Code:
            f.uop = static_cast<std::uint8_t>(rng.Between(1, 32));  // the number of the code that was used
            break;
        case TShape::Service:
            f.uoo = uoo();
            f.object = object();
            break;
        case TShape::Wire:
            f.uoo = uoo();
            f.input = static_cast<std::uint8_t>(rng.Between(1, 8));
            f.sub = static_cast<std::uint8_t>(full ? rng.Between(1, 16) : rng.Between(0, 17));
            break;
    }
    return f;
}

// A calendar clock in whole seconds, written out in binary-coded decimal.
struct TClock {
    unsigned year = 2021, month = 1, day = 1, hour = 0, minute = 0, second = 0;

    static unsigned DaysIn(unsigned month, unsigned year) {
        static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
        return month == 2 && leap ? 29 : kDays[month - 1];
    }
    void Advance(unsigned seconds) {
        second += seconds;
        minute += second / 60;
        second %= 60;
        hour += minute / 60;
        minute %= 60;
        day += hour / 24;
        hour %= 24;
        while (day > DaysIn(month, year)) {
            day -= DaysIn(month, year);
            if (++month > 12) {
                month = 1;
                ++year;
            }
        }
    }
    static std::uint8_t Bcd(unsigned v) { return static_cast<std::uint8_t>((v / 10 % 10) << 4 | v % 10); }
    void Stamp(std::uint8_t* record) const {
        record[10] = Bcd(second);
        record[11] = Bcd(minute);
        record[12] = Bcd(hour);
        record[13] = Bcd(day);
        record[14] = Bcd(month);
        record[15] = Bcd(year % 100);
    }
};

}  // namespace

std::vector<std::uint8_t> MakeEventRing(std::uint32_t records, std::uint16_t logPosition,
                                        std::uint32_t seed) {
    std::vector<std::uint8_t> ring(std::size_t{records} * EventElement::kSize, 0);
    if (records == 0) return ring;
    TRandom rng(0x5EED0000ULL ^ (std::uint64_t{seed} << 20) ^ seed);

    // Every known code once, in an order the seed shuffles; then a mix in which alarms and unit troubles
    // are common and an unknown code turns up now and then.
    std::vector<std::uint16_t> first(kKnownEventCodes.begin(), kKnownEventCodes.end());
    for (std::size_t i = first.size() - 1; i > 0; --i)
        std::swap(first[i], first[static_cast<std::size_t>(rng.Next() % (i + 1))]);
    // A code 0x1406 refers to an earlier record, so it never opens the log.
    if (first.front() == 0x1406) std::swap(first[0], first[1]);

    const std::size_t oldest = logPosition < records ? logPosition : 0;
    TClock clock;
    clock.year = 2021 + rng.Between(0, 3);
    clock.month = rng.Between(1, 12);
    clock.day = rng.Between(1, 28);
    clock.hour = rng.Between(0, 23);
    clock.minute = rng.Between(0, 59);
    clock.second = rng.Between(0, 59);
    std::vector<bool> seen(0x10000, false);

    for (std::size_t k = 0; k < records; ++k) {
        std::uint16_t code = 0;
        if (k < first.size()) {
            code = first[k];
        } else if (k == first.size() || rng.OneIn(60)) {
            code = kUnknownCodes[rng.Next() % kUnknownCodes.size()];
        } else if (rng.OneIn(3)) {
            static constexpr std::uint16_t kCommon[] = {0x1130, 0x1402, 0x3402, 0x1110, 0x1381, 0x3381};
            code = kCommon[rng.Next() % std::size(kCommon)];
        } else {
            code = kKnownEventCodes[rng.Next() % kKnownEventCodes.size()];
        }
        TFields f = FieldsFor(code, !seen[code], rng);
        seen[code] = true;
        const std::size_t index = (oldest + k) % records;
        if (code == 0x1406) {
            // The ring index of an earlier record: the one the code was entered for.
            const std::size_t back =
                k == 0 ? 0 : rng.Between(1, static_cast<unsigned>(std::min<std::size_t>(k, 50)));
            f.object = static_cast<std::uint16_t>((oldest + k - back) % records);
        }
        std::uint8_t* r = &ring[index * EventElement::kSize];
        le::Put16(r, code);
        r[2] = f.uop;
        r[3] = f.uoo;
        r[4] = f.input;
        r[5] = f.sub;
        le::Put16(r + 6, f.object);
        clock.Stamp(r);
        clock.Advance(rng.Between(1, 3600));
    }
    return ring;
}

}  // namespace mirca::sim
