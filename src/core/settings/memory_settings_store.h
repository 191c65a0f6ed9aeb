#pragma once

#include <map>
#include <string>

#include "settings/settings_store.h"

namespace zvr {

// Settings kept in memory: for tests, and for a program run that must not touch the user's.
class MemorySettingsStore : public SettingsStore {
public:
    std::map<std::string, std::string, std::less<>> strings;
    std::map<std::string, int32_t, std::less<>> numbers;

    std::optional<std::string> readString(std::string_view name) override {
        auto it = strings.find(name);
        if (it == strings.end() || it->second.empty()) return std::nullopt;
        return it->second;
    }
    int writeString(std::string_view name, std::string_view value) override {
        strings[std::string(name)] = std::string(value);
        return 0;
    }
    std::optional<int32_t> readNumber(std::string_view name) override {
        auto it = numbers.find(name);
        if (it == numbers.end()) return std::nullopt;
        return it->second;
    }
    int writeNumber(std::string_view name, int32_t value) override {
        numbers[std::string(name)] = value;
        return 0;
    }
};

}  // namespace zvr
