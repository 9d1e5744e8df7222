#pragma once
// The rig's life beside the capture's: which rig, connecting to it and again every RETRY_MS once
// it is lost, its dials read every POLL_MS, moves of a dial, and what the windows show of it.
//
// GUI thread only. The rig's own calls run on the thread of its line, so nothing here waits for
// the rig; replies are picked up on the desktop's clock. A rig that cannot be reached is said
// once on the reports' log and shown as "No rig" until it answers again.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/reports.h"
#include "app/views.h"
#include "core/display_state.h"
#include "core/settings.h"
#include "rig/rig_line.h"

namespace keblor {

class RigSession {
 public:
  static constexpr int POLL_MS = 1000;   // the dials are read at most this often
  static constexpr int RETRY_MS = 5000;  // a lost rig is connected again this often
  // A connect or a move is looked for this soon after it was sent, then after twice as long each
  // time, up to POLL_MS. The replies to polls are taken at the next poll, or by TakeReplies.
  static constexpr int FIRST_LOOK_MS = 50;
  static constexpr const char* NO_RIG = "No rig";

  // Makes the line to the rig `address` names, without talking to it yet; nullptr and why not
  // when it cannot be made (a model the build does not know).
  using LineMaker = std::function<std::unique_ptr<RigLine>(const RigAddress& address, std::string& why)>;

  RigSession(Desktop& clock, Reports& reports);

  // The build's way to its rigs; without one a configured rig is said once and never reached.
  void SetLineMaker(LineMaker make) { make_ = std::move(make); }
  bool Supported() const { return static_cast<bool>(make_); }
  // What the windows show of the rig has changed.
  void SetOnChange(std::function<void()> changed) { onChange_ = std::move(changed); }

  // The rig `rig` names from now on (none for Model 0); a rig before it is let go. The same rig
  // with only another Sideband keeps its link.
  void Begin(const RigSettings& rig);
  // VFO B's dial is read as well (two channels, two windows), every other poll.
  void SetReadB(bool readB);
  void Close();
  const RigSettings& Current() const { return settings_; }
  // Takes in the replies that have come, without waiting: the program calls it for each block,
  // as it is awake then anyway.
  void TakeReplies();

  // A rig is configured and the build can reach it, whether or not it answers now.
  bool Configured() const { return state_ != State::None && state_ != State::Unreachable; }
  bool Connected() const { return state_ == State::Connected; }
  bool Moving() const { return moving_; }  // a move was sent and not yet answered

  // Moves `vfo`'s dial so that a tone at `toneHz` lands on the marker at `markerHz`. False, with
  // nothing sent, while the rig is not connected or a move is still under way, and when there
  // is no tone, no sideband for the VFO's mode or nothing to move.
  bool TuneToMarker(Vfo vfo, double toneHz, int markerHz);

  // What `vfo`'s window shows: its dial ("7.030 012 MHz CW"), NO_RIG while the configured rig
  // cannot be reached, and nothing without a rig or before its first answer.
  const std::string& Shown(Vfo vfo) const { return shown_[vfo == Vfo::A ? 0 : 1]; }

  // Settings > Rig...'s Test: these settings from now on, connected afresh, and the answer once
  // the rig gave one: its dial, or why it could not be read.
  void StartTest(const RigSettings& rig);
  const std::optional<std::string>& TestAnswer() const { return testAnswer_; }

 private:
  enum class State {
    None,         // no rig configured
    Unreachable,  // configured, but no line could be made: not tried again
    Connecting,   // the first connect is under way
    Connected,
    Lost,         // tried again every RETRY_MS
  };

  void Open();
  void Connect();
  void Send(const RigRequest& request);
  void Look();
  void ScheduleLook(std::int64_t now);
  void Apply(const RigReply& reply);
  void Lose(const std::string& reason);
  void SetState(State state);
  std::string ShownOf(std::size_t slot) const;
  void Changed();

  Desktop& clock_;
  Reports& reports_;
  LineMaker make_;
  std::function<void()> onChange_;

  RigSettings settings_;
  bool begun_ = false;
  bool readB_ = false;
  std::unique_ptr<RigLine> line_;
  State state_ = State::None;
  std::array<std::optional<Dial>, 2> dials_{};
  std::array<std::string, 2> shown_;  // made on a change, not for every picture
  int awaited_ = 0;      // connects and moves sent and not yet answered
  bool moving_ = false;  // a move is under way
  bool lossSaid_ = false;
  std::int64_t lastConnectMs_ = 0;
  std::int64_t lastPollMs_ = 0;
  int lookDelayMs_ = FIRST_LOOK_MS;
  int lookToken_ = 0;  // only the last look scheduled runs
  int polls_ = 0;
  bool testing_ = false;
  std::optional<std::string> testAnswer_;
};

}  // namespace keblor
