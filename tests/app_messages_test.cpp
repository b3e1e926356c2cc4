// The shipped catalogue: every message the program shows exists in every language, with the same arguments.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "base/catalogue.h"

namespace mirca {
namespace {

const std::filesystem::path kMessages =
    std::filesystem::path(MIRCA_SOURCE_DIR) / "data" / "drv_base" / "Messages.xml";

// Every catalogue number the windows, the device link, the editor, the event log and the firmware update
// use, as ranges.
const std::vector<std::pair<int, int>> kUsed = {
    {1, 32},    {122, 122}, {139, 139}, {145, 146}, {149, 149}, {151, 151}, {160, 163}, {165, 165},
    {167, 168}, {258, 269}, {274, 274}, {279, 279}, {287, 293}, {298, 300}, {302, 305}, {307, 308},
    {315, 315}, {320, 324}, {344, 346}, {348, 350}, {367, 367}, {500, 501}, {506, 507}, {510, 511},
    {515, 520}, {527, 529}, {532, 535}, {539, 539}, {541, 542}, {544, 547}, {550, 550}, {700, 707},
    {712, 724}, {726, 727}, {729, 737}, {739, 740}, {742, 769}, {772, 773}, {901, 919},
};

// The printf conversions of a text, in order: a translation must take the same arguments.
std::string Conversions(const std::string& text) {
    static const std::regex conversion("%[-+ #0]*[0-9]*(?:\\.[0-9]+)?[a-zA-Z%]");
    std::string out;
    for (std::sregex_iterator it(text.begin(), text.end(), conversion), end; it != end; ++it)
        out += it->str();
    return out;
}

TEST(ShippedCatalogue, EveryUsedMessageInEveryLanguageWithTheSameArguments) {
    TCatalogue ru, en, tr;
    ru.LoadCatalogue(kMessages, "RU", "");
    en.LoadCatalogue(kMessages, "EN", "");
    tr.LoadCatalogue(kMessages, "TR", "");
    for (const auto& [first, last] : kUsed) {
        for (int n = first; n <= last; ++n) {
            EXPECT_FALSE(ru.CatalogueText(n).empty()) << "RU " << n;
            EXPECT_FALSE(en.CatalogueText(n).empty()) << "EN " << n;
            EXPECT_FALSE(tr.CatalogueText(n).empty()) << "TR " << n;
            EXPECT_EQ(Conversions(en.CatalogueText(n)), Conversions(ru.CatalogueText(n))) << "EN " << n;
            EXPECT_EQ(Conversions(tr.CatalogueText(n)), Conversions(ru.CatalogueText(n))) << "TR " << n;
        }
    }
    // Texts that are joined to others keep their spaces.
    EXPECT_EQ(ru.CatalogueText(762), ", ");
    EXPECT_EQ(Conversions(ru.CatalogueText(1)), "%s%s");
}

}  // namespace
}  // namespace mirca
