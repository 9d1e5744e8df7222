#include "app/rig_session.h"

#include <algorithm>

#include "rig/tuning.h"

namespace keblor {
namespace {

RigAddress AddressOf(const RigSettings& rig) { return {rig.Model, rig.Port, rig.Speed}; }
std::string AnswerOf(const RigReply& reply) {
  if (!reply.status.Ok()) return reply.status.reason;
  return reply.dialA ? DialText(*reply.dialA) : std::string();
}

}  // namespace

RigSession::RigSession(Desktop& clock, Reports& reports) : clock_(clock), reports_(reports) {}

void RigSession::Begin(const RigSettings& rig) {
  const bool sameRig = begun_ && AddressOf(rig) == AddressOf(settings_);
  settings_ = rig;
  begun_ = true;
  if (!sameRig) Open();
}

// Lets the rig before go and asks the line for the one the settings name.
void RigSession::Open() {
  ++lookToken_;
  dials_ = {};
  notMoved_ = {};
  moving_ = false;
  lossSaid_ = false;
  if (settings_.Model == 0) {
    if (line_) line_->Close();
    state_ = State::None;
  } else if (!line_) {
    reports_.Line("rig model " + std::to_string(settings_.Model) + ": this build has no rig control");
    state_ = State::Unreachable;
  } else {
    state_ = State::Connecting;
    Connect();
  }
  UpdateShown();
}

void RigSession::SetReadB(bool readB) {
  readB_ = readB;
  if (!readB_ && dials_[1]) {
    dials_[1].reset();
    UpdateShown();
  }
}

void RigSession::Close() {
  if (line_) line_->Close();
  ++lookToken_;
  begun_ = false;
  state_ = State::None;
  test_ = Test::None;
  shown_ = {};
}

void RigSession::Connect() {
  lastConnectMs_ = clock_.NowMs();
  lastPollMs_ = lastConnectMs_;  // a connect reads the dials too
  line_->Connect(AddressOf(settings_), readB_);
  Sent();
}

// Something was sent: its reply is looked for soon.
void RigSession::Sent() {
  lookDelayMs_ = FIRST_LOOK_MS;
  ScheduleLook(clock_.NowMs());
}

void RigSession::StartTest(const RigSettings& rig) {
  testAnswer_.reset();
  testAddress_ = AddressOf(rig);
  test_ = Test::None;
  if (rig.Model == 0) {
    testAnswer_ = NO_RIG;
  } else if (!line_) {
    testAnswer_ = "this build has no rig control";
  } else if (testAddress_ == AddressOf(settings_) && Configured()) {
    // The port is the rig in use's: a second link to it would fight the first.
    test_ = Test::Line;
    if (state_ == State::Lost) {
      Connect();
    } else {
      line_->Read(readB_);
      Sent();
    }
  } else {
    test_ = Test::Probe;
    line_->Probe(testAddress_);
    Sent();
  }
}

bool RigSession::TuneToMarker(Vfo vfo, double toneHz, int markerHz) {
  if (state_ != State::Connected || moving_) return false;
  const std::optional<Dial>& dial = dials_[SlotOf(vfo)];
  const Sideband sideband = ChooseSideband(settings_.Sideband, dial ? dial->mode : std::string());
  const std::optional<std::int64_t> step = DialStep(toneHz, markerHz, sideband);
  if (!step || *step == 0 || !line_->Step(vfo, *step)) return false;
  moving_ = true;
  notMoved_ = {};
  UpdateShown();
  Sent();
  return true;
}

std::string RigSession::ShownOf(std::size_t slot) const {
  switch (state_) {
    case State::Unreachable:
    case State::Lost: return NO_RIG;
    case State::Connected:
      if (notMoved_[slot]) return NOT_MOVED;
      return dials_[slot] ? DialText(*dials_[slot]) : std::string();
    default: return {};
  }
}

bool RigSession::UpdateShown() {
  const std::array<std::string, 2> before = shown_;
  shown_ = {ShownOf(0), ShownOf(1)};
  return shown_ != before;
}

// Takes the replies in, then sends what is due: the next poll while connected, the next connect
// while lost; a request still on its way is waited for first.
void RigSession::Look() {
  if (!line_) return;
  RigEvents events;
  for (const RigReply& reply : line_->Receive()) Apply(reply, events);
  events.shownChanged = UpdateShown() || events.shownChanged;
  const std::int64_t now = clock_.NowMs();
  const bool idle = line_->Idle();
  if (idle && state_ == State::Connected && now - lastPollMs_ >= POLL_MS) {
    lastPollMs_ = now;
    // VFO B every other poll: each reading wakes the rig's line, and costs the rig's codec too.
    line_->Read(readB_ && ++polls_ % 2 == 0);
    lookDelayMs_ = FIRST_LOOK_MS;
  } else if (idle && state_ == State::Lost && now - lastConnectMs_ >= RETRY_MS) {
    Connect();
  }
  ScheduleLook(now);
  if (events.Any() && onEvents_) onEvents_(events);
}

// The next look: soon while the line has something to answer, else when the next poll or the
// next connect is due.
void RigSession::ScheduleLook(std::int64_t now) {
  std::int64_t due = 0;
  if (!line_->Idle()) {
    due = now + lookDelayMs_;
    lookDelayMs_ = std::min(lookDelayMs_ * 2, POLL_MS);
  } else if (state_ == State::Connected) {
    due = lastPollMs_ + POLL_MS;
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

void RigSession::Apply(const RigReply& reply, RigEvents& events) {
  if (reply.kind == RigReply::Kind::Probe) {
    if (test_ == Test::Probe && reply.address == testAddress_) Answer(reply);
    return;
  }
  // Replies about a rig let go since.
  if (state_ == State::None || state_ == State::Unreachable || reply.address != AddressOf(settings_)) return;
  if (test_ == Test::Line) Answer(reply);
  if (reply.kind == RigReply::Kind::Step) {
    ApplyStep(reply, events);
    return;
  }
  if (reply.kind == RigReply::Kind::Connect && reply.name.empty()) {
    reports_.Line("rig model " + std::to_string(settings_.Model) + ": " + reply.status.reason);
    state_ = State::Unreachable;
    return;
  }
  if (!reply.status.Ok()) {
    Lose(reply);  // a rig that cannot read its main dial is no use either
    return;
  }
  if (reply.kind == RigReply::Kind::Connect) {
    lossSaid_ = false;
    state_ = State::Connected;
  }
  if (state_ != State::Connected) return;  // an answer from before the loss
  if (reply.dialA) SetDial(0, reply.dialA);
  if (!readB_) {
    SetDial(1, std::nullopt);
  } else if (reply.readB) {
    SetDial(1, reply.dialB);
  }
}

// A refused move is shown until the dial changes.
void RigSession::SetDial(std::size_t slot, const std::optional<Dial>& dial) {
  if (dial != dials_[slot]) notMoved_[slot] = false;
  dials_[slot] = dial;
}

void RigSession::ApplyStep(const RigReply& reply, RigEvents& events) {
  moving_ = false;
  const std::size_t slot = reply.readB ? 1 : 0;
  if (reply.status.kind == Status::Kind::Refused) {
    reports_.Line("rig " + reply.name + ": the dial did not move: " + reply.status.reason);
    notMoved_[slot] = true;
    return;
  }
  if (!reply.status.Ok()) {
    Lose(reply);
    return;
  }
  SetDial(slot, slot == 0 ? reply.dialA : reply.dialB);
  events.moved[slot] = true;
}

void RigSession::Answer(const RigReply& reply) {
  testAnswer_ = AnswerOf(reply);
  test_ = Test::None;
}

void RigSession::Lose(const RigReply& reply) {
  if (!lossSaid_) {
    lossSaid_ = true;
    reports_.Line("rig " + reply.name + ": " + reply.status.reason + "; trying again every " +
                  std::to_string(RETRY_MS / 1000) + " s");
  }
  lastConnectMs_ = clock_.NowMs();  // the next try comes RETRY_MS after this one gave up
  dials_ = {};
  state_ = State::Lost;
}

void RigSession::RunDialog(RigSettings& rig) {
  if (!HasDialog()) return;
  const std::optional<RigSettings> chosen =
      dialog_->Run(rig, [this](const RigSettings& tried) { StartTest(tried); }, [this] { return TestAnswer(); });
  if (chosen) rig = *chosen;
  Begin(rig);
}

}  // namespace keblor
