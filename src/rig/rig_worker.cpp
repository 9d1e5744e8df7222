#include "rig/rig_worker.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

namespace keblor {
namespace {

struct StepWanted {
  Vfo vfo = Vfo::A;
  std::int64_t hz = 0;
};

// The requests waiting: at most one of each kind.
struct Waiting {
  bool close = false;
  std::optional<RigAddress> connect;
  bool connectReadB = false;
  bool read = false;
  bool readB = false;
  std::optional<StepWanted> step;
  std::optional<RigAddress> probe;

  bool Empty() const { return !close && !connect && !read && !step && !probe; }
};

}  // namespace

struct RigWorker::Taken {
  enum class What { Close, Connect, Step, Read, Probe };
  What what = What::Read;
  RigAddress to;  // Connect, Probe
  bool readB = false;  // Connect, Read
  StepWanted step;
};

struct RigWorker::Shared {
  RigMaker make;
  std::mutex mutex;
  std::condition_variable wake;      // a request or the stop
  std::condition_variable finished;  // the thread has let the rig go
  Waiting waiting;
  std::vector<RigReply> replies;
  std::optional<RigAddress> wanted;  // the rig the last Connect named
  bool carrying = false;
  bool stepping = false;  // a step waits or is being carried
  bool stop = false;
  bool done = false;

  // The line's thread only.
  std::unique_ptr<Rig> rig;
  RigAddress address;
  std::string name;

  // The next request off the queue, in order of precedence; the caller holds the lock.
  Taken Take();
  RigReply Carry(const Taken& taken);
  RigReply CarryConnect(const RigAddress& to, bool readB);
  RigReply CarryProbe(const RigAddress& to);
  void LetGo() {
    if (rig) rig->Disconnect();
    rig.reset();
  }
};

RigWorker::RigWorker(RigMaker make) : shared_(std::make_shared<Shared>()) { shared_->make = std::move(make); }

RigWorker::~RigWorker() {
  if (!thread_.joinable()) return;
  std::unique_lock lock(shared_->mutex);
  shared_->stop = true;
  shared_->wake.notify_one();
  const bool done =
      shared_->finished.wait_for(lock, std::chrono::milliseconds(STOP_WAIT_MS), [this] { return shared_->done; });
  lock.unlock();
  if (done) {
    thread_.join();
  } else {
    thread_.detach();  // it holds its own share of the state
  }
}

void RigWorker::Started() {
  if (!thread_.joinable()) thread_ = std::thread(Run, shared_);
  shared_->wake.notify_one();
}

void RigWorker::Connect(const RigAddress& address, bool readB) {
  const std::lock_guard lock(shared_->mutex);
  Waiting& waiting = shared_->waiting;
  if (shared_->wanted != address) {
    // What waits was meant for the rig before.
    waiting.read = false;
    if (waiting.step) {
      waiting.step.reset();
      shared_->stepping = false;
      RigReply refused;
      refused.kind = RigReply::Kind::Step;
      refused.address = *shared_->wanted;
      refused.status = Status::Refusal("another rig was chosen");
      shared_->replies.push_back(std::move(refused));
    }
  }
  shared_->wanted = address;
  waiting.close = false;
  waiting.connect = address;
  waiting.connectReadB = readB;
  Started();
}

void RigWorker::Read(bool readB) {
  const std::lock_guard lock(shared_->mutex);
  shared_->waiting.readB = shared_->waiting.readB || readB;
  shared_->waiting.read = true;
  Started();
}

bool RigWorker::Step(Vfo vfo, std::int64_t stepHz) {
  const std::lock_guard lock(shared_->mutex);
  if (shared_->stepping) return false;
  shared_->stepping = true;
  shared_->waiting.step = StepWanted{vfo, stepHz};
  Started();
  return true;
}

void RigWorker::Probe(const RigAddress& address) {
  const std::lock_guard lock(shared_->mutex);
  shared_->waiting.probe = address;
  Started();
}

void RigWorker::Close() {
  const std::lock_guard lock(shared_->mutex);
  Waiting& waiting = shared_->waiting;
  if (waiting.step) shared_->stepping = false;
  std::optional<RigAddress> probe = waiting.probe;  // a Test goes on
  waiting = Waiting{};
  waiting.close = thread_.joinable();  // a line never asked holds no rig
  waiting.probe = probe;
  shared_->wanted.reset();
  if (waiting.close) Started();
}

std::vector<RigReply> RigWorker::Receive() {
  const std::lock_guard lock(shared_->mutex);
  return std::exchange(shared_->replies, {});
}

bool RigWorker::Idle() {
  const std::lock_guard lock(shared_->mutex);
  return shared_->waiting.Empty() && !shared_->carrying && shared_->replies.empty();
}

RigWorker::Taken RigWorker::Shared::Take() {
  Taken taken;
  if (std::exchange(waiting.close, false)) {
    taken.what = Taken::What::Close;
  } else if (waiting.connect) {
    taken = {Taken::What::Connect, *std::exchange(waiting.connect, std::nullopt), waiting.connectReadB, {}};
  } else if (waiting.step) {
    taken = {Taken::What::Step, {}, false, *std::exchange(waiting.step, std::nullopt)};
  } else if (std::exchange(waiting.read, false)) {
    taken = {Taken::What::Read, {}, std::exchange(waiting.readB, false), {}};
  } else {
    taken = {Taken::What::Probe, *std::exchange(waiting.probe, std::nullopt), false, {}};
  }
  return taken;
}

RigReply RigWorker::Shared::Carry(const Taken& taken) {
  RigReply reply;
  switch (taken.what) {
    case Taken::What::Close: LetGo(); return reply;
    case Taken::What::Probe: return CarryProbe(taken.to);
    case Taken::What::Connect: reply = CarryConnect(taken.to, taken.readB); break;
    case Taken::What::Step:
      reply.kind = RigReply::Kind::Step;
      if (rig) reply = StepDial(*rig, taken.step.vfo, taken.step.hz);
      break;
    case Taken::What::Read:
      if (rig) reply = ReadDials(*rig, taken.readB);
      break;
  }
  reply.address = address;
  reply.name = name;
  if (!rig && reply.status.Ok()) reply.status = Status::Loss("not connected");
  return reply;
}

RigReply RigWorker::Shared::CarryConnect(const RigAddress& to, bool readB) {
  if (!rig || address != to) {
    LetGo();
    std::string why;
    rig = make(to, why);
    address = to;
    name = rig ? rig->Name() : std::string();
    if (!rig) {
      RigReply reply;
      reply.kind = RigReply::Kind::Connect;
      reply.status = Status::Refusal(why);
      return reply;
    }
  }
  return ConnectAndRead(*rig, readB);
}

RigReply RigWorker::Shared::CarryProbe(const RigAddress& to) {
  RigReply reply;
  reply.kind = RigReply::Kind::Probe;
  reply.address = to;
  std::string why;
  const std::unique_ptr<Rig> probe = make(to, why);
  if (!probe) {
    reply.status = Status::Refusal(why);
    return reply;
  }
  reply.name = probe->Name();
  reply.status = probe->Connect();
  if (reply.status.Ok()) {
    Dial dial;
    reply.status = probe->ReadDial(Vfo::A, dial);
    if (reply.status.Ok()) reply.dialA = dial;
  }
  probe->Disconnect();
  return reply;
}

void RigWorker::Run(std::shared_ptr<Shared> shared) {
  std::unique_lock lock(shared->mutex);
  while (true) {
    shared->wake.wait(lock, [&] { return shared->stop || !shared->waiting.Empty(); });
    if (shared->stop) break;
    const Taken taken = shared->Take();
    shared->carrying = true;
    lock.unlock();
    RigReply reply = shared->Carry(taken);
    lock.lock();
    shared->carrying = false;
    if (taken.what == Taken::What::Step) shared->stepping = false;
    if (taken.what != Taken::What::Close) shared->replies.push_back(std::move(reply));
  }
  lock.unlock();
  shared->LetGo();
  lock.lock();
  shared->done = true;
  shared->finished.notify_all();
}

}  // namespace keblor
