#pragma once
// A rig on a thread of its own: the GUI thread sends requests and picks up replies without
// ever waiting for the rig, however long the rig takes to answer or to give up.

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "rig/rig_line.h"

namespace keblor {

class RigWorker : public RigLine {
 public:
  // Waited for at the end, for a call in progress; a rig still busy after that is left to end
  // its call on its own, and closes its link then.
  static constexpr int STOP_WAIT_MS = 250;

  explicit RigWorker(std::unique_ptr<Rig> rig);
  ~RigWorker() override;
  RigWorker(const RigWorker&) = delete;
  RigWorker& operator=(const RigWorker&) = delete;

  const std::string& Name() const override { return name_; }
  void Send(const RigRequest& request) override;
  std::vector<RigReply> Receive() override;
  bool Idle() override;

 private:
  struct Shared;  // the rig, the queues and the stop flag; lives as long as either side needs it
  static void Run(std::shared_ptr<Shared> shared);

  std::string name_;
  std::shared_ptr<Shared> shared_;
  std::thread thread_;
};

}  // namespace keblor
