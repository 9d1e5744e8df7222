#pragma once
// A rig behind rigctld, Hamlib's rig server (model 2), reached over a byte link: the commands
// for the dial and the mode in rigctld's extended protocol.

#include <functional>
#include <memory>
#include <string>

#include "rig/byte_link.h"
#include "rig/rig.h"
#include "rig/rigctld_protocol.h"

namespace keblor {

inline constexpr int RIGCTLD_MODEL = 2;  // Hamlib's number for its rigctld client

// The rig's selected VFO is the one the operator transmits on, and is never changed: each
// command names its VFO, in the VFO mode asked of rigctld on connecting. Where rigctld refuses
// that mode, commands go to the rig's current VFO, taken for VFO A, and VFO B is refused.
class RigctldRig : public Rig {
 public:
  RigctldRig(RigctldEndpoint endpoint, std::unique_ptr<ByteLink> link);
  ~RigctldRig() override;
  RigctldRig(const RigctldRig&) = delete;
  RigctldRig& operator=(const RigctldRig&) = delete;

  std::string Name() const override;  // "rigctld on localhost:4532"
  Status Connect() override;
  void Disconnect() override;
  Status ReadDial(Vfo vfo, Dial& dial) override;
  Status SetDial(Vfo vfo, std::int64_t hz) override;

 private:
  // Sends `command` and waits until `take` has taken its reply from the bytes received. Lost,
  // with the link closed, when the link fails or `take` finds the reply garbled.
  Status Exchange(const std::string& command, std::string_view name,
                     const std::function<ReplyState(std::string&)>& take);
  // The same for a reply of the usual form, whose echo names `name`: its RPRT as a status.
  Status Exchange(const std::string& command, std::string_view name, RigctldReply& reply);
  // The command `letter` for `vfo`, then `argument` when there is one; empty when rigctld
  // cannot address `vfo` without switching to it.
  std::string Command(char letter, Vfo vfo, const std::string& argument = {}) const;
  Status Lose(std::string why);

  RigctldEndpoint endpoint_;
  std::unique_ptr<ByteLink> link_;
  std::string received_;  // bytes come but not yet taken as a reply
  bool open_ = false;
  bool vfoMode_ = false;  // rigctld takes a VFO named in each command from us
};

// The rig `address` names for a build that reaches rigs through rigctld only, over `link`;
// nullptr and why not for another model or a port setting that is not host:port. No I/O.
std::unique_ptr<Rig> MakeRigctldRig(const RigAddress& address, std::unique_ptr<ByteLink> link, std::string& why);

}  // namespace keblor
