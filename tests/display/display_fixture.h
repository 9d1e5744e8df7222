#pragma once
// An AppState wired to the fake window layer, with helpers to open windows as the program does.

#include <gtest/gtest.h>

#include <vector>

#include "app/app_state.h"
#include "app/command_ids.h"
#include "app/menu_state.h"
#include "display/signal_window.h"
#include "fakes/fake_window_layer.h"

namespace keblor::test {

class DisplayFixture : public ::testing::Test {
 protected:
  DisplayFixture() { app.windows = &fake; }

  // Opens the window and does what every caller of OpenSignalWindow does afterwards.
  WindowHandle Open(Vfo vfo) {
    OpenSignalWindow(app, vfo);
    ViewOf(app, vfo).windowOpen = true;
    CheckMenuItem(app, vfo == Vfo::A ? cmd::MainVfoA : cmd::SubVfoB, true);
    return ViewOf(app, vfo).signalWindow;
  }

  void PaintAll() {
    fake.RunPendingPaints([&](WindowHandle w) { OnSignalPaint(app, w); });
  }

  FakeSignalWindow& Window(WindowHandle w) { return fake.signalWindows.at(w); }

  FakeWindowLayer fake;
  AppState app;
};

// The rows lit in one column of the raster, top to bottom.
inline std::vector<int> LitRows(const TraceRaster& raster, int column) {
  std::vector<int> rows;
  for (int r = 0; r < RASTER_HEIGHT; ++r)
    if (RasterPixel(raster, column, r)) rows.push_back(r);
  return rows;
}

inline std::vector<int> RowRange(int first, int last) {
  std::vector<int> rows;
  for (int r = first; r <= last; ++r) rows.push_back(r);
  return rows;
}

inline DisplayRow FlatRow(std::uint8_t value) {
  DisplayRow row{};
  row.fill(value);
  row[0] = 127;
  return row;
}

}  // namespace keblor::test
