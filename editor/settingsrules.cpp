#include "editor/settingsrules.h"

#include <algorithm>
#include <cstring>

#include "base/catalogue.h"
#include "base/textformat.h"
#include "memmap/memmap.h"

namespace mirca {

namespace {

constexpr std::uint8_t kEnd = 0xFF;
constexpr std::uint8_t kDigitBase = 0x80;

bool AllDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

void PutByte(TConfigBlockBase& block, std::uint8_t value) {
    block.Change(&value, 1);
}

TTimedMode ReadTimed(TZelmoMemoryMap& map, const char* name, const TDurationRange& range) {
    const TModeTime& value = map.Block<TModeTime>(name).Value;
    return {value.Mode(), range.Clamp(value.Time())};
}

TModeTime Timed(const TTimedMode& mode, const TDurationRange& range) {
    TModeTime value;
    value.SetMode(static_cast<std::uint8_t>(std::clamp(mode.mode, 0, 255)));
    value.SetTime(static_cast<std::uint8_t>(range.Clamp(mode.seconds)));
    return value;
}

}  // namespace

int PasswordProblem(TPasswordKind kind, std::string_view text) {
    const bool digits = AllDigits(text) && text.size() <= TZelmoPassword::kMaxLength;
    if (kind == TPasswordKind::Engineer) return digits && text.size() == 4 ? 0 : 146;
    return digits && text.size() > 2 ? 0 : 145;
}

bool SoundDurationEnabled(int mode) {
    return mode != kSoundOffMode;
}

bool BacklightDurationEnabled(int mode) {
    return mode == kBacklightAutoMode;
}

TMainSettings ReadMainSettings(TZelmoMemoryMap& map) {
    TMainSettings s;
    s.operatorPassword = map.Block<TZelmoPassword>("user_pw").Value.Text();
    s.engineerPassword = map.Block<TZelmoPassword>("engineer_pw").Value.Text();
    TConfigBlockBase& reset = map.ConfigBlock("pw_reset");
    s.passwordReset = reset.Size ? reset.ValueBytes()[0] : 0;
    s.internalSound = ReadTimed(map, "internal_sound", kInternalSoundRange);
    s.externalSound = ReadTimed(map, "external_sound", kExternalSoundRange);
    s.backlight = ReadTimed(map, "lcd_backlight", kBacklightRange);
    return s;
}

int WriteMainSettings(TZelmoMemoryMap& map, const TMainSettings& s) {
    for (const auto& [kind, text] : {std::pair{TPasswordKind::Engineer, &s.engineerPassword},
                                     std::pair{TPasswordKind::Operator, &s.operatorPassword}})
        if (const int problem = PasswordProblem(kind, *text)) return problem;
    // Every block is found before any is written: a map lacking one is left as it was.
    auto& user = map.Block<TZelmoPassword>("user_pw");
    auto& engineer = map.Block<TZelmoPassword>("engineer_pw");
    TConfigBlockBase& reset = map.ConfigBlock("pw_reset");
    auto& internal = map.Block<TModeTime>("internal_sound");
    auto& external = map.Block<TModeTime>("external_sound");
    auto& backlight = map.Block<TModeTime>("lcd_backlight");

    // A password counts as changed when its bytes change, like every other setting: committing the page
    // with the same passwords marks nothing.
    for (auto& [block, text] :
         {std::pair{&engineer, &s.engineerPassword}, std::pair{&user, &s.operatorPassword}}) {
        TZelmoPassword value = block->Value;
        value.SetText(*text);
        block->Change(value);
    }
    PutByte(reset, static_cast<std::uint8_t>(s.passwordReset));
    internal.Change(Timed(s.internalSound, kInternalSoundRange));
    external.Change(Timed(s.externalSound, kExternalSoundRange));
    backlight.Change(Timed(s.backlight, kBacklightRange));
    return 0;
}

// ---- Codes ----

std::string CodeText(const TCode6& code) {
    std::string text;
    for (const std::uint8_t b : code) {
        if (b == kEnd) break;
        text += std::to_string(b & 0x0F);
    }
    return text;
}

TCode6 EncodeCode(std::string_view digits) {
    TCode6 code;
    code.fill(kEnd);
    for (std::size_t i = 0; i < digits.size() && i < code.size(); ++i)
        code[i] = static_cast<std::uint8_t>(kDigitBase | (static_cast<unsigned char>(digits[i]) & 0x0F));
    return code;
}

int CodeEntryProblem(std::string_view text) {
    if (text.empty()) return 0;
    if (!AllDigits(text) || text.size() < 3 || text.size() > TYConfirmCodes::kCodeSize) return 279;
    return 0;
}

TCodeList TCodeList::Read(TZelmoMemoryMap& map) {
    const TYConfirmCodes& codes = map.Block<TYConfirmCodes>("codes").Value;
    TCodeList list;
    for (int i = 1; i <= kCodeCount; ++i) {
        list.codes_[i - 1] = CodeText(codes.Code(i));
        if (!list.codes_[i - 1].empty()) list.maximum_ = i;
    }
    return list;
}

void TCodeList::SetMaximum(int maximum) {
    maximum_ = std::clamp(maximum, 0, kCodeCount);
    for (int i = maximum_ + 1; i <= kCodeCount; ++i)
        codes_[i - 1].clear();
}

const std::string& TCodeList::Code(int index) const {
    static const std::string kNone;
    return index >= 1 && index <= kCodeCount ? codes_[index - 1] : kNone;
}

TCodeList::TEntry TCodeList::Enter(int index, std::string_view text) {
    TEntry entry;
    if (index < 1 || index > maximum_) return entry;
    if ((entry.problem = CodeEntryProblem(text))) return entry;
    if (!text.empty()) {
        for (int i = 1; i <= maximum_; ++i) {
            if (i != index && codes_[i - 1] == text) {
                entry.duplicateRow = i;
                codes_[index - 1].clear();
                return entry;
            }
        }
    }
    codes_[index - 1] = std::string(text);
    return entry;
}

void TCodeList::Write(TZelmoMemoryMap& map) const {
    auto& codes = map.Block<TYConfirmCodes>("codes");
    TConfigBlockBase& count = map.ConfigBlock("reg_code_count");
    TConfigBlockBase& highest = map.ConfigBlock("max_code_num");
    TYConfirmCodes value = codes.Value;
    for (int i = 1; i <= kCodeCount; ++i)
        value.SetCode(i, EncodeCode(codes_[i - 1]));
    const auto [held, last] = CodeCounts(value);
    PutByte(count, static_cast<std::uint8_t>(held));
    PutByte(highest, static_cast<std::uint8_t>(last));
    codes.Change(value);
}

std::pair<int, int> CodeCounts(const TYConfirmCodes& codes) {
    int held = 0;
    int last = 0;
    for (int i = 1; i <= kCodeCount; ++i) {
        if (codes.Code(i)[0] == kEnd) continue;
        ++held;
        last = i;
    }
    return {held, last};
}

std::optional<TCodeProblem> FindCodeProblem(const TYConfirmCodes& codes) {
    std::array<std::string, kCodeCount> texts;
    for (int i = 1; i <= kCodeCount; ++i) {
        const TCode6 code = codes.Code(i);
        for (const std::uint8_t b : code) {
            if (b == kEnd) break;
            if (b < kDigitBase || b > kDigitBase + 9) return TCodeProblem{-1, i, 0};
        }
        texts[i - 1] = CodeText(code);
        if (const int problem = CodeEntryProblem(texts[i - 1])) return TCodeProblem{problem, i, 0};
        for (int j = 1; j < i; ++j)
            if (!texts[i - 1].empty() && texts[j - 1] == texts[i - 1]) return TCodeProblem{139, i, j};
    }
    return std::nullopt;
}

std::string SettingsRuleProblem(TZelmoMemoryMap& map, const std::vector<std::string>& blocks) {
    for (const std::string& name : blocks) {
        if (name == "user_pw" || name == "engineer_pw") {
            const TPasswordKind kind = name == "user_pw" ? TPasswordKind::Operator : TPasswordKind::Engineer;
            const TZelmoPassword& value = map.Block<TZelmoPassword>(name).Value;
            if (const int problem = PasswordProblem(kind, value.Text())) return name + ": " + Msg(problem);
        } else if (name == "codes") {
            const std::optional<TCodeProblem> problem =
                FindCodeProblem(map.Block<TYConfirmCodes>(name).Value);
            if (!problem) continue;
            const std::string where = name + ": code " + std::to_string(problem->index) + ": ";
            if (problem->message < 0) return where + "a byte that is no digit (0x80 to 0x89) before its end";
            if (problem->message == 139) return where + FormatInt(Msg(139), problem->otherRow);
            return where + Msg(problem->message);
        }
    }
    return {};
}

}  // namespace mirca
