#pragma once
// A rig behind rigctld, Hamlib's rig server (model 2), reached over a byte link: the commands
// for the dial, the mode and the choice of VFO in rigctld's extended protocol.

#include <memory>
#include <string>

#include "rig/byte_link.h"
#include "rig/rig.h"
#include "rig/rigctld_protocol.h"

namespace keblor {

inline constexpr int RIGCTLD_MODEL = 2;  // Hamlib's number for its rigctld client

// VFO A is the rig's current VFO, as rigctld applies commands to it. VFO B is chosen for the
// calls that name it and VFO A chosen again after them.
class RigctldRig : public Rig {
 public:
  RigctldRig(RigctldEndpoint endpoint, std::unique_ptr<ByteLink> link);
  ~RigctldRig() override;
  RigctldRig(const RigctldRig&) = delete;
  RigctldRig& operator=(const RigctldRig&) = delete;

  std::string Name() const override;  // "rigctld on localhost:4532"
  RigStatus Connect() override;
  void Disconnect() override;
  RigStatus ReadDial(RigVfo vfo, Dial& dial) override;
  RigStatus SetDial(RigVfo vfo, std::int64_t hz) override;

 private:
  // Sends `command` and takes its reply, whose echo names `name`. Lost, with the link closed,
  // when the link fails or the reply is garbled; otherwise the reply's RPRT as a status.
  RigStatus Exchange(const std::string& command, std::string_view name, RigctldReply& reply);
  RigStatus ReadCurrent(Dial& dial);
  // Runs `call` on `vfo`, choosing VFO B around it.
  template <typename Call>
  RigStatus OnVfo(RigVfo vfo, Call call);
  RigStatus Lose(std::string why);

  RigctldEndpoint endpoint_;
  std::unique_ptr<ByteLink> link_;
  std::string received_;  // bytes come but not yet taken as a reply
  bool open_ = false;
};

// The rig `address` names for a build that reaches rigs through rigctld only, over `link`;
// nullptr and why not for another model or a port setting that is not host:port. No I/O.
std::unique_ptr<Rig> MakeRigctldRig(const RigAddress& address, std::unique_ptr<ByteLink> link, std::string& why);

}  // namespace keblor
