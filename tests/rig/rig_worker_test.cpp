#include "rig/rig_worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "fakes/fake_rig.h"

namespace keblor::test {
namespace {

using namespace std::chrono_literals;

// Waits, for at most five seconds, until the line has carried everything sent.
std::vector<RigReply> ReceiveAll(RigLine& line, std::size_t count) {
  std::vector<RigReply> all;
  const auto deadline = std::chrono::steady_clock::now() + 5s;
  while (all.size() < count && std::chrono::steady_clock::now() < deadline) {
    for (RigReply& reply : line.Receive()) all.push_back(std::move(reply));
    std::this_thread::sleep_for(1ms);
  }
  return all;
}

// A connect reads the dials; a step reads the dial, sets it and reads it back; a lost link stops
// a request at the call that failed. VFO B missing does not spoil VFO A's reading.
TEST(CarryRequest, RequestsInTheRigsCalls) {
  FakeRig rig;
  RigReply reply = CarryRequest(rig, {RigRequest::Kind::Connect, true});
  EXPECT_EQ(rig.calls, (std::vector<std::string>{"connect", "read A", "read B"}));
  EXPECT_TRUE(reply.status.Ok());
  EXPECT_EQ(reply.dialA, (Dial{7'030'000, "CW"}));
  EXPECT_EQ(reply.dialB, (Dial{14'025'000, "CW"}));

  rig.calls.clear();
  RigRequest step{RigRequest::Kind::Step};
  step.vfo = RigVfo::B;
  step.stepHz = -12;
  reply = CarryRequest(rig, step);
  EXPECT_EQ(rig.calls, (std::vector<std::string>{"read B", "set B 14024988", "read B"}));
  EXPECT_EQ(reply.dialB, (Dial{14'024'988, "CW"}));
  EXPECT_FALSE(reply.dialA);

  rig.hasB = false;
  reply = CarryRequest(rig, {RigRequest::Kind::Read, true});
  EXPECT_TRUE(reply.status.Ok());
  EXPECT_TRUE(reply.dialA);
  EXPECT_FALSE(reply.dialB);
  reply = CarryRequest(rig, step);
  EXPECT_EQ(reply.status.kind, RigStatus::Kind::Refused);

  rig.readStatus = RigStatus::Loss("Communication timed out");
  rig.calls.clear();
  reply = CarryRequest(rig, {RigRequest::Kind::Read, true});
  EXPECT_EQ(reply.status.kind, RigStatus::Kind::Lost);
  EXPECT_EQ(reply.status.reason, "Communication timed out");
  EXPECT_EQ(rig.calls, (std::vector<std::string>{"read A"}));

  rig.connectStatus = RigStatus::Loss("Connection refused");
  rig.calls.clear();
  reply = CarryRequest(rig, {RigRequest::Kind::Connect, true});
  EXPECT_EQ(reply.status.reason, "Connection refused");
  EXPECT_EQ(rig.calls, (std::vector<std::string>{"connect"}));
}

// A rig that does not answer holds up its own thread only: sending and receiving return at
// once, the line is not idle meanwhile, and the replies come in order once the rig answers.
TEST(RigWorker, ABusyRigNeverHoldsUpTheCaller) {
  auto rig = std::make_unique<FakeRig>();
  FakeRig& fake = *rig;
  std::promise<void> answer;
  std::shared_future<void> answered = answer.get_future().share();
  fake.beforeCall = [answered](const std::string&) { answered.wait(); };
  RigWorker worker(std::move(rig));
  EXPECT_EQ(worker.Name(), "Fake rig");
  EXPECT_TRUE(worker.Idle());

  const auto start = std::chrono::steady_clock::now();
  worker.Send({RigRequest::Kind::Connect});
  RigRequest step{RigRequest::Kind::Step};
  step.stepHz = 25;
  worker.Send(step);
  EXPECT_TRUE(worker.Receive().empty());
  EXPECT_FALSE(worker.Idle());
  EXPECT_LT(std::chrono::steady_clock::now() - start, 100ms);

  answer.set_value();
  const std::vector<RigReply> replies = ReceiveAll(worker, 2);
  ASSERT_EQ(replies.size(), 2u);
  EXPECT_EQ(replies[0].kind, RigRequest::Kind::Connect);
  EXPECT_EQ(replies[1].kind, RigRequest::Kind::Step);
  EXPECT_EQ(replies[1].dialA->hz, 7'030'025);
  EXPECT_TRUE(worker.Idle());
}

// A rig that tells when its link is closed and when it is gone, from whichever thread.
class WatchedRig : public FakeRig {
 public:
  std::shared_ptr<std::atomic<int>> disconnects = std::make_shared<std::atomic<int>>(0);
  std::shared_ptr<std::atomic<bool>> gone = std::make_shared<std::atomic<bool>>(false);
  void Disconnect() override {
    if (connected) ++*disconnects;
    FakeRig::Disconnect();
  }
  ~WatchedRig() override { *gone = true; }
};

// The end of the line closes the rig's link and lets the rig go on its thread. A rig still in a
// call is waited for no longer than STOP_WAIT_MS; it closes its link when the call is over.
TEST(RigWorker, TheEndClosesTheLinkWithoutWaitingForAStuckRig) {
  auto rig = std::make_unique<WatchedRig>();
  const auto disconnects = rig->disconnects;
  const auto gone = rig->gone;
  {
    RigWorker worker(std::move(rig));
    worker.Send({RigRequest::Kind::Connect});
    ASSERT_EQ(ReceiveAll(worker, 1).size(), 1u);
  }
  EXPECT_EQ(*disconnects, 1);
  EXPECT_TRUE(*gone);

  auto stuck = std::make_unique<WatchedRig>();
  const auto stuckDisconnects = stuck->disconnects;
  const auto stuckGone = stuck->gone;
  std::promise<void> answer;
  std::shared_future<void> answered = answer.get_future().share();
  std::atomic<bool> inCall = false;
  stuck->beforeCall = [answered, &inCall](const std::string&) {
    inCall = true;
    answered.wait();
  };
  const auto start = std::chrono::steady_clock::now();
  {
    RigWorker worker(std::move(stuck));
    worker.Send({RigRequest::Kind::Connect});
    while (!inCall) std::this_thread::sleep_for(1ms);
  }
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(RigWorker::STOP_WAIT_MS));
  EXPECT_LT(waited, std::chrono::milliseconds(RigWorker::STOP_WAIT_MS) + 500ms);
  EXPECT_FALSE(*stuckGone);

  // The rig answers: the thread closes the link it has just opened and ends.
  answer.set_value();
  const auto deadline = std::chrono::steady_clock::now() + 5s;
  while (!*stuckGone && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(1ms);
  EXPECT_TRUE(*stuckGone);
  EXPECT_EQ(*stuckDisconnects, 1);
}

}  // namespace
}  // namespace keblor::test
