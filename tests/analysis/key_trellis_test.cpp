// The key decided over runs: what a dip, a gap and an overlong mark come out as.

#include "analysis/key_trellis.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace keblor {
namespace {

// Pushes one sample per character ('#' evidence +1 for a mark, '.' -1, '-' -0.2) and returns
// the key decided ('#' or '.'), checking that every sample comes back once and in order.
std::string Decided(KeyTrellis& t, std::string_view evidence) {
  std::string key;
  int next = 0;
  const auto take = [&](int n) {
    for (int i = 0; i < n; ++i) {
      EXPECT_EQ(t.Value(i), static_cast<float>(next++));
      key += t.Mark(i) ? '#' : '.';
    }
  };
  for (std::size_t i = 0; i < evidence.size(); ++i) take(t.Push(evidence[i] == '#' ? 1.0 : evidence[i] == '.' ? -1.0 : -0.2, static_cast<float>(i)));
  take(t.Finish());
  return key;
}

std::string Runs(std::string_view pattern) {  // "20# 2. 5#" -> 20 '#', 2 '.', 5 '#'
  std::string s;
  for (std::size_t at = 0; at < pattern.size();) {
    const std::size_t end = pattern.find(' ', at);
    const std::string_view run = pattern.substr(at, end - at);
    s.append(std::stoul(std::string(run)), run.back());
    at = end == std::string_view::npos ? pattern.size() : end + 1;
  }
  return s;
}

// Two changes cost 6: a dip of 5 samples (worth 5) stays in the mark, one of 7 (worth 7) splits
// it and keeps its length; the runs reach far past the decision delay.
TEST(KeyTrellis, ChangesPayForThemselves) {
  KeyTrellis t;
  t.Reset(3, 40, 41, 80, 3.0);
  EXPECT_EQ(Decided(t, Runs("100. 30# 5. 30# 100.")), Runs("100. 65# 100."));
  t.Reset(3, 40, 41, 80, 3.0);
  EXPECT_EQ(Decided(t, Runs("100. 30# 7. 30# 100.")), Runs("100. 30# 7. 30# 100."));
}

// A mark far longer than the longest is split where it said least for a mark, though the weak
// stretch alone would not pay for the changes; one just within the longest is not.
TEST(KeyTrellis, OverlongMarkSplitsAtItsWeakestSamples) {
  KeyTrellis t;
  t.Reset(3, 10, 11, 50, 3.0);
  EXPECT_EQ(Decided(t, Runs("100. 30# 6- 30# 100.")), Runs("100. 30# 6. 30# 100."));
  t.Reset(3, 10, 11, 66, 3.0);
  EXPECT_EQ(Decided(t, Runs("100. 30# 6- 30# 100.")), Runs("100. 66# 100."));
}

}  // namespace
}  // namespace keblor
