#pragma once

// The rules of the main settings and codes pages of a Y-family system, without widgets: what a password and
// a code must look like, how the pages read their blocks and how they write them back. The window's pages
// fill their controls from these and commit through them; `mirca-cli config set` refuses what they refuse.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "memmap/records.h"

namespace mirca {

class TZelmoMemoryMap;

// ---- Passwords ----

enum class TPasswordKind { Operator, Engineer };

// The catalogue message that refuses a password (145: the operator's needs at least three digits, 146: the
// engineer's exactly four), or 0 when it passes. Only digits pass, at most six of them.
int PasswordProblem(TPasswordKind kind, std::string_view text);

// ---- The main settings page ----

// A mode with its duration in seconds, as one of the sound and backlight blocks holds it.
struct TTimedMode {
    int mode = 0;
    int seconds = 1;
    bool operator==(const TTimedMode&) const = default;
};

// The duration each timed mode's up-down control takes.
struct TDurationRange {
    int low = 1;
    int high = 255;
    int Clamp(int value) const { return value < low ? low : value > high ? high : value; }
};
inline constexpr TDurationRange kInternalSoundRange{1, 255};
inline constexpr TDurationRange kExternalSoundRange{1, 254};
inline constexpr TDurationRange kBacklightRange{1, 254};

// The mode whose duration is switched off: sounds "Выключен" (index 1); the backlight has a duration only in
// "Автомат." (index 2).
inline constexpr int kSoundOffMode = 1;
inline constexpr int kBacklightAutoMode = 2;
bool SoundDurationEnabled(int mode);
bool BacklightDurationEnabled(int mode);

struct TMainSettings {
    std::string operatorPassword;
    std::string engineerPassword;
    int passwordReset = 0;  // 0 "Разрешен", 1 "Запрещен"
    TTimedMode internalSound;
    TTimedMode externalSound;
    TTimedMode backlight;
    bool operator==(const TMainSettings&) const = default;
};

// The page's values from the map. Durations outside their controls' ranges come back as the nearest bound,
// as the page shows them (and a later commit writes them).
TMainSettings ReadMainSettings(TZelmoMemoryMap& map);

// Writes the page's values: the passwords, `pw_reset`, and the three timed modes with their durations
// clamped to the ranges. Returns the catalogue message of a refused password (146 before 145) and writes
// nothing then. Each block other than the passwords is marked Modified when its bytes changed; the
// passwords' marks are left as they are.
int WriteMainSettings(TZelmoMemoryMap& map, const TMainSettings& settings);

// ---- Codes ----

inline constexpr int kCodeCount = static_cast<int>(TYConfirmCodes::kCodes);

// The digits of a stored code: up to its first 0xFF, the low four bits of each byte.
std::string CodeText(const TCode6& code);
// The stored form of up to six digits: 0x80 plus each digit, 0xFF after the last.
TCode6 EncodeCode(std::string_view digits);

// The catalogue message refusing a code typed into the grid (279: one or two digits), or 0 for an empty code
// and for three to six digits. Text with anything but digits, or more than six, is refused with 279 too: the
// grid's editor lets neither through.
int CodeEntryProblem(std::string_view text);

// The 32 codes of the codes page and its maximum code number.
class TCodeList {
public:
    // The codes of `codes`, and the maximum set to the highest index holding one (0 when none).
    static TCodeList Read(TZelmoMemoryMap& map);

    int Maximum() const { return maximum_; }
    // Clamped to 0..32; the codes above the new maximum are emptied, and with 0 all of them.
    void SetMaximum(int maximum);
    // Index 1..32; "" outside.
    const std::string& Code(int index) const;

    // What committing the grid's cell editor on row `index` with `text` did.
    struct TEntry {
        int problem = 0;       // 279 for a code too short: the row keeps its code
        int duplicateRow = 0;  // the row already holding the code: the row is emptied
    };
    // An empty text or three to six digits are taken, unless another row within the maximum holds the same
    // code. Rows above the maximum take nothing.
    TEntry Enter(int index, std::string_view text);

    // Writes `codes`, `reg_code_count` (the codes held) and `max_code_num` (the highest index holding one),
    // each marked Modified when its bytes changed. All three blocks are looked up before any is written.
    void Write(TZelmoMemoryMap& map) const;

private:
    std::array<std::string, kCodeCount> codes_;
    int maximum_ = 0;
};

// The first problem of a `codes` value as the page would meet it: a code of one or two digits (279) or a
// code held by an earlier row (139, with that row). The row is the code's index. Bytes that are no digit
// before a code's end are reported as problem -1.
struct TCodeProblem {
    int message = 0;
    int index = 0;
    int otherRow = 0;
};
std::optional<TCodeProblem> FindCodeProblem(const TYConfirmCodes& codes);
// The number of codes held and the highest index holding one, as a commit writes them.
std::pair<int, int> CodeCounts(const TYConfirmCodes& codes);

// ---- Values set by name ----

// What the pages would refuse in the blocks named (`user_pw`, `engineer_pw`, `codes`; other names pass), in
// the pages' own words from the catalogue: "user_pw: <message 145>", "codes: code 6: <message 139 with 2>".
// Empty when all pass.
std::string SettingsRuleProblem(TZelmoMemoryMap& map, const std::vector<std::string>& blocks);

}  // namespace mirca
