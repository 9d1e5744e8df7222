#include "rig/rigctld_rig.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>

namespace keblor::test {
namespace {

// rigctld as a script: each command sent queues its reply, delivered in the chunks given (a
// reply may come in pieces); a command with no reply, or the script's end, closes the link.
struct ScriptedServer {
  std::map<std::string, std::vector<std::string>> replies;  // "+f" -> chunks
  std::vector<std::string> sent;                            // the lines sent, without "\n"
  std::deque<std::string> pending;
  int opens = 0;
  bool open = false;
};

class ScriptedLink : public ByteLink {
 public:
  explicit ScriptedLink(ScriptedServer& server) : server_(server) {}
  Status Open(const std::string&, int) override {
    ++server_.opens;
    server_.open = true;
    return Status::Fine();
  }
  void Close() override { server_.open = false; }
  Status Send(std::string_view bytes) override {
    EXPECT_TRUE(server_.open);
    EXPECT_TRUE(bytes.ends_with('\n'));
    const std::string line(bytes.substr(0, bytes.size() - 1));
    server_.sent.push_back(line);
    if (const auto found = server_.replies.find(line); found != server_.replies.end())
      for (const std::string& chunk : found->second) server_.pending.push_back(chunk);
    return Status::Fine();
  }
  Status Receive(std::string& bytes) override {
    if (server_.pending.empty()) return Status::Loss("the connection was closed");
    bytes += server_.pending.front();
    server_.pending.pop_front();
    return Status::Fine();
  }

 private:
  ScriptedServer& server_;
};

// Replies as rigctld 4.5 wrote them to these commands, with Hamlib's dummy rig: it takes VFO
// mode though it reports the request "not available" to the rig.
ScriptedServer DummyRig() {
  ScriptedServer server;
  server.replies = {
      {"+\\set_vfo_opt 1", {"set_vfo_opt: 1\nRPRT -11\n"}},
      {"+\\chk_vfo", {"ChkVFO: 1\n"}},
      {"+f VFOA", {"get_freq: VFOA\nFrequency: 7030000\nRPRT 0\n"}},
      {"+m VFOA", {"get_mode: VFOA\nMode: CW\nPassband: 500\nRPRT 0\n"}},
      {"+F VFOA 7030212", {"set_freq: VFOA 7030212\nRPRT 0\n"}},
      {"+f VFOB", {"get_freq: VFOB\nFrequency: 14025000\nRPRT 0\n"}},
      {"+m VFOB", {"get_mode: VFOB\nMode: CW\nPassband: 500\nRPRT 0\n"}},
      {"+F VFOB 7030212", {"set_freq: VFOB 7030212\nRPRT 0\n"}},
  };
  return server;
}

std::unique_ptr<Rig> Connected(ScriptedServer& server) {
  std::string why;
  std::unique_ptr<Rig> rig = MakeRigctldRig({2, "127.0.0.1:4532", 0}, std::make_unique<ScriptedLink>(server), why);
  EXPECT_TRUE(rig->Connect().Ok());
  return rig;
}

// In VFO mode each command names its VFO: the rig's selected VFO is never switched.
TEST(RigctldRig, ReadsAndSetsTheDialOfEachVfoByName) {
  ScriptedServer server = DummyRig();
  // A reply may come in pieces, split inside a line.
  server.replies["+f VFOA"] = {"get_freq: VFOA\nFreq", "uency: 7030000.000000\r\n", "RPRT 0\n"};
  std::unique_ptr<Rig> rig = Connected(server);
  Dial dial;
  ASSERT_TRUE(rig->ReadDial(Vfo::A, dial).Ok());
  EXPECT_EQ(dial, (Dial{7'030'000, "CW"}));
  EXPECT_TRUE(rig->SetDial(Vfo::A, 7'030'212).Ok());
  ASSERT_TRUE(rig->ReadDial(Vfo::B, dial).Ok());
  EXPECT_EQ(dial.hz, 14'025'000);
  EXPECT_TRUE(rig->SetDial(Vfo::B, 7'030'212).Ok());
  EXPECT_EQ(server.sent, (std::vector<std::string>{"+\\set_vfo_opt 1", "+\\chk_vfo", "+f VFOA", "+m VFOA",
                                                   "+F VFOA 7030212", "+f VFOB", "+m VFOB", "+F VFOB 7030212"}));
}

// A rigctld without VFO mode (it says so, or knows no such check) serves its current VFO as
// VFO A; VFO B is refused without a command sent, and the link stays.
TEST(RigctldRig, WithoutVfoModeVfoBIsRefusedNotSwitched) {
  for (const std::string check : {"ChkVFO: 0\n", "RPRT -1\n"}) {
    SCOPED_TRACE(check);
    ScriptedServer server = DummyRig();
    server.replies["+\\chk_vfo"] = {check};
    server.replies["+f"] = {"get_freq:\nFrequency: 7030000\nRPRT 0\n"};
    server.replies["+m"] = {"get_mode:\nMode: CW\nPassband: 500\nRPRT 0\n"};
    std::unique_ptr<Rig> rig = Connected(server);
    server.sent.clear();
    Dial dial;
    ASSERT_TRUE(rig->ReadDial(Vfo::A, dial).Ok());
    EXPECT_EQ(dial, (Dial{7'030'000, "CW"}));
    EXPECT_EQ(rig->ReadDial(Vfo::B, dial).kind, Status::Kind::Refused);
    const Status status = rig->SetDial(Vfo::B, 7'030'212);
    EXPECT_EQ(status.kind, Status::Kind::Refused);
    EXPECT_EQ(status.reason, "rigctld cannot reach VFO B without switching the rig's VFO (it has no VFO mode)");
    EXPECT_EQ(server.sent, (std::vector<std::string>{"+f", "+m"}));
    EXPECT_TRUE(server.open);
  }
}

// A negative RPRT: the rig answered but cannot (refused, the link kept), or did not answer (lost,
// the link closed, nothing sent until connected again). A mode the rig cannot say is no fault.
TEST(RigctldRig, NegativeReportsRefuseOrLose) {
  ScriptedServer server = DummyRig();
  server.replies["+f VFOB"] = {"get_freq: VFOB\nRPRT -11\n"};
  server.replies["+m VFOA"] = {"RPRT -4\n"};
  std::unique_ptr<Rig> rig = Connected(server);
  Dial dial;
  Status status = rig->ReadDial(Vfo::B, dial);
  EXPECT_EQ(status.kind, Status::Kind::Refused);
  EXPECT_EQ(status.reason, "not available on this rig");
  ASSERT_TRUE(rig->ReadDial(Vfo::A, dial).Ok());
  EXPECT_EQ(dial, (Dial{7'030'000, ""}));

  server.replies["+f VFOA"] = {"get_freq: VFOA\nRPRT -5\n"};
  status = rig->ReadDial(Vfo::A, dial);
  EXPECT_EQ(status.kind, Status::Kind::Lost);
  EXPECT_EQ(status.reason, "the rig did not answer in time");
  EXPECT_FALSE(server.open);
  server.sent.clear();
  EXPECT_EQ(rig->SetDial(Vfo::A, 7'030'212).kind, Status::Kind::Lost);
  EXPECT_TRUE(server.sent.empty());
  EXPECT_TRUE(rig->Connect().Ok());
  EXPECT_EQ(server.opens, 2);
}

// Short, garbled and cut-off replies lose the link, as the stream is out of step; the same
// replies whole are read (the first case of each pair).
TEST(RigctldRig, GarbledOrCutRepliesLoseTheLink) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"get_freq:\nFrequency: 7030000\nRPRT 0\n"}, ""},
      {{"get_freq:\nFrequency: 7030000\n"}, "the connection was closed"},
      {{"get_freq:\nFrequency: 7030000\nRPRT 0"}, "the connection was closed"},
      {{"get_freq:\nFrequency: 70300x0\nRPRT 0\n"}, "rigctld's frequency is not understood"},
      {{"get_freq:\nRPRT 0\n"}, "rigctld's frequency is not understood"},
      {{"get_mode:\nMode: CW\nRPRT 0\n"}, "rigctld's answer to get_freq is not understood"},
      {{"get_freq:\nFrequency: 7030000\nRPRT x\n"}, "rigctld's answer to get_freq is not understood"},
      // Up to MAX_REPLY_BYTES without an end, more may come; one more is too many.
      {{"get_freq:\n" + std::string(MAX_REPLY_BYTES - 10, 'x')}, "the connection was closed"},
      {{"get_freq:\n" + std::string(MAX_REPLY_BYTES - 9, 'x')}, "rigctld's answer to get_freq is not understood"},
  };
  for (const auto& [chunks, reason] : cases) {
    SCOPED_TRACE(chunks.front().substr(0, 40));
    ScriptedServer server = DummyRig();
    server.replies["+f VFOA"] = chunks;
    std::unique_ptr<Rig> rig = Connected(server);
    Dial dial;
    const Status status = rig->ReadDial(Vfo::A, dial);
    EXPECT_EQ(status.reason, reason);
    EXPECT_EQ(server.open, reason.empty());
  }
}

TEST(RigctldRig, PortSettingAndModel) {
  const std::vector<std::pair<std::string, std::string>> good = {
      {"", "rigctld on localhost:4532"},
      {"shack", "rigctld on shack:4532"},
      {":4533", "rigctld on localhost:4533"},
      {"127.0.0.1:1", "rigctld on 127.0.0.1:1"},
      {"127.0.0.1:65535", "rigctld on 127.0.0.1:65535"},
      {"[::1]:4534", "rigctld on [::1]:4534"},
  };
  ScriptedServer server;
  for (const auto& [port, name] : good) {
    std::string why;
    const std::unique_ptr<Rig> rig = MakeRigctldRig({2, port, 0}, std::make_unique<ScriptedLink>(server), why);
    ASSERT_TRUE(rig) << port << ": " << why;
    EXPECT_EQ(rig->Name(), name);
  }
  for (const std::string port : {"127.0.0.1:0", "127.0.0.1:65536", "shack:", "shack:45x", "[::1", "[::1]4532"}) {
    std::string why;
    EXPECT_FALSE(MakeRigctldRig({2, port, 0}, std::make_unique<ScriptedLink>(server), why)) << port;
    EXPECT_FALSE(why.empty());
  }
  std::string why;
  EXPECT_FALSE(MakeRigctldRig({1, "", 0}, std::make_unique<ScriptedLink>(server), why));
  EXPECT_EQ(why, "this build reaches rigs through rigctld (model 2) only");
  EXPECT_EQ(server.opens, 0);
}

}  // namespace
}  // namespace keblor::test
