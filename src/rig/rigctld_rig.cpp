#include "rig/rigctld_rig.h"

#include <utility>

namespace keblor {

RigctldRig::RigctldRig(RigctldEndpoint endpoint, std::unique_ptr<ByteLink> link)
    : endpoint_(std::move(endpoint)), link_(std::move(link)) {}

RigctldRig::~RigctldRig() { Disconnect(); }

std::string RigctldRig::Name() const {
  const bool v6 = endpoint_.host.find(':') != std::string::npos;
  const std::string host = v6 ? "[" + endpoint_.host + "]" : endpoint_.host;
  return "rigctld on " + host + ":" + std::to_string(endpoint_.port);
}

Status RigctldRig::Connect() {
  Disconnect();
  received_.clear();
  vfoMode_ = false;
  const Status status = link_->Open(endpoint_.host, endpoint_.port);
  open_ = status.Ok();
  if (!open_) return status;
  // The RPRT of set_vfo_opt does not tell: rigctld takes the mode for this client and then asks
  // the rig, which may have nothing to do (Hamlib's dummy answers "not available"). A rigctld
  // started with --vfo is in the mode already and takes the request as well.
  RigctldReply reply;
  if (Status asked = Exchange("\\set_vfo_opt 1", "set_vfo_opt", reply); asked.kind == Status::Kind::Lost)
    return asked;
  bool vfoMode = false;
  const Status checked =
      Exchange("\\chk_vfo", "chk_vfo", [&vfoMode](std::string& bytes) { return TakeVfoCheck(bytes, vfoMode); });
  if (!checked.Ok()) return checked;
  vfoMode_ = vfoMode;
  return Status::Fine();
}

void RigctldRig::Disconnect() {
  if (!open_) return;
  link_->Close();
  open_ = false;
}

Status RigctldRig::Lose(std::string why) {
  Disconnect();
  return Status::Loss(std::move(why));
}

Status RigctldRig::Exchange(const std::string& command, std::string_view name,
                               const std::function<ReplyState(std::string&)>& take) {
  if (!open_) return Status::Loss("not connected");
  // Bytes left over belong to no request of ours.
  received_.clear();
  if (Status sent = link_->Send("+" + command + "\n"); !sent.Ok()) return Lose(sent.reason);
  while (true) {
    switch (take(received_)) {
      case ReplyState::Complete:
        return Status::Fine();
      case ReplyState::Garbled:
        return Lose("rigctld's answer to " + std::string(name) + " is not understood");
      case ReplyState::Partial:
        if (Status got = link_->Receive(received_); !got.Ok()) return Lose(got.reason);
        break;
    }
  }
}

Status RigctldRig::Exchange(const std::string& command, std::string_view name, RigctldReply& reply) {
  const Status taken =
      Exchange(command, name, [&](std::string& bytes) { return TakeReply(bytes, name, reply); });
  if (!taken.Ok()) return taken;
  Status status = StatusOfCode(reply.code);
  if (status.kind == Status::Kind::Lost) Disconnect();
  return status;
}

std::string RigctldRig::Command(char letter, Vfo vfo, const std::string& argument) const {
  std::string command(1, letter);
  if (vfoMode_) {
    command += vfo == Vfo::A ? " VFOA" : " VFOB";
  } else if (vfo == Vfo::B) {
    return {};
  }
  if (!argument.empty()) command += " " + argument;
  return command;
}

// Switching the rig's VFO to reach VFO B would change the VFO the operator transmits on.
constexpr const char* NO_VFO_B = "rigctld cannot reach VFO B without switching the rig's VFO (it has no VFO mode)";

Status RigctldRig::ReadDial(Vfo vfo, Dial& dial) {
  if (!open_) return Status::Loss("not connected");
  const std::string getFrequency = Command('f', vfo);
  if (getFrequency.empty()) return Status::Refusal(NO_VFO_B);
  RigctldReply reply;
  if (Status status = Exchange(getFrequency, "get_freq", reply); !status.Ok()) return status;
  const std::string* frequency = reply.Field("Frequency");
  std::int64_t hz = 0;
  if (frequency == nullptr || !ParseHertz(*frequency, hz)) return Lose("rigctld's frequency is not understood");

  // A rig that cannot say its mode still has a dial.
  std::string mode;
  const Status status = Exchange(Command('m', vfo), "get_mode", reply);
  if (status.kind == Status::Kind::Lost) return status;
  if (const std::string* named = reply.Field("Mode"); status.Ok() && named != nullptr) mode = *named;
  dial = {hz, mode};
  return Status::Fine();
}

Status RigctldRig::SetDial(Vfo vfo, std::int64_t hz) {
  if (!open_) return Status::Loss("not connected");
  const std::string setFrequency = Command('F', vfo, std::to_string(hz));
  if (setFrequency.empty()) return Status::Refusal(NO_VFO_B);
  RigctldReply reply;
  return Exchange(setFrequency, "set_freq", reply);
}

std::unique_ptr<Rig> MakeRigctldRig(const RigAddress& address, std::unique_ptr<ByteLink> link, std::string& why) {
  if (address.model != RIGCTLD_MODEL) {
    why = "this build reaches rigs through rigctld (model 2) only";
    return nullptr;
  }
  RigctldEndpoint endpoint;
  if (!ParseRigctldEndpoint(address.port, endpoint, why)) return nullptr;
  return std::make_unique<RigctldRig>(std::move(endpoint), std::move(link));
}

}  // namespace keblor
