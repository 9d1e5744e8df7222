#include "capture/sound_card_dialog.h"

#include "app/command_ids.h"
#include "app/menu_state.h"
#include "capture/capture_stream.h"
#include "display/signal_window.h"

namespace keblor {

namespace {

// The VFO-B items that only act with two channels ("&FT-1000MP CW" is handled apart).
constexpr int VFO_B_ITEMS[] = {cmd::SubVfoB,     cmd::RangeB0,    cmd::RangeB1,   cmd::RangeB2,
                               cmd::RangeB3,     cmd::RangeB4,    cmd::PitchOnOffB, cmd::PitchUpB,
                               cmd::PitchDownB,  cmd::ArrangeVertically};

void ShowStereoLayout(AppState& app, const Rect& rect) {
  app.windows->MoveMainWindow(rect.left, rect.top, app.layout.width, app.layout.height);
  for (int id : VFO_B_ITEMS) EnableMenuItem(app, id, true);
  CheckMenuItem(app, cmd::SubVfoB, true);
  EnableMenuItem(app, cmd::Ft1000mp, true);
  CheckMenuItem(app, cmd::PitchOnOffB, app.settings.VFO_B.Pitch != 0);
  for (int range = 0; range < 5; ++range)
    CheckMenuItem(app, cmd::RANGE_ITEMS_B[range], app.settings.VFO_B.Range == range);
  // Grow first, then place VFO-B; an open window stays as it is.
  if (!app.vfoB.windowOpen) OpenSignalWindow(app, Vfo::B);
  app.vfoB.windowOpen = true;
}

void ShowMonoLayout(AppState& app, const Rect& rect) {
  // Close VFO-B before the main window shrinks over it.
  if (app.vfoB.windowOpen) OnSignalClose(app, app.vfoB.signalWindow);
  CheckMenuItem(app, cmd::SubVfoB, false);
  for (int id : VFO_B_ITEMS) EnableMenuItem(app, id, false);
  EnableMenuItem(app, cmd::Ft1000mp, false);
  app.windows->MoveMainWindow(rect.left, rect.top, app.layout.width, app.layout.height);
}

// OK: take the new choice, re-open the stream in it and fit the windows to the channel count.
void AcceptChoice(AppState& app, const SoundCardDialogState& state, DialogHost& host) {
  Settings& s = app.settings;
  if (host.IsButtonChecked(IDC_CHANNELS_1)) s.Channels = 1;
  if (host.IsButtonChecked(IDC_CHANNELS_2)) s.Channels = 2;
  if (host.IsButtonChecked(IDC_BITS_8)) s.BitsPerSample = 8;
  if (host.IsButtonChecked(IDC_BITS_16)) s.BitsPerSample = 16;

  if (s.Channels == state.entryChannels && s.BitsPerSample == state.entryBits) {
    host.EndDialog(1);
    return;
  }

  CaptureStream& stream = app.capture;
  CloseCapture(stream);
  ComputeWaveFormat(stream, s.Channels, s.BitsPerSample);

  // A refused format falls back to the one that ran before; it is not queried again.
  if (int code = QueryCaptureFormat(stream); code != 0) {
    ReportDeviceError(app, code);
    s.Channels = state.entryChannels;
    s.BitsPerSample = state.entryBits;
    ComputeWaveFormat(stream, s.Channels, s.BitsPerSample);
  }

  int code = OpenCaptureDevice(stream, *app.captureSink);
  if (code == 0) code = QueueCaptureBuffers(stream);
  if (code != 0) {
    ReportDeviceError(app, code);
    host.EndDialog(2);
    return;
  }

  const bool stereo = s.Channels == 2;
  app.layout = ChooseMainLayout(s.ArrangeVertically, s.Channels, app.layout);
  if (stereo) CheckMenuItem(app, cmd::ArrangeVertically, s.ArrangeVertically != 0);

  const Rect rect = app.windows->GetMainWindowRect();
  if (stereo)
    ShowStereoLayout(app, rect);
  else
    ShowMonoLayout(app, rect);

  code = StartCapture(stream);
  if (code != 0) {
    ReportDeviceError(app, code);
    host.EndDialog(2);
    return;
  }
  host.EndDialog(1);
}

}  // namespace

bool SoundCardDialog(AppState& app, SoundCardDialogState& state, DialogHost& host, DialogMessage message,
                     int wParam) {
  switch (message) {
    case DialogMessage::InitDialog:
      state.entryChannels = app.settings.Channels;
      state.entryBits = app.settings.BitsPerSample;
      host.CheckRadioButton(IDC_CHANNELS_1, IDC_CHANNELS_2,
                            app.settings.Channels == 2 ? IDC_CHANNELS_2 : IDC_CHANNELS_1);
      host.CheckRadioButton(IDC_BITS_8, IDC_BITS_16, app.settings.BitsPerSample == 16 ? IDC_BITS_16 : IDC_BITS_8);
      return true;
    case DialogMessage::Close:
      host.EndDialog(0);
      return true;
    case DialogMessage::Command:
      if (wParam == 1) {
        AcceptChoice(app, state, host);
        return true;
      }
      if (wParam == 2) {
        host.EndDialog(0);
        return true;
      }
      return false;
  }
  return false;
}

}  // namespace keblor
