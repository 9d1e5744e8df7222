#include "app/rig_session.h"

#include <algorithm>

#include "rig/tuning.h"

namespace keblor {
namespace {

std::size_t Slot(Vfo vfo) { return vfo == Vfo::A ? 0 : 1; }
RigVfo RigVfoOf(Vfo vfo) { return vfo == Vfo::A ? RigVfo::A : RigVfo::B; }
RigAddress AddressOf(const RigSettings& rig) { return {rig.Model, rig.Port, rig.Speed}; }
// Connects and moves are looked for soon; the polls' replies wait for the next poll or block.
bool Urgent(RigRequest::Kind kind) { return kind != RigRequest::Kind::Read; }

}  // namespace

RigSession::RigSession(Desktop& clock, Reports& reports) : clock_(clock), reports_(reports) {}

void RigSession::Begin(const RigSettings& rig) {
  const bool sameRig = begun_ && AddressOf(rig) == AddressOf(settings_);
  settings_ = rig;
  begun_ = true;
  testing_ = false;
  if (!sameRig) Open();
}

void RigSession::StartTest(const RigSettings& rig) {
  settings_ = rig;
  begun_ = true;
  testing_ = true;
  testAnswer_.reset();
  Open();
  if (state_ == State::None) testAnswer_ = NO_RIG;
}

// Lets the rig before go and makes the line to the one the settings name.
void RigSession::Open() {
  line_.reset();
  ++lookToken_;
  dials_ = {};
  awaited_ = 0;
  moving_ = false;
  lossSaid_ = false;
  if (settings_.Model == 0) {
    state_ = State::None;
    Changed();
    return;
  }
  std::string why = "this build has no rig control";
  if (make_) line_ = make_(AddressOf(settings_), why);
  if (!line_) {
    reports_.Line("rig model " + std::to_string(settings_.Model) + ": " + why);
    if (testing_) testAnswer_ = why;
    state_ = State::Unreachable;
    Changed();
    return;
  }
  state_ = State::Connecting;
  Changed();
  Connect();
}

void RigSession::SetReadB(bool readB) {
  readB_ = readB;
  if (!readB_ && dials_[1]) {
    dials_[1].reset();
    Changed();
  }
}

void RigSession::Close() {
  line_.reset();
  ++lookToken_;
  begun_ = false;
  state_ = State::None;
  shown_ = {};
}

void RigSession::Connect() {
  lastConnectMs_ = clock_.NowMs();
  lastPollMs_ = lastConnectMs_;  // a connect reads the dials too
  Send({RigRequest::Kind::Connect, readB_});
}

void RigSession::Send(const RigRequest& request) {
  line_->Send(request);
  if (!Urgent(request.kind)) return;
  ++awaited_;
  lookDelayMs_ = FIRST_LOOK_MS;
  ScheduleLook(clock_.NowMs());
}

void RigSession::TakeReplies() {
  if (!line_) return;
  for (const RigReply& reply : line_->Receive()) Apply(reply);
}

bool RigSession::TuneToMarker(Vfo vfo, double toneHz, int markerHz) {
  if (state_ != State::Connected || moving_) return false;
  const std::optional<Dial>& dial = dials_[Slot(vfo)];
  const Sideband sideband = ChooseSideband(settings_.Sideband, dial ? dial->mode : std::string());
  const std::optional<std::int64_t> step = DialStep(toneHz, markerHz, sideband);
  if (!step || *step == 0) return false;
  moving_ = true;
  RigRequest request{RigRequest::Kind::Step};
  request.vfo = RigVfoOf(vfo);
  request.stepHz = *step;
  Send(request);
  return true;
}

std::string RigSession::ShownOf(std::size_t slot) const {
  switch (state_) {
    case State::Unreachable:
    case State::Lost: return NO_RIG;
    case State::Connected: return dials_[slot] ? DialText(*dials_[slot]) : std::string();
    default: return {};
  }
}

// Takes the replies in, then sends what is due: the next poll while connected, the next connect
// while lost; a request already on its way is waited for first.
void RigSession::Look() {
  if (!line_) return;
  TakeReplies();
  const std::int64_t now = clock_.NowMs();
  if (line_->Idle()) {
    if (state_ == State::Connected && now - lastPollMs_ >= POLL_MS) {
      lastPollMs_ = now;
      // VFO B every other poll: each reading wakes the rig's line, and costs the rig's codec too.
      Send({RigRequest::Kind::Read, readB_ && ++polls_ % 2 == 0});
    } else if (state_ == State::Lost && now - lastConnectMs_ >= RETRY_MS) {
      Connect();
      return;  // Send scheduled the look
    }
  }
  ScheduleLook(now);
}

// The next look: soon while a connect or a move is awaited, else when the next poll or the next
// connect is due; a poll that is still under way then is looked at a poll later.
void RigSession::ScheduleLook(std::int64_t now) {
  std::int64_t due = 0;
  if (awaited_ > 0) {
    due = now + lookDelayMs_;
    lookDelayMs_ = std::min(lookDelayMs_ * 2, POLL_MS);
  } else if (state_ == State::Connected) {
    due = lastPollMs_ + POLL_MS;
    if (due <= now) due = now + POLL_MS;
  } else if (state_ == State::Lost) {
    due = lastConnectMs_ + RETRY_MS;
  } else {
    return;
  }
  due = std::max(due, now + FIRST_LOOK_MS);
  const int token = ++lookToken_;
  clock_.CallAfter(static_cast<int>(due - now), [this, token] {
    if (token == lookToken_) Look();
  });
}

void RigSession::Apply(const RigReply& reply) {
  if (Urgent(reply.kind) && awaited_ > 0) --awaited_;
  if (reply.kind == RigRequest::Kind::Step) moving_ = false;
  if (!reply.status.Ok()) {
    if (reply.kind == RigRequest::Kind::Step && reply.status.kind == RigStatus::Kind::Refused) {
      reports_.Line("rig " + line_->Name() + ": the dial did not move: " + reply.status.reason);
      return;
    }
    // A rig that cannot read its main dial is no use either.
    Lose(reply.status.reason);
    return;
  }
  if (reply.kind == RigRequest::Kind::Connect) {
    lossSaid_ = false;
    SetState(State::Connected);
    if (testing_) testAnswer_ = reply.dialA ? DialText(*reply.dialA) : std::string();
  }
  if (state_ != State::Connected) return;  // an answer from before the loss
  const auto before = dials_;
  if (reply.dialA) dials_[0] = reply.dialA;
  if (!readB_) {
    dials_[1].reset();
  } else if (reply.readB) {
    dials_[1] = reply.dialB;
  }
  if (dials_ != before) Changed();
}

void RigSession::Lose(const std::string& reason) {
  if (!lossSaid_) {
    lossSaid_ = true;
    reports_.Line("rig " + line_->Name() + ": " + reason + "; trying again every " + std::to_string(RETRY_MS / 1000) +
                  " s");
  }
  if (testing_ && !testAnswer_) testAnswer_ = reason;
  lastConnectMs_ = clock_.NowMs();  // the next try comes RETRY_MS after this one gave up
  dials_ = {};
  SetState(State::Lost);
}

void RigSession::SetState(State state) {
  if (state_ == state) return;
  state_ = state;
  Changed();
}

void RigSession::Changed() {
  shown_ = {ShownOf(0), ShownOf(1)};
  if (onChange_) onChange_();
}

}  // namespace keblor
