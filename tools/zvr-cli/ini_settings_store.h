#pragma once

#include <string>

#include "qt_ini_format.h"
#include "settings/settings_store.h"

namespace zvr::cli {

// The program's settings file as zvr-cli reaches it without Qt: the file QSettings("TELQ",
// "ZVR") keeps in its INI format ($XDG_CONFIG_HOME, else ~/.config, then TELQ/ZVR.ini), read
// and written as QSettings does, so that each program reads what the other wrote. A write
// takes QSettings' lock file (ZVR.ini.lock), reads the file afresh and replaces it whole,
// so that a value the program wrote meanwhile is kept.
class IniSettingsStore : public SettingsStore {
public:
    explicit IniSettingsStore(std::string path = DefaultPath());
    static std::string DefaultPath();

    // As the program's store reads them: a string of at most 260 characters, nothing when
    // the value is missing, empty or not a string.
    std::optional<std::string> readString(std::string_view name) override;
    int writeString(std::string_view name, std::string_view value) override;
    std::optional<int32_t> readNumber(std::string_view name) override;
    int writeNumber(std::string_view name, int32_t value) override;

private:
    // Sets the value text of a key under the lock: 0, -1 the file or its folder cannot be
    // made or the lock cannot be had, -2 the file cannot be written.
    int Write(std::string_view name, std::string text);

    std::string path_;
    QtIniDocument document_;
};

}  // namespace zvr::cli
