#include "editor/simplepages.h"

#include <array>
#include <cstdint>
#include <string>

#include "memmap/block.h"
#include "memmap/memmap.h"

// The design texts here are window texts: marked for the translation files, translated by the window in
// the context "TabSheets".
#define QT_TRANSLATE_NOOP(context, text) text

namespace mirca {

namespace {

constexpr std::array<std::string_view, 2> kNoticeKinds{QT_TRANSLATE_NOOP("TabSheets", "неисправность"),
                                                       QT_TRANSLATE_NOOP("TabSheets", "тревога")};
constexpr std::array<std::string_view, 3> kRelayModes{QT_TRANSLATE_NOOP("TabSheets", "ПЦН тревога"),
                                                      QT_TRANSLATE_NOOP("TabSheets", "Контрольная лампа"),
                                                      QT_TRANSLATE_NOOP("TabSheets", "Звуковой")};

constexpr TChoiceField Notice(std::string_view control, std::string_view label, std::string_view block,
                              bool hidden = false) {
    return {control, label, block, 0, 8, kNoticeKinds, hidden};
}

constexpr std::array kNoticeFields{
    Notice("YNoticeStatCmb1", QT_TRANSLATE_NOOP("TabSheets", "Вскрытие пульта:"), "notice_status_1"),
    Notice("YNoticeStatCmb2", QT_TRANSLATE_NOOP("TabSheets", "Вскрытие УОП  :"), "notice_status_2"),
    Notice("YNoticeStatCmb3", QT_TRANSLATE_NOOP("TabSheets", "Вскрытие УОО:"), "notice_status_3"),
    Notice("YNoticeStatCmb4", QT_TRANSLATE_NOOP("TabSheets", "Вскрытие ПКП:"), "notice_status_4"),
    Notice("YNoticeStatCmb5", QT_TRANSLATE_NOOP("TabSheets", "Нет связи с  УОП:"), "notice_status_5"),
    Notice("YNoticeStatCmb6", QT_TRANSLATE_NOOP("TabSheets", "Нет связи с  УОО:"), "notice_status_6"),
    Notice("YNoticeStatCmb7", QT_TRANSLATE_NOOP("TabSheets", "Нет связи с ПКП:"), "notice_status_7"),
    Notice("YNoticeStatCmb8", QT_TRANSLATE_NOOP("TabSheets", "Блокир-е РК УОП:"), "notice_status_8"),
    Notice("YNoticeStatCmb9", QT_TRANSLATE_NOOP("TabSheets", "Блокир-е РК УОО:"), "notice_status_9"),
    Notice("YNoticeStatCmb10", QT_TRANSLATE_NOOP("TabSheets", "Блокир-е РК от ПКП:"), "notice_status_10"),
    Notice("YNoticeStatCmb11", QT_TRANSLATE_NOOP("TabSheets", "Вскрытие МР:"), {}, true),
    Notice("YNoticeStatCmb12", QT_TRANSLATE_NOOP("TabSheets", "Нет связи с МР:"), {}, true),
};

constexpr std::array kRelayFields{
    TChoiceField{"ReleWorkMode1", QT_TRANSLATE_NOOP("TabSheets", "Режимы работы реле 1:"), "mode_rele", 0, 4,
                 kRelayModes},
    TChoiceField{"ReleWorkMode2", QT_TRANSLATE_NOOP("TabSheets", "Режимы работы реле 2:"), "mode_rele", 4, 4,
                 kRelayModes},
};

std::uint8_t Mask(const TChoiceField& field) {
    return static_cast<std::uint8_t>(((1u << field.bits) - 1u) << field.shift);
}

// The block's one byte; null for a block that holds none.
std::uint8_t* ByteOf(TZelmoMemoryMap& map, const TChoiceField& field) {
    TConfigBlockBase& block = map.ConfigBlock(std::string(field.block));
    return block.Size >= 1 ? block.ValueBytes() : nullptr;
}

}  // namespace

std::span<const TChoiceField> ChoiceFields(std::string_view page) {
    if (page == "YNoticeStatusTS") return kNoticeFields;
    if (page == "RRiRelayTS") return kRelayFields;
    return {};
}

std::vector<int> FillChoices(TZelmoMemoryMap& map, std::string_view page) {
    std::vector<int> shown;
    for (const TChoiceField& field : ChoiceFields(page)) {
        int index = -1;
        if (!field.hidden) {
            if (const std::uint8_t* byte = ByteOf(map, field)) {
                const unsigned value = (*byte & Mask(field)) >> field.shift;
                if (value < field.items.size()) index = static_cast<int>(value);
            }
        }
        shown.push_back(index);
    }
    return shown;
}

void CommitChoices(TZelmoMemoryMap& map, std::string_view page, std::span<const int> chosen) {
    const std::span<const TChoiceField> fields = ChoiceFields(page);
    // Fields that share a block are combined before its flag is decided.
    struct TPending {
        TConfigBlockBase* block;
        std::uint8_t after;
    };
    std::vector<TPending> pending;
    for (std::size_t i = 0; i < fields.size() && i < chosen.size(); ++i) {
        const TChoiceField& field = fields[i];
        if (field.hidden) continue;
        TConfigBlockBase& block = map.ConfigBlock(std::string(field.block));
        if (block.Size < 1) continue;
        TPending* entry = nullptr;
        for (TPending& p : pending)
            if (p.block == &block) entry = &p;
        if (!entry) entry = &pending.emplace_back(TPending{&block, block.ValueBytes()[0]});
        const int index = chosen[i];
        if (index < 0 || static_cast<std::size_t>(index) >= field.items.size()) continue;
        entry->after = static_cast<std::uint8_t>(
            (entry->after & ~Mask(field)) | ((static_cast<unsigned>(index) << field.shift) & Mask(field)));
    }
    for (const TPending& p : pending)
        p.block->Change(&p.after, 1);
}

}  // namespace mirca
