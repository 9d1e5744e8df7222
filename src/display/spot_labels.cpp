#include "display/spot_labels.h"

#include <algorithm>
#include <cstdint>

namespace keblor {

Rgb SpotColour(int age) {
  constexpr int NEWEST = LABEL_BACKGROUND.r;
  constexpr int OLDEST = 96;
  const int a = std::clamp(age, 0, SPOT_AGES - 1);
  const auto v = static_cast<std::uint8_t>(NEWEST - a * (NEWEST - OLDEST) / (SPOT_AGES - 1));
  return {v, v, v};
}

std::string SpotLabelText(const SpotMark& mark) { return std::string(mark.call.data()) + (mark.heard ? "*" : ""); }

SpotLabels PlaceSpotLabels(std::span<const SpotMark> marks, const WindowScale& scale, const MeasureText& measure) {
  struct Span {
    int left, right;
  };
  std::array<std::array<Span, MAX_SPOT_MARKS>, SPOT_LINES> placed{};
  std::array<std::size_t, SPOT_LINES> placedCount{};
  const int gap = scale.Px(SPOT_GAP);
  SpotLabels result;
  const std::size_t count = std::min(marks.size(), static_cast<std::size_t>(MAX_SPOT_MARKS));
  for (std::size_t i = 0; i < count; ++i) {
    const SpotMark& mark = marks[i];
    if (mark.call[0] == 0) continue;
    const int width = measure(SpotLabelText(mark)).width;
    const int column = std::clamp(mark.column, 0, TRACE_COLUMNS - 1);
    const int x = scale.Px(column);
    const int tickWidth = scale.Px(column + 1) - x;
    const int left = std::clamp(x + tickWidth / 2 - width / 2, 0, std::max(0, scale.Px(TRACE_COLUMNS) - width));
    const Span span{left, left + width};
    for (std::size_t line = 0; line < SPOT_LINES; ++line) {
      const auto spans = std::span(placed[line]).first(placedCount[line]);
      if (std::any_of(spans.begin(), spans.end(),
                      [&](const Span& p) { return span.left < p.right + gap && p.left < span.right + gap; }))
        continue;
      placed[line][placedCount[line]++] = span;
      result.labels[i] = {static_cast<int>(line), left, x, tickWidth};
      result.lines = std::max(result.lines, static_cast<int>(line) + 1);
      break;
    }
  }
  return result;
}

}  // namespace keblor
