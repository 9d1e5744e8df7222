#pragma once
// The program's line to a rig: requests go in and replies come out in the same order, without
// waiting for the rig. RigWorker carries them on a thread of its own.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "rig/rig.h"

namespace keblor {

struct RigRequest {
  enum class Kind {
    Connect,  // open the link (again), then read as Read does
    Read,     // VFO A's dial, and VFO B's with readB
    Step,     // move `vfo`'s dial by stepHz from where it stands, then read it back
  };
  Kind kind = Kind::Read;
  bool readB = false;
  RigVfo vfo = RigVfo::A;
  std::int64_t stepHz = 0;
};

struct RigReply {
  RigRequest::Kind kind = RigRequest::Kind::Read;
  RigStatus status;  // Lost when the link must be opened again
  bool readB = false;  // VFO B's dial was asked for
  // The dials read; VFO B's is missing when not asked for or when the rig has none.
  std::optional<Dial> dialA;
  std::optional<Dial> dialB;
};

// Carries one request on `rig`, on the calling thread, as long as the rig takes.
RigReply CarryRequest(Rig& rig, const RigRequest& request);

// GUI thread only; none of these waits for the rig.
class RigLine {
 public:
  virtual ~RigLine() = default;
  virtual const std::string& Name() const = 0;  // the rig's
  virtual void Send(const RigRequest& request) = 0;
  // The replies of the requests carried since the last call, oldest first.
  virtual std::vector<RigReply> Receive() = 0;
  // No request waiting or being carried, and no reply left to receive.
  virtual bool Idle() = 0;
};

}  // namespace keblor
