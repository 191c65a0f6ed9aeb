#pragma once

#include <optional>
#include <string>

namespace zvr::cli {

// Where zvr-cli keeps the traffic log of a controller command: the --log path, or Log.txt in
// the user's state folder ($XDG_STATE_HOME/zvr/, else ~/.local/state/zvr/). Never the
// current folder, where the log would replace a file of the user's.
std::string TrafficLogPath(const std::string& requested);

// Why path must not become the traffic log, or nothing when it may. Each connection starts
// the log afresh by removing the old one, so only a traffic log of ours (or an empty file)
// may stand there (or a character device such as /dev/null, which is written to): any other
// file, a folder, a pipe or a block device is the user's and stays untouched.
std::optional<std::string> TrafficLogRefusal(const std::string& path);

// Makes the folder of the log; false when it cannot be made.
bool MakeTrafficLogFolder(const std::string& path);

}  // namespace zvr::cli
