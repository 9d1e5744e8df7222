#include "app/rig_session.h"

#include <gtest/gtest.h>

#include "fakes/fake_rig.h"
#include "fakes/fake_views.h"

namespace keblor::test {
namespace {

const RigSettings RIGCTLD{2, "localhost:4532", 0, 0};

class RigSessionTest : public ::testing::Test {
 protected:
  RigSessionTest() {
    auto line = std::make_unique<InlineRigLine>(rig);
    line_ = line.get();
    session.SetLine(std::move(line));
    session.SetOnEvents([this](const RigEvents& e) { events.push_back(e); });
  }
  // Connected with the first answer taken in.
  void Connect(const RigSettings& settings = RIGCTLD) {
    session.Begin(settings);
    desktop.Advance(RigSession::FIRST_LOOK_MS);
    ASSERT_TRUE(session.Connected());
  }

  FakeRig rig;
  FakeDesktop desktop;
  FakeReports reports;
  RigSession session{desktop, reports};
  InlineRigLine* line_ = nullptr;
  std::vector<RigEvents> events;
};

// The dial shows once the rig answered; it is read once a second, not sooner, and a change
// reaches the windows through an event soon after the poll that saw it.
TEST_F(RigSessionTest, TheDialIsReadOnceASecond) {
  session.Begin(RIGCTLD);
  EXPECT_EQ(line_->connects, (std::vector<RigAddress>{RigAddress{2, "localhost:4532", 0}}));
  EXPECT_EQ(session.Shown(Vfo::A), "");
  desktop.Advance(RigSession::FIRST_LOOK_MS);
  EXPECT_EQ(session.Shown(Vfo::A), "7.030 000 MHz CW");
  EXPECT_EQ(rig.calls, (std::vector<std::string>{"connect", "read A"}));

  desktop.Advance(RigSession::POLL_MS - RigSession::FIRST_LOOK_MS - 1);
  EXPECT_EQ(rig.Count("read A"), 1);
  desktop.Advance(1);
  EXPECT_EQ(rig.Count("read A"), 2);
  desktop.Advance(9 * RigSession::POLL_MS);
  EXPECT_EQ(rig.Count("read A"), 11);
  EXPECT_EQ(rig.Count("read B"), 0);

  events.clear();
  rig.dials[0] = {7'025'100, "CWR"};
  desktop.Advance(RigSession::POLL_MS);
  EXPECT_EQ(session.Shown(Vfo::A), "7.030 000 MHz CW");
  desktop.Advance(RigSession::FIRST_LOOK_MS);
  EXPECT_EQ(session.Shown(Vfo::A), "7.025 100 MHz CWR");
  ASSERT_EQ(events.size(), 1u);
  EXPECT_TRUE(events[0].shownChanged);
  EXPECT_TRUE(reports.lines.empty());
}

// VFO B is read with two channels only, every other poll; a rig without it still shows VFO A.
TEST_F(RigSessionTest, VfoBIsReadForTheSecondWindow) {
  session.SetReadB(true);
  Connect();
  EXPECT_EQ(session.Shown(Vfo::B), "14.025 000 MHz CW");
  rig.hasB = false;
  rig.calls.clear();
  desktop.Advance(4 * RigSession::POLL_MS);
  EXPECT_EQ(rig.Count("read A"), 4);
  EXPECT_EQ(rig.Count("read B"), 2);
  EXPECT_EQ(session.Shown(Vfo::B), "");
  EXPECT_EQ(session.Shown(Vfo::A), "7.030 000 MHz CW");
  EXPECT_TRUE(session.Connected());
  session.SetReadB(false);
  rig.calls.clear();
  desktop.Advance(RigSession::POLL_MS);
  EXPECT_EQ(rig.calls, std::vector<std::string>{"read A"});
}

// A rig that stops answering: one line naming it and why, "No rig" in the windows, and a new
// connect every five seconds, not sooner, until it answers; a second loss is said again.
TEST_F(RigSessionTest, ALostRigIsSaidOnceAndTriedEveryFiveSeconds) {
  Connect();
  rig.readStatus = Status::Loss("Communication timed out");
  rig.connectStatus = Status::Loss("Connection refused");
  std::vector<std::int64_t> connectTimes;
  rig.beforeCall = [&](const std::string& call) {
    if (call == "connect") connectTimes.push_back(desktop.now);
  };
  desktop.Advance(RigSession::POLL_MS);  // the poll fails
  const std::int64_t lostAt = desktop.now;
  EXPECT_EQ(session.Shown(Vfo::A), RigSession::NO_RIG);
  EXPECT_FALSE(session.Connected());
  EXPECT_EQ(reports.lines, std::vector<std::string>{"rig Fake rig: Communication timed out; trying again every 5 s"});
  EXPECT_TRUE(reports.boxes.empty());

  desktop.Advance(RigSession::RETRY_MS - 1);
  EXPECT_TRUE(connectTimes.empty());
  desktop.Advance(1);
  EXPECT_EQ(connectTimes, std::vector<std::int64_t>{lostAt + RigSession::RETRY_MS});
  // Each try comes five seconds after the one before gave up.
  desktop.Advance(4 * RigSession::RETRY_MS);
  ASSERT_GE(connectTimes.size(), 4u);
  for (std::size_t i = 1; i < connectTimes.size(); ++i) {
    EXPECT_GE(connectTimes[i] - connectTimes[i - 1], RigSession::RETRY_MS);
    EXPECT_LE(connectTimes[i] - connectTimes[i - 1], RigSession::RETRY_MS + RigSession::POLL_MS);
  }
  EXPECT_EQ(reports.lines.size(), 1u);
  rig.beforeCall = nullptr;

  rig.readStatus = {};
  rig.connectStatus = {};
  desktop.Advance(RigSession::RETRY_MS);
  EXPECT_TRUE(session.Connected());
  EXPECT_EQ(session.Shown(Vfo::A), "7.030 000 MHz CW");
  rig.readStatus = Status::Loss("Communication timed out");
  desktop.Advance(3 * RigSession::POLL_MS);
  EXPECT_EQ(reports.lines.size(), 2u);
}

// No rig configured: nothing is asked, said or shown. A model the build cannot make is said
// once and shown as "No rig", and not tried again.
TEST_F(RigSessionTest, NoRigAndAnUnknownModel) {
  session.Begin({});
  desktop.Advance(10 * RigSession::RETRY_MS);
  EXPECT_TRUE(line_->connects.empty());
  EXPECT_FALSE(session.Configured());
  EXPECT_EQ(session.Shown(Vfo::A), "");
  EXPECT_FALSE(session.TuneToMarker(Vfo::A, 712.0, 700));
  EXPECT_TRUE(reports.lines.empty());

  session.Begin({InlineRigLine::UNKNOWN_MODEL, "/dev/ttyUSB0", 4800, 0});
  desktop.Advance(10 * RigSession::RETRY_MS);
  EXPECT_EQ(line_->connects.size(), 1u);
  EXPECT_FALSE(session.Configured());
  EXPECT_EQ(session.Shown(Vfo::A), RigSession::NO_RIG);
  EXPECT_EQ(reports.lines, std::vector<std::string>{"rig model 9: no such model"});

  RigSession bare{desktop, reports};
  bare.Begin(RIGCTLD);
  EXPECT_EQ(reports.lines.back(), "rig model 2: this build has no rig control");
}

// A move takes the VFO's own mode, or the Sideband setting over it; while it is under way a
// second one is refused, and nothing moves for a tone already on the marker. Its window hears of
// it only once the rig has confirmed it; a refused move is said and shown instead.
TEST_F(RigSessionTest, MovesAreConfirmedOrSaidRefused) {
  rig.dials[1].mode = "CWR";
  session.SetReadB(true);
  Connect();
  line_->hold = true;
  EXPECT_TRUE(session.TuneToMarker(Vfo::B, 712.0, 700));
  EXPECT_FALSE(session.TuneToMarker(Vfo::A, 712.0, 700));
  line_->Release();
  events.clear();
  desktop.Advance(RigSession::FIRST_LOOK_MS);
  EXPECT_EQ(rig.dials[1].hz, 14'025'000 - 12);
  EXPECT_EQ(session.Shown(Vfo::B), "14.024 988 MHz CWR");
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].moved, (std::array<bool, 2>{false, true}));
  line_->hold = false;

  EXPECT_FALSE(session.TuneToMarker(Vfo::A, 700.0, 700));
  EXPECT_TRUE(session.TuneToMarker(Vfo::A, 712.0, 700));
  EXPECT_EQ(rig.dials[0].hz, 7'030'012);

  session.Begin({RIGCTLD.Model, RIGCTLD.Port, RIGCTLD.Speed, 1});  // the link stays
  EXPECT_EQ(line_->connects.size(), 1u);
  desktop.Advance(RigSession::FIRST_LOOK_MS);
  EXPECT_TRUE(session.TuneToMarker(Vfo::B, 712.0, 700));
  EXPECT_EQ(rig.dials[1].hz, 14'025'000);
  desktop.Advance(RigSession::FIRST_LOOK_MS);

  rig.hasB = false;
  events.clear();
  EXPECT_TRUE(session.TuneToMarker(Vfo::B, 720.0, 700));
  desktop.Advance(RigSession::FIRST_LOOK_MS);
  EXPECT_EQ(reports.lines, std::vector<std::string>{"rig Fake rig: the dial did not move: Function not available"});
  EXPECT_EQ(session.Shown(Vfo::B), RigSession::NOT_MOVED);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].moved, (std::array<bool, 2>{false, false}));
  EXPECT_TRUE(session.Connected());
}

// Settings > Rig...'s Test: the rig in use answers with its next reading and is not connected
// again; another rig is probed on its own; a model the build cannot make says why.
TEST_F(RigSessionTest, TheTestLeavesTheRigInUseAlone) {
  Connect();
  rig.calls.clear();
  session.StartTest(RIGCTLD);
  EXPECT_FALSE(session.TestAnswer());
  desktop.Advance(RigSession::FIRST_LOOK_MS);
  EXPECT_EQ(session.TestAnswer(), "7.030 000 MHz CW");
  EXPECT_EQ(rig.calls, std::vector<std::string>{"read A"});
  EXPECT_EQ(line_->connects.size(), 1u);

  rig.connectStatus = Status::Loss("Connection refused");
  session.StartTest({2, "localhost:4533", 0, 0});
  desktop.Advance(RigSession::FIRST_LOOK_MS);
  EXPECT_EQ(session.TestAnswer(), "Connection refused");
  EXPECT_EQ(line_->probes, (std::vector<RigAddress>{{2, "localhost:4533", 0}}));
  session.StartTest({InlineRigLine::UNKNOWN_MODEL, "", 0, 0});
  desktop.Advance(RigSession::FIRST_LOOK_MS);
  EXPECT_EQ(session.TestAnswer(), "no such model");
  EXPECT_TRUE(session.Connected());
  EXPECT_EQ(line_->connects.size(), 1u);
}

}  // namespace
}  // namespace keblor::test
