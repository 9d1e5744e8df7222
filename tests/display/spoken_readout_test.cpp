#include "display/spoken_readout.h"

#include <gtest/gtest.h>

namespace keblor {
namespace {

// A screen reader hears the first reading at once, a change no sooner than a second after the
// last thing it heard, the latest change when that second is up, and nothing for a reading that
// stays or comes back to what it heard.
TEST(SpokenReadout, AtMostOnceASecondAndOnlyChanges) {
  SpokenReadout spoken;
  EXPECT_FALSE(spoken.Offer("", 0));  // nothing yet, as the window says already
  EXPECT_TRUE(spoken.Offer("712 hertz, 12 above the pitch", 100));
  EXPECT_EQ(spoken.Told(), "712 hertz, 12 above the pitch");
  EXPECT_FALSE(spoken.Offer("712 hertz, 12 above the pitch", 1500));
  EXPECT_EQ(spoken.DueMs(), -1);

  EXPECT_FALSE(spoken.Offer("713 hertz, 13 above the pitch", 1000));
  EXPECT_FALSE(spoken.Offer("714 hertz, 14 above the pitch", 1099));
  EXPECT_EQ(spoken.DueMs(), 1100);
  EXPECT_TRUE(spoken.Offer("714 hertz, 14 above the pitch", 1100));
  EXPECT_EQ(spoken.Told(), "714 hertz, 14 above the pitch");
  EXPECT_EQ(spoken.DueMs(), -1);

  EXPECT_FALSE(spoken.Offer("", 1500));  // the tone gone, too soon to say so
  EXPECT_FALSE(spoken.Offer("714 hertz, 14 above the pitch", 1600));  // and back: nothing waits
  EXPECT_EQ(spoken.DueMs(), -1);
  EXPECT_TRUE(spoken.Offer("", 2100));
  EXPECT_EQ(spoken.Told(), "");
}

}  // namespace
}  // namespace keblor
