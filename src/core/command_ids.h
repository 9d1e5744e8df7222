#pragma once
// Command numbers of the menus, pop-up menus and accelerators.

namespace keblor::cmd {

inline constexpr int MainVfoA = 101;
inline constexpr int Clear = 104;
inline constexpr int Save = 107;
inline constexpr int About = 111;
inline constexpr int Exit = 112;
inline constexpr int Freeze = 300;
inline constexpr int SubVfoB = 301;
inline constexpr int ClearKey = 305;   // F11, no menu item
inline constexpr int FreezeKey = 306;  // F12, no menu item
inline constexpr int HelpContents = 307;
inline constexpr int RangeA1 = 351;
inline constexpr int RangeA2 = 352;
inline constexpr int RangeA4 = 353;
inline constexpr int RangeB1 = 354;
inline constexpr int RangeB2 = 355;
inline constexpr int RangeB4 = 356;
inline constexpr int PitchOnOffA = 357;
inline constexpr int PitchOnOffB = 358;
inline constexpr int AlwaysOnTop = 359;
inline constexpr int SaveAndExit = 360;
inline constexpr int AveragesDown = 361;
inline constexpr int AveragesUp = 362;
inline constexpr int PitchUpA = 363;
inline constexpr int PitchDownA = 364;
inline constexpr int PitchDownB = 365;
inline constexpr int PitchUpB = 366;
inline constexpr int RangeStepUpA = 368;    // keypad plus
inline constexpr int RangeStepDownA = 369;  // keypad minus
inline constexpr int RangeStepUpB = 370;    // Ctrl + keypad plus
inline constexpr int RangeStepDownB = 371;  // Ctrl + keypad minus
inline constexpr int SoundCard = 372;
inline constexpr int ArrangeVertically = 373;
inline constexpr int Ft1000mp = 374;
inline constexpr int RangeA3 = 375;
inline constexpr int RangeB3 = 376;
inline constexpr int InputControls = 377;
inline constexpr int OutputControls = 378;
inline constexpr int Preset1 = 379;
inline constexpr int Preset2 = 380;
inline constexpr int Preset3 = 381;
inline constexpr int RangeA0 = 382;
inline constexpr int RangeB0 = 383;
inline constexpr int SignalLevel = 384;
inline constexpr int PitchReadout = 385;
inline constexpr int RunningAverage = 386;
inline constexpr int Zoom1 = 387;  // Zoom1..Zoom4: 1x .. 4x
inline constexpr int Zoom2 = 388;
inline constexpr int Zoom3 = 389;
inline constexpr int Zoom4 = 390;
inline constexpr int ZoomStep = 391;  // Z: the next zoom, 4x back to 1x
inline constexpr int Waterfall = 392;  // W
// The rig: Settings > Rig..., and the zero-beat keys (no menu item).
inline constexpr int ZeroBeatA = 400;  // T
inline constexpr int ZeroBeatB = 401;  // Ctrl+T
inline constexpr int RigSettings = 402;
// The skimmer: the decode line (D), the signals window (L) and the steps through its rows (N, P,
// no menu item).
inline constexpr int Decode = 403;
inline constexpr int SignalsWindow = 404;
inline constexpr int NextSignal = 405;
inline constexpr int PreviousSignal = 406;
inline constexpr int SpotsSettings = 407;  // Settings > Spots...

// Settings > Input: the default input, then the inputs the back end lists, numbered from
// InputFirst in their order; the ids up to InputFirst + MAX_INPUT_ITEMS - 1 are theirs.
inline constexpr int InputDefault = 1000;
inline constexpr int InputFirst = 1001;
inline constexpr int MAX_INPUT_ITEMS = 200;
inline constexpr bool IsInputItem(int id) { return id >= InputDefault && id < InputFirst + MAX_INPUT_ITEMS; }

// Pop-up menu resources of the two spectrum windows.
inline constexpr int POPUP_MENU_A = 126;
inline constexpr int POPUP_MENU_B = 127;

}  // namespace keblor::cmd
