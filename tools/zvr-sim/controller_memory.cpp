#include "controller_memory.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/replacing_file.h"

namespace zvr::sim {

namespace {

int ByteCount(int size) { return size == 1 || size == 2 ? size : 4; }

std::string SystemError(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

}  // namespace

uint8_t ControllerMemory::byte(uint32_t address) const {
    return address < kSize ? bytes_[address] : 0;
}

void ControllerMemory::setByte(uint32_t address, uint8_t value) {
    if (address < kSize) bytes_[address] = value;
}

uint16_t ControllerMemory::word(uint32_t address) const {
    return static_cast<uint16_t>(byte(address) << 8 | byte(address + 1));
}

uint32_t ControllerMemory::raw(uint32_t address, int size) const {
    uint32_t value = 0;
    for (int i = 0; i < ByteCount(size); ++i)
        value = value << 8 | byte(address + static_cast<uint32_t>(i));
    return value;
}

void ControllerMemory::setRaw(uint32_t address, int size, uint32_t value) {
    const int count = ByteCount(size);
    for (int i = 0; i < count; ++i) {
        setByte(address + static_cast<uint32_t>(i),
                static_cast<uint8_t>(value >> (8 * (count - 1 - i))));
    }
}

void ControllerMemory::markEeprom(uint32_t address, int size) {
    for (int i = 0; i < ByteCount(size); ++i) {
        if (address + static_cast<uint32_t>(i) < kSize) eeprom_.set(address + i);
    }
}

bool ControllerMemory::loadEeprom(const std::string& path, std::string& error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return true;
        error = SystemError("cannot open EEPROM file", path);
        return false;
    }
    std::array<uint8_t, kSize> image{};
    size_t got = 0;
    for (;;) {
        uint8_t buffer[4096];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = SystemError("cannot read EEPROM file", path);
            ::close(fd);
            return false;
        }
        if (n == 0) break;
        for (ssize_t i = 0; i < n && got + static_cast<size_t>(i) < kSize; ++i)
            image[got + static_cast<size_t>(i)] = buffer[i];
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    if (got != kSize) {
        error = "EEPROM file " + path + " is not a 65536-byte image";
        return false;
    }
    for (size_t address = 0; address < kSize; ++address) {
        if (eeprom_.test(address)) bytes_[address] = image[address];
    }
    return true;
}

bool ControllerMemory::saveEeprom(const std::string& path, std::string& error) const {
    std::array<uint8_t, kSize> image{};
    for (size_t address = 0; address < kSize; ++address) {
        if (eeprom_.test(address)) image[address] = bytes_[address];
    }
    ReplacingFile file(path);
    if (!file.open()) {
        error = SystemError("cannot create", path);
        return false;
    }
    const std::string_view bytes(reinterpret_cast<const char*>(image.data()), image.size());
    if (!file.write(bytes) || !file.commit()) {
        error = SystemError("cannot write EEPROM file", path);
        return false;
    }
    return true;
}

}  // namespace zvr::sim
