#include "app/program.h"

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

Program::Program(MainView& main, Desktop& desktop, Reports& reports, AudioSource& source,
                 SettingsFile* settingsFile)
    : main_(main),
      desktop_(desktop),
      reports_(reports),
      settingsFile_(settingsFile),
      capture_(source, desktop, reports),
      rig_(desktop, reports) {
  capture_.SetBlockHandler([this](const std::uint8_t* frames, const AudioFormat& format) { OnBlock(frames, format); });
  capture_.SetOnChange([this] { Refresh(); });
  capture_.SetWatched([this] { return !display_.frozen && !closed_; });
  rig_.SetOnChange([this] { Refresh(); });
}

void Program::SetRigSupport(RigSession::LineMaker make, RigDialog* dialog) {
  rig_.SetLineMaker(std::move(make));
  rigDialog_ = dialog;
}

void Program::SetCommandLineRig(std::optional<int> model, std::optional<std::string> port) {
  commandLineRigModel_ = model;
  commandLineRigPort_ = std::move(port);
}

bool Program::StartUp() {
  if (desktop_.FindRunningCopy()) return false;

  if (settingsFile_ != nullptr) LoadSettings(settings_, *settingsFile_);
  if (commandLineRigModel_) settings_.Rig.Model = *commandLineRigModel_;
  if (commandLineRigPort_) settings_.Rig.Port = *commandLineRigPort_;
  const Settings& s = settings_;
  waterfallShown_ = s.Waterfall != 0;
  display_.layout = LayoutFor(s.ArrangeVertically, s.Channels);
  main_.Create(MAIN_TITLE, OuterRect(s.xPos, s.yPos, display_.layout));
  if (waterfallShown_) main_.SetWaterfall(true);

  const bool capturing = capture_.Begin(FormatOf(s.Channels, s.BitsPerSample), s.Input, commandLineInput_);
  settings_.Input = capture_.WantedInput();
  if (!capturing) return AbandonStartUp();

  OpenWindow(Vfo::A);
  if (IsStereo(s)) OpenWindow(Vfo::B);
  if (s.AlwaysOnTop != 0) main_.SetTopmost(true);
  rig_.SetReadB(IsStereo(s));
  rig_.Begin(s.Rig);
  Refresh();
  return true;
}

// A start that fails leaves no capture and no spectrum window open.
bool Program::AbandonStartUp() {
  display_.frozen = true;
  capture_.Close();
  for (Vfo vfo : BOTH_VFOS)
    if (display_.IsOpen(vfo)) CloseWindow(vfo);
  return false;
}

void Program::Shutdown() {
  capture_.Close();
  rig_.Close();
  if (!closed_) {
    closed_ = true;
    main_.Destroy();
  }
}

// A pick in Settings > Input; the settings keep what the capture ends up wanting.
void Program::ChooseInput(const std::string& id) {
  capture_.ChooseInput(id);
  settings_.Input = capture_.WantedInput();
}

void Program::OnInputMenuShown() {
  capture_.ListInputs();
  Refresh();
}

void Program::OnBlock(const std::uint8_t* frames, const AudioFormat& format) {
  rig_.TakeReplies();
  // Once the rig has moved, the tone sits elsewhere: a window whose tone was tuned reads afresh,
  // so that the old place held over the last second is not tuned a second time.
  for (std::size_t slot = 0; slot < pitchMoved_.size(); ++slot) {
    if (!pitchMoved_[slot] || rig_.Moving()) continue;
    analyzer_.ForgetPitch(static_cast<int>(slot));
    pitchMoved_[slot] = false;
  }
  AnalyzerOptions options = AnalyzerOptionsOf(settings_);
  options.pitchReadout = options.pitchReadout || rig_.Configured();  // zero-beat needs the tone
  analyzer_.Configure(options);
  std::optional<SpectrumFrame> frame = analyzer_.Push(frames, {format.channels, format.bitsPerSample});
  if (!frame || display_.frozen) return;
  pendingFrame_ = *frame;
  ShowFrame(desktop_.NowMs());
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
    if (waterfallShown_) waterfalls_[0].Push(frame.rowA, settings_.VFO_A);
    ShowPicture(Vfo::A);
  }
  if (IsStereo(settings_) && display_.openB) {
    DrawFrame(traces_[1], frame.rowB, frame.peakB, settings_.VFO_B, level, settings_.BitsPerSample, frame.pitchHzB);
    if (waterfallShown_) waterfalls_[1].Push(frame.rowB, settings_.VFO_B);
    ShowPicture(Vfo::B);
  }
}

void Program::ShowPicture(Vfo vfo) {
  SpectrumView* view = views_[Slot(vfo)];
  if (view == nullptr) return;
  const PictureOptions options{settings_.NumberOfAverages, settings_.PitchReadout != 0, capture_.Notice(),
                               waterfallShown_ ? &waterfalls_[Slot(vfo)] : nullptr, rig_.Shown(vfo)};
  view->Show(ComposePicture(traces_[Slot(vfo)], VfoSettingsOf(settings_, vfo), options));
}

void Program::Refresh() {
  menu_ = DeriveMenu(settings_, display_, capture_.MenuInputs());
  menu_.items[cmd::RigSettings].enabled = rig_.Supported() && rigDialog_ != nullptr;
  if (closed_) return;
  main_.ShowMenu(menu_);
  if (settings_.Zoom != zoomShown_) {
    zoomShown_ = settings_.Zoom;
    main_.SetZoom(zoomShown_);
  }
  if ((settings_.Waterfall != 0) != waterfallShown_) FitWaterfall();
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
    } else if (index < capture_.Inputs().size()) {
      ChooseInput(capture_.Inputs()[index].id);
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
    for (Vfo vfo : BOTH_VFOS) waterfalls_[Slot(vfo)].Follow(*effects, vfo, VfoSettingsOf(settings_, vfo).Range);
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
    case cmd::ZeroBeatA: ZeroBeat(Vfo::A); break;
    case cmd::ZeroBeatB: ZeroBeat(Vfo::B); break;
    case cmd::RigSettings: RunRigDialog(); break;
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

void Program::OnTuneClick(Vfo vfo, int x, int y) {
  if (!display_.IsOpen(vfo)) return;
  if (const std::optional<int> hz = FrequencyAt(VfoSettingsOf(settings_, vfo), x, y)) TuneRig(vfo, *hz);
}

// The tone the window's readout names onto its marker.
void Program::ZeroBeat(Vfo vfo) {
  if (display_.IsOpen(vfo)) TuneRig(vfo, traces_[Slot(vfo)].pitchHz);
}

// Not while frozen: the picture would not show where the rig went. A tone that has been tuned
// is forgotten until the readout finds it again at its new place, so that a second key does not
// move the dial twice for it.
void Program::TuneRig(Vfo vfo, double toneHz) {
  if (display_.frozen) return;
  if (!rig_.TuneToMarker(vfo, toneHz, VfoSettingsOf(settings_, vfo).PitchFreq)) return;
  traces_[Slot(vfo)].pitchHz = 0.0;
  pitchMoved_[Slot(vfo)] = true;
}

void Program::RunRigDialog() {
  if (rigDialog_ == nullptr) return;
  const std::optional<RigSettings> chosen = rigDialog_->Run(
      settings_.Rig, [this](const RigSettings& rig) { rig_.StartTest(rig); },
      [this] { return rig_.TestAnswer(); });
  if (chosen) settings_.Rig = *chosen;
  // After a test of other settings, the chosen rig (or the one before) is taken up again.
  rig_.Begin(settings_.Rig);
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
  capture_.Close();
  rig_.Close();
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
  display_.layout = LayoutFor(settings_.ArrangeVertically, 2);
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
  const std::string text = "The settings were not saved" + (saved.why.empty() ? std::string(".") : ": " + saved.why + ".");
  reports_.Line(text);
  reports_.Box(text, MAIN_TITLE);
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
// channel count. 1: running; 2: the capture could not be brought back.
int Program::AcceptSoundCard(AudioFormat entry, int channels, int bitsPerSample) {
  if (channels == entry.channels && bitsPerSample == entry.bitsPerSample) return 1;
  const bool running = capture_.ChangeFormat(FormatOf(channels, bitsPerSample));
  // A refused format leaves the one that ran before.
  settings_.Channels = capture_.Format().channels;
  settings_.BitsPerSample = capture_.Format().bitsPerSample;
  if (!running) return 2;
  FitWindowsToChannels();
  return 1;
}

void Program::FitWindowsToChannels() {
  rig_.SetReadB(IsStereo(settings_));
  display_.layout = LayoutFor(settings_.ArrangeVertically, settings_.Channels);
  const Rect rect = main_.OuterRect();
  if (IsStereo(settings_)) {
    // Grow first, then place VFO-B; an open window stays as it is.
    main_.Move(OuterRect(rect.left, rect.top, display_.layout));
    OpenWindow(Vfo::B);
  } else {
    // Close VFO-B before the main window shrinks over it.
    CloseWindow(Vfo::B);
    main_.Move(OuterRect(rect.left, rect.top, display_.layout));
  }
}

// The layout row, with the spectrum windows as tall as the waterfall makes them.
MainLayout Program::LayoutFor(int arrangeVertically, int channels) const {
  return ChooseMainLayout(arrangeVertically, channels, display_.layout, waterfallShown_ ? WATERFALL_ROWS : 0);
}

// The waterfall shown or hidden: the spectrum windows grow or shrink by its height and the main
// window with them, from the same top-left corner; VFO-B below VFO-A moves to its new place. Rows
// kept from before it was hidden would lie about the time between them: it starts empty.
void Program::FitWaterfall() {
  waterfallShown_ = settings_.Waterfall != 0;
  for (Waterfall& waterfall : waterfalls_) waterfall.Clear();
  main_.SetWaterfall(waterfallShown_);
  const MainLayout before = display_.layout;
  display_.layout = LayoutFor(settings_.ArrangeVertically, settings_.Channels);
  const Rect rect = main_.OuterRect();
  main_.Move(OuterRect(rect.left, rect.top, display_.layout));
  if (display_.openB && (before.vfoBLeft != display_.layout.vfoBLeft || before.vfoBTop != display_.layout.vfoBTop)) {
    CloseWindow(Vfo::B);
    OpenWindow(Vfo::B);
  }
}

}  // namespace keblor
