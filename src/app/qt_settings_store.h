#pragma once

#include <QSettings>

#include "settings/settings_store.h"

namespace zvr {

// The program's settings in QSettings("TELQ", "ZVR"): an INI file under ~/.config/TELQ/.
class QtSettingsStore : public SettingsStore {
public:
    QtSettingsStore();

    std::optional<std::string> readString(std::string_view name) override;
    int writeString(std::string_view name, std::string_view value) override;
    std::optional<int32_t> readNumber(std::string_view name) override;
    int writeNumber(std::string_view name, int32_t value) override;

private:
    int Sync();

    QSettings settings_;
};

}  // namespace zvr
