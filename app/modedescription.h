#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace mirca {

// One paragraph of a mode description as the description file gives it.
struct TDescriptionParagraph {
    int charset = 0;                     // kept for the record; Qt renders Unicode text in any font
    std::optional<std::uint32_t> color;  // 0x00BBGGRR; none: the window text colour
    std::string fontName = "Tahoma";
    int size = 8;   // points
    int style = 0;  // 1 bold, 2 italic, 4 underline, 8 strike-out
    std::string text;
};

// The paragraphs of the first mode element with this key and language (exact); nullopt when there is none.
// Throws TXmlError for a missing or malformed file, a
// paragraph without a readable style, or a paragraph that holds anything but text.
std::optional<std::vector<TDescriptionParagraph>> ReadModeDescription(const std::filesystem::path& file,
                                                                      const std::string& modeKey,
                                                                      const std::string& language = "RU");
// What the main window shows for a mode: the description in the language of the run, else the Russian one
// (the built-in language, which every description file has). Throws as ReadModeDescription.
std::optional<std::vector<TDescriptionParagraph>> ReadShownModeDescription(const std::filesystem::path& file,
                                                                           const std::string& modeKey,
                                                                           const std::string& language);

}  // namespace mirca
