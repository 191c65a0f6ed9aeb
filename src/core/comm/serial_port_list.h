#pragma once

#include <string>
#include <vector>

namespace zvr {

// The serial ports this machine has, for the port dialog to offer: /dev/ttyS*, /dev/ttyUSB*,
// /dev/ttyACM* and the stable names under /dev/serial/by-id, then the extra names given
// (pseudo-terminal links from the command line), without repeats, in that order.
std::vector<std::string> FindSerialPorts(const std::vector<std::string>& extra = {});

}  // namespace zvr
