#pragma once

#include <string>

namespace zvr {

class CDataServer;
class CRegistrySettings;
class UserPrompt;
class ViewHost;

// What the views, dialogs and operations of the program work with. The application owns it
// all; it lives until the program ends.
struct AppServices {
    CDataServer& document;
    CRegistrySettings& settings;
    UserPrompt& prompt;
    ViewHost& frame;
    bool engineeringMode;
    std::string startDirectory;  // the current directory when the program started
};

}  // namespace zvr
