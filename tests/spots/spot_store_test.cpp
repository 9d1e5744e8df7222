#include "spots/spot_store.h"

#include <gtest/gtest.h>

#include <string>

namespace keblor::test {
namespace {

Spot At(const std::string& call, std::int64_t hz, const std::string& spotter = "W3LPL") {
  return {spotter, call, hz, "", "", {}, {}, ""};
}

std::string Calls(const SpotStore& store, std::int64_t lowHz = 0, std::int64_t highHz = 30'000'000) {
  std::string calls;
  for (const KeptSpot& kept : store.InRange(lowHz, highHz)) calls += kept.spot.call + " ";
  return calls;
}

int Spotters(const SpotStore& store) { return store.InRange(0, 30'000'000).front().spotters; }

// A call's newer spot replaces its older one (it moved); the range holds both of its edges and
// comes by frequency.
TEST(SpotStore, NewestSpotPerCallAndRangeEdgesIncluded) {
  SpotStore store;
  store.Add(At("K1ABC", 7'025'000), 10);
  store.Add(At("DL1XX", 7'010'000), 20);
  store.Add(At("K1ABC", 7'030'000), 30);
  store.Add(At("OH2BH", 7'031'000), 40);
  EXPECT_EQ(store.Size(), 3u);
  EXPECT_EQ(Calls(store, 7'010'000, 7'030'000), "DL1XX K1ABC ");
  EXPECT_EQ(Calls(store, 7'010'001, 7'029'999), "");
  EXPECT_EQ(store.InRange(7'030'000, 7'030'000).front().heardAt, 30);
}

// Fifteen minutes by default: a spot heard at t is there at t + 899 s and gone at t + 900 s;
// refreshing the call starts its time again; another time applies to what is kept.
TEST(SpotStore, ExpiresAtTheEndOfTheTimeKept) {
  SpotStore store;
  store.Add(At("K1ABC", 7'025'000), 1000);
  store.Add(At("DL1XX", 7'010'000), 1000);
  store.Add(At("DL1XX", 7'010'000), 1500);
  store.Expire(1899);
  EXPECT_EQ(store.Size(), 2u);
  store.Expire(1900);
  EXPECT_EQ(Calls(store), "DL1XX ");
  store.SetMinutes(2);
  store.Expire(1619);
  EXPECT_EQ(store.Size(), 1u);
  store.Expire(1620);
  EXPECT_EQ(store.Size(), 0u);
}

// Spotters are counted once each, only those heard within the time kept, and at most
// MAX_SPOTTERS of them.
TEST(SpotStore, CountsDistinctSpottersWithinTheTime) {
  SpotStore store(1);
  store.Add(At("K1ABC", 7'025'000, "KM3T-#"), 0);
  store.Add(At("K1ABC", 7'025'100, "W3LPL"), 30);
  store.Add(At("K1ABC", 7'025'000, "KM3T-#"), 40);
  EXPECT_EQ(Spotters(store), 2);
  store.Add(At("K1ABC", 7'025'000, "DL1XX"), 90);  // W3LPL heard 60 s ago is out
  EXPECT_EQ(Spotters(store), 2);
  store.Expire(100);  // KM3T-# too
  EXPECT_EQ(Spotters(store), 1);
  for (int i = 0; i < 150; ++i) store.Add(At("K1ABC", 7'025'000, "SK" + std::to_string(i)), 100);
  EXPECT_EQ(Spotters(store), static_cast<int>(SpotStore::MAX_SPOTTERS));
}

// Beyond the cap the call heard longest ago goes, whatever else arrives.
TEST(SpotStore, CapDropsTheCallHeardLongestAgo) {
  SpotStore store(15, 3);
  int now = 0;
  for (const char* call : {"K1ABC", "K2ABC", "K3ABC", "K1ABC", "K4ABC"}) store.Add(At(call, 7'000'000 + call[1]), ++now);
  EXPECT_EQ(Calls(store), "K1ABC K3ABC K4ABC ");
  const auto flood = [&store](int from, int count, int hz) {
    for (int i = from; i < from + count; ++i) {
      std::string call = "F";
      call += std::to_string(i);
      call += 'A';
      store.Add(At(call, hz + i), 100 + i);
    }
  };
  flood(0, 5000, 7'000'000);
  EXPECT_EQ(Calls(store), "F4997A F4998A F4999A ");

  // Near a dial a spot outlives a flood elsewhere; with no room but near the dial, the oldest goes.
  const std::pair<std::int64_t, std::int64_t> nearDial[] = {{7'004'998, 7'004'998}};
  store.Protect(nearDial);
  flood(5000, 100, 14'000'000);
  EXPECT_EQ(Calls(store), "F4998A F5098A F5099A ");
  const std::pair<std::int64_t, std::int64_t> everywhere[] = {{0, 30'000'000}};
  store.Protect(everywhere);
  flood(6000, 1, 14'000'000);
  EXPECT_EQ(Calls(store), "F5098A F5099A F6000A ");
}

}  // namespace
}  // namespace keblor::test
