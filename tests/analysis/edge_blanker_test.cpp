// The blanker of a neighbour's key edges: which runs of loud samples go and which pass.

#include "analysis/edge_blanker.h"

#include <gtest/gtest.h>

#include <complex>
#include <vector>

namespace keblor {
namespace {

constexpr double BOUND = 10.0;  // what the neighbours' edges can give a sample

// `count` samples of magnitude `size` through the blanker, after 40 quiet ones that pass: which
// of them came out as 0.
std::vector<bool> Blanked(EdgeBlanker& b, int count, float size, double bound = BOUND) {
  for (int i = 0; i < 40; ++i) EXPECT_NE(b.Next({0.1, 0.0}, bound), std::complex<double>());
  std::vector<bool> out;
  for (int i = 0; i < count; ++i) out.push_back(b.Next({size, 0.0}, bound) == std::complex<double>());
  return out;
}

// An edge's burst goes; a mark of the signal loses no more than a burst's length at its start
// and, its level known, nothing; a burst above that level still goes. Without neighbours nothing
// goes, and with them a run just beyond what their edges can give a sample passes.
TEST(EdgeBlanker, BurstsGoAndTheSignalsMarksPass) {
  constexpr int B = EdgeBlanker::MAX_BURST;
  EdgeBlanker b;
  EXPECT_EQ(Blanked(b, B, 1.0f), std::vector<bool>(B, true));
  std::vector<bool> firstMark(12, false);
  std::fill(firstMark.begin(), firstMark.begin() + B, true);
  EXPECT_EQ(Blanked(b, 12, 1.0f), firstMark);
  EXPECT_EQ(Blanked(b, 12, 1.0f), std::vector<bool>(12, false));
  EXPECT_EQ(Blanked(b, 2, 2.0f), std::vector<bool>(2, true));
  EdgeBlanker edges;
  EXPECT_EQ(Blanked(edges, 2, 1.0f, 0.0), std::vector<bool>(2, false));
  EXPECT_EQ(Blanked(edges, 2, 0.9f * static_cast<float>(BOUND)), std::vector<bool>(2, true));
  EXPECT_EQ(Blanked(edges, 2, 1.1f * static_cast<float>(BOUND)), std::vector<bool>(2, false));
}

}  // namespace
}  // namespace keblor
