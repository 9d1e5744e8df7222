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
}

}  // namespace
}  // namespace keblor
