#include "app/program.h"

#include <cstdio>

#include "core/command_ids.h"
#include "core/display_commands.h"
#include "core/marker_pointer.h"
#include "core/settings_store.h"

namespace keblor {

namespace {

constexpr const char* MAIN_TITLE = "CW Keblor";

const char* TitleOf(Vfo vfo) { return vfo == Vfo::A ? "Main VFO-A" : "Sub VFO-B"; }
int PopupMenuOf(Vfo vfo) { return vfo == Vfo::A ? cmd::POPUP_MENU_A : cmd::POPUP_MENU_B; }
std::size_t Slot(Vfo vfo) { return vfo == Vfo::A ? 0 : 1; }

Rect OuterRect(int left, int top, const MainLayout& layout) {
  return {left, top, left + layout.width, top + layout.height};
}

AnalyzerOptions AnalyzerOptionsOf(const Settings& s) {
  return {s.NumberOfAverages, s.Level != 0,         s.VFO_A.Range,          s.VFO_B.Range,
          s.FT1000MP != 0,    s.RunningAverage != 0, s.PitchReadout != 0};
}

}  // namespace

Program::Program(MainView& main, Desktop& desktop, AudioSource& source, SettingsFile* settingsFile)
    : main_(main), desktop_(desktop), source_(source), settingsFile_(settingsFile) {}

bool Program::StartUp() {
  if (desktop_.FindRunningCopy()) return false;

  if (settingsFile_ != nullptr) LoadSettings(settings_, *settingsFile_);
  const Settings& s = settings_;
  display_.layout = ChooseMainLayout(s.ArrangeVertically, s.Channels, display_.layout);
  main_.Create(MAIN_TITLE, OuterRect(s.xPos, s.yPos, display_.layout));

  // A negative count is a back-end error: no device can be used either way.
  if (source_.InputCount() <= 0) {
    desktop_.ReportError("No audio devices, exiting", DEVICE_ERROR_CAPTION);
    return false;
  }
  inputs_ = source_.Inputs();
  wantedInput_ = settings_.Input;
  if (!commandLineInput_.empty()) {
    if (const InputInfo* named = FindInput(inputs_, commandLineInput_)) {
      settings_.Input = wantedInput_ = named->id;
    } else {
      std::fprintf(stderr, "keblor: there is no input \"%s\"; capturing from the default input\n",
                   commandLineInput_.c_str());
      fallbackSaid_ = true;
      wantedInput_.clear();
    }
  }
  UseInput(ResolveInput());
  if (const OpenResult opened = QueryAndOpen(source_, FormatOf(s.Channels, s.BitsPerSample)); !opened.Ok()) {
    ReportDeviceError(opened.code);
    return AbandonStartUp();
  }

  OpenWindow(Vfo::A);
  if (IsStereo(s)) OpenWindow(Vfo::B);
  if (s.AlwaysOnTop != 0) main_.SetTopmost(true);
  Refresh();

  if (const int code = StartCapture(); code != 0) {
    ReportDeviceError(code);
    return AbandonStartUp();
  }
  return true;
}

// A start that fails after the capture or the spectrum windows were opened leaves neither.
bool Program::AbandonStartUp() {
  display_.frozen = true;
  source_.Close();
  capturing_ = false;
  for (Vfo vfo : BOTH_VFOS)
    if (display_.IsOpen(vfo)) CloseWindow(vfo);
  return false;
}

void Program::Shutdown() {
  source_.Close();
  capturing_ = false;
  if (!closed_) {
    closed_ = true;
    main_.Destroy();
  }
}

int Program::StartCapture() {
  const int code =
      source_.Start([this](const std::uint8_t* frames, const AudioFormat& format) { OnBlock(frames, format); });
  capturing_ = code == 0;
  lastBlockMs_ = desktop_.NowMs();  // the input has a moment to deliver its first block
  if (capturing_ && !ticking_) {
    ticking_ = true;
    desktop_.StartTicks(TICK_MS, [this] { OnTick(); });
  }
  return code;
}

void Program::OnTick() {
  if (!capturing_ || display_.frozen || closed_) return;
  const std::int64_t now = desktop_.NowMs();
  if (now - lastBlockMs_ < STALL_MS) return;
  if (notice_ != InputNotice::Stalled) {
    notice_ = InputNotice::Stalled;
    Refresh();
    ReopenCapture();
  } else if (now - lastReopenMs_ >= REOPEN_MS) {
    ReopenCapture();
  }
}

// A server that went away and came back needs a new stream; the tries are not reported one by
// one, the window says "No input" until blocks flow again.
void Program::ReopenCapture() {
  lastReopenMs_ = desktop_.NowMs();
  source_.Close();
  std::vector<InputInfo> listed = source_.Inputs();
  const bool listChanged = listed != inputs_;
  inputs_ = std::move(listed);
  const std::string inUse = inputInUse_;
  UseInput(ResolveInput());
  if (listChanged || inUse != inputInUse_) Refresh();
  if (QueryAndOpen(source_, FormatOf(settings_.Channels, settings_.BitsPerSample)).Ok()) {
    const std::int64_t stalledSince = lastBlockMs_;
    (void)StartCapture();
    lastBlockMs_ = stalledSince;  // still stopped until a block arrives
  }
  capturing_ = true;  // keep trying
}

// The input to open: the wanted one while the back end lists it, or while it lists nothing (a
// sound server that has gone away cannot say); else the default input, said once on standard
// error.
std::string Program::ResolveInput() {
  if (wantedInput_.empty()) return {};
  if (inputs_.empty()) return wantedInput_;
  if (const InputInfo* found = FindInput(inputs_, wantedInput_)) {
    fallbackSaid_ = false;
    return found->id;
  }
  if (!fallbackSaid_) {
    fallbackSaid_ = true;
    std::fprintf(stderr, "keblor: the input \"%s\" is not there; capturing from the default input\n",
                 wantedInput_.c_str());
  }
  return {};
}

void Program::UseInput(std::string id) {
  inputInUse_ = std::move(id);
  source_.SelectInput(inputInUse_);
}

// A pick in Settings > Input: the capture is opened again on the input, as the sound card dialog
// does it. An input that cannot be opened is reported and the one before it taken back; when
// even that fails, the windows say "No input" and the capture is tried again as for a stopped
// input.
void Program::ChooseInput(const std::string& id) {
  const std::string settingBefore = settings_.Input;
  const std::string wantedBefore = wantedInput_;
  const std::string inUseBefore = inputInUse_;
  settings_.Input = wantedInput_ = id;
  fallbackSaid_ = false;
  if (id == inputInUse_) return;
  source_.Close();
  capturing_ = false;
  UseInput(id);
  const AudioFormat format = FormatOf(settings_.Channels, settings_.BitsPerSample);
  if (const OpenResult opened = QueryAndOpen(source_, format); !opened.Ok()) {
    ReportDeviceError(opened.code);
    settings_.Input = settingBefore;
    wantedInput_ = wantedBefore;
    UseInput(inUseBefore);
    if (!QueryAndOpen(source_, format).Ok()) {
      capturing_ = true;
      return;
    }
  }
  if (const int code = StartCapture(); code != 0) {
    ReportDeviceError(code);
    capturing_ = true;
  }
}

InputChoice Program::MenuInputs() const {
  InputChoice choice;
  choice.inUse = inputInUse_.empty() ? InputChoice::DEFAULT : InputChoice::UNLISTED;
  for (const InputInfo& input : inputs_) {
    if (input.id == inputInUse_ && !inputInUse_.empty()) choice.inUse = static_cast<int>(choice.inputs.size());
    choice.inputs.push_back({input.name, input.id});
  }
  return choice;
}

void Program::OnInputMenuShown() {
  inputs_ = source_.Inputs();
  Refresh();
}

void Program::CountBlock(std::int64_t now) {
  if (now - rateWindowMs_ >= 1000) {
    if (blocksInWindow_ <= RUNAWAY_BLOCKS_PER_SECOND && notice_ == InputNotice::TooFast) {
      notice_ = InputNotice::None;
      Refresh();
    }
    rateWindowMs_ = now;
    blocksInWindow_ = 0;
  }
  if (++blocksInWindow_ <= RUNAWAY_BLOCKS_PER_SECOND || notice_ == InputNotice::TooFast) return;
  notice_ = InputNotice::TooFast;
  if (!runawaySaid_) {
    runawaySaid_ = true;
    std::fprintf(stderr,
                 "keblor: the input delivers blocks faster than 10240 frames a second allow; "
                 "the display shows at most ten pictures a second\n");
  }
  Refresh();
}

void Program::ReportDeviceError(int code) { desktop_.ReportError(DeviceErrorText(code), DEVICE_ERROR_CAPTION); }

void Program::OnBlock(const std::uint8_t* frames, const AudioFormat& format) {
  const std::int64_t now = desktop_.NowMs();
  lastBlockMs_ = now;
  if (notice_ == InputNotice::Stalled) {
    notice_ = InputNotice::None;
    Refresh();
  }
  CountBlock(now);
  analyzer_.Configure(AnalyzerOptionsOf(settings_));
  std::optional<SpectrumFrame> frame = analyzer_.Push(frames, {format.channels, format.bitsPerSample});
  if (!frame || display_.frozen) return;
  pendingFrame_ = *frame;
  ShowFrame(now);
}

// The newest frame, as soon as FRAME_MS have passed since the last picture.
void Program::ShowFrame(std::int64_t now) {
  if (!pendingFrame_) return;
  if (display_.frozen || closed_) {
    pendingFrame_.reset();
    return;
  }
  const std::int64_t wait = lastFrameMs_ + FRAME_MS - now;
  if (wait > 0) {
    if (!frameCallPending_) {
      frameCallPending_ = true;
      desktop_.CallAfter(static_cast<int>(wait), [this] {
        frameCallPending_ = false;
        ShowFrame(desktop_.NowMs());
      });
    }
    return;
  }
  lastFrameMs_ = now;
  DrawFrameNow(*pendingFrame_);
  pendingFrame_.reset();
}

void Program::DrawFrameNow(const SpectrumFrame& frame) {
  const bool level = settings_.Level != 0;
  if (display_.openA) {
    DrawFrame(traces_[0], frame.rowA, frame.peakA, settings_.VFO_A, level, settings_.BitsPerSample, frame.pitchHzA);
    ShowPicture(Vfo::A);
  }
  if (IsStereo(settings_) && display_.openB) {
    DrawFrame(traces_[1], frame.rowB, frame.peakB, settings_.VFO_B, level, settings_.BitsPerSample, frame.pitchHzB);
    ShowPicture(Vfo::B);
  }
}

void Program::ShowPicture(Vfo vfo) {
  SpectrumView* view = views_[Slot(vfo)];
  if (view == nullptr) return;
  const PictureOptions options{settings_.NumberOfAverages, settings_.PitchReadout != 0, notice_};
  view->Show(ComposePicture(traces_[Slot(vfo)], VfoSettingsOf(settings_, vfo), options));
}

void Program::Refresh() {
  menu_ = DeriveMenu(settings_, display_, MenuInputs());
  if (closed_) return;
  main_.ShowMenu(menu_);
  if (settings_.Zoom != zoomShown_) {
    zoomShown_ = settings_.Zoom;
    main_.SetZoom(zoomShown_);
  }
  for (Vfo vfo : BOTH_VFOS)
    if (display_.IsOpen(vfo)) ShowPicture(vfo);
}

void Program::OpenWindow(Vfo vfo) {
  if (display_.IsOpen(vfo)) return;
  const Point at = vfo == Vfo::A ? Point{0, 2} : Point{display_.layout.vfoBLeft, display_.layout.vfoBTop};
  views_[Slot(vfo)] = &main_.OpenSpectrum(vfo, TitleOf(vfo), at);
  display_.SetOpen(vfo, true);
  Repaint(traces_[Slot(vfo)], display_);
  ShowPicture(vfo);
}

void Program::CloseWindow(Vfo vfo) {
  if (!display_.IsOpen(vfo)) return;
  display_.SetOpen(vfo, false);
  views_[Slot(vfo)] = nullptr;
  main_.CloseSpectrum(vfo);
}

void Program::OnCommand(std::uint32_t command) {
  RunCommand(static_cast<int>(command & 0xFFFFu));
  Refresh();
}

void Program::OnKey(AcceleratorKey key, bool ctrl) {
  if (const int id = TranslateAccelerator(menu_, key, ctrl); id != 0) OnCommand(static_cast<std::uint32_t>(id));
}

void Program::RunCommand(int id) {
  if (cmd::IsInputItem(id)) {
    const auto index = static_cast<std::size_t>(id - cmd::InputFirst);
    if (id == cmd::InputDefault) {
      ChooseInput({});
    } else if (index < inputs_.size()) {
      ChooseInput(inputs_[index].id);
    }
    return;
  }
  if (const std::optional<DisplayEffects> effects = ApplyDisplayCommand(settings_, display_, id)) {
    if (effects->restartAveraging) analyzer_.Restart();
    if (effects->blankLevel)
      for (Vfo vfo : BOTH_VFOS)
        if (display_.IsOpen(vfo)) BlankLevel(traces_[Slot(vfo)]);
    if (effects->repaintA) Repaint(traces_[0], display_);
    if (effects->repaintB) Repaint(traces_[1], display_);
    return;
  }
  switch (id) {
    case cmd::MainVfoA: ToggleWindow(Vfo::A); break;
    case cmd::SubVfoB: ToggleWindow(Vfo::B); break;
    case cmd::ArrangeVertically: ArrangeWindows(); break;
    case cmd::AlwaysOnTop: ToggleTopmost(); break;
    case cmd::SoundCard: RunSoundCardDialog(); break;
    case cmd::InputControls: desktop_.OpenMixer(MixerKind::Recording); break;
    case cmd::OutputControls: desktop_.OpenMixer(MixerKind::Playback); break;
    case cmd::Save: Save(); break;
    case cmd::SaveAndExit:
      if (Save()) Close();  // changes that could not be saved are not dropped
      break;
    case cmd::Exit: Close(); break;
    case cmd::HelpContents: desktop_.OpenHelp(); break;
    case cmd::About: desktop_.ShowAbout(); break;
    default: break;  // any other id only refreshes the menu
  }
}

void Program::OnPointer(Vfo vfo, unsigned keys, int x, int y) {
  if (!display_.IsOpen(vfo)) return;
  VfoSettings& v = VfoSettingsOf(settings_, vfo);
  const PointerOutcome outcome = PointAtMarker(v, display_.frozen, keys, x, y);
  views_[Slot(vfo)]->SetMarkerCursor(outcome.markerCursor);
  if (!outcome.newPitchFreq) return;
  v.PitchFreq = *outcome.newPitchFreq;
  Refresh();
}

void Program::OnRightButton(Vfo vfo, int x, int y) {
  if (!display_.IsOpen(vfo) || display_.frozen) return;
  views_[Slot(vfo)]->ShowPopupMenu(PopupMenuOf(vfo), {x, y}, PopupCheckedItems(settings_, vfo));
}

void Program::OnSpectrumClose(Vfo vfo) {
  CloseWindow(vfo);
  Refresh();
}

void Program::OnMainClose() { Close(); }

// Freeze, close the capture, close the spectrum windows, destroy the main window, quit with 0.
void Program::Close() {
  if (closed_) return;
  display_.frozen = true;
  source_.Close();
  capturing_ = false;
  for (Vfo vfo : BOTH_VFOS) CloseWindow(vfo);
  closed_ = true;
  main_.Destroy();
}

void Program::ToggleWindow(Vfo vfo) {
  if (display_.IsOpen(vfo))
    CloseWindow(vfo);
  else
    OpenWindow(vfo);
}

void Program::ArrangeWindows() {
  const Rect rect = main_.OuterRect();
  const bool vfoBWasOpen = display_.openB;
  CloseWindow(Vfo::B);
  settings_.ArrangeVertically = settings_.ArrangeVertically != 0 ? 0 : 1;
  // The command is greyed with one channel, so only the two-channel rows apply.
  display_.layout = ChooseMainLayout(settings_.ArrangeVertically, 2, display_.layout);
  main_.Move(OuterRect(rect.left, rect.top, display_.layout));
  if (vfoBWasOpen) OpenWindow(Vfo::B);
}

void Program::ToggleTopmost() {
  settings_.AlwaysOnTop = settings_.AlwaysOnTop != 0 ? 0 : 1;
  main_.SetTopmost(settings_.AlwaysOnTop != 0);
}

bool Program::Save() {
  // The restored place, so that a minimised window saves where it will come back.
  const Point topLeft = main_.RestoredTopLeft();
  settings_.xPos = topLeft.x;
  settings_.yPos = topLeft.y;
  const SaveResult saved = SaveSettings(settings_, settingsFile_);
  if (saved.ok) return true;
  const std::string& why = saved.why;
  desktop_.ReportError("The settings were not saved" + (why.empty() ? std::string(".") : ": " + why + "."),
                       MAIN_TITLE);
  return false;
}

void Program::RunSoundCardDialog() {
  const AudioFormat entry{settings_.Channels, settings_.BitsPerSample};
  const int result = desktop_.RunSoundCardDialog(entry.channels, entry.bitsPerSample, [this, entry](int c, int b) {
    const int accepted = AcceptSoundCard(entry, c, b);
    Refresh();
    return accepted;
  });
  // 2: the capture could not be brought back, so the program cannot go on.
  if (result == 2) Close();
}

// OK in the sound card dialog: re-open the capture in the new format and fit the windows to the
// channel count. 1: running; 2: the capture could not be re-opened or restarted.
int Program::AcceptSoundCard(AudioFormat entry, int channels, int bitsPerSample) {
  Settings& s = settings_;
  s.Channels = channels;
  s.BitsPerSample = bitsPerSample;
  if (s.Channels == entry.channels && s.BitsPerSample == entry.bitsPerSample) return 1;

  source_.Close();
  capturing_ = false;
  AudioFormat format = FormatOf(s.Channels, s.BitsPerSample);
  // A refused format falls back to the one that ran before, which is not queried again.
  if (const int code = source_.Query(format); code != 0) {
    ReportDeviceError(code);
    s.Channels = entry.channels;
    s.BitsPerSample = entry.bitsPerSample;
    format = FormatOf(s.Channels, s.BitsPerSample);
  }
  if (const OpenResult opened = source_.Open(format); !opened.Ok()) {
    ReportDeviceError(opened.code);
    return 2;
  }

  display_.layout = ChooseMainLayout(s.ArrangeVertically, s.Channels, display_.layout);
  const Rect rect = main_.OuterRect();
  if (IsStereo(s)) {
    // Grow first, then place VFO-B; an open window stays as it is.
    main_.Move(OuterRect(rect.left, rect.top, display_.layout));
    OpenWindow(Vfo::B);
  } else {
    // Close VFO-B before the main window shrinks over it.
    CloseWindow(Vfo::B);
    main_.Move(OuterRect(rect.left, rect.top, display_.layout));
  }

  if (const int code = StartCapture(); code != 0) {
    ReportDeviceError(code);
    return 2;
  }
  return 1;
}

}  // namespace keblor
