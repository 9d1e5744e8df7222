#include "display/signal_window.h"

#include <cstdio>
#include <optional>
#include <vector>

#include "analysis/fft_engine.h"
#include "app/command_ids.h"
#include "app/menu_state.h"
#include "display/signal_window_layout.h"
#include "display/trace_rendering.h"

namespace keblor {

namespace {

// Hz per trace column for RangeIndex 0..4; range 0 (2.5 Hz) is handled apart.
constexpr int HZ_PER_COLUMN[5] = {0, 5, 10, 15, 20};
constexpr const char* RANGE_LABELS[5] = {"500 Hz", "1000 Hz", "2000 Hz", "3000 Hz", "4000 Hz"};

// The marker is grabbed within 11 columns either side of its hit-test centre.
constexpr double HIT_HALF_WIDTH = 12.0;
// Rows the marker can be grabbed in: client rows 16..141.
constexpr unsigned GRAB_ROW_ABOVE = 15;
constexpr unsigned GRAB_ROW_BELOW = 142;

struct VfoConstants {
  const char* title;
  int windowMenuItem;
  int popupMenu;
  int pitchOnOffItem;
  const int* rangeItems;
};

const VfoConstants& ConstantsOf(Vfo vfo) {
  static const VfoConstants a{"Main VFO-A", cmd::MainVfoA, cmd::POPUP_MENU_A, cmd::PitchOnOffA, cmd::RANGE_ITEMS_A};
  static const VfoConstants b{"Sub VFO-B", cmd::SubVfoB, cmd::POPUP_MENU_B, cmd::PitchOnOffB, cmd::RANGE_ITEMS_B};
  return vfo == Vfo::A ? a : b;
}

bool ValidRange(int range) { return range >= 0 && range < 5; }

// The VFO whose window this is; none for a handle of no open window.
std::optional<Vfo> VfoOfWindow(const AppState& app, WindowHandle window) {
  if (window == NO_WINDOW) return std::nullopt;
  if (app.vfoA.signalWindow == window) return Vfo::A;
  if (app.vfoB.signalWindow == window) return Vfo::B;
  return std::nullopt;
}

void DrawText(AppState& app, Vfo vfo, const Rect& box, TextAlign align, const std::string& text) {
  const WindowHandle window = ViewOf(app, vfo).signalWindow;
  if (window == NO_WINDOW) return;
  const Point anchor{align == TextAlign::Left ? box.left : RIGHT_ANCHOR_X, box.top};
  app.windows->DrawTextBox(window, box, align, anchor, text, TEXT_BLACK);
}

// The column the marker is grabbed around: the pitch over Hz per column, truncated, except
// in the 500 Hz span where it stays a real number.
double HitTestCentre(int pitchFreq, int range) {
  if (range == 0) return pitchFreq * 0.4;
  return static_cast<double>(pitchFreq / HZ_PER_COLUMN[range]);
}

int PitchFromColumn(unsigned x, int range) {
  if (range == 0) return RoundNearest(2.5 * x);
  return static_cast<int>(x) * HZ_PER_COLUMN[range];
}

// Presets 379..381: the first one both VFOs sit on is checked, the others not.
void MarkSharedPreset(AppState& app) {
  const int a = app.settings.VFO_A.PitchFreq;
  const int b = app.settings.VFO_B.PitchFreq;
  const int presets[3] = {app.settings.Pitch1, app.settings.Pitch2, app.settings.Pitch3};
  const int items[3] = {cmd::Preset1, cmd::Preset2, cmd::Preset3};
  int match = -1;
  for (int i = 0; i < 3 && match < 0; ++i)
    if (a == presets[i] && b == presets[i]) match = i;
  for (int i = 0; i < 3; ++i) CheckMenuItem(app, items[i], i == match);
}

}  // namespace

const char* RangeLabelText(int range) { return ValidRange(range) ? RANGE_LABELS[range] : ""; }

void OpenSignalWindow(AppState& app, Vfo vfo) {
  ChannelView& view = ViewOf(app, vfo);
  if (view.signalWindow != NO_WINDOW) return;  // already open
  const Point at = vfo == Vfo::A ? Point{0, 2} : Point{app.layout.vfoBLeft, app.layout.vfoBTop};
  view.signalWindow = app.windows->CreateSignalWindow(ConstantsOf(vfo).title, at.x, at.y);
  CreateTraceSurface(app, vfo);
  app.windows->ShowSignalWindow(view.signalWindow);
  OnSignalPaint(app, view.signalWindow);
}

void ReleaseSignalWindow(AppState& app, Vfo vfo) {
  ReleaseTraceSurface(app, vfo);
  ViewOf(app, vfo).signalWindow = NO_WINDOW;
}

void DrawPitchLabel(AppState& app, Vfo vfo) {
  char text[32];
  std::snprintf(text, sizeof text, "PITCH: %d Hz", static_cast<int>(VfoSettingsOf(app, vfo).PitchFreq));
  DrawText(app, vfo, PITCH_BOX, TextAlign::Left, text);
}

void DrawAveragesLabel(AppState& app, Vfo vfo) {
  char text[32];
  std::snprintf(text, sizeof text, "AVGS: %d", static_cast<int>(app.settings.NumberOfAverages));
  DrawText(app, vfo, AVERAGES_BOX, TextAlign::Right, text);
}

void DrawRangeLabel(AppState& app, Vfo vfo) {
  DrawText(app, vfo, SCALE_END_BOX, TextAlign::Right, RangeLabelText(VfoSettingsOf(app, vfo).Range));
}

void EraseLevelReadout(AppState& app, Vfo vfo) { DrawText(app, vfo, LEVEL_BOX, TextAlign::Left, ""); }

void OnSignalPaint(AppState& app, WindowHandle window) {
  const std::optional<Vfo> vfo = VfoOfWindow(app, window);
  if (!vfo) return;
  app.windows->EraseSignalWindow(window);
  DrawPitchLabel(app, *vfo);
  DrawAveragesLabel(app, *vfo);
  DrawText(app, *vfo, SCALE_START_BOX, TextAlign::Left, "0 Hz");
  DrawRangeLabel(app, *vfo);
  // The level readout is not part of a paint; it returns with the next display frame.
  PaintTrace(app, *vfo);
  // While frozen a clear request blanks every window painted until the display runs again;
  // while running it blanks only the first window painted.
  if (!(app.clearRequested && app.frozen)) app.clearRequested = false;
}

void OnSignalMouse(AppState& app, WindowHandle window, MouseMessage message, unsigned keys, int x, int y) {
  (void)message;  // moves and left button changes are handled alike
  const std::optional<Vfo> vfo = VfoOfWindow(app, window);
  if (vfo) {
    // Coordinates arrive as two unsigned 16-bit halves: a point left of or above the client
    // area reads as a large number.
    const unsigned ux = static_cast<unsigned>(x) & 0xFFFFu;
    const unsigned uy = static_cast<unsigned>(y) & 0xFFFFu;
    VfoSettings& s = VfoSettingsOf(app, *vfo);
    if (uy > GRAB_ROW_ABOVE && uy < GRAB_ROW_BELOW && ValidRange(s.Range)) {
      const double c = HitTestCentre(s.PitchFreq, s.Range);
      const bool hit = c - HIT_HALF_WIDTH < ux && ux < c + HIT_HALF_WIDTH;
      if (hit) {
        if (s.Pitch != 0) {
          const CursorHandle previous = app.windows->SetCursor(app.markerCursor);
          // Keep the cursor to go back to; a marker cursor still showing from the last
          // message is not one.
          if (previous != app.markerCursor) app.savedCursor = previous;
        }
      } else {
        app.windows->SetCursor(app.savedCursor);
      }
      if (keys == MK_LBUTTON && s.Pitch != 0 && hit && !app.frozen) {
        s.PitchFreq = PitchFromColumn(ux, s.Range);
        DrawPitchLabel(app, *vfo);
      }
    }
  }
  MarkSharedPreset(app);
}

void OnSignalRightButton(AppState& app, WindowHandle window, int x, int y) {
  const std::optional<Vfo> vfo = VfoOfWindow(app, window);
  if (!vfo) return;
  const Point screen = app.windows->ClientToScreen(window, {x, y});
  const VfoConstants& k = ConstantsOf(*vfo);
  const VfoSettings& s = VfoSettingsOf(app, *vfo);
  std::vector<int> checkedIds;
  if (s.Pitch != 0) checkedIds.push_back(k.pitchOnOffItem);
  if (ValidRange(s.Range)) checkedIds.push_back(k.rangeItems[s.Range]);
  if (!app.frozen) app.windows->TrackPopupMenu(k.popupMenu, screen, checkedIds);
}

void OnSignalClose(AppState& app, WindowHandle window) {
  const std::optional<Vfo> vfo = VfoOfWindow(app, window);
  if (!vfo) return;
  ViewOf(app, *vfo).windowOpen = false;
  ReleaseSignalWindow(app, *vfo);
  CheckMenuItem(app, ConstantsOf(*vfo).windowMenuItem, false);
  app.windows->DestroySignalWindow(window);
  if (!app.vfoA.windowOpen && !app.vfoB.windowOpen) {
    // Freez keeps its value, but with nothing to show neither it nor Clear can act.
    CheckMenuItem(app, cmd::Freeze, false);
    EnableMenuItem(app, cmd::Clear, false);
    EnableMenuItem(app, cmd::Freeze, false);
  }
}

}  // namespace keblor
