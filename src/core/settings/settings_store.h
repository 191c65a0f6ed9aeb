#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zvr {

// The per-machine key the program keeps its settings under. The GUI stores it with
// QSettings("TELQ", "ZVR"); tests keep it in memory.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    // Nothing when the value is missing or empty.
    virtual std::optional<std::string> readString(std::string_view name) = 0;
    // 0, -1 the key cannot be opened or created, -2 the value cannot be set.
    virtual int writeString(std::string_view name, std::string_view value) = 0;
    // Nothing when the value is missing or not a number.
    virtual std::optional<int32_t> readNumber(std::string_view name) = 0;
    virtual int writeNumber(std::string_view name, int32_t value) = 0;
};

}  // namespace zvr
