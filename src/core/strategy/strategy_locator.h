#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zvr {

// Where strategy files are looked for, in this order:
//  1. the current directory (where the controller's strategy files have always lived);
//  2. folders given on the command line;
//  3. $ZVR_DATA_DIR/strategies, when the variable is set;
//  4. ../share/zvr/strategies relative to the folder of the running program, which is the
//     same in the build tree (build/bin, build/share/zvr/strategies) and when installed.
struct StrategySearchPath {
    std::vector<std::string> commandLineDirs;
    std::string dataDir;     // the value of ZVR_DATA_DIR; empty when unset
    std::string programDir;  // the folder of the running program; empty when unknown

    // Data folder and program folder of this process.
    static StrategySearchPath FromEnvironment(std::vector<std::string> commandLineDirs = {});

    // The folders to search, in order.
    std::vector<std::string> folders() const;
};

// The folders searched, for a message: "the current folder, /opt/zvr (no such folder),
// /usr/share/zvr/strategies".
std::string SearchedFoldersText(const StrategySearchPath& search);

// The path of the strategy file with this name: the first folder that holds it wins, and
// within a folder the exact name before a name that differs only in letter case (controllers
// report their names in upper case; files copied from elsewhere may not be). The path
// returned is the one to load and record. A name with a folder part is taken as it is, with
// only the letter case of its last part tried. Nothing when no folder holds it.
std::optional<std::string> LocateStrategyFile(std::string_view name,
                                              const StrategySearchPath& search);

}  // namespace zvr
