#include "devlink/usbdevices.h"

#include <libusb.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <system_error>

#include <pugixml.hpp>

#include "base/text.h"
#include "base/xmlfile.h"

namespace mirca {

namespace {

// Reads <usbdevices> with errors located in the text, as TDeviceListError.
class TListReader {
public:
    explicit TListReader(const TXmlFile& xml) : xml_(xml) {}

    [[noreturn]] void FailAt(const pugi::xml_node& node, const std::string& message) const {
        throw TDeviceListError(xml_.Where(node) + ": " + message);
    }

    std::uint16_t RequiredId(const pugi::xml_node& device, const char* name) const {
        const pugi::xml_attribute attr = device.attribute(name);
        if (!attr) FailAt(device, std::string("<device> has no ") + name + " attribute");
        const std::string quoted = std::string(name) + " '" + ShownValue(attr.value()) + "'";
        const TWhole<std::uint16_t> id =
            ReadWhole<std::uint16_t>(Trim(attr.value()), 0, 0xFFFF, TNumberBase::DecimalOrHex);
        if (id.status == TWholeStatus::NotANumber)
            FailAt(device, "<device> " + quoted + " is not a number (use 0x03EB or 1003)");
        if (id.status == TWholeStatus::OutOfRange)
            FailAt(device, "<device> " + quoted + " is out of range (0x0000 to 0xFFFF)");
        return id.value;
    }

    std::vector<TUsbId> Read() const {
        const pugi::xml_node root = xml_.Doc().document_element();
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
    const TXmlFile& xml_;
};

// Parse and load errors of the XML layer become device-list errors, with the same located text.
template <typename Make>
std::vector<TUsbId> ReadList(Make make) {
    std::optional<TXmlFile> xml;
    try {
        xml.emplace(make());
    } catch (const TDeviceListError&) {
        throw;
    } catch (const TXmlError& e) {
        throw TDeviceListError(e.what());
    }
    return TListReader(*xml).Read();
}

}  // namespace

std::vector<TUsbId> ParseUsbDeviceList(std::string_view xml, const std::string& source) {
    return ReadList([&] { return TXmlFile(std::string(xml), source); });
}

std::vector<TUsbId> LoadUsbDeviceList(const std::filesystem::path& path) {
    return ReadList([&] { return TXmlFile::Load(path, kMaxDeviceListBytes, "device list"); });
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
