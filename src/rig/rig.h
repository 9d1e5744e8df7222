#pragma once
// A radio under CAT control, in the program's words: open the link, read a dial and its mode,
// set a dial. The adapters (Hamlib's library, a rigctld client) implement it.

#include <cstdint>
#include <string>

#include "base/rounding.h"
#include "base/status.h"
#include "base/vfo.h"

namespace keblor {


struct Dial {
  std::int64_t hz = 0;
  std::string mode;  // as Hamlib names it: "CW", "CWR", "USB", "PKTLSB", ...; empty when unknown
  friend bool operator==(const Dial&, const Dial&) = default;
};

// The highest dial taken from a rig, far above any band a rig tunes.
inline constexpr double MAX_DIAL_HZ = 1e12;

// A frequency a rig gave, in hertz, to the nearest hertz by the program's rounding rule; false
// for one outside 0 to MAX_DIAL_HZ or not a number.
inline bool DialHertz(double hz, std::int64_t& rounded) {
  if (!(hz >= 0 && hz <= MAX_DIAL_HZ)) return false;
  rounded = RoundNearest<std::int64_t>(hz);
  return true;
}

// Which rig and how to reach it: a Hamlib model number, a serial device such as /dev/ttyUSB0
// or host:port (model 2, rigctld), and a serial speed (0: the rig's default).
struct RigAddress {
  int model = 0;
  std::string port;
  int speed = 0;
  friend bool operator==(const RigAddress&, const RigAddress&) = default;
};

// The rig calls' Status: Refused when the rig answered but cannot do this (no VFO B, say); Lost
// when the rig did not answer or the link is gone, so it must be opened again.


// One thread at a time, and never the GUI thread: every call but Name may block as long as the
// link allows (with the radio off, seconds of timeouts and retries). Nothing throws.
class Rig {
 public:
  virtual ~Rig() = default;
  // Maker, model and port, for the user: "Hamlib Dummy", "Hamlib NET rigctl on localhost:4532".
  // Known from the start, no I/O.
  virtual std::string Name() const = 0;
  // Opens the link; a link already open is closed first.
  virtual Status Connect() = 0;
  virtual void Disconnect() = 0;  // nothing when not open
  virtual Status ReadDial(Vfo vfo, Dial& dial) = 0;
  virtual Status SetDial(Vfo vfo, std::int64_t hz) = 0;
};

// A model the rig library knows, for the operator to pick.
struct RigModel {
  int number = 0;
  std::string maker;
  std::string name;
};

}  // namespace keblor
