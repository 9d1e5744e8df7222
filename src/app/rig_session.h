#pragma once
// The rig's life beside the capture's: which rig, connecting to it and again every RETRY_MS once
// it is lost, its dials read every POLL_MS, moves of a dial and their outcome, the rig dialog's
// Test, and what the windows show of the rig.
//
// GUI thread only. The rig's own calls run on the thread of its line, so nothing here waits for
// the rig; replies are looked for on the desktop's clock. A rig that cannot be reached is said
// once on the reports' log and shown as "No rig" until it answers again.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/reports.h"
#include "app/rig_dialog.h"
#include "app/views.h"
#include "core/display_state.h"
#include "core/settings.h"
#include "rig/rig_line.h"

namespace keblor {

// What a look at the rig's replies found for the program: a window's rig text changed, or a
// window's dial moved as asked (what that window heard is now elsewhere).
struct RigEvents {
  bool shownChanged = false;
  std::array<bool, 2> moved{};  // by window: VFO A, VFO B
  bool Any() const { return shownChanged || moved[0] || moved[1]; }
};

class RigSession {
 public:
  static constexpr int POLL_MS = 1000;   // the dials are read at most this often
  static constexpr int RETRY_MS = 5000;  // a lost rig is connected again this often
  // Replies are looked for this soon after a request was sent, then after twice as long each
  // time, up to POLL_MS, until the line has answered everything.
  static constexpr int FIRST_LOOK_MS = 50;
  static constexpr const char* NO_RIG = "No rig";
  static constexpr const char* NOT_MOVED = "The rig did not move";

  RigSession(Desktop& clock, Reports& reports);

  // The build's line to its rigs, for the session's life; without one a configured rig is said
  // once and never reached.
  void SetLine(std::unique_ptr<RigLine> line) { line_ = std::move(line); }
  bool Supported() const { return line_ != nullptr; }
  // Settings > Rig...: the toolkit's dialog; without one (or a line) the item is greyed.
  void SetDialog(RigDialog* dialog) { dialog_ = dialog; }
  bool HasDialog() const { return line_ != nullptr && dialog_ != nullptr; }
  // Runs the dialog from `rig`, its Test on this session; what OK chose goes into `rig`, and the
  // session begins with `rig` as it then stands.
  void RunDialog(RigSettings& rig);
  // Called from the session's own looks, when one found something: an entry point of the
  // program's like a block or a key. Never called from inside another call of the session's.
  void SetOnEvents(std::function<void(const RigEvents&)> events) { onEvents_ = std::move(events); }

  // The rig `rig` names from now on (none for Model 0); a rig before it is let go. The same rig
  // with only another Sideband keeps its link. What the windows show may change.
  void Begin(const RigSettings& rig);
  // VFO B's dial is read as well (two channels, two windows), every other poll.
  void SetReadB(bool readB);
  void Close();
  const RigSettings& Current() const { return settings_; }

  // A rig is configured and the build can reach it, whether or not it answers now.
  bool Configured() const { return state_ != State::None && state_ != State::Unreachable; }
  bool Connected() const { return state_ == State::Connected; }

  // Moves `vfo`'s dial so that a tone at `toneHz` lands on the marker at `markerHz`; a look
  // reports the move in RigEvents::moved once the rig has confirmed it, and a refused move is
  // said on the log and in the window. False, with nothing sent, while the rig is not connected
  // or a move is still under way, and when there is no tone, no sideband for the VFO's mode or
  // nothing to move.
  bool TuneToMarker(Vfo vfo, double toneHz, int markerHz);

  // What `vfo`'s window shows: its dial ("7.030 012 MHz CW"), NO_RIG while the configured rig
  // cannot be reached, NOT_MOVED after a refused move until the dial or the next move, and
  // nothing without a rig or before its first answer.
  const std::string& Shown(Vfo vfo) const { return shown_[vfo == Vfo::A ? 0 : 1]; }
  // `vfo`'s dial as last read; nothing before the first reading or while the rig is lost.
  const std::optional<Dial>& DialOf(Vfo vfo) const { return dials_[SlotOf(vfo)]; }

  // The rig dialog's Test of `rig`, leaving the rig in use alone: another rig is probed on its
  // own; the rig in use answers with its next reading. The answer, once there is one: the main
  // dial, or why it could not be read.
  void StartTest(const RigSettings& rig);
  const std::optional<std::string>& TestAnswer() const { return testAnswer_; }

 private:
  enum class State {
    None,         // no rig configured
    Unreachable,  // configured, but the build cannot make it: not tried again
    Connecting,   // the first connect is under way
    Connected,
    Lost,         // tried again every RETRY_MS
  };

  void Open();
  void Connect();
  void Sent();
  void Look();
  void ScheduleLook(std::int64_t now);
  void Apply(const RigReply& reply, RigEvents& events);
  void ApplyStep(const RigReply& reply, RigEvents& events);
  void Answer(const RigReply& reply);
  void Lose(const RigReply& reply);
  void SetDial(std::size_t slot, const std::optional<Dial>& dial);
  std::string ShownOf(std::size_t slot) const;
  bool UpdateShown();

  Desktop& clock_;
  Reports& reports_;
  std::unique_ptr<RigLine> line_;
  RigDialog* dialog_ = nullptr;
  std::function<void(const RigEvents&)> onEvents_;

  RigSettings settings_;
  bool begun_ = false;
  bool readB_ = false;
  State state_ = State::None;
  std::array<std::optional<Dial>, 2> dials_{};
  std::array<bool, 2> notMoved_{};
  std::array<std::string, 2> shown_;  // made on a change, not for every picture
  bool moving_ = false;               // a move is under way
  bool lossSaid_ = false;
  std::int64_t lastConnectMs_ = 0;
  std::int64_t lastPollMs_ = 0;
  int lookDelayMs_ = FIRST_LOOK_MS;
  int lookToken_ = 0;  // only the last look scheduled runs
  int polls_ = 0;

  enum class Test { None, Probe, Line };  // how the running Test is answered
  Test test_ = Test::None;
  RigAddress testAddress_;
  std::optional<std::string> testAnswer_;
};

}  // namespace keblor
