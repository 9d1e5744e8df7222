#include "display/spectrum_picture.h"

#include <algorithm>
#include <cstdio>

#include "base/rounding.h"
#include "display/level_readout.h"
#include "display/trace_rendering.h"

namespace keblor {

const char* RangeLabelText(int range) { return IsValidRange(range) ? RangeOf(range).label : ""; }

SpectrumPicture ComposePicture(const WindowTrace& trace, const VfoSettings& vfo, const PictureOptions& options) {
  const int numberOfAverages = options.numberOfAverages;
  const InputNotice notice = options.notice;
  SpectrumPicture picture;
  char pitch[32];
  std::snprintf(pitch, sizeof pitch, "PITCH: %d Hz", static_cast<int>(vfo.PitchFreq));
  char averages[32];
  std::snprintf(averages, sizeof averages, "AVGS: %d", numberOfAverages);

  int n = 0;
  picture.boxes[static_cast<std::size_t>(n++)] = {PITCH_BOX, TextAlign::Left, pitch, TEXT_BLACK};
  picture.boxes[static_cast<std::size_t>(n++)] = {AVERAGES_BOX, TextAlign::Right, averages, TEXT_BLACK};
  picture.boxes[static_cast<std::size_t>(n++)] = {SCALE_START_BOX, TextAlign::Left, "0 Hz", TEXT_BLACK};
  picture.boxes[static_cast<std::size_t>(n++)] = {SCALE_END_BOX, TextAlign::Right, RangeLabelText(vfo.Range), TEXT_BLACK};
  if (trace.level != LevelShown::None) {
    const bool peak = trace.level == LevelShown::Peak;
    picture.boxes[static_cast<std::size_t>(n++)] = {LEVEL_BOX, TextAlign::Left, peak ? trace.levelText : std::string(),
                                                    peak && trace.levelRed ? TEXT_RED : TEXT_BLACK};
  }
  picture.boxCount = n;
  picture.waterfall = options.waterfall;
  options.rig.copy(picture.rig.data(), std::min(options.rig.size(), picture.rig.size() - 1));
  picture.spotCount = static_cast<int>(std::min<std::size_t>(options.spots.size(), MAX_SPOT_MARKS));
  std::copy_n(options.spots.begin(), picture.spotCount, picture.spots.begin());
  picture.decodeLine = options.decodeLine;
  const std::string_view label = options.decode.label.substr(0, picture.decodeLabel.size() - 1);
  label.copy(picture.decodeLabel.data(), label.size());
  const std::string_view text = options.decode.text;
  const std::size_t kept = std::min(text.size(), picture.decodeText.size() - 1);
  text.substr(text.size() - kept).copy(picture.decodeText.data(), kept);
  if (options.pitchReadout && trace.pitchHz > 0.0 && notice != InputNotice::Stalled) {
    const int hz = RoundNearest(trace.pitchHz);
    const int offset = hz - static_cast<int>(vfo.PitchFreq);
    char readout[48];
    std::snprintf(readout, sizeof readout, "%d Hz  %+d", hz, offset);
    picture.readout = readout;
    char spoken[80];
    if (offset == 0)
      std::snprintf(spoken, sizeof spoken, "%d hertz, on the pitch", hz);
    else
      std::snprintf(spoken, sizeof spoken, "%d hertz, %d %s the pitch", hz, offset > 0 ? offset : -offset,
                    offset > 0 ? "above" : "below");
    picture.readoutSpoken = spoken;
  }
  if (notice == InputNotice::Stalled) {
    picture.notice = "No input";  // a stale trace must never look live
  } else {
    picture.raster = trace.raster;
    if (notice == InputNotice::TooFast) picture.notice = "Input too fast";
  }
  return picture;
}

void DrawFrame(WindowTrace& trace, const DisplayRow& row, float peak, const VfoSettings& vfo, bool level,
               int bitsPerSample, double pitchHz) {
  trace.pitchHz = pitchHz;
  if (level) {
    trace.level = LevelShown::Peak;
    trace.levelText = FormatLevelText(peak, bitsPerSample);
    trace.levelRed = IsFullScale(peak, bitsPerSample);
  }
  RenderTraceRaster(trace.raster, row, vfo.Pitch != 0, vfo.PitchFreq, vfo.Range);
}

void Repaint(WindowTrace& trace, DisplayState& display) {
  trace.level = LevelShown::None;
  if (display.clearRequested) trace.raster.fill(0);
  if (!(display.clearRequested && display.frozen)) display.clearRequested = false;
}

void BlankLevel(WindowTrace& trace) {
  trace.level = LevelShown::Empty;
  trace.levelText.clear();
  trace.levelRed = false;
}

}  // namespace keblor
