#include "eventlog/queries.h"

#include <string_view>

#include "base/text.h"
#include "base/textformat.h"

// The event-type captions are window texts: marked for the translation files, translated by the filter
// dialog in the context "TEventTypes".
#define QT_TRANSLATE_NOOP(context, text) text

namespace mirca {

namespace {

constexpr const char* kSelect = "select * from CurrentLog where";
constexpr const char* kOrder = "order by mesDate, mesTime";

constexpr int kMaxObject = kMaxObjectNumber;
constexpr int kMaxUoo = kMaxUooNumber;
constexpr int kMaxUop = kMaxUopNumber;

const std::string& C(const TCatalogue& catalogue, int n) {
    return catalogue.CatalogueText(n);
}

std::string F(const TCatalogue& catalogue, int n, long long value) {
    return FormatInt(C(catalogue, n), value);
}

// Each piece becomes one line ending in " or"; the closing "false" keeps the disjunction well-formed
// whatever was checked.
std::string OrList(const std::vector<std::string>& pieces) {
    std::string text;
    for (const std::string& piece : pieces)
        text += piece + " or\n";
    return text + "false";
}

// Only an optional sign and decimal digits, nothing around them: a box text like " 12" or "0x10" is
// refused rather than guessed at. A number too large for any box still is a number, and simply matches
// nothing.
std::optional<long long> BoxNumber(const std::string& text) {
    if (text.empty()) return std::nullopt;
    const TWhole<long long> read = ReadWhole<long long>(text);
    if (read.status == TWholeStatus::NotANumber)
        throw TConversionError("'" + Utf8Prefix(text, 40) + "' is not a valid integer value");
    // Outside every box's range, on the side of its sign.
    if (read.status == TWholeStatus::OutOfRange)
        return text.front() == '-' ? -1 : static_cast<long long>(kMaxObject) + 1;
    return read.value;
}

struct TEventTypePiece {
    const char* column;
    int message;
};

constexpr std::array<TEventTypePiece, kEventTypeItems - 1> kEventTypePieces = {{
    {"mesEvent", 735},  {"mesEvent", 731},  {"mesEvent", 729},  {"mesEvent", 730},  {"mesEvent", 739},
    {"mesDetail", 746}, {"mesDetail", 747}, {"mesDetail", 719}, {"mesDetail", 706}, {"mesDetail", 718},
    {"mesDetail", 707}, {"mesDetail", 716}, {"mesDetail", 726}, {"mesDetail", 720}, {"mesDetail", 727},
    {"mesDetail", 723}, {"mesDetail", 724}, {"mesDetail", 705}, {"mesDetail", 748}, {"mesDetail", 750},
    {"mesDetail", 752}, {"mesDetail", 749}, {"mesDetail", 751}, {"mesDetail", 753}, {"mesDetail", 756},
    {"mesDetail", 757}, {"mesDetail", 740}, {"mesDetail", 737},
}};

}  // namespace

const std::array<const char*, kEventTypeItems> kEventTypeCaptions = {
    QT_TRANSLATE_NOOP("TEventTypes", "взятие"),
    QT_TRANSLATE_NOOP("TEventTypes", "снятие"),
    QT_TRANSLATE_NOOP("TEventTypes", "тревога"),
    QT_TRANSLATE_NOOP("TEventTypes", "пожар"),
    QT_TRANSLATE_NOOP("TEventTypes", "информационное"),
    QT_TRANSLATE_NOOP("TEventTypes", "неисправность общая"),
    QT_TRANSLATE_NOOP("TEventTypes", "восстан-е общей неиспр-ти"),
    QT_TRANSLATE_NOOP("TEventTypes", "включение питания"),
    QT_TRANSLATE_NOOP("TEventTypes", "неисправность питания"),
    QT_TRANSLATE_NOOP("TEventTypes", "восстан-е неиспр-ти пит-я"),
    QT_TRANSLATE_NOOP("TEventTypes", "вскрытие"),
    QT_TRANSLATE_NOOP("TEventTypes", "восстановление вскрытия"),
    QT_TRANSLATE_NOOP("TEventTypes", "блокирование РК"),
    QT_TRANSLATE_NOOP("TEventTypes", "восстановление РК"),
    QT_TRANSLATE_NOOP("TEventTypes", "нет связи"),
    QT_TRANSLATE_NOOP("TEventTypes", "восстановление связи"),
    QT_TRANSLATE_NOOP("TEventTypes", "неисправность"),
    QT_TRANSLATE_NOOP("TEventTypes", "восстан-е неисправности"),
    QT_TRANSLATE_NOOP("TEventTypes", "обрыв цепи выхода"),
    QT_TRANSLATE_NOOP("TEventTypes", "КЗ цепи выхода"),
    QT_TRANSLATE_NOOP("TEventTypes", "восстан-е цепи выхода"),
    QT_TRANSLATE_NOOP("TEventTypes", "обрыв ШС"),
    QT_TRANSLATE_NOOP("TEventTypes", "КЗ ШС"),
    QT_TRANSLATE_NOOP("TEventTypes", "восстановление ШС"),
    QT_TRANSLATE_NOOP("TEventTypes", "рассинхронизация"),
    QT_TRANSLATE_NOOP("TEventTypes", "восстан-е рассинхр-ции"),
    QT_TRANSLATE_NOOP("TEventTypes", "включен в обслуживание"),
    QT_TRANSLATE_NOOP("TEventTypes", "исключен из обслуживания"),
    QT_TRANSLATE_NOOP("TEventTypes", "принял по коду"),
};

std::string QuoteSql(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        if (c == '\'') quoted += '\'';
        quoted += c;
    }
    return quoted + "'";
}

std::string DateCondition(const std::string& from, const std::string& to) {
    return "mesDate between datevalue(" + QuoteSql(from) + ") and datevalue(" + QuoteSql(to) + ")";
}

std::string EventTypeCondition(const std::array<bool, kEventTypeItems>& checked,
                               const TCatalogue& catalogue) {
    std::vector<std::string> pieces;
    for (std::size_t i = 0; i < kEventTypePieces.size(); ++i) {
        if (!checked[i]) continue;
        const TEventTypePiece& piece = kEventTypePieces[i];
        pieces.push_back(std::string(piece.column) + " like " + QuoteSql(C(catalogue, piece.message) + "%"));
    }
    if (checked[kEventTypeItems - 1])
        pieces.push_back("mesEvent like " + QuoteSql(C(catalogue, 732) + "%") + " and mesRange like " +
                         QuoteSql(Utf8Prefix(C(catalogue, 733), 6) + "%"));
    return OrList(pieces);
}

std::string ObjectCondition(const std::string& text, const TCatalogue& catalogue) {
    const std::optional<long long> n = BoxNumber(text);
    if (!n || *n < 1 || *n > kMaxObject) return "false";
    return OrList({"mesRange = " + QuoteSql(F(catalogue, 721, *n))});
}

std::string UooCondition(const std::string& text, const TCatalogue& catalogue) {
    const std::optional<long long> n = BoxNumber(text);
    if (!n || *n < 1 || *n > kMaxUoo) return "false";
    const std::string uoo = F(catalogue, 702, *n);
    const std::string comma = FormatNone(C(catalogue, 762));
    return OrList({
        "mesSource = " + QuoteSql(uoo),
        "mesSource like " + QuoteSql(uoo + comma + FormatNone(Utf8Prefix(C(catalogue, 704), 2)) + "%"),
        "mesSource like " + QuoteSql(uoo + comma + FormatNone(Utf8Prefix(C(catalogue, 703), 3)) + "%"),
    });
}

std::string UopCondition(const std::string& text, const TCatalogue& catalogue) {
    const std::optional<long long> n = BoxNumber(text);
    if (!n || *n < 1 || *n > kMaxUop) return "false";
    return OrList({"mesSource = " + QuoteSql(F(catalogue, 700, *n))});
}

std::vector<std::string> SingleQuery(const std::string& condition) {
    return {kSelect, condition, kOrder};
}

std::vector<std::string> CombinedQuery(const std::vector<std::string>& conditions) {
    std::vector<std::string> lines = {kSelect};
    for (const std::string& condition : conditions) {
        lines.push_back("(");
        lines.push_back(condition);
        lines.push_back(") and");
    }
    lines.push_back("true");
    lines.push_back(kOrder);
    return lines;
}

}  // namespace mirca
