#pragma once

#include <string>
#include <string_view>

namespace zvr {

// The folder ZVR keeps a user's data in, with sub appended ("zvr/restore-points"):
// $XDG_DATA_HOME when it is set to an absolute path, else ~/.local/share, else (no home)
// the system's temporary folder. The folder is not created.
std::string UserDataFolder(std::string_view sub);

}  // namespace zvr
