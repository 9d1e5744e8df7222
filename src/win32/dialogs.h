#pragma once
// The two modal dialogs from templates made in memory, laid out in dialog units of the system's
// 8-point dialog font: "Sound card settings" at (9, 6) and "About CW Keblor" at (50, 50) of the
// owner's client area.

#include <functional>

#include "app/dialog_items.h"  // the radio buttons' ids; OK is 1 and Cancel 2

struct HWND__;

namespace keblor {

// Mono or stereo, 8 or 16 bits. OK hands the choice to `accept` (which re-opens the capture while
// the dialog stays up) and ends with its result; Cancel, Escape and the close box end with 0.
int RunSoundCardDialog(HWND__* owner, int channels, int bitsPerSample, const std::function<int(int, int)>& accept);

// The program's name, version and author. OK (or Enter) ends with 0, the close box with 1;
// Escape does nothing.
int RunAboutBox(HWND__* owner);

}  // namespace keblor
