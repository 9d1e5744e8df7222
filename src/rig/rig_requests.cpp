#include "rig/rig_line.h"

namespace keblor {
namespace {

std::optional<Dial>& DialOf(RigReply& reply, RigVfo vfo) { return vfo == RigVfo::A ? reply.dialA : reply.dialB; }

void Read(Rig& rig, RigVfo vfo, RigReply& reply) {
  Dial dial;
  const RigStatus status = rig.ReadDial(vfo, dial);
  if (status.Ok()) {
    DialOf(reply, vfo) = dial;
  } else if (status.kind == RigStatus::Kind::Lost || vfo == RigVfo::A) {
    // A rig that cannot read its main dial is of no use; one without a sub receiver still is.
    reply.status = status;
  }
}

}  // namespace

RigReply CarryRequest(Rig& rig, const RigRequest& request) {
  RigReply reply;
  reply.kind = request.kind;
  reply.readB = request.readB || (request.kind == RigRequest::Kind::Step && request.vfo == RigVfo::B);
  switch (request.kind) {
    case RigRequest::Kind::Connect:
      reply.status = rig.Connect();
      if (!reply.status.Ok()) return reply;
      [[fallthrough]];
    case RigRequest::Kind::Read:
      Read(rig, RigVfo::A, reply);
      if (request.readB && reply.status.Ok()) Read(rig, RigVfo::B, reply);
      return reply;
    case RigRequest::Kind::Step: {
      Dial before;
      reply.status = rig.ReadDial(request.vfo, before);
      if (!reply.status.Ok()) return reply;
      reply.status = rig.SetDial(request.vfo, before.hz + request.stepHz);
      if (!reply.status.Ok()) return reply;
      Dial after;
      reply.status = rig.ReadDial(request.vfo, after);
      if (reply.status.Ok()) DialOf(reply, request.vfo) = after;
      return reply;
    }
  }
  return reply;
}

}  // namespace keblor
