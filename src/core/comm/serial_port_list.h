#pragma once

#include <string>
#include <vector>

namespace zvr {

// A serial port of this machine as the port dialog offers it: its device path, and for a USB
// adapter what a technician recognises it by (maker, product, serial number).
struct SerialPortEntry {
    std::string path;
    std::string description;  // empty for a built-in port

    friend bool operator==(const SerialPortEntry&, const SerialPortEntry&) = default;
};

// What udev tells of one tty device.
struct TtyDeviceFacts {
    bool hasDevice = false;  // backed by hardware (virtual consoles and ptmx are not)
    std::string uartType;    // a built-in UART's "type"; "0" when no chip answers there
    std::string vendorId;    // the USB device's idVendor, if it is on USB
    std::string productId;   // idProduct
    std::string manufacturer;
    std::string product;
    std::string serial;
};

// Whether a tty device is a serial port worth offering: one with hardware behind it, and for
// a built-in UART one whose chip was found.
bool IsPresentSerialPort(const TtyDeviceFacts& facts);
// "FTDI USB-RS232 Cable (0403:6001, serial FT1234)"; empty for a port that is not on USB.
std::string UsbDescription(const TtyDeviceFacts& facts);

// The serial ports this machine has, from udev: ports that exist, in natural order, USB ones
// with their description; then the stable names under /dev/serial/by-id, then the extra
// names given (pseudo-terminal links from the command line), without repeats.
std::vector<SerialPortEntry> ListSerialPorts(const std::vector<std::string>& extra = {});
// The paths of ListSerialPorts.
std::vector<std::string> FindSerialPorts(const std::vector<std::string>& extra = {});

}  // namespace zvr
