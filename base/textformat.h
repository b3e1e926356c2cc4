#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mirca {

// Catalogue texts are data read from a file, yet they are used as printf-style formats. These helpers honour
// only the conversions the caller supplies arguments for, so a translated text with a stray or extra
// conversion can garble its own words but never read an argument that is not there.
//
// Recognised: "%%" and conversions of the form %[flags][width][.precision][length]type. A conversion that
// has no matching argument, or whose type does not fit the argument, is copied as it stands. Widths and
// precisions above 64 are copied as they stand too, so a text cannot demand megabytes of padding.

// One integer argument, taken by the first integer conversion (d i u o x X c).
std::string FormatInt(std::string_view format, long long value);
// Integer arguments, taken in order by the integer conversions: catalogue texts that show several numbers.
std::string FormatInts(std::string_view format, const std::vector<long long>& values);
// No argument: only "%%" becomes "%".
std::string FormatNone(std::string_view format);
// Text arguments, taken in order by the %s conversions.
std::string FormatTexts(std::string_view format, const std::vector<std::string>& values);

// The first count characters of a UTF-8 text (fewer when it is shorter); a character is never cut in two.
std::string Utf8Prefix(std::string_view text, std::size_t count);

}  // namespace mirca
