#include "app/capture_session.h"

#include "core/command_ids.h"

namespace keblor {

CaptureSession::CaptureSession(AudioSource& source, Desktop& clock, Reports& reports)
    : source_(source), clock_(clock), reports_(reports) {}

bool CaptureSession::Begin(const AudioFormat& format, const std::string& settingsInput,
                           const std::string& commandLine) {
  // A negative count is a back-end error: no device can be used either way.
  if (source_.InputCount() <= 0) {
    reports_.Box("No audio devices, exiting", DEVICE_ERROR_CAPTION);
    return false;
  }
  inputs_ = source_.Inputs();
  wanted_ = settingsInput;
  if (!commandLine.empty()) {
    if (const InputInfo* named = FindInput(inputs_, commandLine)) {
      wanted_ = named->id;
    } else {
      reports_.Line("there is no input \"" + commandLine + "\"; capturing from the default input");
      fallbackSaid_ = true;
      wanted_.clear();
    }
  }
  format_ = format;
  if (const OpenResult opened = OpenAndStart(ResolveInput(), true); !opened.Ok()) {
    ReportFailure(opened.code);
    return false;
  }
  return true;
}

bool CaptureSession::ChangeFormat(const AudioFormat& format) {
  const AudioFormat before = format_;
  source_.Close();
  format_ = format;
  OpenResult opened = OpenAndStart(inUse_, true);
  if (opened.failedStep == OpenStep::Query) {
    ReportFailure(opened.code);
    format_ = before;
    opened = OpenAndStart(inUse_, false);
  }
  if (!opened.Ok()) ReportFailure(opened.code);
  return opened.Ok();
}

void CaptureSession::ChooseInput(const std::string& id) {
  const std::string wantedBefore = wanted_;
  const std::string inUseBefore = inUse_;
  wanted_ = id;
  fallbackSaid_ = false;
  if (id == inUse_) return;
  source_.Close();
  if (const OpenResult opened = OpenAndStart(id, true); !opened.Ok()) {
    ReportFailure(opened.code);
    wanted_ = wantedBefore;
    // Even the input before may fail now: the watchdog keeps trying it.
    (void)OpenAndStart(inUseBefore, true);
  }
}

bool CaptureSession::PickInputItem(int id) {
  if (!cmd::IsInputItem(id)) return false;
  const auto index = static_cast<std::size_t>(id - cmd::InputFirst);
  if (id == cmd::InputDefault) {
    ChooseInput({});
  } else if (index < inputs_.size()) {
    ChooseInput(inputs_[index].id);
  }
  return true;
}

void CaptureSession::ListInputs() { inputs_ = source_.Inputs(); }

void CaptureSession::Close() {
  source_.Close();
  active_ = false;
}

OpenResult CaptureSession::OpenAndStart(const std::string& input, bool query) {
  inUse_ = input;
  source_.SelectInput(inUse_);
  active_ = true;
  lastBlockMs_ = clock_.NowMs();  // the input has a moment to deliver its first block
  OpenResult opened = query ? QueryAndOpen(source_, format_) : source_.Open(format_);
  if (!opened.Ok()) return opened;
  if (const int code = source_.Start([this](const std::uint8_t* frames, const AudioFormat& f) { OnBlock(frames, f); });
      code != 0)
    return {OpenStep::Open, code};
  if (!ticking_) {
    ticking_ = true;
    clock_.StartTicks(TICK_MS, [this] { OnTick(); });
  }
  return {};
}

// The input to open: the wanted one while the back end lists it, or while it lists nothing (a
// sound server that has gone away cannot say); else the default input, said once.
std::string CaptureSession::ResolveInput() {
  if (wanted_.empty()) return {};
  if (inputs_.empty()) return wanted_;
  if (const InputInfo* found = FindInput(inputs_, wanted_)) {
    fallbackSaid_ = false;
    return found->id;
  }
  if (!fallbackSaid_) {
    fallbackSaid_ = true;
    reports_.Line("the input \"" + wanted_ + "\" is not there; capturing from the default input");
  }
  return {};
}

void CaptureSession::OnTick() {
  Watch();
  if (changed_ && onChange_) onChange_();
}

void CaptureSession::Watch() {
  if (!active_ || (watched_ && !watched_())) return;
  const std::int64_t now = clock_.NowMs();
  if (now - lastBlockMs_ < STALL_MS) return;
  if (notice_ != InputNotice::Stalled) {
    SetNotice(InputNotice::Stalled);
    Reopen();
  } else if (now - lastReopenMs_ >= REOPEN_MS) {
    Reopen();
  }
}

// A server that went away and came back needs a new stream; the tries are not reported one by
// one, the windows say "No input" until blocks flow again.
void CaptureSession::Reopen() {
  lastReopenMs_ = clock_.NowMs();
  const std::int64_t stalledSince = lastBlockMs_;
  source_.Close();
  std::vector<InputInfo> listed = source_.Inputs();
  const bool listChanged = listed != inputs_;
  inputs_ = std::move(listed);
  const std::string inUseBefore = inUse_;
  (void)OpenAndStart(ResolveInput(), true);
  lastBlockMs_ = stalledSince;  // still stopped until a block arrives
  if (listChanged || inUseBefore != inUse_) Changed();
}

void CaptureSession::OnBlock(const std::uint8_t* frames, const AudioFormat& format) {
  const std::int64_t now = clock_.NowMs();
  lastBlockMs_ = now;
  if (notice_ == InputNotice::Stalled) SetNotice(InputNotice::None);
  CountBlock(now);
  if (onBlock_) onBlock_(frames, format);
}

// A source that holds its blocks back to real time keeps the notice up; a count above
// RUNAWAY_BLOCKS_PER_SECOND in one second raises it, a second at or under it clears it.
void CaptureSession::CountBlock(std::int64_t now) {
  if (now - rateWindowMs_ >= 1000) {
    if (blocksInWindow_ <= RUNAWAY_BLOCKS_PER_SECOND && notice_ == InputNotice::TooFast && !source_.HeldBack())
      SetNotice(InputNotice::None);
    rateWindowMs_ = now;
    blocksInWindow_ = 0;
  }
  ++blocksInWindow_;
  if (notice_ == InputNotice::TooFast) return;
  if (blocksInWindow_ <= RUNAWAY_BLOCKS_PER_SECOND && !source_.HeldBack()) return;
  if (!runawaySaid_) {
    runawaySaid_ = true;
    reports_.Line("the input delivers blocks faster than 10240 frames a second allow; "
                  "the display shows at most ten pictures a second");
  }
  SetNotice(InputNotice::TooFast);
}

InputChoice CaptureSession::MenuInputs() const {
  InputChoice choice;
  choice.inUse = inUse_.empty() ? InputChoice::DEFAULT : InputChoice::UNLISTED;
  for (const InputInfo& input : inputs_) {
    if (input.id == inUse_ && !inUse_.empty()) choice.inUse = static_cast<int>(choice.inputs.size());
    choice.inputs.push_back({input.name, input.id});
  }
  return choice;
}

void CaptureSession::SetNotice(InputNotice notice) {
  if (notice_ == notice) return;
  notice_ = notice;
  Changed();
}

void CaptureSession::ReportFailure(int code) { reports_.Box(DeviceErrorText(code), DEVICE_ERROR_CAPTION); }

void CaptureSession::Changed() { changed_ = true; }

}  // namespace keblor
