#include "comm/serial_port_list.h"

#include <algorithm>
#include <filesystem>

namespace zvr {

namespace {

// Natural order, so that ttyS2 comes before ttyS10.
bool NameBefore(const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

void AddMatching(const std::filesystem::path& folder, const std::vector<std::string>& prefixes,
                 std::vector<std::string>& ports) {
    std::error_code error;
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        for (const std::string& prefix : prefixes) {
            if (name.starts_with(prefix)) {
                found.push_back(entry.path().string());
                break;
            }
        }
    }
    std::sort(found.begin(), found.end(), NameBefore);
    ports.insert(ports.end(), found.begin(), found.end());
}

}  // namespace

std::vector<std::string> FindSerialPorts(const std::vector<std::string>& extra) {
    std::vector<std::string> ports;
    AddMatching("/dev", {"ttyS"}, ports);
    AddMatching("/dev", {"ttyUSB"}, ports);
    AddMatching("/dev", {"ttyACM"}, ports);
    AddMatching("/dev/serial/by-id", {""}, ports);
    for (const std::string& name : extra) {
        if (std::find(ports.begin(), ports.end(), name) == ports.end()) ports.push_back(name);
    }
    return ports;
}

}  // namespace zvr
