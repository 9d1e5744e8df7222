#pragma once
// The sound card dialog "IDD_CARD": mono/stereo and 8/16 bits while the program runs.

#include "app/app_state.h"
#include "app/dialog_host.h"

namespace keblor {

inline constexpr int IDC_CHANNELS_1 = 1078;
inline constexpr int IDC_CHANNELS_2 = 1079;
inline constexpr int IDC_BITS_8 = 1080;
inline constexpr int IDC_BITS_16 = 1081;

// The values when the dialog opened.
struct SoundCardDialogState {
  int entryChannels = 1;
  int entryBits = 16;
};

// The dialog procedure. Ends with 0 (cancel, close), 1 (OK, stream running) or 2 (the stream
// could not be re-opened or restarted; the caller closes the program).
bool SoundCardDialog(AppState& app, SoundCardDialogState& state, DialogHost& host, DialogMessage message,
                     int wParam);

}  // namespace keblor
