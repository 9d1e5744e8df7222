#pragma once
// The program's line to its rig for the program's whole life: the rig in use, connected, read and
// moved, and a probe of another rig for the rig dialog's Test, which leaves the one in use alone.
// RigWorker carries the requests on one thread of its own, so the caller never waits for a rig.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "rig/rig.h"

namespace keblor {

// Makes the rig `address` names, not yet connected; nullptr and why not for a model the build
// cannot reach. Called on the line's thread only.
using RigMaker = std::function<std::unique_ptr<Rig>(const RigAddress& address, std::string& why)>;

struct RigReply {
  enum class Kind {
    Connect,  // the rig made when new, connected, its dials read
    Read,     // the dials read
    Step,     // a dial moved by a step and read back
    Probe,    // another rig connected, its main dial read, and let go again
  };
  Kind kind = Kind::Read;
  RigAddress address;  // the rig this was carried on
  std::string name;    // its name for the user; empty when the rig could not be made
  // Refused for a Connect or a Probe: the rig cannot be made, so trying again will not help.
  // Lost: the rig did not answer, or the link is gone and must be connected again.
  Status status;
  bool readB = false;  // VFO B's dial was asked for
  // The dials read; VFO B's is missing when not asked for or when the rig has none.
  std::optional<Dial> dialA;
  std::optional<Dial> dialB;
};

// GUI thread only: every call returns at once. The queue is bounded: at most one request of each
// kind waits. A newer Connect or Probe replaces the one waiting, Reads merge into one, and a Step
// is refused while another is waiting or being carried. A Connect to another rig drops the Read
// and Step waiting for the one before (that Step is answered Refused).
class RigLine {
 public:
  virtual ~RigLine() = default;
  // The rig `address` names from now on: made when new (the one before is let go), connected
  // (again) and read as Read does.
  virtual void Connect(const RigAddress& address, bool readB) = 0;
  virtual void Read(bool readB) = 0;  // VFO A's dial, and VFO B's with readB
  // Moves `vfo`'s dial by `stepHz` from where it stands. False, with nothing sent, while a step
  // is under way.
  virtual bool Step(Vfo vfo, std::int64_t stepHz) = 0;
  virtual void Probe(const RigAddress& address) = 0;
  virtual void Close() = 0;  // the rig in use let go; waiting requests dropped
  // The replies since the last call, oldest first.
  virtual std::vector<RigReply> Receive() = 0;
  // No request waiting or being carried, and no reply left to receive.
  virtual bool Idle() = 0;
};

// The rig calls behind each reply, on the calling thread, as long as the rig takes.
RigReply ReadDials(Rig& rig, bool readB);
RigReply ConnectAndRead(Rig& rig, bool readB);
RigReply StepDial(Rig& rig, Vfo vfo, std::int64_t stepHz);

}  // namespace keblor
