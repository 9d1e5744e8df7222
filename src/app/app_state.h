#pragma once
// The one process-wide state record. Everything reads and changes it on the GUI thread.

#include "analysis/block_analysis.h"
#include "app/main_layout.h"
#include "app/menu_state.h"
#include "app/settings.h"
#include "app/settings_file.h"
#include "app/window_layer.h"
#include "capture/capture_stream.h"
#include "display/trace_raster.h"

namespace keblor {

enum class Vfo { A, B };

// The runtime side of one VFO: its window, drawing surface and analysis results.
// From ChannelSpectrum: accumulator, displayRow, peakLevel.
struct ChannelView : ChannelSpectrum {
  bool windowOpen = false;
  WindowHandle signalWindow = NO_WINDOW;
  bool surfaceCreated = false;  // the trace surface exists (window open)
  TraceRaster raster{};         // outlives the window
};

struct AppState {
  Settings settings;

  // Platform services, not owned.
  WindowLayer* windows = nullptr;
  SettingsFile* settingsFile = nullptr;
  CaptureSink* captureSink = nullptr;  // where the stream's notifications go (the main window)

  MenuState menu;
  CursorHandle markerCursor = CURSOR_SIZE_WE;
  CursorHandle savedCursor = CURSOR_ARROW;
  MainLayout layout;
  CaptureStream capture;
  ChannelView vfoA;
  ChannelView vfoB;

  bool frozen = false;
  bool clearRequested = false;
  int averageCount = 0;

  FftTables fftTables;
  BlockWork blockWork;
};

inline ChannelView& ViewOf(AppState& app, Vfo vfo) { return vfo == Vfo::A ? app.vfoA : app.vfoB; }
inline VfoSettings& VfoSettingsOf(AppState& app, Vfo vfo) {
  return vfo == Vfo::A ? app.settings.VFO_A : app.settings.VFO_B;
}

}  // namespace keblor
