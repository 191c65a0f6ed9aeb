#include "comm/serial_port_list.h"

#include <libudev.h>

#include <algorithm>
#include <filesystem>
#include <memory>

namespace zvr {

namespace {

// Natural order, so that ttyS2 comes before ttyS10.
bool NameBefore(const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

std::string Attribute(udev_device* device, const char* name) {
    const char* value = device ? udev_device_get_sysattr_value(device, name) : nullptr;
    return value ? value : "";
}

TtyDeviceFacts FactsOf(udev_device* tty) {
    TtyDeviceFacts facts;
    facts.hasDevice = udev_device_get_parent(tty) != nullptr;
    facts.uartType = Attribute(tty, "type");
    udev_device* usb = udev_device_get_parent_with_subsystem_devtype(tty, "usb", "usb_device");
    facts.vendorId = Attribute(usb, "idVendor");
    facts.productId = Attribute(usb, "idProduct");
    facts.manufacturer = Attribute(usb, "manufacturer");
    facts.product = Attribute(usb, "product");
    facts.serial = Attribute(usb, "serial");
    return facts;
}

// The tty devices udev knows that are serial ports, in natural order of their nodes.
std::vector<SerialPortEntry> UdevPorts() {
    std::vector<SerialPortEntry> ports;
    std::unique_ptr<udev, decltype(&udev_unref)> context(udev_new(), udev_unref);
    if (!context) return ports;
    std::unique_ptr<udev_enumerate, decltype(&udev_enumerate_unref)> scan(
        udev_enumerate_new(context.get()), udev_enumerate_unref);
    if (!scan || udev_enumerate_add_match_subsystem(scan.get(), "tty") < 0 ||
        udev_enumerate_scan_devices(scan.get()) < 0) {
        return ports;
    }
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(scan.get())) {
        std::unique_ptr<udev_device, decltype(&udev_device_unref)> tty(
            udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry)),
            udev_device_unref);
        const char* node = tty ? udev_device_get_devnode(tty.get()) : nullptr;
        if (node == nullptr || !std::filesystem::exists(node)) continue;
        const TtyDeviceFacts facts = FactsOf(tty.get());
        if (IsPresentSerialPort(facts)) ports.push_back({node, UsbDescription(facts)});
    }
    std::sort(ports.begin(), ports.end(), [](const SerialPortEntry& a, const SerialPortEntry& b) {
        return NameBefore(a.path, b.path);
    });
    return ports;
}

}  // namespace

bool IsPresentSerialPort(const TtyDeviceFacts& facts) {
    return facts.hasDevice && facts.uartType != "0";
}

std::string UsbDescription(const TtyDeviceFacts& facts) {
    if (facts.vendorId.empty()) return "";
    std::string text = facts.manufacturer;
    if (!facts.product.empty()) text += (text.empty() ? "" : " ") + facts.product;
    text += (text.empty() ? "(" : " (") + facts.vendorId + ":" + facts.productId;
    if (!facts.serial.empty()) text += ", serial " + facts.serial;
    return text + ")";
}

std::vector<SerialPortEntry> ListSerialPorts(const std::vector<std::string>& extra) {
    std::vector<SerialPortEntry> ports = UdevPorts();
    auto add = [&ports](const std::string& path) {
        const bool known = std::any_of(ports.begin(), ports.end(),
                                       [&](const SerialPortEntry& p) { return p.path == path; });
        if (!known) ports.push_back({path, ""});
    };
    std::error_code error;
    std::vector<std::string> stable;
    for (const auto& link : std::filesystem::directory_iterator("/dev/serial/by-id", error))
        stable.push_back(link.path().string());
    std::sort(stable.begin(), stable.end());
    for (const std::string& path : stable)
        add(path);
    for (const std::string& path : extra)
        add(path);
    return ports;
}

std::vector<std::string> FindSerialPorts(const std::vector<std::string>& extra) {
    std::vector<std::string> paths;
    for (const SerialPortEntry& port : ListSerialPorts(extra))
        paths.push_back(port.path);
    return paths;
}

}  // namespace zvr
