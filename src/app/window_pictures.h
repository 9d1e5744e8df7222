#pragma once
// What each spectrum window keeps between frames (its trace, its level readout and its
// waterfall) and the picture composed from them. GUI thread.

#include <array>
#include <string_view>

#include "analysis/spectrum_analyzer.h"
#include "core/display_commands.h"
#include "core/display_state.h"
#include "core/settings.h"
#include "display/spectrum_picture.h"
#include "display/waterfall.h"

namespace keblor {

class WindowPictures {
 public:
  // A completed averaging cycle into the open windows' traces, and their waterfalls while shown.
  void Draw(const SpectrumFrame& frame, const Settings& settings, const DisplayState& display, bool waterfall);
  // What a display command asks of the pictures: Clear empties the waterfalls too, and a
  // waterfall's rows belong to the scale they were drawn on.
  void Apply(const DisplayEffects& effects, const Settings& settings, DisplayState& display);
  // A window opened: its picture starts with a full repaint.
  void Repaint(Vfo vfo, DisplayState& display) { keblor::Repaint(traces_[SlotOf(vfo)], display); }
  // The waterfalls start empty: rows kept from before would lie about the time between them.
  void ClearWaterfalls();
  // The rig moved the window's dial: the tone it showed is no longer there.
  void ForgetTone(Vfo vfo) { traces_[SlotOf(vfo)].pitchHz = 0.0; }
  // Spots arrived at these columns: the window's next waterfall row marks them.
  void MarkSpots(Vfo vfo, std::span<const int> columns) {
    for (int column : columns) waterfalls_[SlotOf(vfo)].MarkSpot(column);
  }

  SpectrumPicture Compose(Vfo vfo, const Settings& settings, InputNotice notice, bool waterfall,
                          std::string_view rig, DecodeLine decode = {}, std::span<const SpotMark> spots = {}) const;

 private:
  std::array<WindowTrace, 2> traces_{};
  std::array<Waterfall, 2> waterfalls_{};
};

}  // namespace keblor
