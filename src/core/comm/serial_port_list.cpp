#include "comm/serial_port_list.h"

#include <algorithm>
#include <filesystem>
#include <initializer_list>
#include <string_view>

namespace zvr {

namespace {

// Natural order, so that ttyS2 comes before ttyS10.
bool NameBefore(const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

// The entries of folder whose names start with one of the prefixes: those of the first
// prefix, then those of the next, each group in natural order.
void AddMatching(const std::filesystem::path& folder,
                 std::initializer_list<std::string_view> prefixes,
                 std::vector<std::string>& ports) {
    std::error_code error;
    std::vector<std::vector<std::string>> found(prefixes.size());
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        size_t group = 0;
        for (std::string_view prefix : prefixes) {
            if (name.starts_with(prefix)) {
                found[group].push_back(entry.path().string());
                break;
            }
            ++group;
        }
    }
    for (std::vector<std::string>& group : found) {
        std::sort(group.begin(), group.end(), NameBefore);
        ports.insert(ports.end(), group.begin(), group.end());
    }
}

}  // namespace

std::vector<std::string> FindSerialPorts(const std::vector<std::string>& extra) {
    std::vector<std::string> ports;
    AddMatching("/dev", {"ttyS", "ttyUSB", "ttyACM"}, ports);
    AddMatching("/dev/serial/by-id", {""}, ports);
    for (const std::string& name : extra) {
        if (std::find(ports.begin(), ports.end(), name) == ports.end()) ports.push_back(name);
    }
    return ports;
}

}  // namespace zvr
