#pragma once
// The rig line on one thread of its own for the line's whole life, started when the first request
// comes: connecting, reconnecting, moving, closing and the dialog's probe are all requests to it,
// so a rig that hangs holds up that thread only, and no second thread is ever made for it.

#include <memory>
#include <thread>
#include <vector>

#include "rig/rig_line.h"

namespace keblor {

class RigWorker : public RigLine {
 public:
  // Waited for at the end, for the rig to be let go; a call still stuck in the rig after that is
  // left to end on its own (or with the process).
  static constexpr int STOP_WAIT_MS = 100;

  explicit RigWorker(RigMaker make);
  ~RigWorker() override;
  RigWorker(const RigWorker&) = delete;
  RigWorker& operator=(const RigWorker&) = delete;

  void Connect(const RigAddress& address, bool readB) override;
  void Read(bool readB) override;
  bool Step(Vfo vfo, std::int64_t stepHz) override;
  void Probe(const RigAddress& address) override;
  void Close() override;
  std::vector<RigReply> Receive() override;
  bool Idle() override;

 private:
  struct Taken;
  struct Shared;  // the queue, the replies and the rigs; lives as long as either side needs it
  static void Run(std::shared_ptr<Shared> shared);
  void Started();  // the thread, made at the first request; the caller holds the lock

  std::shared_ptr<Shared> shared_;
  std::thread thread_;
};

}  // namespace keblor
