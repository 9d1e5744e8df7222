#include "capture/block_pacer.h"

#include <gtest/gtest.h>

namespace keblor {
namespace {

constexpr std::int64_t MS = 1'000'000;

// Feeds blocks `gap` apart (after the caller's wait) for `duration`; the total wait asked for.
std::int64_t Feed(BlockPacer& pacer, std::int64_t& now, std::int64_t gap, std::int64_t duration) {
  std::int64_t waited = 0;
  for (const std::int64_t end = now + duration; now < end;) {
    const std::int64_t delay = pacer.DelayFor(now);
    waited += delay;
    now += delay + gap;
  }
  return waited;
}

// Twice real time (twenty blocks a second) is still a device's own pace; twenty-one is not.
TEST(BlockPacer, PacesOnlyMoreThanTwiceRealTime) {
  BlockPacer twice;
  std::int64_t now = 0;
  EXPECT_EQ(Feed(twice, now, 50 * MS, 3000 * MS), 0);
  EXPECT_FALSE(twice.Pacing());

  BlockPacer faster;
  now = 0;
  Feed(faster, now, 48 * MS, 1100 * MS);  // 21 blocks in the first second
  EXPECT_TRUE(faster.Pacing());
}

// A device without a clock: after its first second every block waits until a block's time
// after the one before, so ten seconds bring about a hundred blocks, not millions.
TEST(BlockPacer, HoldsAnUnpacedDeviceToRealTime) {
  BlockPacer pacer;
  std::int64_t now = 0;
  Feed(pacer, now, 10'000, 1001 * MS);  // 10 us a block, for a second and one more
  ASSERT_TRUE(pacer.Pacing());
  int blocks = 0;
  for (const std::int64_t end = now + 10'000 * MS; now < end; ++blocks) now += pacer.DelayFor(now) + 10'000;
  EXPECT_GE(blocks, 99);
  EXPECT_LE(blocks, 101);
  EXPECT_TRUE(pacer.Pacing());
}

// When the device keeps time again, its blocks wait no more and the pacing ends within two
// seconds; a reset forgets it at once.
TEST(BlockPacer, LetsGoWhenTheDeviceKeepsTimeAgain) {
  BlockPacer pacer;
  std::int64_t now = 0;
  Feed(pacer, now, 10'000, 1001 * MS);
  ASSERT_TRUE(pacer.Pacing());
  Feed(pacer, now, 100 * MS, 2000 * MS);
  EXPECT_FALSE(pacer.Pacing());
  EXPECT_EQ(Feed(pacer, now, 100 * MS, 1000 * MS), 0);

  Feed(pacer, now, 10'000, 1001 * MS);
  Feed(pacer, now, 10'000, 1001 * MS);
  ASSERT_TRUE(pacer.Pacing());
  pacer.Reset();
  EXPECT_FALSE(pacer.Pacing());
  EXPECT_EQ(pacer.DelayFor(now), 0);
}

}  // namespace
}  // namespace keblor
