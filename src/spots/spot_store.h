#pragma once
// The spots heard lately: each call's newest spot for a set number of minutes, with how many
// spotters reported the call in that time. Time is the caller's clock in whole seconds; the store
// reads none of its own. Bounded whatever arrives: at most a cap of calls, each with at most
// MAX_SPOTTERS spotters remembered. Not thread-safe: one owner's thread.

#include <cstddef>
#include <cstdint>
#include <array>
#include <map>
#include <span>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "spots/spot.h"

namespace keblor {

struct KeptSpot {
  Spot spot;                  // the call's newest
  std::int64_t heardAt = 0;   // seconds, when the newest arrived
  int spotters = 0;           // distinct spotters of the call within the time kept
};

class SpotStore {
 public:
  static constexpr int DEFAULT_MINUTES = 15;
  static constexpr std::size_t DEFAULT_MAX_CALLS = 2000;
  static constexpr std::size_t MAX_SPOTTERS = 100;  // per call; the oldest is forgotten first

  explicit SpotStore(int minutes = DEFAULT_MINUTES, std::size_t maxCalls = DEFAULT_MAX_CALLS);

  // Spots are kept while younger than `minutes` (at least 1): one heard at t is gone at
  // t + minutes * 60. Spots already older go at the next Expire.
  void SetMinutes(int minutes);
  int Minutes() const { return static_cast<int>(keepSeconds_ / 60); }

  // Frequencies near the dials, whose spots a flood elsewhere does not push out: Add makes room
  // from the others first. At most two ranges, [low, high] in Hz; none: every spot alike.
  void Protect(std::span<const std::pair<std::int64_t, std::int64_t>> ranges);
  // Takes `spot` as its call's newest, heard at `now`. A new call beyond the cap makes room by
  // forgetting the call heard longest ago outside the protected ranges, or else the one heard
  // longest ago.
  void Add(Spot spot, std::int64_t now);
  // Forgets the spots, and the spotters, as old as the time kept or older at `now`.
  void Expire(std::int64_t now);

  // The kept spots whose frequency lies in [lowHz, highHz], by frequency.
  std::vector<KeptSpot> InRange(std::int64_t lowHz, std::int64_t highHz) const;
  std::size_t Size() const { return calls_.size(); }
  void Clear();

 private:
  struct Entry {
    Spot spot;
    std::int64_t heardAt = 0;
    std::vector<std::pair<std::string, std::int64_t>> spotters;  // spotter, last heard
  };
  void Forget(std::map<std::string, Entry>::iterator entry);
  void MakeRoom();
  bool IsProtected(std::int64_t hz) const;
  KeptSpot Kept(const Entry& entry) const;

  std::int64_t keepSeconds_;
  std::size_t maxCalls_;
  std::map<std::string, Entry> calls_;                    // by call
  std::set<std::pair<std::int64_t, std::string>> byAge_;  // (heardAt, call), oldest first
  std::array<std::pair<std::int64_t, std::int64_t>, 2> protected_{};
  std::size_t protectedCount_ = 0;
};

}  // namespace keblor
