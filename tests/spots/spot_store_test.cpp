#include "spots/spot_store.h"

#include <gtest/gtest.h>

#include <string>

namespace keblor::test {
namespace {

Spot At(const std::string& call, std::int64_t hz, const std::string& spotter = "W3LPL") {
  Spot spot;
  spot.call = call;
  spot.hz = hz;
  spot.spotter = spotter;
  return spot;
}

std::string Calls(const std::vector<KeptSpot>& spots) {
  std::string calls;
  for (const KeptSpot& kept : spots) calls += kept.spot.call + " ";
  return calls;
}

// A call's newer spot replaces its older one (it moved); the range holds both of its edges and
// comes by frequency.
TEST(SpotStore, NewestSpotPerCallAndRangeEdgesIncluded) {
  SpotStore store;
  store.Add(At("K1ABC", 7'025'000), 10);
  store.Add(At("DL1XX", 7'010'000), 20);
  store.Add(At("K1ABC", 7'030'000), 30);
  store.Add(At("OH2BH", 7'031'000), 40);
  EXPECT_EQ(store.Size(), 3u);
  EXPECT_EQ(Calls(store.InRange(7'010'000, 7'030'000)), "DL1XX K1ABC ");
  EXPECT_EQ(Calls(store.InRange(7'010'001, 7'029'999)), "");
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
  EXPECT_EQ(Calls(store.InRange(0, 30'000'000)), "DL1XX ");

  store.SetMinutes(2);
  store.Expire(1619);
  EXPECT_EQ(store.Size(), 1u);
  store.Expire(1620);
  EXPECT_EQ(store.Size(), 0u);
}

// Spotters are counted once each, and only those heard within the time kept.
TEST(SpotStore, CountsDistinctSpottersWithinTheTime) {
  SpotStore store(1);
  store.Add(At("K1ABC", 7'025'000, "KM3T-#"), 0);
  store.Add(At("K1ABC", 7'025'100, "W3LPL"), 30);
  store.Add(At("K1ABC", 7'025'000, "KM3T-#"), 40);
  EXPECT_EQ(store.InRange(0, 30'000'000).front().spotters, 2);
  store.Add(At("K1ABC", 7'025'000, "DL1XX"), 90);  // W3LPL heard 60 s ago is out
  EXPECT_EQ(store.InRange(0, 30'000'000).front().spotters, 2);
  store.Expire(100);  // KM3T-# too
  EXPECT_EQ(store.InRange(0, 30'000'000).front().spotters, 1);

  for (int i = 0; i < 150; ++i) store.Add(At("K1ABC", 7'025'000, "SK" + std::to_string(i)), 100);
  EXPECT_EQ(store.InRange(0, 30'000'000).front().spotters, static_cast<int>(SpotStore::MAX_SPOTTERS));
}

// Beyond the cap the call heard longest ago goes, whatever else arrives.
TEST(SpotStore, CapDropsTheCallHeardLongestAgo) {
  SpotStore store(15, 3);
  store.Add(At("K1ABC", 7'001'000), 1);
  store.Add(At("K2ABC", 7'002'000), 2);
  store.Add(At("K3ABC", 7'003'000), 3);
  store.Add(At("K1ABC", 7'001'000), 4);
  store.Add(At("K4ABC", 7'004'000), 5);
  EXPECT_EQ(Calls(store.InRange(0, 30'000'000)), "K1ABC K3ABC K4ABC ");
  for (int i = 0; i < 5000; ++i) store.Add(At("F" + std::to_string(i) + "A", 7'000'000 + i), 6 + i);
  EXPECT_EQ(Calls(store.InRange(0, 30'000'000)), "F4997A F4998A F4999A ");
}

}  // namespace
}  // namespace keblor::test
