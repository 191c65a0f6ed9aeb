#include "ini_settings_store.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/replacing_file.h"

namespace zvr::cli {

namespace {

std::string KeyOnDisk(std::string_view name) {
    std::string key;
    for (char c : name)
        key += c == ' ' ? std::string("%20") : std::string(1, c);
    return key;
}

std::string KeyInMemory(std::string_view key) {
    std::string name;
    for (size_t i = 0; i < key.size(); ++i) {
        if (key.substr(i, 3) == "%20") {
            name += ' ';
            i += 2;
        } else {
            name += key[i];
        }
    }
    return name;
}

}  // namespace

IniSettingsStore::IniSettingsStore(std::string path) : path_(std::move(path)) { load(); }

std::string IniSettingsStore::DefaultPath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (config && *config) {
        base = config;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home ? home : ".") + "/.config";
    }
    return base + "/TELQ/ZVR.conf";
}

void IniSettingsStore::load() {
    std::ifstream in(path_);
    std::string line;
    bool general = false;
    std::ostringstream others;
    while (std::getline(in, line)) {
        if (!line.empty() && line.front() == '[') general = line == "[General]";
        if (!general) {
            others << line << '\n';
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        std::string value = line.substr(equals + 1);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
            value = value.substr(1, value.size() - 2);
        }
        general_[KeyInMemory(line.substr(0, equals))] = value;
    }
    otherSections_ = others.str();
}

int IniSettingsStore::save() {
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), error);
    std::ostringstream text;
    text << "[General]\n";
    for (const auto& [name, value] : general_) {
        const bool quote = value.find_first_of(",;=\"") != std::string::npos ||
                           (!value.empty() && (value.front() == ' ' || value.back() == ' '));
        text << KeyOnDisk(name) << '=' << (quote ? "\"" + value + "\"" : value) << '\n';
    }
    if (!otherSections_.empty()) text << '\n' << otherSections_;
    ReplacingFile file(path_);
    if (!file.open()) return -1;
    return file.write(text.str()) && file.commit() ? 0 : -2;
}

std::optional<std::string> IniSettingsStore::readString(std::string_view name) {
    auto at = general_.find(name);
    if (at == general_.end() || at->second.empty()) return std::nullopt;
    return at->second;
}

int IniSettingsStore::writeString(std::string_view name, std::string_view value) {
    general_[std::string(name)] = std::string(value);
    return save();
}

std::optional<int32_t> IniSettingsStore::readNumber(std::string_view name) {
    auto text = readString(name);
    if (!text) return std::nullopt;
    char* end = nullptr;
    const long long value = std::strtoll(text->c_str(), &end, 10);
    if (end == text->c_str() || *end != '\0' || value < INT32_MIN || value > INT32_MAX) {
        return std::nullopt;
    }
    return static_cast<int32_t>(value);
}

int IniSettingsStore::writeNumber(std::string_view name, int32_t value) {
    return writeString(name, std::to_string(value));
}

}  // namespace zvr::cli
