#pragma once

#include <optional>
#include <string>

namespace zvr::sim {

// The client side of the control socket: one command, its one answer line ("ok ..." or
// "error: ..."), without a newline. Nothing, with the reason in error, when the simulator
// cannot be reached or does not answer within a few seconds.
std::optional<std::string> SendControlCommand(const std::string& socketPath,
                                              const std::string& command, std::string& error);

}  // namespace zvr::sim
