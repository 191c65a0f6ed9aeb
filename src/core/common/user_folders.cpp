#include "common/user_folders.h"

#include <cstdlib>
#include <filesystem>

namespace zvr {

std::string UserDataFolder(std::string_view sub) {
    namespace fs = std::filesystem;
    fs::path base;
    // A relative XDG_DATA_HOME is invalid by the XDG rules and is ignored.
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg == '/') {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        base = fs::path(home) / ".local" / "share";
    } else {
        std::error_code error;
        base = fs::temp_directory_path(error);
    }
    return sub.empty() ? base.string() : (base / sub).string();
}

}  // namespace zvr
