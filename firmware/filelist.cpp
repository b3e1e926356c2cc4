#include "firmware/filelist.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <system_error>

#include "base/ascii.h"
#include "base/userfile.h"
#include "devlink/device.h"
#include "devlink/frames.h"
#include "devlink/le.h"

namespace mirca {

namespace {

constexpr std::size_t kHeadSize = 7;
constexpr std::uint16_t kLegacyImageMark = 0x5555;

bool LegacyModuleA(std::uint16_t type) {
    return type == 64 || type == 65;
}  // "v" texts
bool LegacyModuleE(std::uint16_t type) {
    return type == 66 || type == 67;
}  // "ev" texts

std::string Format(const char* format, int a, int b) {
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), format, a, b);
    return text.data();
}

std::string Format(const char* format, int a, int b, int c) {
    std::array<char, 48> text{};
    std::snprintf(text.data(), text.size(), format, a, b, c);
    return text.data();
}

// "1.2" from a name ending in "1_2.bin" (the characters three places and one place before ".bin").
std::string VersionFromName(std::string_view name) {
    const std::size_t bin = name.find(".bin");
    if (bin == std::string_view::npos || bin < 3) return "-";
    return std::string{name[bin - 3], '.', name[bin - 1]};
}

}  // namespace

const std::vector<std::string>& OpeningMasks() {
    static const std::vector<std::string> masks = {"937*.tsk", "*rpu*.tsk", "*rpd*.tsk"};
    return masks;
}

std::optional<std::string> DeviceMask(std::uint16_t typeCode, std::uint8_t major) {
    if (typeCode == frames::kTypePanel) return major == frames::kYPanelSystem ? "Y-PCN*.tsk" : "937*.tsk";
    if (typeCode == 64 || typeCode == 66) return "*y-uop*.tsk";
    if (typeCode == 65 || typeCode == 67) return "*y-uoo*.tsk";
    return std::nullopt;
}

bool MatchesMask(std::string_view name, std::string_view mask) {
    // Greedy matching with one point to return to after the last '*': linear in practice, never recursive.
    std::size_t n = 0, m = 0;
    std::size_t starMask = std::string_view::npos, starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == '?' || AsciiLower(mask[m]) == AsciiLower(name[n]))) {
            ++n;
            ++m;
        } else if (m < mask.size() && mask[m] == '*') {
            starMask = m++;
            starName = n;
        } else if (starMask != std::string_view::npos) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    return m == mask.size();
}

std::string FirmwareVersionText(const std::uint8_t* head, std::size_t count, std::uint16_t typeCode,
                                std::string_view name) {
    std::array<std::uint8_t, kHeadSize> h{};
    for (std::size_t i = 0; i < kHeadSize && i < count; ++i)
        h[i] = head[i];
    if (count >= 4 && h[0] == 'R' && h[1] == 'I' && h[2] == 'F' && h[3] == 'F') return VersionFromName(name);
    const std::uint16_t w = le::Get16(h.data());
    if (w == kLegacyImageMark) {
        if (LegacyModuleA(typeCode)) return Format("v%d_%d", h[3] / 10, h[3] % 10);
        if (LegacyModuleE(typeCode)) return Format("ev%d_%d", h[3] / 10, h[3] % 10);
        return "";
    }
    if (LegacyModuleA(typeCode)) return Format("v%d_%d", h[5], h[6]);
    if (LegacyModuleE(typeCode)) return Format("ev%d_%d", h[5], h[6]);
    return Format("ev%d_%d_%d", h[4], h[5], h[6]);
}

std::optional<TFirmwareFileRow> FirmwareFileRow(const std::filesystem::path& file, std::uint16_t typeCode) {
    // lstat-free: a link to a regular file is listed like the file, a link to anything else is not.
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    std::vector<std::uint8_t> head;
    if (!ReadFileHead(file, kHeadSize, head, "firmware file").empty()) return std::nullopt;
    TFirmwareFileRow row;
    row.name = file.filename().string();
    row.version = FirmwareVersionText(head.data(), head.size(), typeCode, row.name);
    row.size = static_cast<std::uintmax_t>(st.st_size);
    row.modified = st.st_mtime;
    row.folder = file.parent_path();
    return row;
}

bool FirmwareNameLess(std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(AsciiLower(x)) < static_cast<unsigned char>(AsciiLower(y));
    });
}

int CompareByValue(std::string_view a, std::string_view b) {
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (digit(a[i]) && digit(b[j])) {
            // Leading zeros carry no value; then the longer run is the larger number, else the first
            // differing digit decides. No conversion, so no run is too long.
            while (i < a.size() && a[i] == '0')
                ++i;
            while (j < b.size() && b[j] == '0')
                ++j;
            std::size_t endA = i, endB = j;
            while (endA < a.size() && digit(a[endA]))
                ++endA;
            while (endB < b.size() && digit(b[endB]))
                ++endB;
            if (endA - i != endB - j) return endA - i < endB - j ? -1 : 1;
            if (const int c = a.substr(i, endA - i).compare(b.substr(j, endB - j)); c != 0)
                return c < 0 ? -1 : 1;
            i = endA;
            j = endB;
            continue;
        }
        const auto x = static_cast<unsigned char>(AsciiLower(a[i]));
        const auto y = static_cast<unsigned char>(AsciiLower(b[j]));
        if (x != y) return x < y ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

void SortFirmwareFiles(std::vector<TFirmwareFileRow>& rows) {
    std::stable_sort(rows.begin(), rows.end(), [](const TFirmwareFileRow& a, const TFirmwareFileRow& b) {
        return FirmwareNameLess(a.name, b.name);
    });
}

std::string FirmwareFileDateText(std::time_t modified) {
    std::tm local{};
    if (!::localtime_r(&modified, &local)) return {};
    std::array<char, 32> text{};
    // A year beyond four digits still fits; strftime writes nothing rather than a cut text.
    if (std::strftime(text.data(), text.size(), "%d.%m.%Y %H:%M:%S", &local) == 0) return {};
    return text.data();
}

std::vector<TFirmwareFileRow> ListFirmwareFiles(const std::filesystem::path& folder, std::string_view mask,
                                                TZelmoDevice& device) {
    std::vector<TFirmwareFileRow> rows;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!MatchesMask(name, mask)) continue;
        const std::filesystem::path path = folder / name;
        auto row = FirmwareFileRow(path, device.TypeCode);
        if (!row) continue;
        if (device.Connected && !device.IsFirmwareCompatible(path)) continue;
        row->otherEdition = OtherEdition(device, path);
        rows.push_back(std::move(*row));
    }
    SortFirmwareFiles(rows);
    return rows;
}

namespace {

// The first bytes that tell a firmware file's kind and its legacy opening.
constexpr std::size_t kKindHeadSize = 11;

bool IsLegacyImage(const std::vector<std::uint8_t>& head) {
    if (head.size() < 2) return false;
    const std::uint16_t w = le::Get16(head.data());
    return w == kLegacyImageMark || frames::IsOutputModuleType(w);
}

}  // namespace

std::string FirmwareFileProblem(const std::filesystem::path& file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) {
        return file.string() + ": " + std::error_code(errno, std::generic_category()).message();
    }
    if (S_ISDIR(st.st_mode)) return file.string() + " is a folder, not a firmware file";
    if (!S_ISREG(st.st_mode)) return file.string() + " is not a regular file";
    if (st.st_size == 0) return file.string() + " is empty";
    const auto size = static_cast<std::uintmax_t>(st.st_size);
    if (size < kHeadSize) {
        return file.string() + " holds " + std::to_string(size) + " bytes, fewer than a firmware header of " +
               std::to_string(kHeadSize);
    }
    if (size > TZelmoDevice::kMaxFirmwareFileSize) {
        return file.string() + " holds " + std::to_string(size) + " bytes, more than any firmware image";
    }
    std::vector<std::uint8_t> head;
    if (std::string error = ReadFileHead(file, kKindHeadSize, head, "firmware file"); !error.empty())
        return error;
    if (IsLegacyImage(head)) {
        // A legacy transfer sends whole 64-byte blocks after the opening frame: a file too short for one
        // would open the transfer and send no image at all.
        const auto opening = frames::LegacyImageOpening(head.data(), head.size());
        const std::size_t start = opening ? opening->dataStart : head.size();
        if (!opening || frames::LegacyImageBlocks(static_cast<std::size_t>(size), start) == 0) {
            return file.string() + " holds " + std::to_string(size) +
                   " bytes, too few for a legacy image: its header and at least one block of " +
                   std::to_string(frames::kPiece) + " bytes";
        }
        return "";
    }
    if (size == kHeadSize) return file.string() + " holds only a firmware header, no image after it";
    return "";
}

std::size_t FirmwareDroppedBytes(const std::filesystem::path& file) {
    std::vector<std::uint8_t> head;
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(file, ec);
    if (ec || !ReadFileHead(file, kKindHeadSize, head, "firmware file").empty() || !IsLegacyImage(head))
        return 0;
    const auto opening = frames::LegacyImageOpening(head.data(), head.size());
    if (!opening || le::Get16(head.data()) == kLegacyImageMark || size < opening->dataStart) return 0;
    const auto bytes = static_cast<std::size_t>(size);
    return bytes - opening->dataStart - frames::LegacyImageBlocks(bytes, opening->dataStart) * frames::kPiece;
}

std::uint16_t FirmwareFileType(const std::filesystem::path& file) {
    std::vector<std::uint8_t> head;
    if (!ReadFileHead(file, kHeadSize, head, "firmware file").empty() || head.size() < 3) return 0;
    const std::uint16_t w = le::Get16(head.data());
    return w == kLegacyImageMark ? head[2] : w;
}

char FirmwareEditionLetter(const std::uint8_t* head, std::size_t count) {
    if (count < kHeadSize) return 0;
    const std::uint16_t w = le::Get16(head);
    if (w == kLegacyImageMark || frames::IsOutputModuleType(w)) return 0;
    return static_cast<char>(head[2]);
}

char OtherEdition(const TZelmoDevice& device, const std::filesystem::path& file) {
    if (!device.Connected || !device.Framed) return 0;
    std::vector<std::uint8_t> head;
    if (!ReadFileHead(file, kHeadSize, head, "firmware file").empty()) return 0;
    const char letter = FirmwareEditionLetter(head.data(), head.size());
    if (letter == 0 || le::Get16(head.data()) != device.TypeCode) return 0;
    return letter == frames::EditionLetter(device.Edition) ? 0 : letter;
}

}  // namespace mirca
