#pragma once
// The serial ports a rig may be on, for the rig dialog to offer.

#include <filesystem>
#include <string>
#include <vector>

namespace keblor {

// The ports under `root` (the machine's "/", or a test's folder standing for it), as paths from
// that root: first the names in /dev/serial/by-id in name order (they stay the same when the
// cable is plugged in again), then the /dev/ttyUSB*, /dev/ttyACM* and /dev/ttyS* that exist, each
// kind by its number. Empty when there are none or /dev cannot be read.
std::vector<std::string> ListSerialPorts(const std::filesystem::path& root);

}  // namespace keblor
