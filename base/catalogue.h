#pragma once

#include <array>
#include <filesystem>
#include <string>

namespace mirca {

// The language a run uses: the given code, else the code recorded for the program, else "RU".
std::string EffectiveLanguage(const std::string& code, const std::string& recordedCode);

// The numbered run-time texts (1 to 1000) of one language, from drv_base/Messages.xml.
class TCatalogue {
public:
    static constexpr int kSlots = 1000;

    // Fills the slots from the file for EffectiveLanguage(code, recordedCode). Throws TXmlError for a missing
    // or malformed file, a number attribute that is absent or not an integer, and a file without a language
    // element for the code or whose element holds no message numbered 1 to 1000; the catalogue is then
    // left as it was.
    void LoadCatalogue(const std::filesystem::path& messagesFile, const std::string& code,
                       const std::string& recordedCode);
    // Slot n for 1 <= n <= 1000, else empty. Never fails.
    const std::string& CatalogueText(int n) const;

private:
    std::array<std::string, kSlots> slots_;
};

// The program's catalogue, filled once at start-up.
TCatalogue& Catalogue();
// Shorthand for Catalogue().CatalogueText(n).
const std::string& Msg(int n);

// 0 for "RU", 1 for "EN", 2 for "TR" (exact); any other code, and an empty one, 0.
int CurrentLanguageIndex(const std::string& recordedCode);

// The first file in helpFolder whose name contains the code (empty: "ru") and ends in ".html", compared
// without regard to letter case; its name without the folder, or empty.
std::string FindHelpFile(const std::filesystem::path& helpFolder, const std::string& recordedCode);

}  // namespace mirca
