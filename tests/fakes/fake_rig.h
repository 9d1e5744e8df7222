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
  RigStatus connectStatus;         // what Connect answers
  RigStatus readStatus;            // what every read answers while connected, unless Ok
  bool hasB = true;                // without it, VFO B is refused
  std::vector<std::string> calls;  // "connect", "read A", "set B 14025012", "disconnect"
  std::function<void(const std::string& call)> beforeCall;  // runs first in every call but Name
  bool connected = false;

  std::string Name() const override { return "Fake rig"; }
  RigStatus Connect() override {
    Log("connect");
    connected = connectStatus.Ok();
    return connectStatus;
  }
  void Disconnect() override {
    if (!connected) return;
    Log("disconnect");
    connected = false;
  }
  RigStatus ReadDial(RigVfo vfo, Dial& dial) override {
    Log(std::string("read ") + Letter(vfo));
    if (const RigStatus status = Usable(vfo); !status.Ok()) return status;
    dial = dials[Slot(vfo)];
    return {};
  }
  RigStatus SetDial(RigVfo vfo, std::int64_t hz) override {
    Log(std::string("set ") + Letter(vfo) + " " + std::to_string(hz));
    if (const RigStatus status = Usable(vfo); !status.Ok()) return status;
    dials[Slot(vfo)].hz = hz;
    return {};
  }
  int Count(const std::string& call) const {
    int n = 0;
    for (const std::string& c : calls) n += c == call;
    return n;
  }

 private:
  static std::size_t Slot(RigVfo vfo) { return vfo == RigVfo::A ? 0 : 1; }
  static char Letter(RigVfo vfo) { return vfo == RigVfo::A ? 'A' : 'B'; }
  void Log(std::string call) {
    if (beforeCall) beforeCall(call);
    calls.push_back(std::move(call));
  }
  RigStatus Usable(RigVfo vfo) const {
    if (!connected) return RigStatus::Loss("not connected");
    if (!readStatus.Ok()) return readStatus;
    if (vfo == RigVfo::B && !hasB) return RigStatus::Refusal("Function not available");
    return {};
  }
};

// Carries each request on the rig as it is sent; while `hold` is set they wait for Release.
class InlineRigLine : public RigLine {
 public:
  explicit InlineRigLine(Rig& rig) : rig_(rig), name_(rig.Name()) {}
  bool hold = false;
  std::vector<RigRequest> sent;

  const std::string& Name() const override { return name_; }
  void Send(const RigRequest& request) override {
    sent.push_back(request);
    waiting_.push_back(request);
    if (!hold) Release();
  }
  std::vector<RigReply> Receive() override { return std::exchange(replies_, {}); }
  bool Idle() override { return waiting_.empty() && replies_.empty(); }
  void Release() {
    for (; !waiting_.empty(); waiting_.pop_front()) replies_.push_back(CarryRequest(rig_, waiting_.front()));
  }

 private:
  Rig& rig_;
  std::string name_;
  std::deque<RigRequest> waiting_;
  std::vector<RigReply> replies_;
};

}  // namespace keblor::test
