#include "app/program.h"

#include "core/command_ids.h"
#include "core/display_commands.h"
#include "core/marker_pointer.h"
#include "core/settings_store.h"

namespace keblor {

namespace {

constexpr const char* MAIN_TITLE = "CW Keblor";

int PopupMenuOf(Vfo vfo) { return vfo == Vfo::A ? cmd::POPUP_MENU_A : cmd::POPUP_MENU_B; }

}  // namespace

Program::Program(MainView& main, Desktop& desktop, Reports& reports, AudioSource& source,
                 SettingsFile* settingsFile)
    : main_(main),
      desktop_(desktop),
      reports_(reports),
      settingsFile_(settingsFile),
      capture_(source, desktop, reports),
      rig_(desktop, reports),
      spots_(desktop, reports),
      windows_(main, display_),
      pacer_(desktop, [this] { OnPictureDue(); }),
      signals_(main, desktop) {
  capture_.SetBlockHandler([this](const std::uint8_t* frames, const AudioFormat& format) { OnBlock(frames, format); });
  capture_.SetOnChange([this] { Finish(); });
  capture_.SetWatched([this] { return !display_.frozen && !closed_; });
  rig_.SetOnEvents([this](const RigEvents& events) { OnRigEvents(events); });
  spots_.SetOnDue([this] { OnSpotsDue(); });
}

void Program::SetRigSupport(std::unique_ptr<RigLine> line, RigDialog* dialog) {
  rig_.SetLine(std::move(line));
  rig_.SetDialog(dialog);
}

void Program::SetSpotSupport(SpotFeedMaker maker, SpotsDialog* dialog) {
  spots_.SetFeedMaker(std::move(maker));
  spots_.SetDialog(dialog);
}

bool Program::StartUp() {
  if (desktop_.FindRunningCopy()) return false;

  if (settingsFile_ != nullptr) LoadSettings(settings_, *settingsFile_);
  ApplyChoices(settings_, choices_);
  const Settings& s = settings_;
  waterfallShown_ = s.Waterfall != 0;
  windows_.CreateMain(MAIN_TITLE, {s.xPos, s.yPos}, s, waterfallShown_);
  if (waterfallShown_) main_.SetWaterfall(true);

  const bool capturing = capture_.Begin(FormatOf(s.Channels, s.BitsPerSample), s.Input, choices_.input);
  settings_.Input = capture_.WantedInput();
  if (!capturing) return AbandonStartUp();

  windows_.Open(Vfo::A);
  if (IsStereo(s)) windows_.Open(Vfo::B);
  if (s.AlwaysOnTop != 0) main_.SetTopmost(true);
  rig_.SetReadB(IsStereo(s));
  rig_.Begin(s.Rig);
  signals_.Fit(settings_, main_.OuterRect());
  spots_.Begin(settings_.Spots);
  refreshDue_ = true;
  Finish();
  return true;
}

// A start that fails leaves no capture and no spectrum window open.
bool Program::AbandonStartUp() {
  display_.frozen = true;
  capture_.Close();
  for (Vfo vfo : BOTH_VFOS) windows_.Close(vfo);
  return false;
}

void Program::Shutdown() { Close(); }

void Program::OnInputMenuShown() {
  capture_.ListInputs();
  refreshDue_ = true;
  Finish();
}

void Program::OnBlock(const std::uint8_t* frames, const AudioFormat& format) {
  AnalyzerOptions options = AnalyzerOptionsOf(settings_);
  options.pitchReadout = options.pitchReadout || rig_.Configured();  // zero-beat needs the tone
  options.decode = SignalsSession::Wanted(settings_);
  analyzer_.Configure(options);
  const std::optional<SpectrumFrame> frame = analyzer_.Push(frames, {format.channels, format.bitsPerSample});
  if (options.decode) signals_.Take(analyzer_, settings_, {spots_.Placed(Vfo::A), spots_.Placed(Vfo::B)});
  if (frame) {
    tones_ = {frame->pitchHzA, frame->pitchHzB};
    if (!display_.frozen)
      if (const std::optional<SpectrumFrame> now = pacer_.Offer(*frame)) DrawFrameNow(*now);
  }
  Finish();
}

void Program::OnPictureDue() {
  if (display_.frozen || closed_) pacer_.Drop();
  if (const std::optional<SpectrumFrame> frame = pacer_.TakeDue()) DrawFrameNow(*frame);
  Finish();
}

void Program::DrawFrameNow(const SpectrumFrame& frame) {
  pictures_.Draw(frame, settings_, display_, waterfallShown_);
  picturesDue_ = true;
}

// Once the rig has moved a window's dial, its tone sits elsewhere: the readout reads afresh, so
// that the old place held over the last second is not tuned a second time.
void Program::OnRigEvents(const RigEvents& events) {
  for (Vfo vfo : BOTH_VFOS) {
    if (!events.moved[SlotOf(vfo)]) continue;
    analyzer_.ForgetPitch(static_cast<int>(SlotOf(vfo)));
    tones_[SlotOf(vfo)] = 0.0;
    pictures_.ForgetTone(vfo);
  }
  picturesDue_ = true;
  Finish();
}

void Program::OnSpotsDue() {
  spots_.Place(rig_, settings_, signals_.List());
  for (Vfo vfo : BOTH_VFOS) pictures_.MarkSpots(vfo, spots_.Arrivals(vfo));
  picturesDue_ = true;
  Finish();
}

void Program::Finish() {
  if (capture_.TakeChanged()) refreshDue_ = true;
  if (refreshDue_) {
    Refresh();
  } else if (picturesDue_ && !closed_) {
    for (Vfo vfo : BOTH_VFOS) ShowPicture(vfo);
  }
  refreshDue_ = picturesDue_ = false;
}

void Program::ShowPicture(Vfo vfo) {
  SpectrumView* view = windows_.View(vfo);
  if (view == nullptr) return;
  view->Show(
      pictures_.Compose(vfo, settings_, capture_.Notice(), waterfallShown_, rig_.Shown(vfo), signals_.LineOf(vfo),
                        spots_.Marks(vfo)));
}

// The menu and the open windows' pictures from the state; a window opened since starts with a
// full repaint.
void Program::Refresh() {
  menu_ = DeriveMenu(settings_, display_, capture_.MenuInputs());
  menu_.items[cmd::RigSettings].enabled = rig_.HasDialog();
  menu_.items[cmd::SpotsSettings].enabled = spots_.HasDialog();
  if (closed_) return;
  main_.ShowMenu(menu_);
  if (settings_.Zoom != zoomShown_) {
    zoomShown_ = settings_.Zoom;
    main_.SetZoom(zoomShown_);
  }
  if ((settings_.Waterfall != 0) != waterfallShown_) {
    waterfallShown_ = settings_.Waterfall != 0;
    pictures_.ClearWaterfalls();
    windows_.FitWaterfall(settings_, waterfallShown_);
  }
  const std::array<bool, 2> opened = windows_.TakeOpened();
  for (Vfo vfo : BOTH_VFOS) {
    if (opened[SlotOf(vfo)]) pictures_.Repaint(vfo, display_);
    ShowPicture(vfo);
  }
}

void Program::OnCommand(std::uint32_t command) {
  RunCommand(static_cast<int>(command & 0xFFFFu));
  refreshDue_ = true;
  Finish();
}

void Program::OnKey(AcceleratorKey key, bool ctrl) {
  if (const int id = TranslateAccelerator(menu_, key, ctrl); id != 0) OnCommand(static_cast<std::uint32_t>(id));
}

void Program::RunCommand(int id) {
  if (capture_.PickInputItem(id)) {
    settings_.Input = capture_.WantedInput();  // a Save keeps what the capture ends up wanting
    return;
  }
  if (const std::optional<DisplayEffects> effects = ApplyDisplayCommand(settings_, display_, id)) {
    if (effects->restartAveraging) analyzer_.Restart();
    if (display_.frozen) pacer_.Drop();  // a frozen picture stays as it was
    pictures_.Apply(*effects, settings_, display_);
    return;
  }
  if (signals_.RunCommand(id, settings_, main_.OuterRect())) return;
  switch (id) {
    case cmd::MainVfoA: windows_.Toggle(Vfo::A); break;
    case cmd::SubVfoB: windows_.Toggle(Vfo::B); break;
    case cmd::ArrangeVertically:
      // The command is greyed with one channel, so only the two-channel rows apply.
      settings_.ArrangeVertically = settings_.ArrangeVertically != 0 ? 0 : 1;
      windows_.Arrange(settings_.ArrangeVertically, waterfallShown_);
      break;
    case cmd::AlwaysOnTop:
      settings_.AlwaysOnTop = settings_.AlwaysOnTop != 0 ? 0 : 1;
      main_.SetTopmost(settings_.AlwaysOnTop != 0);
      break;
    case cmd::SoundCard: RunSoundCardDialog(); break;
    case cmd::InputControls: desktop_.OpenMixer(MixerKind::Recording); break;
    case cmd::OutputControls: desktop_.OpenMixer(MixerKind::Playback); break;
    case cmd::Save: Save(); break;
    case cmd::SaveAndExit:
      if (Save()) Close();  // changes that could not be saved are not dropped
      break;
    case cmd::Exit: Close(); break;
    case cmd::ZeroBeatA: TuneRig(Vfo::A, tones_[0]); break;
    case cmd::ZeroBeatB: TuneRig(Vfo::B, tones_[1]); break;
    case cmd::RigSettings: rig_.RunDialog(settings_.Rig); break;
    case cmd::SpotsSettings: spots_.RunDialog(settings_.Spots); break;
    case cmd::HelpContents: desktop_.OpenHelp(); break;
    case cmd::About: desktop_.ShowAbout(); break;
    default: break;  // any other id only refreshes the menu
  }
}

void Program::OnPointer(Vfo vfo, unsigned keys, int x, int y) {
  if (!display_.IsOpen(vfo)) return;
  VfoSettings& v = VfoSettingsOf(settings_, vfo);
  const PointerOutcome outcome = PointAtMarker(v, display_.frozen, keys, x, y);
  windows_.View(vfo)->SetMarkerCursor(outcome.markerCursor);
  if (!outcome.newPitchFreq) return;
  v.PitchFreq = *outcome.newPitchFreq;
  refreshDue_ = true;
  Finish();
}

void Program::OnRightButton(Vfo vfo, int x, int y) {
  if (!display_.IsOpen(vfo) || display_.frozen) return;
  windows_.View(vfo)->ShowPopupMenu(PopupMenuOf(vfo), {x, y}, PopupCheckedItems(settings_, vfo));
}

void Program::OnTuneClick(Vfo vfo, int x, int y) {
  if (const std::optional<int> hz = FrequencyAt(VfoSettingsOf(settings_, vfo), x, y)) TuneRig(vfo, *hz);
  Finish();
}

// A window's tone onto its marker; not while frozen (the picture would not show where the rig
// went), nor without the window. The readout starts afresh once the rig confirms the move.
void Program::TuneRig(Vfo vfo, double toneHz) {
  if (display_.frozen || !display_.IsOpen(vfo)) return;
  if (rig_.TuneToMarker(vfo, toneHz, VfoSettingsOf(settings_, vfo).PitchFreq)) picturesDue_ = true;
}

void Program::OnSpectrumClose(Vfo vfo) {
  windows_.Close(vfo);
  refreshDue_ = true;
  Finish();
}

void Program::OnMainClose() { Close(); }

void Program::OnSignalSelected(int row) { signals_.Select(row); }

// With a rig the chosen signal is zero-beaten; without, the marker moves onto it.
void Program::OnSignalChosen(int row) {
  if (const std::optional<std::pair<Vfo, double>> chosen = signals_.Choose(row)) {
    if (rig_.Configured()) TuneRig(chosen->first, chosen->second);
    else refreshDue_ |= !display_.frozen && PlaceMarker(VfoSettingsOf(settings_, chosen->first), chosen->second);
  }
  Finish();
}

void Program::OnSignalsClose() { OnCommand(cmd::SignalsWindow); }

// Freeze, close the capture and the rig, close the spectrum windows, destroy the main window,
// quit with 0. Whatever is still open after the event loop ended goes the same way.
void Program::Close() {
  if (closed_) return;
  display_.frozen = true;
  capture_.Close();
  rig_.Close();
  spots_.Close();
  signals_.Close(settings_);
  for (Vfo vfo : BOTH_VFOS) windows_.Close(vfo);
  closed_ = true;
  main_.Destroy();
}

bool Program::Save() {
  // The restored place, so that a minimised window saves where it will come back.
  const Point topLeft = main_.RestoredTopLeft();
  settings_.xPos = topLeft.x;
  settings_.yPos = topLeft.y;
  signals_.KeepPlace(settings_);
  const Status saved = SaveSettings(settings_, settingsFile_);
  if (!saved.Ok()) reports_.Tell(SaveFailureText(saved), MAIN_TITLE);
  return saved.Ok();
}

void Program::RunSoundCardDialog() {
  const AudioFormat entry{settings_.Channels, settings_.BitsPerSample};
  const int result = desktop_.RunSoundCardDialog(entry.channels, entry.bitsPerSample, [this, entry](int c, int b) {
    const int accepted = AcceptSoundCard(entry, c, b);
    refreshDue_ = true;
    Finish();  // the windows as they are now, while the dialog is still up
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
  rig_.SetReadB(IsStereo(settings_));
  windows_.FitChannels(settings_, waterfallShown_);
  return 1;
}

}  // namespace keblor
