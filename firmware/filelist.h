#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mirca {

class TZelmoDevice;

// One firmware file as the update window lists it. The row keeps only what it shows; the full path is the
// folder joined with the name.
struct TFirmwareFileRow {
    std::string name;              // without folder
    std::string version;           // from the file's first bytes (FirmwareVersionText)
    std::uintmax_t size = 0;       // bytes
    std::time_t modified = 0;      // last write, seconds since the epoch
    std::filesystem::path folder;  // where the file lies
    // The edition letter of an image made for the other edition of the connected device ('d' offered to
    // an 'e' panel); 0 when it is the device's own or there is no device to compare with.
    char otherEdition = 0;
    std::filesystem::path Path() const { return folder / name; }
};

// The masks the window lists when it opens, in order: a file matching two of them is listed twice.
const std::vector<std::string>& OpeningMasks();
// The mask of a connected device: "Y-PCN*.tsk" for a type-937 panel of system 6, "937*.tsk" for any other
// type-937 panel, "*y-uop*.tsk" for output modules 64 and 66, "*y-uoo*.tsk" for 65 and 67; none for other
// types (the window then lists nothing).
std::optional<std::string> DeviceMask(std::uint16_t typeCode, std::uint8_t major);

// A name against a mask of '*' (any run) and '?' (one character), ignoring the case of ASCII letters.
bool MatchesMask(std::string_view name, std::string_view mask);

// The version text of a firmware file from its first bytes (up to 7; fewer count as zero) and the type
// code of the device last identified:
//   0x5555 legacy images: "v%d_%d" (types 64, 65) or "ev%d_%d" (66, 67) of byte 3 / 10 and byte 3 % 10,
//   empty for other types;
//   any other file: "v%d_%d" (64, 65) or "ev%d_%d" (66, 67) of bytes 5 and 6, "ev%d_%d_%d" of bytes 4 to 6
//   for every other type;
//   a file beginning with "RIFF": taken from the name: the character three places before ".bin", ".",
//   and the character just before it ("..1_2.bin" gives "1.2"); "-" when the name holds no ".bin" or too
//   little before it.
std::string FirmwareVersionText(const std::uint8_t* head, std::size_t count, std::uint16_t typeCode,
                                std::string_view name);

// The row of one file; none when it is not a regular file or cannot be read (a FIFO or a device is never
// opened, so listing a folder can never block).
std::optional<TFirmwareFileRow> FirmwareFileRow(const std::filesystem::path& file, std::uint16_t typeCode);

// Whether name a comes before name b in the file list: byte by byte with ASCII letters compared without
// their case, a name that is the start of another first.
bool FirmwareNameLess(std::string_view a, std::string_view b);
// Orders texts such as versions by their value: runs of digits compare as numbers ("ev1_9_0" before
// "ev1_10_0", "007" equal to "7"), everything else as FirmwareNameLess does. Negative, 0 or positive.
int CompareByValue(std::string_view a, std::string_view b);
// The rows in name order (FirmwareNameLess); rows of the same name keep their order.
void SortFirmwareFiles(std::vector<TFirmwareFileRow>& rows);
// The date and time of a file in the list, local time: "DD.MM.YYYY HH:MM:SS"; empty when the time cannot be
// shown.
std::string FirmwareFileDateText(std::time_t modified);

// The regular files of `folder` whose names match `mask`, in name order (SortFirmwareFiles). When the
// device is connected, only the files it accepts (IsFirmwareCompatible) are kept. A missing or unreadable
// folder lists nothing. typeCode is the device type last identified, for the version texts.
std::vector<TFirmwareFileRow> ListFirmwareFiles(const std::filesystem::path& folder, std::string_view mask,
                                                TZelmoDevice& device);

// Why a file cannot be sent as firmware, before anything goes to the device: missing, not a regular file
// (a folder, a FIFO, a device), empty, shorter than an image header, larger than any image, a framed
// image that is only its header, a legacy image too short for one whole block after its opening. Empty
// when it may be sent.
std::string FirmwareFileProblem(const std::filesystem::path& file);

// The bytes at the end of an output-module image that the transfer would not send (its data is not a
// whole number of 64-byte blocks); 0 for every other file.
std::size_t FirmwareDroppedBytes(const std::filesystem::path& file);

// The type of device a firmware file is made for, from its first bytes: the device code of a legacy image,
// the module type of an output-module image, the type code of a framed one; 0 when it cannot be read.
std::uint16_t FirmwareFileType(const std::filesystem::path& file);

// The edition letter a framed image is made for (byte 2 of its identity record); 0 for legacy images and
// files too short to tell.
char FirmwareEditionLetter(const std::uint8_t* head, std::size_t count);
// The edition letter of a framed image for the connected framed device when it is not the device's own;
// 0 when it is, or when there is nothing to compare.
char OtherEdition(const TZelmoDevice& device, const std::filesystem::path& file);

}  // namespace mirca
