#include "base/rounding.h"

#include <gtest/gtest.h>

namespace keblor {
namespace {

// Halves go away from zero on both sides; just under a half goes toward zero.
TEST(Rounding, HalvesGoAwayFromZero) {
  EXPECT_EQ(RoundNearest(2.5), 3);
  EXPECT_EQ(RoundNearest(-2.5), -3);
  EXPECT_EQ(RoundNearest(3.4999), 3);
  EXPECT_EQ(RoundNearest(-0.49), 0);
  EXPECT_EQ(RoundNearest<long long>(10'368'100'000.5), 10'368'100'001);  // a dial beyond int
}

}  // namespace
}  // namespace keblor
