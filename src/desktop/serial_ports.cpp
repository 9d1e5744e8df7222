#include "desktop/serial_ports.h"

#include <algorithm>
#include <string_view>
#include <system_error>
#include <utility>

namespace keblor {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view NUMBERED_KINDS[] = {"ttyUSB", "ttyACM", "ttyS"};

// The names in `folder`, or none when it cannot be read.
std::vector<std::string> NamesIn(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    names.push_back(it->path().filename().string());
  return names;
}

// The number after `kind` in `name`: "ttyUSB12" is 12; -1 when the rest is not all digits.
long NumberAfter(std::string_view name, std::string_view kind) {
  if (name.size() <= kind.size() || name.substr(0, kind.size()) != kind) return -1;
  long number = 0;
  for (char c : name.substr(kind.size())) {
    if (c < '0' || c > '9' || number > 999999) return -1;
    number = number * 10 + (c - '0');
  }
  return number;
}

}  // namespace

std::vector<std::string> ListSerialPorts(const fs::path& root) {
  std::vector<std::string> ports;
  std::vector<std::string> byId = NamesIn(root / "dev" / "serial" / "by-id");
  std::sort(byId.begin(), byId.end());
  for (const std::string& name : byId) ports.push_back("/dev/serial/by-id/" + name);

  const std::vector<std::string> devices = NamesIn(root / "dev");
  for (std::string_view kind : NUMBERED_KINDS) {
    std::vector<std::pair<long, std::string>> numbered;
    for (const std::string& name : devices)
      if (const long number = NumberAfter(name, kind); number >= 0) numbered.emplace_back(number, name);
    std::sort(numbered.begin(), numbered.end());
    for (const auto& [number, name] : numbered) ports.push_back("/dev/" + name);
  }
  return ports;
}

}  // namespace keblor
