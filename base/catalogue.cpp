#include "base/catalogue.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>
#include <system_error>

#include <pugixml.hpp>

#include "base/ascii.h"
#include "base/xmlfile.h"

namespace mirca {

namespace {

// Three languages of a thousand texts each fit many times over; anything larger is not our data.
constexpr std::uintmax_t kMaxCatalogueBytes = 4u << 20;

// The element's text when its whole content is one text (or CDATA) node, else nothing.
std::optional<std::string> SingleText(const pugi::xml_node& element) {
    const pugi::xml_node first = element.first_child();
    if (!first || first.next_sibling()) return std::nullopt;
    if (first.type() != pugi::node_pcdata && first.type() != pugi::node_cdata) return std::nullopt;
    return std::string(first.value());
}

}  // namespace

std::string EffectiveLanguage(const std::string& code, const std::string& recordedCode) {
    return !code.empty() ? code : !recordedCode.empty() ? recordedCode : "RU";
}

void TCatalogue::LoadCatalogue(const std::filesystem::path& messagesFile, const std::string& code,
                               const std::string& recordedCode) {
    const TXmlFile xml = TXmlFile::Load(messagesFile, kMaxCatalogueBytes, "message catalogue");
    const std::string wanted = EffectiveLanguage(code, recordedCode);

    // Filled aside and swapped in, so a file that fails half-way leaves the catalogue as it was.
    auto fresh = std::make_unique<std::array<std::string, kSlots>>();

    pugi::xml_node language;
    for (const pugi::xml_node& child : xml.Doc().document_element().children()) {
        if (child.type() != pugi::node_element) continue;
        if (const pugi::xml_attribute name = child.attribute("name"); name && wanted == name.value()) {
            language = child;
            break;
        }
    }

    // A catalogue without the run's language would leave every box and question blank.
    if (!language)
        throw TXmlError(xml.Source() + ": the message catalogue has no texts for the language " +
                        ShownValue(wanted));
    std::size_t loaded = 0;
    for (const pugi::xml_node& message : language.children()) {
        if (message.type() != pugi::node_element) continue;
        const pugi::xml_attribute number = message.attribute("number");
        if (!number)
            throw TXmlError(xml.Where(message) + ": <" + message.name() + "> has no number attribute");
        // A number too large for any integer is still a number, just not one of ours: skipped like 1001.
        const TWhole<std::int64_t> read = ReadWhole<std::int64_t>(Trim(number.value()));
        if (read.status == TWholeStatus::OutOfRange) continue;
        if (read.status != TWholeStatus::Ok)
            throw TXmlError(xml.Where(message) + ": number '" + ShownValue(number.value()) +
                            "' is not an integer");
        const std::int64_t n = read.value;
        if (n < 1 || n > kSlots) continue;
        (*fresh)[static_cast<std::size_t>(n - 1)] = SingleText(message).value_or(std::string());
        ++loaded;
    }
    if (loaded == 0)
        throw TXmlError(xml.Source() + ": the message catalogue has no texts for the language " +
                        ShownValue(wanted));

    slots_.swap(*fresh);
}

const std::string& TCatalogue::CatalogueText(int n) const {
    static const std::string empty;
    if (n < 1 || n > kSlots) return empty;
    return slots_[static_cast<std::size_t>(n - 1)];
}

TCatalogue& Catalogue() {
    static TCatalogue catalogue;
    return catalogue;
}

const std::string& Msg(int n) {
    return Catalogue().CatalogueText(n);
}

int CurrentLanguageIndex(const std::string& recordedCode) {
    if (recordedCode == "EN") return 1;
    if (recordedCode == "TR") return 2;
    return 0;
}

std::string FindHelpFile(const std::filesystem::path& helpFolder, const std::string& recordedCode) {
    namespace fs = std::filesystem;
    constexpr std::string_view kSuffix = ".html";
    const std::string code = AsciiLower(recordedCode.empty() ? std::string("ru") : recordedCode);

    // Directory order is arbitrary; the smallest matching name keeps the answer the same on every run
    // without holding the whole listing.
    std::optional<std::string> best;
    std::error_code ec;
    fs::directory_iterator it(helpFolder, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const std::string lower = AsciiLower(name);
        if (lower.size() < kSuffix.size() || !lower.ends_with(kSuffix)) continue;
        // The name is "*<code>*.html": the code lies before the extension.
        if (std::string_view(lower).substr(0, lower.size() - kSuffix.size()).find(code) == std::string::npos)
            continue;
        std::error_code statusEc;
        const fs::file_status status = it->status(statusEc);
        if (statusEc || !fs::exists(status) || fs::is_directory(status)) continue;
        if (!best || name < *best) best = name;
    }
    return best.value_or(std::string());
}

}  // namespace mirca
