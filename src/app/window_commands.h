#pragma once
// The window, tool and help commands. Each is one action of CommandHandler, which runs
// RefreshMenuState afterwards. None is blocked while the display is frozen.

#include "app/app_state.h"

namespace keblor {

void ToggleSignalWindow(AppState& app, Vfo vfo);  // 101, 301
void ArrangeWindows(AppState& app);               // 373
void ToggleAlwaysOnTop(AppState& app);            // 359
void RunSoundCardCommand(AppState& app);          // 372; result 2 closes the program
void OpenRecordingMixer(AppState& app);           // 377
void OpenPlaybackMixer(AppState& app);            // 378
void SaveCommand(AppState& app);                  // 107
void SaveAndExitCommand(AppState& app);           // 360
void ExitCommand(AppState& app);                  // 112
void HelpContentsCommand(AppState& app);          // 307
void AboutCommand(AppState& app);                 // 111

}  // namespace keblor
