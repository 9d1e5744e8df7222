#pragma once
// The spectrum windows: opening and closing, and their procedure (paint, mouse, right button,
// close). Also the label drawing the commands share.

#include <string>

#include "app/app_state.h"

namespace keblor {

// Mouse key state bits, as the window system reports them with a mouse message.
inline constexpr unsigned MK_LBUTTON = 0x0001;
inline constexpr unsigned MK_RBUTTON = 0x0002;
inline constexpr unsigned MK_SHIFT = 0x0004;
inline constexpr unsigned MK_CONTROL = 0x0008;
inline constexpr unsigned MK_MBUTTON = 0x0010;

enum class MouseMessage { Move, LeftDown, LeftUp };

// Creates the VFO's window at its place, its trace surface, shows and paints it. The caller
// then sets windowOpen and checks the Window menu item.
void OpenSignalWindow(AppState& app, Vfo vfo);
void ReleaseSignalWindow(AppState& app, Vfo vfo);

// The window procedure, by window handle (a handle of no open VFO window is ignored).
void OnSignalPaint(AppState& app, WindowHandle window);
void OnSignalMouse(AppState& app, WindowHandle window, MouseMessage message, unsigned keys, int x, int y);
void OnSignalRightButton(AppState& app, WindowHandle window, int x, int y);
void OnSignalClose(AppState& app, WindowHandle window);  // the close request

// Labels drawn straight into an open window, exactly as the paint draws them.
void DrawPitchLabel(AppState& app, Vfo vfo);
void DrawAveragesLabel(AppState& app, Vfo vfo);
void DrawRangeLabel(AppState& app, Vfo vfo);
void EraseLevelReadout(AppState& app, Vfo vfo);

// "500 Hz" .. "4000 Hz" for RangeIndex 0..4.
const char* RangeLabelText(int range);

}  // namespace keblor
