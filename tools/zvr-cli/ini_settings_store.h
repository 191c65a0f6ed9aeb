#pragma once

#include <map>
#include <string>

#include "settings/settings_store.h"

namespace zvr::cli {

// The program's settings file as zvr-cli reaches it without Qt: the INI file the program
// keeps (XDG_CONFIG_HOME, else ~/.config, then TELQ/ZVR.conf), its [General] keys with
// blanks written as %20. Other sections and lines are kept as they are.
class IniSettingsStore : public SettingsStore {
public:
    explicit IniSettingsStore(std::string path = DefaultPath());
    static std::string DefaultPath();

    std::optional<std::string> readString(std::string_view name) override;
    int writeString(std::string_view name, std::string_view value) override;
    std::optional<int32_t> readNumber(std::string_view name) override;
    int writeNumber(std::string_view name, int32_t value) override;

private:
    void load();
    int save();

    std::string path_;
    std::map<std::string, std::string, std::less<>> general_;
    std::string otherSections_;
};

}  // namespace zvr::cli
