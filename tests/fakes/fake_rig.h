#pragma once
// A rig in memory with scripted failures and a log of its calls, and a line that carries each
// request on it at once (or when released), on the test's thread.

#include <array>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "rig/rig_line.h"

namespace keblor::test {

class FakeRig : public Rig {
 public:
  std::array<Dial, 2> dials{Dial{7'030'000, "CW"}, Dial{14'025'000, "CW"}};
  Status connectStatus;         // what Connect answers
  Status readStatus;            // what every read answers while connected, unless Ok
  bool hasB = true;                // without it, VFO B is refused
  std::vector<std::string> calls;  // "connect", "read A", "set B 14025012", "disconnect"
  std::function<void(const std::string& call)> beforeCall;  // runs first in every call but Name
  bool connected = false;

  std::string Name() const override { return "Fake rig"; }
  Status Connect() override {
    Log("connect");
    connected = connectStatus.Ok();
    return connectStatus;
  }
  void Disconnect() override {
    if (!connected) return;
    Log("disconnect");
    connected = false;
  }
  Status ReadDial(Vfo vfo, Dial& dial) override {
    Log(std::string("read ") + Letter(vfo));
    if (const Status status = Usable(vfo); !status.Ok()) return status;
    dial = dials[SlotOf(vfo)];
    return {};
  }
  Status SetDial(Vfo vfo, std::int64_t hz) override {
    Log(std::string("set ") + Letter(vfo) + " " + std::to_string(hz));
    if (const Status status = Usable(vfo); !status.Ok()) return status;
    dials[SlotOf(vfo)].hz = hz;
    return {};
  }
  int Count(const std::string& call) const {
    int n = 0;
    for (const std::string& c : calls) n += c == call;
    return n;
  }

 private:
  static char Letter(Vfo vfo) { return vfo == Vfo::A ? 'A' : 'B'; }
  void Log(std::string call) {
    if (beforeCall) beforeCall(call);
    calls.push_back(std::move(call));
  }
  Status Usable(Vfo vfo) const {
    if (!connected) return Status::Loss("not connected");
    if (!readStatus.Ok()) return readStatus;
    if (vfo == Vfo::B && !hasB) return Status::Refusal("Function not available");
    return {};
  }
};

// Carries each request on the test's rig as it is sent (or, while `hold` is set, when released),
// on the test's thread. Connect and Probe reach that rig whatever their address, but for the
// model UNKNOWN_MODEL, which cannot be made.
class InlineRigLine : public RigLine {
 public:
  static constexpr int UNKNOWN_MODEL = 9;
  explicit InlineRigLine(FakeRig& rig) : rig_(rig) {}
  bool hold = false;
  std::vector<RigAddress> connects;  // the addresses of Connect calls, in order
  std::vector<RigAddress> probes;

  void Connect(const RigAddress& address, bool readB) override {
    connects.push_back(address);
    address_ = address;
    Queue([this, address, readB] {
      if (address.model == UNKNOWN_MODEL) return Unmade(RigReply::Kind::Connect, address);
      return ConnectAndRead(rig_, readB);
    });
  }
  void Read(bool readB) override {
    Queue([this, readB] { return ReadDials(rig_, readB); });
  }
  bool Step(Vfo vfo, std::int64_t stepHz) override {
    if (stepping_) return false;
    stepping_ = true;
    Queue([this, vfo, stepHz] {
      stepping_ = false;
      return StepDial(rig_, vfo, stepHz);
    });
    return true;
  }
  void Probe(const RigAddress& address) override {
    probes.push_back(address);
    waiting_.push_back([this, address] {
      if (address.model == UNKNOWN_MODEL) return Unmade(RigReply::Kind::Probe, address);
      RigReply reply;
      reply.kind = RigReply::Kind::Probe;
      reply.address = address;
      reply.name = rig_.Name();
      reply.status = rig_.connectStatus;
      if (reply.status.Ok()) reply.dialA = rig_.dials[0];
      return reply;
    });
    if (!hold) Release();
  }
  void Close() override { waiting_.clear(); }
  std::vector<RigReply> Receive() override { return std::exchange(replies_, {}); }
  bool Idle() override { return waiting_.empty() && replies_.empty(); }
  void Release() {
    for (; !waiting_.empty(); waiting_.pop_front()) replies_.push_back(waiting_.front()());
  }

 private:
  static RigReply Unmade(RigReply::Kind kind, const RigAddress& address) {
    RigReply reply;
    reply.kind = kind;
    reply.address = address;
    reply.status = Status::Refusal("no such model");
    return reply;
  }
  // The rig in use's requests carry its address and name.
  void Queue(std::function<RigReply()> carry) {
    waiting_.push_back([this, carry = std::move(carry), address = address_] {
      RigReply reply = carry();
      reply.address = address;
      if (address.model != UNKNOWN_MODEL) reply.name = rig_.Name();
      return reply;
    });
    if (!hold) Release();
  }

  FakeRig& rig_;
  RigAddress address_;
  bool stepping_ = false;
  std::deque<std::function<RigReply()>> waiting_;
  std::vector<RigReply> replies_;
};

}  // namespace keblor::test
