#include "devlink/usbdevices.h"

#include <libusb.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <iterator>
#include <system_error>

#include <pugixml.hpp>

namespace mirca {

namespace {

struct TLocation {
    std::size_t line = 1;
    std::size_t column = 1;
};

TLocation Locate(std::string_view text, std::ptrdiff_t offset) {
    TLocation at;
    if (offset < 0) return at;
    const auto end = std::min(static_cast<std::size_t>(offset), text.size());
    for (std::size_t i = 0; i < end; ++i) {
        if (text[i] == '\n') {
            ++at.line;
            at.column = 1;
        } else {
            ++at.column;
        }
    }
    return at;
}

class TListReader {
public:
    TListReader(std::string_view xml, const std::string& source) : xml_(xml), source_(source) {}

    [[noreturn]] void Fail(std::ptrdiff_t offset, const std::string& message) const {
        const TLocation at = Locate(xml_, offset);
        throw TDeviceListError(source_ + ":" + std::to_string(at.line) + ":" + std::to_string(at.column) +
                               ": " + message);
    }

    // pugixml places an element at its name; the user looks for the '<' before it.
    [[noreturn]] void FailAt(const pugi::xml_node& node, const std::string& message) const {
        std::ptrdiff_t offset = node.offset_debug();
        if (offset > 0 && static_cast<std::size_t>(offset) <= xml_.size() && xml_[offset - 1] == '<')
            --offset;
        Fail(offset, message);
    }

    std::uint16_t RequiredId(const pugi::xml_node& device, const char* name) const {
        const pugi::xml_attribute attr = device.attribute(name);
        if (!attr) FailAt(device, std::string("<device> has no ") + name + " attribute");
        std::string_view value = attr.value();
        // The value is echoed back to the user; a pasted blob should not become the whole message.
        constexpr std::size_t kShown = 32;
        const std::string shown =
            value.size() > kShown ? std::string(value.substr(0, kShown)) + "..." : std::string(value);
        const std::string quoted = std::string(name) + " '" + shown + "'";
        while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
            value.remove_prefix(1);
        while (!value.empty() && (value.back() == ' ' || value.back() == '\t'))
            value.remove_suffix(1);

        int base = 10;
        if (value.size() >= 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X')) {
            base = 16;
            value.remove_prefix(2);
        }
        unsigned long long number = 0;
        const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), number, base);
        if (value.empty() || ec == std::errc::invalid_argument || end != value.data() + value.size()) {
            FailAt(device, "<device> " + quoted + " is not a number (use 0x03EB or 1003)");
        }
        if (ec == std::errc::result_out_of_range || number > 0xFFFF) {
            FailAt(device, "<device> " + quoted + " is out of range (0x0000 to 0xFFFF)");
        }
        return static_cast<std::uint16_t>(number);
    }

    std::vector<TUsbId> Read() const {
        pugi::xml_document doc;
        const pugi::xml_parse_result parsed =
            doc.load_buffer(xml_.data(), xml_.size(), pugi::parse_default, pugi::encoding_utf8);
        if (parsed.status != pugi::status_ok) {
            Fail(parsed.offset, std::string("XML error: ") + parsed.description());
        }
        const pugi::xml_node root = doc.document_element();
        if (std::strcmp(root.name(), "usbdevices") != 0) {
            FailAt(root, std::string("the root element is <") + root.name() + ">, expected <usbdevices>");
        }
        std::vector<TUsbId> ids;
        for (const pugi::xml_node& child : root.children()) {
            if (child.type() != pugi::node_element) continue;
            // A misspelt element would silently drop a device, so it is an error rather than ignored.
            if (std::strcmp(child.name(), "device") != 0) {
                FailAt(child, std::string("unexpected element <") + child.name() + "> in <usbdevices>");
            }
            TUsbId id;
            id.vid = RequiredId(child, "vid");
            id.pid = RequiredId(child, "pid");
            id.name = child.attribute("name").value();
            ids.push_back(std::move(id));
        }
        return ids;
    }

private:
    std::string_view xml_;
    const std::string& source_;
};

}  // namespace

std::vector<TUsbId> ParseUsbDeviceList(std::string_view xml, const std::string& source) {
    return TListReader(xml, source).Read();
}

std::vector<TUsbId> LoadUsbDeviceList(const std::filesystem::path& path) {
    const std::string source = path.string();
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        throw TDeviceListError(source + ": is a folder, not a device list");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw TDeviceListError(source + ": cannot open the device list: " + std::strerror(errno));

    std::string text;
    char chunk[4096];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        text.append(chunk, static_cast<std::size_t>(in.gcount()));
        if (text.size() > kMaxDeviceListBytes) {
            throw TDeviceListError(source + ": the device list is larger than " +
                                   std::to_string(kMaxDeviceListBytes) + " bytes");
        }
    }
    if (in.bad()) throw TDeviceListError(source + ": cannot read the device list");
    return ParseUsbDeviceList(text, source);
}

bool ListsDevice(const std::vector<TUsbId>& ids, std::uint16_t vid, std::uint16_t pid) {
    return std::any_of(ids.begin(), ids.end(),
                       [&](const TUsbId& id) { return id.vid == vid && id.pid == pid; });
}

std::uint32_t BulkInRequestSize(std::uint32_t want, std::uint16_t maxPacket) {
    // A descriptor claiming 0 is broken; full-speed bulk size keeps the rounding meaningful.
    const std::uint64_t packet = maxPacket == 0 ? 64 : maxPacket;
    const std::uint64_t cap = (kMaxTransferBytes / packet) * packet;
    const std::uint64_t packets = (std::uint64_t{want} + packet - 1) / packet;
    const std::uint64_t size = std::max<std::uint64_t>(packets, 1) * packet;
    return static_cast<std::uint32_t>(std::min(size, cap));
}

std::string UsbOpenErrorText(int libusbError) {
    std::string text = libusb_strerror(libusbError);
    if (libusbError == LIBUSB_ERROR_ACCESS) {
        text +=
            ". To give the logged-in user access, install packaging/70-mirca-y.rules into "
            "/etc/udev/rules.d/, "
            "run 'udevadm control --reload' and plug the panel in again";
    } else if (libusbError == LIBUSB_ERROR_BUSY) {
        text += ". Another program holds the panel's interface; close it and try again";
    } else if (libusbError == LIBUSB_ERROR_NO_DEVICE) {
        text += ". The panel was unplugged";
    }
    return text;
}

}  // namespace mirca
