#include "eventlog/decoder.h"

#include <algorithm>
#include <string>

#include "base/textformat.h"

namespace mirca {

namespace {

// One record being decoded: its fields, the catalogue, and the four columns being filled. The members are
// the vocabulary of the row table below, so that each row reads like its line in the code list.
struct TDecoding {
    TDecoding(const EventElement& record, std::uint16_t logPosition, std::size_t recordCount,
              const TCatalogue& catalogue, TEventTexts& texts)
        : uop(record.uopNumber()),
          uoo(record.uooNumber()),
          input(record.inputNumber()),
          sub(record.subNumber()),
          object(record.objectNumber()),
          logPosition(logPosition),
          recordCount(recordCount),
          catalogue(catalogue),
          t(texts) {}

    const unsigned uop, uoo, input, sub, object;
    const std::uint16_t logPosition;
    const std::size_t recordCount;
    const TCatalogue& catalogue;
    TEventTexts& t;

    std::string C(int n) const { return catalogue.CatalogueText(n); }
    std::string F(int n, long long v) const { return FormatInt(catalogue.CatalogueText(n), v); }

    void Event(int n) { t.event = C(n); }
    void Detail(int n) { t.detail = C(n); }
    void Source(int n) { t.source = C(n); }

    // The separator is a text of its own, formatted with no argument so that a "%%" in it reads as "%".
    void AppendToSource(int n, long long v) { t.source += FormatNone(C(762)) + F(n, v); }

    void R() { t.range = object != 0 ? F(721, object) : C(722); }
    void Src() {
        t.source = F(702, uoo);
        if (sub != 0) AppendToSource(703, sub);
    }
    void SrcPlus() {
        Src();
        AppendToSource(704, input);
    }
    void Uop() {
        if (uop >= 1 && uop <= 4) {
            t.source = F(700, uop);
        } else if (uop >= 5 && uop <= 12) {
            t.source = F(701, uop);
        }
    }
    void Unit() {
        if (uoo != 0) {
            R();
            Src();
        } else if (uop != 0) {
            Uop();
        } else {
            Source(717);
        }
    }
    void UnitNoPanel() {
        if (uoo != 0) {
            R();
            Src();
        } else {
            Uop();
        }
    }
    void UnitUop() {
        if (uoo != 0) {
            R();
            Src();
        } else if (uop != 0) {
            t.source = F(700, uop);
        }
    }

    // Link loss of a unit: without a unit to name, no detail either, and the range keeps the group's text.
    void LinkLoss(int detail) {
        if (uoo == 0 && (uop == 0 || uop > 12)) return;
        if (uoo != 0) R();
        Detail(detail);
        UnitNoPanel();
    }

    // Output and input line faults: a fault of a UOO input names the input, one of a module's output the
    // module.
    void LineFault(int detailOfInput, int detailOfOutput) {
        if (uoo != 0) {
            R();
            Detail(detailOfInput);
            SrcPlus();
        } else {
            Detail(detailOfOutput);
            t.source = F(701, uop);
        }
    }

    // The 1-based row, in the oldest-first list, of the ring record that object indexes.
    long long ReferencedRow() const {
        const std::size_t p = logPosition < recordCount ? logPosition : 0;
        long long row = static_cast<long long>(object) - static_cast<long long>(p) + 1;
        // Rows start at 1, so the newest record (just before the oldest, 0 here) wraps too, and it wraps by
        // the ring's own length: p > 0 whenever it wraps, so that length is the log's.
        if (row < 1) row += static_cast<long long>(recordCount);
        return row;
    }
};

struct TGroup {
    std::uint8_t highByte;
    int event;  // 0: none
    int range;  // 0: none
};

constexpr std::array<TGroup, 10> kGroups = {{
    {0x11, 729, 715},
    {0x13, 724, 715},
    {0x14, 0, 0},
    {0x15, 739, 0},
    {0x16, 739, 715},
    {0x31, 739, 0},
    {0x33, 714, 715},
    {0x34, 0, 0},
    {0x35, 739, 0},
    {0x36, 0, 0},
}};

struct TRow {
    std::uint16_t code;
    void (*apply)(TDecoding&);
};

using D = TDecoding;

// One row per code: what each sets over its group's starting texts. A column a row leaves alone keeps the
// group's text (or stays empty).
// clang-format off
constexpr std::array<TRow, 53> kRows = {{
    {0x1110, [](D& d) { d.Event(730); d.R(); d.Detail(730); d.SrcPlus(); }},
    {0x1118, [](D& d) { d.Event(754); d.R(); d.SrcPlus(); }},
    {0x1130, [](D& d) {
        d.R();
        if (d.input != 0) { d.Detail(713); d.SrcPlus(); }
        else { d.Detail(729); d.t.source = d.F(712, d.uoo); }
    }},
    {0x1137, [](D& d) { d.Detail(707); d.Source(717); }},
    {0x1138, [](D& d) { d.Event(772); d.R(); d.Detail(773); d.SrcPlus(); }},
    {0x1143, [](D& d) { d.LinkLoss(727); }},
    {0x1144, [](D& d) { d.R(); d.Detail(707); d.Src(); }},
    {0x1145, [](D& d) { d.Detail(707); d.Uop(); }},
    {0x1147, [](D& d) { d.Detail(726); d.UnitUop(); }},
    {0x1300, [](D& d) { d.Detail(707); d.Source(717); }},
    {0x1301, [](D& d) { d.Detail(706); d.Source(717); }},
    {0x1331, [](D& d) { d.LineFault(749, 748); }},
    {0x1332, [](D& d) { d.LineFault(751, 750); }},
    {0x1337, [](D& d) { d.Detail(706); d.Uop(); }},
    {0x1338, [](D& d) { d.Detail(744); d.Unit(); }},
    {0x1341, [](D& d) { d.Detail(707); d.Uop(); }},
    {0x1342, [](D& d) { d.Detail(742); d.Unit(); }},
    {0x1343, [](D& d) { d.Event(739); d.Detail(756); d.t.source = d.F(700, d.uop); }},
    {0x1344, [](D& d) { d.Detail(726); d.UnitUop(); }},
    {0x1350, [](D& d) { d.Detail(727); d.Uop(); }},
    {0x1370, [](D& d) { d.R(); d.Detail(724); d.SrcPlus(); }},
    {0x1380, [](D& d) { d.Detail(746); d.UnitNoPanel(); }},
    {0x1381, [](D& d) { d.LinkLoss(727); }},
    {0x1383, [](D& d) { d.R(); d.Detail(707); d.Src(); }},
    {0x1384, [](D& d) { d.R(); d.Detail(706); d.Src(); }},
    {0x1402, [](D& d) { d.Event(731); d.R(); d.SrcPlus(); }},
    {0x1406, [](D& d) {
        d.Event(732); d.t.range = d.F(733, d.uop); d.t.source = d.F(734, d.ReferencedRow());
    }},
    {0x1463, [](D& d) { d.Event(761); d.R(); d.SrcPlus(); }},
    {0x1570, [](D& d) { d.R(); d.Detail(737); }},
    {0x1627, [](D& d) { d.Detail(768); }},
    {0x1628, [](D& d) { d.Detail(769); }},
    {0x3118, [](D& d) { d.R(); d.Detail(755); d.SrcPlus(); }},
    {0x3300, [](D& d) { d.Event(739); d.Detail(716); d.Source(717); }},
    {0x3301, [](D& d) { d.Detail(718); d.Source(717); }},
    {0x3308, [](D& d) { d.Event(739); d.Detail(719); d.Source(717); }},
    {0x3331, [](D& d) { d.Event(739); d.LineFault(753, 752); }},
    {0x3332, [](D& d) { d.Event(739); d.LineFault(753, 752); }},
    {0x3337, [](D& d) { d.Detail(718); d.Uop(); }},
    {0x3338, [](D& d) { d.Event(739); d.Detail(745); d.Unit(); }},
    {0x3341, [](D& d) { d.Event(739); d.Detail(716); d.Uop(); }},
    {0x3342, [](D& d) { d.Event(739); d.Detail(743); d.Unit(); }},
    {0x3343, [](D& d) { d.Event(739); d.Detail(757); d.t.source = d.F(700, d.uop); }},
    {0x3344, [](D& d) { d.Event(739); d.Detail(720); d.UnitUop(); }},
    {0x3350, [](D& d) { d.Event(739); d.Detail(723); d.Uop(); }},
    {0x3370, [](D& d) { d.Event(739); d.R(); d.Detail(705); d.SrcPlus(); }},
    {0x3380, [](D& d) { d.Event(739); d.Detail(747); d.UnitNoPanel(); }},
    {0x3381, [](D& d) { d.Event(739); d.Detail(723); d.UnitNoPanel(); }},
    {0x3383, [](D& d) { d.Event(739); d.R(); d.Detail(716); d.Src(); }},
    {0x3384, [](D& d) { d.R(); d.Detail(718); d.Src(); }},
    {0x3402, [](D& d) { d.Event(735); d.R(); d.SrcPlus(); }},
    {0x3403, [](D& d) { d.Event(736); d.R(); d.SrcPlus(); }},
    {0x3570, [](D& d) { d.R(); d.Detail(740); }},
    {0x3603, [](D& d) {
        d.Event(758); d.t.detail = d.F(759, d.input); d.t.source = d.F(702, d.uoo);
        if (d.sub >= 1 && d.sub <= 16) d.AppendToSource(760, d.sub);
    }},
}};
// clang-format on

constexpr const TGroup* FindGroup(std::uint8_t highByte) {
    for (const TGroup& g : kGroups)
        if (g.highByte == highByte) return &g;
    return nullptr;
}

constexpr bool RowsMatchKnownCodes() {
    for (std::size_t i = 0; i < kRows.size(); ++i) {
        if (kRows[i].code != kKnownEventCodes[i]) return false;
        if (!FindGroup(static_cast<std::uint8_t>(kRows[i].code >> 8))) return false;
        if (i > 0 && kRows[i - 1].code >= kRows[i].code) return false;
    }
    return true;
}
static_assert(kRows.size() == kKnownEventCodes.size() && RowsMatchKnownCodes(),
              "every row's code is a known code, in the same ascending order, in a known group");

}  // namespace

TEventTexts DecodeEvent(const EventElement& record, std::uint16_t logPosition, std::size_t recordCount,
                        const TCatalogue& catalogue) {
    TEventTexts texts;
    const std::uint16_t code = record.code();
    const auto row = std::lower_bound(kRows.begin(), kRows.end(), code,
                                      [](const TRow& r, std::uint16_t c) { return r.code < c; });
    if (row == kRows.end() || row->code != code) {
        texts.event = catalogue.CatalogueText(767);
        return texts;
    }
    // The static check above guarantees every row's group exists.
    const TGroup& group = *FindGroup(static_cast<std::uint8_t>(code >> 8));
    if (group.event != 0) texts.event = catalogue.CatalogueText(group.event);
    if (group.range != 0) texts.range = catalogue.CatalogueText(group.range);

    TDecoding decoding(record, logPosition, recordCount, catalogue, texts);
    row->apply(decoding);
    return texts;
}

}  // namespace mirca
