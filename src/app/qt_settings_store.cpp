#include "app/qt_settings_store.h"

#include "gui_base/latin1.h"

namespace zvr {

namespace {

// A string value holds at most 260 bytes, as it always has.
constexpr qsizetype kMaxStringValue = 260;

}  // namespace

QtSettingsStore::QtSettingsStore()
    : settings_(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("TELQ"),
                QStringLiteral("ZVR")) {}

std::optional<std::string> QtSettingsStore::readString(std::string_view name) {
    const QVariant value = settings_.value(ToQ(name));
    if (!value.isValid()) return std::nullopt;
    const QString text = value.toString().left(kMaxStringValue);
    if (text.isEmpty()) return std::nullopt;
    return FromQ(text);
}

int QtSettingsStore::writeString(std::string_view name, std::string_view value) {
    settings_.setValue(ToQ(name), ToQ(value));
    return Sync();
}

std::optional<int32_t> QtSettingsStore::readNumber(std::string_view name) {
    bool ok = false;
    const qlonglong value = settings_.value(ToQ(name)).toLongLong(&ok);
    if (!ok || value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    return static_cast<int32_t>(value);
}

int QtSettingsStore::writeNumber(std::string_view name, int32_t value) {
    settings_.setValue(ToQ(name), value);
    return Sync();
}

int QtSettingsStore::Sync() {
    settings_.sync();
    switch (settings_.status()) {
        case QSettings::NoError:
            return 0;
        case QSettings::AccessError:
            return -1;
        default:
            return -2;
    }
}

}  // namespace zvr
