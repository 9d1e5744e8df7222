// Polls a rig behind a real rigctld the way the program does in stereo, through the rigctld
// client over TCP: VFO A read, VFO B read, VFO B set and read back, for a number of rounds.
// Before every command the client sends, a second connection (a plain client, such as a logger)
// asks rigctld for the rig's current VFO and its dial: they must stay what they were at first.
// Prints VFO B's last dial. Exit 1, with what went wrong, on any failure.
// Usage: rigctld_poll HOST:PORT ROUNDS
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "posix/tcp_link.h"
#include "rig/rigctld_protocol.h"
#include "rig/rigctld_rig.h"

namespace {

using keblor::Status;

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "FAIL: %s\n", what.c_str());
  std::exit(1);
}

// The rig's current VFO and its dial, as a client without VFO mode sees them: "VFOA 145000000".
class Observer {
 public:
  explicit Observer(const keblor::RigctldEndpoint& endpoint) {
    if (Status opened = link_.Open(endpoint.host, endpoint.port); !opened.Ok()) Fail("observer: " + opened.reason);
  }
  std::string CurrentVfo() {
    std::string vfo = Ask("v", "get_vfo", "VFO");
    // Hamlib's dummy rig names VFO A "Main" once a client in VFO mode has used it: the same VFO.
    if (vfo == "Main") vfo = "VFOA";
    return vfo + " " + Ask("f", "get_freq", "Frequency");
  }

 private:
  std::string Ask(const std::string& command, std::string_view name, std::string_view field) {
    if (!link_.Send("+" + command + "\n").Ok()) Fail("observer: " + command + " not sent");
    std::string bytes;
    keblor::RigctldReply reply;
    keblor::ReplyState state;
    while ((state = keblor::TakeReply(bytes, name, reply)) == keblor::ReplyState::Partial)
      if (Status got = link_.Receive(bytes); !got.Ok()) Fail("observer: " + got.reason);
    const std::string* value = reply.Field(field);
    if (state != keblor::ReplyState::Complete || reply.code != 0 || value == nullptr) Fail("observer: " + command + " failed");
    return *value;
  }

  keblor::TcpLink link_;
};

// The client's link, with the current VFO checked before each command goes out.
class ObservedLink : public keblor::ByteLink {
 public:
  explicit ObservedLink(Observer& observer) : observer_(observer) {}
  void Expect(std::string vfo) { expected_ = std::move(vfo); }
  Status Open(const std::string& host, int port) override { return link_.Open(host, port); }
  void Close() override { link_.Close(); }
  Status Send(std::string_view bytes) override {
    if (!expected_.empty()) {
      const std::string now = observer_.CurrentVfo();
      if (now != expected_)
        Fail("the current VFO is " + now + ", not " + expected_ + ", before " +
             std::string(bytes.substr(0, bytes.size() - 1)));
    }
    return link_.Send(bytes);
  }
  Status Receive(std::string& bytes) override { return link_.Receive(bytes); }

 private:
  keblor::TcpLink link_;
  Observer& observer_;
  std::string expected_;
};

void Check(const Status& status, const std::string& what) {
  if (!status.Ok()) Fail(what + ": " + status.reason);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) Fail("usage: rigctld_poll HOST:PORT ROUNDS");
  keblor::RigctldEndpoint endpoint;
  std::string why;
  if (!keblor::ParseRigctldEndpoint(argv[1], endpoint, why)) Fail(why);
  const int rounds = std::atoi(argv[2]);

  Observer observer(endpoint);
  auto owned = std::make_unique<ObservedLink>(observer);
  ObservedLink& link = *owned;
  std::unique_ptr<keblor::Rig> rig = keblor::MakeRigctldRig({keblor::RIGCTLD_MODEL, argv[1], 0}, std::move(owned), why);
  if (!rig) Fail(why);
  link.Expect(observer.CurrentVfo());
  Check(rig->Connect(), "connect");

  keblor::Dial a0;
  Check(rig->ReadDial(keblor::Vfo::A, a0), "read A");
  std::int64_t last = 0;
  for (int round = 0; round < rounds; ++round) {
    keblor::Dial a;
    keblor::Dial b;
    Check(rig->ReadDial(keblor::Vfo::A, a), "read A");
    if (a.hz != a0.hz) Fail("VFO A moved to " + std::to_string(a.hz));
    Check(rig->ReadDial(keblor::Vfo::B, b), "read B");
    last = 7'030'000 + 10 * round;
    Check(rig->SetDial(keblor::Vfo::B, last), "set B");
    Check(rig->ReadDial(keblor::Vfo::B, b), "read B again");
    if (b.hz != last) Fail("VFO B reads " + std::to_string(b.hz) + " after a set to " + std::to_string(last));
  }
  std::printf("%lld\n", static_cast<long long>(last));
  return 0;
}
