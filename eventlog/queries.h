#pragma once

#include <array>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/catalogue.h"

namespace mirca {

// The filter queries of the event list, built line by line. Every text that comes from the catalogue or the
// user is SQL-quoted.

// A filter box whose text is not an integer.
class TConversionError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

inline constexpr std::size_t kEventTypeItems = 29;
// The numbers the object, UOO and УОП filters can match, from 1.
inline constexpr int kMaxObjectNumber = 2000;
inline constexpr int kMaxUooNumber = 250;
inline constexpr int kMaxUopNumber = 4;

// The text in single quotes, inner single quotes doubled.
std::string QuoteSql(const std::string& text);

// mesDate between two dates given as "dd.mm.yy" or "dd.mm.yyyy" texts.
std::string DateCondition(const std::string& from, const std::string& to);
// One piece per checked item (in list order), each followed by " or" and a line feed, then "false".
std::string EventTypeCondition(const std::array<bool, kEventTypeItems>& checked, const TCatalogue& catalogue);
// The filter boxes' texts: empty gives "false"; a number outside the box's range gives "false"; a text that
// is not an integer throws TConversionError.
std::string ObjectCondition(const std::string& text, const TCatalogue& catalogue);
std::string UooCondition(const std::string& text, const TCatalogue& catalogue);
std::string UopCondition(const std::string& text, const TCatalogue& catalogue);

// "select * from CurrentLog where", the condition, "order by mesDate, mesTime".
std::vector<std::string> SingleQuery(const std::string& condition);
// Each condition wrapped in "(", the condition, ") and", then "true" and the order.
std::vector<std::string> CombinedQuery(const std::vector<std::string>& conditions);

// The captions of the event-type filter items, in list order (Russian: the window translates them).
extern const std::array<const char*, kEventTypeItems> kEventTypeCaptions;

}  // namespace mirca
