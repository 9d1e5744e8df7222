// The blanker of a neighbour's key edges: which runs of loud samples go and which pass.

#include "analysis/edge_blanker.h"

#include <gtest/gtest.h>

#include <complex>
#include <vector>

namespace keblor {
namespace {

constexpr double BOUND = 10.0;  // what the neighbours' edges can give a sample

// `count` samples of magnitude `size` through the blanker; which of them came out as 0.
std::vector<bool> Blanked(EdgeBlanker& b, int count, float size, double bound = BOUND) {
  std::vector<bool> out;
  for (int i = 0; i < count; ++i) out.push_back(b.Next({size, 0.0}, bound) == std::complex<double>());
  return out;
}

const std::vector<bool> NONE(40, false);

// Over a quiet baseband: an edge's burst goes; a mark of the signal loses no more than a burst's
// length at its start and, its level known, nothing after; a burst above that level still goes.
TEST(EdgeBlanker, BurstsGoAndTheSignalsMarksPass) {
  EdgeBlanker b;
  EXPECT_EQ(Blanked(b, 40, 0.1f), NONE);
  EXPECT_EQ(Blanked(b, EdgeBlanker::MAX_BURST, 1.0f), std::vector<bool>(EdgeBlanker::MAX_BURST, true));
  EXPECT_EQ(Blanked(b, 40, 0.1f), NONE);
  std::vector<bool> firstMark(12, false);
  for (int i = 0; i < EdgeBlanker::MAX_BURST; ++i) firstMark[static_cast<std::size_t>(i)] = true;
  EXPECT_EQ(Blanked(b, 12, 1.0f), firstMark);
  EXPECT_EQ(Blanked(b, 40, 0.1f), NONE);
  EXPECT_EQ(Blanked(b, 12, 1.0f), std::vector<bool>(12, false));
  EXPECT_EQ(Blanked(b, 20, 0.1f), std::vector<bool>(20, false));
  EXPECT_EQ(Blanked(b, 2, 2.0f), std::vector<bool>(2, true));
}

// Without neighbours nothing is touched; with them, a loud run just within what their edges can
// give goes, and one just beyond it, which none of them could make, passes.
TEST(EdgeBlanker, NothingGoesBeyondTheEdgesBound) {
  EdgeBlanker b;
  EXPECT_EQ(Blanked(b, 40, 0.1f), NONE);
  EXPECT_EQ(Blanked(b, 2, 1.0f, 0.0), std::vector<bool>(2, false));
  EXPECT_EQ(Blanked(b, 40, 0.1f), NONE);
  EXPECT_EQ(Blanked(b, 2, 0.9f * static_cast<float>(BOUND)), std::vector<bool>(2, true));
  EXPECT_EQ(Blanked(b, 40, 0.1f), NONE);
  EXPECT_EQ(Blanked(b, 2, 1.1f * static_cast<float>(BOUND)), std::vector<bool>(2, false));
}

}  // namespace
}  // namespace keblor
