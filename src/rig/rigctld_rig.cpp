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

RigStatus RigctldRig::Connect() {
  Disconnect();
  received_.clear();
  const RigStatus status = link_->Open(endpoint_.host, endpoint_.port);
  open_ = status.Ok();
  return status;
}

void RigctldRig::Disconnect() {
  if (!open_) return;
  link_->Close();
  open_ = false;
}

RigStatus RigctldRig::Lose(std::string why) {
  Disconnect();
  return RigStatus::Loss(std::move(why));
}

RigStatus RigctldRig::Exchange(const std::string& command, std::string_view name, RigctldReply& reply) {
  if (!open_) return RigStatus::Loss("not connected");
  // Bytes left over belong to no request of ours.
  received_.clear();
  if (RigStatus sent = link_->Send("+" + command + "\n"); !sent.Ok()) return Lose(sent.reason);
  while (true) {
    switch (TakeReply(received_, name, reply)) {
      case ReplyState::Complete: {
        RigStatus status = StatusOfCode(reply.code);
        if (status.kind == RigStatus::Kind::Lost) Disconnect();
        return status;
      }
      case ReplyState::Garbled:
        return Lose("rigctld's answer to " + std::string(name) + " is not understood");
      case ReplyState::Partial:
        if (RigStatus got = link_->Receive(received_); !got.Ok()) return Lose(got.reason);
        break;
    }
  }
}

template <typename Call>
RigStatus RigctldRig::OnVfo(RigVfo vfo, Call call) {
  RigctldReply reply;
  if (vfo == RigVfo::A) return call();
  if (RigStatus status = Exchange("V VFOB", "set_vfo", reply); !status.Ok()) return status;
  RigStatus status = call();
  // VFO A again, unless the link is gone; a failure here is the call's failure.
  if (status.kind == RigStatus::Kind::Lost) return status;
  RigStatus back = Exchange("V VFOA", "set_vfo", reply);
  return status.Ok() ? back : status;
}

RigStatus RigctldRig::ReadCurrent(Dial& dial) {
  RigctldReply reply;
  if (RigStatus status = Exchange("f", "get_freq", reply); !status.Ok()) return status;
  const std::string* frequency = reply.Field("Frequency");
  std::int64_t hz = 0;
  if (frequency == nullptr || !ParseHertz(*frequency, hz)) return Lose("rigctld's frequency is not understood");

  // A rig that cannot say its mode still has a dial.
  std::string mode;
  const RigStatus status = Exchange("m", "get_mode", reply);
  if (status.kind == RigStatus::Kind::Lost) return status;
  if (const std::string* named = reply.Field("Mode"); status.Ok() && named != nullptr) mode = *named;
  dial = {hz, mode};
  return RigStatus::Fine();
}

RigStatus RigctldRig::ReadDial(RigVfo vfo, Dial& dial) {
  return OnVfo(vfo, [&] { return ReadCurrent(dial); });
}

RigStatus RigctldRig::SetDial(RigVfo vfo, std::int64_t hz) {
  return OnVfo(vfo, [&] {
    RigctldReply reply;
    return Exchange("F " + std::to_string(hz), "set_freq", reply);
  });
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
