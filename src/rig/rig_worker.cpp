#include "rig/rig_worker.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <utility>

namespace keblor {

struct RigWorker::Shared {
  std::unique_ptr<Rig> rig;
  std::mutex mutex;
  std::condition_variable wake;      // a request or the stop
  std::condition_variable finished;  // the thread has let the rig go
  std::deque<RigRequest> requests;
  std::vector<RigReply> replies;
  bool carrying = false;
  bool stop = false;
  bool done = false;
};

RigWorker::RigWorker(std::unique_ptr<Rig> rig) : name_(rig->Name()), shared_(std::make_shared<Shared>()) {
  shared_->rig = std::move(rig);
  thread_ = std::thread(Run, shared_);
}

RigWorker::~RigWorker() {
  std::unique_lock lock(shared_->mutex);
  shared_->stop = true;
  shared_->requests.clear();
  shared_->wake.notify_one();
  const bool done = shared_->finished.wait_for(lock, std::chrono::milliseconds(STOP_WAIT_MS), [this] { return shared_->done; });
  lock.unlock();
  if (done) {
    thread_.join();
  } else {
    thread_.detach();  // it holds its own share of the state
  }
}

void RigWorker::Send(const RigRequest& request) {
  const std::lock_guard lock(shared_->mutex);
  shared_->requests.push_back(request);
  shared_->wake.notify_one();
}

std::vector<RigReply> RigWorker::Receive() {
  const std::lock_guard lock(shared_->mutex);
  return std::exchange(shared_->replies, {});
}

bool RigWorker::Idle() {
  const std::lock_guard lock(shared_->mutex);
  return shared_->requests.empty() && !shared_->carrying && shared_->replies.empty();
}

void RigWorker::Run(std::shared_ptr<Shared> shared) {
  std::unique_lock lock(shared->mutex);
  while (true) {
    shared->wake.wait(lock, [&] { return shared->stop || !shared->requests.empty(); });
    if (shared->stop) break;
    const RigRequest request = shared->requests.front();
    shared->requests.pop_front();
    shared->carrying = true;
    lock.unlock();
    RigReply reply = CarryRequest(*shared->rig, request);
    lock.lock();
    shared->carrying = false;
    shared->replies.push_back(std::move(reply));
  }
  lock.unlock();
  shared->rig->Disconnect();
  shared->rig.reset();
  lock.lock();
  shared->done = true;
  shared->finished.notify_all();
}

}  // namespace keblor
