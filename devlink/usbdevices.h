#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "base/xmlfile.h"

namespace mirca {

// One vendor/product pair from drv_base/usbdevices.xml.
struct TUsbId {
    std::uint16_t vid = 0;
    std::uint16_t pid = 0;
    std::string name;
};

// A device list that cannot be used; what() is "FILE:LINE:COLUMN: message" (or "FILE: message" when the
// file itself cannot be read).
class TDeviceListError : public TXmlError {
public:
    using TXmlError::TXmlError;
};

// The list is a small hand-edited file; anything this large is not one.
inline constexpr std::uintmax_t kMaxDeviceListBytes = 1024 * 1024;

// Reads <usbdevices><device vid="0x03EB" pid="0x2404" name="..."/>...</usbdevices>. vid and pid are
// required, hexadecimal with 0x or decimal, 0..0xFFFF. `source` names the text in error messages.
// Throws TDeviceListError.
std::vector<TUsbId> ParseUsbDeviceList(std::string_view xml, const std::string& source);
std::vector<TUsbId> LoadUsbDeviceList(const std::filesystem::path& path);

bool ListsDevice(const std::vector<TUsbId>& ids, std::uint16_t vid, std::uint16_t pid);

// Size of one bulk IN request that fetches at least `want` bytes: whole packets of `maxPacket` (a transfer
// that ends mid-packet would overflow when the device sends the full packet), at most 64 KiB.
std::uint32_t BulkInRequestSize(std::uint32_t want, std::uint16_t maxPacket);
inline constexpr std::uint32_t kMaxTransferBytes = 64 * 1024;

// The user text for a libusb error code while opening or claiming the device; a permission error names
// the udev rule that grants access.
std::string UsbOpenErrorText(int libusbError);

}  // namespace mirca
