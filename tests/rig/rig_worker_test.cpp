#include "rig/rig_worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <thread>

#include "fakes/fake_rig.h"

namespace keblor::test {
namespace {

using namespace std::chrono_literals;

// Waits, for at most ten seconds, until the line has carried `count` replies.
std::vector<RigReply> ReceiveAll(RigLine& line, std::size_t count) {
  std::vector<RigReply> all;
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (all.size() < count && std::chrono::steady_clock::now() < deadline) {
    for (RigReply& reply : line.Receive()) all.push_back(std::move(reply));
    std::this_thread::sleep_for(1ms);
  }
  return all;
}

// A connect reads the dials; a step reads the dial, sets it and reads it back; a lost link stops
// a request at the call that failed. VFO B missing does not spoil VFO A's reading.
TEST(RigCalls, EachReplyFromTheRigsCalls) {
  FakeRig rig;
  RigReply reply = ConnectAndRead(rig, true);
  EXPECT_EQ(rig.calls, (std::vector<std::string>{"connect", "read A", "read B"}));
  EXPECT_TRUE(reply.status.Ok());
  EXPECT_EQ(reply.dialA, (Dial{7'030'000, "CW"}));
  EXPECT_EQ(reply.dialB, (Dial{14'025'000, "CW"}));

  rig.calls.clear();
  reply = StepDial(rig, Vfo::B, -12);
  EXPECT_EQ(rig.calls, (std::vector<std::string>{"read B", "set B 14024988", "read B"}));
  EXPECT_EQ(reply.dialB, (Dial{14'024'988, "CW"}));
  EXPECT_FALSE(reply.dialA);

  rig.hasB = false;
  reply = ReadDials(rig, true);
  EXPECT_TRUE(reply.status.Ok());
  EXPECT_TRUE(reply.dialA);
  EXPECT_FALSE(reply.dialB);
  EXPECT_EQ(StepDial(rig, Vfo::B, -12).status.kind, Status::Kind::Refused);

  rig.readStatus = Status::Loss("Communication timed out");
  rig.calls.clear();
  reply = ReadDials(rig, true);
  EXPECT_EQ(reply.status.reason, "Communication timed out");
  EXPECT_EQ(rig.calls, (std::vector<std::string>{"read A"}));

  rig.connectStatus = Status::Loss("Connection refused");
  rig.calls.clear();
  reply = ConnectAndRead(rig, true);
  EXPECT_EQ(reply.status.reason, "Connection refused");
  EXPECT_EQ(rig.calls, (std::vector<std::string>{"connect"}));
}

// Rigs made by the line, each one held in a call until the test lets it go; every rig made and
// every call it took is logged.
struct RigFactory {
  std::mutex mutex;
  std::vector<RigAddress> made;
  std::vector<std::string> calls;  // "2:connect", "2:read A", ... by model
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::atomic<int> entered = 0;  // calls begun

  RigMaker Maker() {
    return [this](const RigAddress& address, std::string& why) -> std::unique_ptr<Rig> {
      if (address.model == InlineRigLine::UNKNOWN_MODEL) {
        why = "no such model";
        return nullptr;
      }
      const std::lock_guard lock(mutex);
      made.push_back(address);
      auto rig = std::make_unique<FakeRig>();
      rig->beforeCall = [this, model = address.model](const std::string& call) {
        ++entered;
        released.wait();
        const std::lock_guard logged(mutex);
        calls.push_back(std::to_string(model) + ":" + call);
      };
      return rig;
    };
  }
};

// A rig that does not answer holds up the line's thread only. Meanwhile the queue stays bounded:
// Reads merge, a second Step is refused, the newest Connect and Probe replace those waiting, and
// the line is busy while a call is carried. Once the rig answers, each waiting request is
// carried once, on one thread, the rig in use never switched by the probe.
TEST(RigWorker, AStuckRigHoldsUpNothingAndTheQueueStaysBounded) {
  RigFactory factory;
  RigWorker worker(factory.Maker());
  EXPECT_TRUE(worker.Idle());
  worker.Connect({2, "a", 0}, false);
  while (factory.entered == 0) std::this_thread::sleep_for(1ms);
  EXPECT_FALSE(worker.Idle());

  for (int i = 0; i < 100; ++i) worker.Read(i == 50);
  EXPECT_TRUE(worker.Step(Vfo::A, 25));
  EXPECT_FALSE(worker.Step(Vfo::A, 25));
  for (int port = 0; port < 20; ++port) worker.Probe({3, std::to_string(port), 0});
  EXPECT_TRUE(worker.Receive().empty());

  factory.release.set_value();
  const std::vector<RigReply> replies = ReceiveAll(worker, 4);
  ASSERT_EQ(replies.size(), 4u);
  EXPECT_EQ(replies[0].kind, RigReply::Kind::Connect);
  EXPECT_EQ(replies[1].kind, RigReply::Kind::Step);
  EXPECT_EQ(replies[1].dialA->hz, 7'030'025);
  EXPECT_EQ(replies[2].kind, RigReply::Kind::Read);
  EXPECT_TRUE(replies[2].readB);
  EXPECT_EQ(replies[3].kind, RigReply::Kind::Probe);
  EXPECT_EQ(replies[3].address, (RigAddress{3, "19", 0}));
  EXPECT_TRUE(replies[3].status.Ok());
  EXPECT_TRUE(worker.Idle());
  EXPECT_EQ(factory.made, (std::vector<RigAddress>{{2, "a", 0}, {3, "19", 0}}));
  {
    const std::lock_guard lock(factory.mutex);  // before the next step, whose calls would join these
    EXPECT_EQ(factory.calls, (std::vector<std::string>{"2:connect", "2:read A", "2:read A", "2:set A 7030025", "2:read A",
                                                       "2:read A", "2:read B", "3:connect", "3:read A", "3:disconnect"}));
  }
  EXPECT_TRUE(worker.Step(Vfo::A, 25));  // the step is over
}

// Another rig named while a step waits: the step is answered refused and never reaches either
// rig; a rig that cannot be made is answered Refused with why, and named by its address.
TEST(RigWorker, AnotherRigDropsWhatWaitedForTheOneBefore) {
  RigFactory factory;
  factory.release.set_value();
  RigWorker worker(factory.Maker());
  worker.Connect({2, "a", 0}, false);
  ASSERT_EQ(ReceiveAll(worker, 1).size(), 1u);

  {
    const std::lock_guard hold(factory.mutex);  // the line's next call waits for this
    const int before = factory.entered;
    worker.Read(false);
    while (factory.entered == before) std::this_thread::sleep_for(1ms);
    EXPECT_TRUE(worker.Step(Vfo::A, 25));
    worker.Connect({InlineRigLine::UNKNOWN_MODEL, "b", 0}, false);
  }
  const std::vector<RigReply> replies = ReceiveAll(worker, 3);
  ASSERT_EQ(replies.size(), 3u);
  EXPECT_EQ(replies[0].kind, RigReply::Kind::Step);
  EXPECT_EQ(replies[0].status.kind, Status::Kind::Refused);
  EXPECT_EQ(replies[2].kind, RigReply::Kind::Connect);
  EXPECT_EQ(replies[2].status.reason, "no such model");
  EXPECT_EQ(replies[2].address, (RigAddress{InlineRigLine::UNKNOWN_MODEL, "b", 0}));
  EXPECT_TRUE(replies[2].name.empty());
  for (const std::string& call : factory.calls) EXPECT_EQ(call.find("set"), std::string::npos) << call;
}

// The end of the line closes the rig's link and lets the rig go; a rig still in a call does not
// hold the end up, and is let go once its call is over. A line never asked makes no thread, and
// closing it leaves it idle.
TEST(RigWorker, TheEndDoesNotWaitForAStuckRig) {
  {
    RigWorker unused(RigFactory{}.Maker());
    unused.Close();
    EXPECT_TRUE(unused.Idle());
  }

  // The stuck thread outlives the line: it keeps the factory alive through its maker.
  auto factory = std::make_shared<RigFactory>();
  {
    RigWorker worker([factory](const RigAddress& address, std::string& why) { return factory->Maker()(address, why); });
    worker.Connect({2, "a", 0}, false);
    while (factory->entered == 0) std::this_thread::sleep_for(1ms);
  }
  factory->release.set_value();
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  auto disconnected = [&] {
    const std::lock_guard lock(factory->mutex);
    return !factory->calls.empty() && factory->calls.back() == "2:disconnect";
  };
  while (!disconnected() && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(1ms);
  EXPECT_TRUE(disconnected());
}

}  // namespace
}  // namespace keblor::test
