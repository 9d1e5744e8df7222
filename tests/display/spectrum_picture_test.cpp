#include "display/spectrum_picture.h"

#include <gtest/gtest.h>

#include "display/raster_rows.h"

namespace keblor::test {
namespace {

// The four labels from the settings, then the level box only once a frame has shown it.
TEST(SpectrumPicture, LabelsAndTheLevelReadout) {
  WindowTrace trace;
  const VfoSettings vfo{730, 1, 3};
  SpectrumPicture p = ComposePicture(trace, vfo, {12});
  ASSERT_EQ(p.boxCount, 4);
  EXPECT_EQ(p.boxes[0].text, "PITCH: 730 Hz");
  EXPECT_EQ(p.boxes[1].text, "AVGS: 12");
  EXPECT_EQ(p.boxes[1].align, TextAlign::Right);
  EXPECT_EQ(p.boxes[2].text, "0 Hz");
  EXPECT_EQ(p.boxes[3].text, "3000 Hz");

  DrawFrame(trace, FlatRow(127), 32768.0f, vfo, true, 16);
  p = ComposePicture(trace, vfo, {12});
  ASSERT_EQ(p.boxCount, 5);
  EXPECT_EQ(p.boxes[4].box, LEVEL_BOX);
  EXPECT_EQ(p.boxes[4].text, "Level: 0.0dB");
  EXPECT_EQ(p.boxes[4].color, TEXT_RED);

  BlankLevel(trace);
  p = ComposePicture(trace, vfo, {12});
  ASSERT_EQ(p.boxCount, 5);
  EXPECT_EQ(p.boxes[4].text, "");

  // With the readout off a frame leaves the box as it is.
  DisplayState display;
  Repaint(trace, display);
  DrawFrame(trace, FlatRow(127), 100.0f, vfo, false, 16);
  EXPECT_EQ(ComposePicture(trace, vfo, {12}).boxCount, 4);
}

// The readout names the strongest tone and its distance from the marker in whole hertz, and
// says so in words for a screen reader; no tone, or the readout off, shows nothing.
TEST(SpectrumPicture, PitchReadoutWrittenAndSpoken) {
  WindowTrace trace;
  struct Case {
    double hz;
    int pitch;
    const char* shown;
    const char* spoken;
  };
  for (const Case& c : {Case{711.5, 700, "712 Hz  +12", "712 hertz, 12 above the pitch"},
                        Case{688.49, 700, "688 Hz  -12", "688 hertz, 12 below the pitch"},
                        Case{699.5, 700, "700 Hz  +0", "700 hertz, on the pitch"}}) {
    DrawFrame(trace, FlatRow(127), 0.0f, {c.pitch, 1, 1}, false, 16, c.hz);
    const SpectrumPicture p = ComposePicture(trace, {c.pitch, 1, 1}, {1, true});
    EXPECT_EQ(p.readout, c.shown);
    EXPECT_EQ(p.readoutSpoken, c.spoken);
    EXPECT_TRUE(ComposePicture(trace, {c.pitch, 1, 1}, {1, false}).readoutSpoken.empty());
  }
  DrawFrame(trace, FlatRow(127), 0.0f, {700, 1, 1}, false, 16, 0.0);
  const SpectrumPicture none = ComposePicture(trace, {700, 1, 1}, {1, true});
  EXPECT_EQ(none.readout, "");
  EXPECT_EQ(none.readoutSpoken, "");
}

// The trace carries the marker where the settings stood at the frame: a later pitch change shows
// in the label at once and in the trace with the next frame.
TEST(SpectrumPicture, TraceIsDrawnAtTheFrame) {
  WindowTrace trace;
  VfoSettings vfo{1000, 1, 2};  // column 100
  DrawFrame(trace, FlatRow(127), 0.0f, vfo, false, 16);
  vfo.PitchFreq = 500;
  const SpectrumPicture p = ComposePicture(trace, vfo, {1});
  EXPECT_EQ(p.boxes[0].text, "PITCH: 500 Hz");
  EXPECT_EQ(LitRows(p.raster, 100), RowRange(0, 127));
  EXPECT_EQ(LitRows(p.raster, 50), std::vector<int>{127});
}

// A clear while running is used up by the first window repainted; while frozen it blanks every
// window repainted until the display runs again.
TEST(SpectrumPicture, ClearBlanksTheFirstRepaintOrEveryOneWhileFrozen) {
  WindowTrace a, b;
  const VfoSettings vfo{500, 0, 1};
  DrawFrame(a, FlatRow(60), 0.0f, vfo, false, 16);
  DrawFrame(b, FlatRow(60), 0.0f, vfo, false, 16);
  DisplayState display;
  display.clearRequested = true;
  Repaint(a, display);
  Repaint(b, display);
  EXPECT_TRUE(LitRows(a.raster, 10).empty());
  EXPECT_EQ(LitRows(b.raster, 10), std::vector<int>{60});

  display.frozen = true;
  display.clearRequested = true;
  Repaint(b, display);
  Repaint(b, display);
  EXPECT_TRUE(LitRows(b.raster, 10).empty());
  EXPECT_TRUE(display.clearRequested);
}

// The rig's text is kept in the picture itself, cut to what its buffer holds, always ended.
TEST(SpectrumPicture, TheRigsTextIsKeptInThePicture) {
  const WindowTrace trace;
  EXPECT_STREQ(ComposePicture(trace, {500, 1, 1}, {}).rig.data(), "");
  PictureOptions options;
  options.rig = "14.025 000 MHz CWR";
  EXPECT_STREQ(ComposePicture(trace, {500, 1, 1}, options).rig.data(), "14.025 000 MHz CWR");
  const std::string longer(60, 'x');
  options.rig = longer;
  const SpectrumPicture picture = ComposePicture(trace, {500, 1, 1}, options);
  EXPECT_EQ(std::string(picture.rig.data()), longer.substr(0, picture.rig.size() - 1));
}

}  // namespace
}  // namespace keblor::test
