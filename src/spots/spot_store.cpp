#include "spots/spot_store.h"

#include <algorithm>

namespace keblor {

SpotStore::SpotStore(int minutes, std::size_t maxCalls) : keepSeconds_(60), maxCalls_(std::max<std::size_t>(maxCalls, 1)) {
  SetMinutes(minutes);
}

void SpotStore::SetMinutes(int minutes) { keepSeconds_ = std::int64_t{std::max(minutes, 1)} * 60; }

void SpotStore::Add(Spot spot, std::int64_t now) {
  auto found = calls_.find(spot.call);
  if (found == calls_.end()) {
    if (calls_.size() >= maxCalls_) MakeRoom();
    found = calls_.emplace(spot.call, Entry{}).first;
  } else {
    byAge_.erase({found->second.heardAt, found->first});
  }
  Entry& entry = found->second;
  auto& spotters = entry.spotters;
  std::erase_if(spotters, [&](const auto& s) { return now - s.second >= keepSeconds_; });
  auto same = std::find_if(spotters.begin(), spotters.end(), [&](const auto& s) { return s.first == spot.spotter; });
  if (same != spotters.end()) {
    same->second = now;
  } else {
    if (spotters.size() >= MAX_SPOTTERS)
      spotters.erase(std::min_element(spotters.begin(), spotters.end(),
                                      [](const auto& a, const auto& b) { return a.second < b.second; }));
    spotters.emplace_back(spot.spotter, now);
  }
  entry.spot = std::move(spot);
  entry.heardAt = now;
  byAge_.emplace(now, found->first);
}

void SpotStore::Protect(std::span<const std::pair<std::int64_t, std::int64_t>> ranges) {
  protectedCount_ = std::min(ranges.size(), protected_.size());
  std::copy_n(ranges.begin(), protectedCount_, protected_.begin());
}

bool SpotStore::IsProtected(std::int64_t hz) const {
  return std::any_of(protected_.begin(), protected_.begin() + static_cast<std::ptrdiff_t>(protectedCount_),
                     [hz](const auto& range) { return hz >= range.first && hz <= range.second; });
}

void SpotStore::MakeRoom() {
  for (const auto& [heardAt, call] : byAge_) {
    const auto entry = calls_.find(call);
    if (!IsProtected(entry->second.spot.hz)) {
      Forget(entry);
      return;
    }
  }
  Forget(calls_.find(byAge_.begin()->second));
}

void SpotStore::Expire(std::int64_t now) {
  while (!byAge_.empty() && now - byAge_.begin()->first >= keepSeconds_) Forget(calls_.find(byAge_.begin()->second));
  for (auto& [call, entry] : calls_)
    std::erase_if(entry.spotters, [&](const auto& s) { return now - s.second >= keepSeconds_; });
}

std::vector<KeptSpot> SpotStore::InRange(std::int64_t lowHz, std::int64_t highHz) const {
  std::vector<KeptSpot> found;
  for (const auto& [call, entry] : calls_)
    if (entry.spot.hz >= lowHz && entry.spot.hz <= highHz) found.push_back(Kept(entry));
  std::sort(found.begin(), found.end(), [](const KeptSpot& a, const KeptSpot& b) { return a.spot.hz < b.spot.hz; });
  return found;
}

void SpotStore::Clear() {
  calls_.clear();
  byAge_.clear();
}

void SpotStore::Forget(std::map<std::string, Entry>::iterator entry) {
  byAge_.erase({entry->second.heardAt, entry->first});
  calls_.erase(entry);
}

KeptSpot SpotStore::Kept(const Entry& entry) const {
  return {entry.spot, entry.heardAt, static_cast<int>(entry.spotters.size())};
}

}  // namespace keblor
