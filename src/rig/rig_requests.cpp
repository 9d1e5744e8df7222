#include "rig/rig_line.h"

namespace keblor {
namespace {

std::optional<Dial>& DialOf(RigReply& reply, Vfo vfo) { return vfo == Vfo::A ? reply.dialA : reply.dialB; }

void Read(Rig& rig, Vfo vfo, RigReply& reply) {
  Dial dial;
  const Status status = rig.ReadDial(vfo, dial);
  if (status.Ok()) {
    DialOf(reply, vfo) = dial;
  } else if (status.kind == Status::Kind::Lost || vfo == Vfo::A) {
    // A rig that cannot read its main dial is of no use; one without a sub receiver still is.
    reply.status = status;
  }
}

}  // namespace

RigReply ReadDials(Rig& rig, bool readB) {
  RigReply reply;
  reply.readB = readB;
  Read(rig, Vfo::A, reply);
  if (readB && reply.status.Ok()) Read(rig, Vfo::B, reply);
  return reply;
}

RigReply ConnectAndRead(Rig& rig, bool readB) {
  const Status connected = rig.Connect();
  RigReply reply = connected.Ok() ? ReadDials(rig, readB) : RigReply{};
  if (!connected.Ok()) reply.status = connected;
  reply.kind = RigReply::Kind::Connect;
  reply.readB = readB;
  return reply;
}

RigReply StepDial(Rig& rig, Vfo vfo, std::int64_t stepHz) {
  RigReply reply;
  reply.kind = RigReply::Kind::Step;
  reply.readB = vfo == Vfo::B;
  Dial before;
  reply.status = rig.ReadDial(vfo, before);
  if (!reply.status.Ok()) return reply;
  reply.status = rig.SetDial(vfo, before.hz + stepHz);
  if (!reply.status.Ok()) return reply;
  Dial after;
  reply.status = rig.ReadDial(vfo, after);
  if (reply.status.Ok()) DialOf(reply, vfo) = after;
  return reply;
}

}  // namespace keblor
