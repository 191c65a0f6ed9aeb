#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace zvr {

// One open serial port, as the link uses it.
//
// Threads: the link's receive thread calls read() and waitReadable(); the owner's thread
// also calls read() to drain the input when it purges it (whatever either one takes, the
// other does not see, which a purge intends). write() may be called from the GUI thread and
// the receive thread, and the link serialises those calls with its own lock.
class SerialDevice {
public:
    virtual ~SerialDevice() = default;

    // Reads up to size bytes. Returns as soon as size bytes have arrived, or when timeout has
    // passed with whatever arrived (a short read is a time-out, not an error). 0 when nothing
    // came or the device has gone away.
    virtual size_t read(uint8_t* data, size_t size, std::chrono::milliseconds timeout) = 0;

    // Waits until input is waiting or timeout has passed. A device that has gone away waits
    // the whole timeout, so a caller looping on it keeps its pace instead of spinning.
    virtual void waitReadable(std::chrono::milliseconds timeout) = 0;

    // True once the device has gone away (an adapter pulled out, the far end of a
    // pseudo-terminal closed): it will never deliver input again and must be reopened.
    virtual bool lost() const = 0;

    // Writes all bytes; false when the device refused them or stayed blocked for seconds.
    virtual bool write(const uint8_t* data, size_t size) = 0;
};

// Opens a port at 9600 baud, 8 data bits, no parity, one stop bit, raw, for this process only.
// "COMn" names /dev/ttyS(n-1); any other name is a device path. Results: 0, -1 the port
// cannot be opened, -2 its settings cannot be read (not a serial device), -3 its settings
// cannot be applied.
int OpenSerialDevice(const std::string& portName, std::unique_ptr<SerialDevice>& device);

// The device path a port name stands for.
std::string SerialDevicePath(const std::string& portName);

// Why the port does not open, in the user's words: the system's reason, what gives access to
// a device the user may not use, or which program holds a busy one. Tries the open again to
// learn it (leaving the port as it found it); empty when the port opens now.
std::string DescribeOpenFailure(const std::string& portName);

// The text for an open that failed with the system error err on path (EBUSY: who holds it).
std::string OpenErrorText(const std::string& path, int err);

}  // namespace zvr
