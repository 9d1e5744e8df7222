#include "desktop/serial_ports.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace keblor {
namespace {

namespace fs = std::filesystem;

// The by-id names first, by name; then each kind of numbered device by its number (ttyUSB10
// after ttyUSB2); other devices, and names that only begin like a port, are left out.
TEST(SerialPorts, ByIdNamesFirstThenTheNumberedDevices) {
  QTemporaryDir dir;
  const fs::path root = dir.path().toStdString();
  fs::create_directories(root / "dev" / "serial" / "by-id");
  for (const char* name : {"ttyS1", "ttyUSB10", "ttyACM0", "ttyUSB2", "ttyS0", "tty1", "ttyUSBx", "null",
                           "serial/by-id/usb-FTDI_B-port0", "serial/by-id/usb-FTDI_A-port0"})
    std::ofstream(root / "dev" / name).put('\n');
  EXPECT_EQ(ListSerialPorts(root),
            (std::vector<std::string>{"/dev/serial/by-id/usb-FTDI_A-port0", "/dev/serial/by-id/usb-FTDI_B-port0",
                                      "/dev/ttyUSB2", "/dev/ttyUSB10", "/dev/ttyACM0", "/dev/ttyS0", "/dev/ttyS1"}));
  EXPECT_TRUE(ListSerialPorts(root / "nowhere").empty());
}

}  // namespace
}  // namespace keblor
