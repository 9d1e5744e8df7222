#include "display/top_texts.h"

#include <algorithm>

namespace keblor {
namespace {

// 1x pixels kept dark between the dial and the readout's box: over a dark trace the box does not
// show, and a dial running on to the readout's figures would read as one text.
constexpr int DIAL_GAP = 4;

}  // namespace

TopTexts LayOutTopTexts(const WindowScale& scale, std::string_view readout, std::string_view dial,
                        const MeasureText& measure) {
  TopTexts texts;
  const Rect trace{0, scale.Px(TRACE_TOP), scale.Px(TRACE_COLUMNS), scale.Px(TRACE_TOP + RASTER_HEIGHT)};
  texts.trace = trace;
  const int one = scale.Px(1);
  const int two = scale.Px(2);
  const int top = trace.top + one;
  int right = trace.right;  // where the dial must end
  if (!readout.empty()) {
    const TextExtent size = measure(readout);
    const int end = trace.right - two;
    texts.readout = {end - size.width, top, end, top + size.height};
    texts.readoutBox = {std::max(trace.left, texts.readout.left - two), trace.top, std::min(trace.right, end + two),
                        std::min(trace.bottom, texts.readout.bottom + one)};
    right = texts.readoutBox.left - scale.Px(DIAL_GAP);
  }
  if (dial.empty()) return texts;
  const int left = trace.left + two;
  TextExtent size = measure(dial);
  for (std::size_t space = dial.rfind(' '); left + size.width > right && space != 0 && space != dial.npos;
       space = dial.rfind(' ', space - 1)) {
    dial = dial.substr(0, space);
    size = measure(dial);
  }
  texts.dial = {left, top, std::max(left, std::min(left + size.width, right)),
                std::min(trace.bottom, top + size.height)};
  texts.dialLength = dial.size();
  return texts;
}

}  // namespace keblor
