#include "display/trace_rendering.h"

#include <algorithm>

#include "analysis/fft_engine.h"

namespace keblor {

namespace {

// Columns per Hz for RangeIndex 0..4: one over 2.5, 5, 10, 15 and 20 Hz per column.
constexpr double MARKER_SCALE[RANGE_COUNT] = {0.4, 0.2, 0.1, 1.0 / 15.0, 0.05};

// The marker stops one row short of the bottom of the trace area.
constexpr int MARKER_ROWS = RASTER_HEIGHT - 1;

void LightPixel(TraceRaster& raster, int column, int row) {
  raster[static_cast<std::size_t>(row * RASTER_ROW_BYTES + column / 8)] |=
      static_cast<std::uint8_t>(0x80u >> (column % 8));
}

// A display row entry as a trace row; entries are 0..127, anything larger is the floor.
int RowOf(std::uint8_t value) { return std::min<int>(value, RASTER_HEIGHT - 1); }

}  // namespace

int MarkerColumn(int pitchFreq, int range) {
  if (range < 0 || range >= RANGE_COUNT) return -1;
  return RoundNearest(pitchFreq * MARKER_SCALE[range]);
}

void RenderTraceRaster(TraceRaster& raster, const DisplayRow& row, bool pitchOn, int pitchFreq, int range) {
  raster.fill(0);

  if (pitchOn) {
    const int m = MarkerColumn(pitchFreq, range);
    if (m >= 0 && m < TRACE_COLUMNS)
      for (int r = 0; r < MARKER_ROWS; ++r) LightPixel(raster, m, r);
  }

  // Each column holds one run from its own entry toward the next one, stopping a row short:
  // that row starts the next column's run.
  int prev = RowOf(row[0]);
  for (int c = 0; c < TRACE_COLUMNS; ++c) {
    const int next = RowOf(row[static_cast<std::size_t>(c + 1)]);
    if (next > prev) {
      for (int r = prev; r < next; ++r) LightPixel(raster, c, r);
    } else if (next < prev) {
      for (int r = next + 1; r <= prev; ++r) LightPixel(raster, c, r);
    } else {
      LightPixel(raster, c, prev);
    }
    prev = next;
  }
}

void CreateTraceSurface(AppState& app, Vfo vfo) {
  ChannelView& view = ViewOf(app, vfo);
  if (view.signalWindow == NO_WINDOW || view.surfaceCreated) return;
  // The raster is left as it is: a reopened window shows the last frame drawn before it closed.
  app.windows->CreateTraceSurface(view.signalWindow);
  view.surfaceCreated = true;
}

void ReleaseTraceSurface(AppState& app, Vfo vfo) {
  ChannelView& view = ViewOf(app, vfo);
  if (!view.surfaceCreated) return;
  if (view.signalWindow != NO_WINDOW) app.windows->ReleaseTraceSurface(view.signalWindow);
  view.surfaceCreated = false;
}

void RenderTrace(AppState& app, Vfo vfo) {
  ChannelView& view = ViewOf(app, vfo);
  // A closed window keeps its raster untouched for the next time it opens.
  if (view.signalWindow == NO_WINDOW || !view.surfaceCreated) return;
  const VfoSettings& s = VfoSettingsOf(app, vfo);
  RenderTraceRaster(view.raster, view.displayRow, s.Pitch != 0, s.PitchFreq, s.Range);
  ShowTrace(app, vfo);
}

void ShowTrace(AppState& app, Vfo vfo) {
  ChannelView& view = ViewOf(app, vfo);
  if (view.signalWindow == NO_WINDOW || !view.surfaceCreated) return;
  app.windows->ShowTrace(view.signalWindow, view.raster);
}

void PaintTrace(AppState& app, Vfo vfo) {
  ChannelView& view = ViewOf(app, vfo);
  if (app.clearRequested) view.raster.fill(0);
  ShowTrace(app, vfo);
}

}  // namespace keblor
