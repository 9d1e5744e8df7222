#include "app/window_commands.h"

#include "app/command_ids.h"
#include "app/main_window.h"
#include "app/menu_state.h"
#include "app/settings_store.h"
#include "display/signal_window.h"

namespace keblor {

namespace {

int WindowItemOf(Vfo vfo) { return vfo == Vfo::A ? cmd::MainVfoA : cmd::SubVfoB; }

// Opens the VFO's window at its place in the current layout and marks it open.
void OpenAndMark(AppState& app, Vfo vfo) {
  OpenSignalWindow(app, vfo);
  CheckMenuItem(app, WindowItemOf(vfo), true);
  ViewOf(app, vfo).windowOpen = true;
}

void StartMixerOnce(AppState& app, MixerKind kind) {
  if (!app.windows->IsMixerOpen(kind)) app.windows->StartMixer(kind);
}

}  // namespace

void ToggleSignalWindow(AppState& app, Vfo vfo) {
  ChannelView& view = ViewOf(app, vfo);
  if (view.windowOpen) {
    // The window's own close handling clears the flag and the check mark.
    OnSignalClose(app, view.signalWindow);
    return;
  }
  OpenAndMark(app, vfo);
}

void ArrangeWindows(AppState& app) {
  const Rect rect = app.windows->GetMainWindowRect();
  const bool vfoBWasOpen = app.vfoB.windowOpen;
  if (vfoBWasOpen) OnSignalClose(app, app.vfoB.signalWindow);

  Settings& s = app.settings;
  s.ArrangeVertically = s.ArrangeVertically != 0 ? 0 : 1;
  CheckMenuItem(app, cmd::ArrangeVertically, s.ArrangeVertically != 0);
  // The command is greyed with one channel, so only the two-channel rows apply.
  app.layout = ChooseMainLayout(s.ArrangeVertically, 2, app.layout);

  app.windows->MoveMainWindow(rect.left, rect.top, app.layout.width, app.layout.height);
  if (vfoBWasOpen) OpenAndMark(app, Vfo::B);
}

void ToggleAlwaysOnTop(AppState& app) {
  Settings& s = app.settings;
  s.AlwaysOnTop = s.AlwaysOnTop != 0 ? 0 : 1;
  app.windows->SetMainWindowTopmost(s.AlwaysOnTop != 0);
  CheckMenuItem(app, cmd::AlwaysOnTop, s.AlwaysOnTop != 0);
}

void RunSoundCardCommand(AppState& app) {
  // 2: the stream could not be brought back, so the program cannot go on.
  if (app.windows->RunDialog(DialogId::SoundCard) == 2) OnMainClose(app);
}

void OpenRecordingMixer(AppState& app) { StartMixerOnce(app, MixerKind::Recording); }

void OpenPlaybackMixer(AppState& app) { StartMixerOnce(app, MixerKind::Playback); }

void SaveCommand(AppState& app) {
  // A failed write has already been reported by SaveSettings; the command goes on silently.
  SaveSettings(app);
}

void SaveAndExitCommand(AppState& app) {
  SaveSettings(app);
  OnMainClose(app);
}

void ExitCommand(AppState& app) { OnMainClose(app); }

void HelpContentsCommand(AppState& app) { app.windows->OpenHelp("CONTENTS"); }

void AboutCommand(AppState& app) { app.windows->RunDialog(DialogId::About); }

}  // namespace keblor
