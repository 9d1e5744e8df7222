#include "core/marker_pointer.h"

#include <gtest/gtest.h>

namespace keblor {
namespace {

// The marker is grabbed within 11 columns of its column, in client rows 16..141; only the left
// button alone drags it, and only while it is shown and the display runs.
TEST(MarkerPointer, GrabAndDrag) {
  const VfoSettings vfo{500, 1, 2};  // 10 Hz a column: column 50
  EXPECT_TRUE(PointAtMarker(vfo, false, 0, 39, 16).markerCursor);
  EXPECT_FALSE(PointAtMarker(vfo, false, 0, 38, 16).markerCursor);
  EXPECT_TRUE(PointAtMarker(vfo, false, 0, 61, 16).markerCursor);
  EXPECT_FALSE(PointAtMarker(vfo, false, 0, 62, 16).markerCursor);
  EXPECT_FALSE(PointAtMarker(vfo, false, 0, 50, 15).markerCursor);
  EXPECT_FALSE(PointAtMarker(vfo, false, 0, 50, 142).markerCursor);
  EXPECT_FALSE(PointAtMarker(vfo, false, 0, -1, 50).markerCursor);  // left of the window: a large x

  EXPECT_EQ(PointAtMarker(vfo, false, POINTER_LEFT, 55, 80).newPitchFreq, 550);
  EXPECT_FALSE(PointAtMarker(vfo, false, POINTER_LEFT | POINTER_SHIFT, 55, 80).newPitchFreq);
  EXPECT_FALSE(PointAtMarker(vfo, true, POINTER_LEFT, 55, 80).newPitchFreq);
  const VfoSettings hidden{500, 0, 2};
  EXPECT_FALSE(PointAtMarker(hidden, false, POINTER_LEFT, 55, 80).newPitchFreq);
  EXPECT_FALSE(PointAtMarker(hidden, false, 0, 50, 80).markerCursor);

  // The 500 Hz span: 2.5 Hz a column, the pitch rounded halves away from zero.
  EXPECT_EQ(PointAtMarker({300, 1, 0}, false, POINTER_LEFT, 121, 80).newPitchFreq, 303);
}

// A click tunes to the frequency of its column anywhere in the trace area, columns 0..199 and
// rows 16..143, as the marker would take it; not on the labels around it.
TEST(MarkerPointer, FrequencyUnderAClick) {
  const VfoSettings vfo{500, 0, 1};  // 5 Hz a column
  EXPECT_EQ(FrequencyAt(vfo, 140, 16), 700);
  EXPECT_EQ(FrequencyAt(vfo, 0, 143), 0);
  EXPECT_EQ(FrequencyAt(vfo, 199, 80), 995);
  EXPECT_FALSE(FrequencyAt(vfo, 140, 15));
  EXPECT_FALSE(FrequencyAt(vfo, 140, 144));
  EXPECT_FALSE(FrequencyAt(vfo, 200, 80));
  EXPECT_FALSE(FrequencyAt(vfo, -1, 80));
  EXPECT_EQ(FrequencyAt({500, 1, 0}, 121, 80), 303);  // 2.5 Hz a column, rounded
}

}  // namespace
}  // namespace keblor
