#include "hamlib/hamlib_rig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace keblor::test {
namespace {

constexpr int DUMMY = 1;  // Hamlib's rig in memory
constexpr int NET_RIGCTL = 2;

std::unique_ptr<Rig> Make(const RigAddress& address) {
  std::string why;
  std::unique_ptr<Rig> rig = MakeHamlibRig(address, why);
  EXPECT_NE(rig, nullptr) << why;
  return rig;
}

// A local TCP port that nothing listens on: bound, then closed again.
int ClosedPort() {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ::bind(s, reinterpret_cast<sockaddr*>(&address), length);
  ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(s);
  return ntohs(address.sin_port);
}

bool HamlibMapped() {
  std::ifstream maps("/proc/self/maps");
  std::stringstream text;
  text << maps.rdbuf();
  return text.str().find("libhamlib") != std::string::npos;
}

// Hamlib takes megabytes once mapped: a program that never wants a rig does not load it, and the
// first rig made does. Seen in this process when nothing has loaded Hamlib yet, else in a process
// started afresh for it (a death test's own style; not under an emulator without binfmt, where
// CTest starts each test in a process of its own anyway). Its exit code says what it saw.
TEST(HamlibRig, TheLibraryIsLoadedWithTheFirstRig) {
  const auto firstRig = [] {
    if (HamlibMapped()) return 2;
    std::string why;
    if (MakeHamlibRig({DUMMY, "", 0}, why) == nullptr) return 3;
    return HamlibMapped() ? 0 : 4;
  };
  if (!HamlibMapped()) {
    EXPECT_EQ(firstRig(), 0);
    return;
  }
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // _Exit: nothing of the process's own ending (leak checks) may change the code.
  EXPECT_EXIT(std::_Exit(firstRig()), ::testing::ExitedWithCode(0), "");
}

// The dummy rig's two VFOs are two dials: a dial set on one is read back there, with its mode,
// and the other keeps its own.
TEST(HamlibRig, TheDummyRigKeepsTwoDials) {
  std::unique_ptr<Rig> rig = Make({DUMMY, "", 0});
  ASSERT_NE(rig, nullptr);
  EXPECT_EQ(rig->Name(), "Hamlib Dummy");
  ASSERT_TRUE(rig->Connect().Ok());
  Dial b;
  ASSERT_TRUE(rig->ReadDial(Vfo::B, b).Ok());
  ASSERT_TRUE(rig->SetDial(Vfo::A, 7'030'012).Ok());
  Dial a;
  ASSERT_TRUE(rig->ReadDial(Vfo::A, a).Ok());
  EXPECT_EQ(a.hz, 7'030'012);
  EXPECT_FALSE(a.mode.empty());
  Dial bAfter;
  ASSERT_TRUE(rig->ReadDial(Vfo::B, bAfter).Ok());
  EXPECT_EQ(bAfter, b);
  ASSERT_TRUE(rig->SetDial(Vfo::B, 14'025'500).Ok());
  ASSERT_TRUE(rig->ReadDial(Vfo::B, bAfter).Ok());
  EXPECT_EQ(bAfter.hz, 14'025'500);
  ASSERT_TRUE(rig->ReadDial(Vfo::A, a).Ok());
  EXPECT_EQ(a.hz, 7'030'012);

  // Connected again (as after a lost link), the rig reads and moves as before.
  ASSERT_TRUE(rig->Connect().Ok());
  ASSERT_TRUE(rig->SetDial(Vfo::A, 3'555'000).Ok());
  ASSERT_TRUE(rig->ReadDial(Vfo::A, a).Ok());
  EXPECT_EQ(a.hz, 3'555'000);
  rig->Disconnect();
  EXPECT_EQ(rig->ReadDial(Vfo::A, a).kind, Status::Kind::Lost);
}

// A model Hamlib does not know gives no rig and says so; rigctld that is not there is a lost
// link with Hamlib's reason, at once rather than after a timeout.
TEST(HamlibRig, MissingModelsAndRigsAreSaid) {
  std::string why;
  EXPECT_EQ(MakeHamlibRig({999'999, "", 0}, why), nullptr);
  EXPECT_EQ(why, "Hamlib has no rig model 999999");

  std::unique_ptr<Rig> rig = Make({NET_RIGCTL, "127.0.0.1:" + std::to_string(ClosedPort()), 0});
  ASSERT_NE(rig, nullptr);
  EXPECT_NE(rig->Name().find("on 127.0.0.1:"), std::string::npos) << rig->Name();
  const Status status = rig->Connect();
  EXPECT_EQ(status.kind, Status::Kind::Lost);
  EXPECT_FALSE(status.reason.empty());
  EXPECT_EQ(status.reason.find('\n'), std::string::npos);
}

TEST(HamlibRig, TheModelListHasTheDummyAndRigctld) {
  const std::vector<RigModel> models = HamlibModels();
  EXPECT_GT(models.size(), 100u);
  auto has = [&models](int number) {
    return std::any_of(models.begin(), models.end(), [number](const RigModel& m) { return m.number == number; });
  };
  EXPECT_TRUE(has(DUMMY));
  EXPECT_TRUE(has(NET_RIGCTL));
  EXPECT_TRUE(std::is_sorted(models.begin(), models.end(),
                             [](const RigModel& a, const RigModel& b) { return a.maker < b.maker; }));
}

}  // namespace
}  // namespace keblor::test
