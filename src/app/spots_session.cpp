#include "app/spots_session.h"

#include <algorithm>
#include <cmath>

#include "base/rounding.h"
#include "core/ranges.h"
#include "rig/tuning.h"
#include "spots/spot.h"

namespace keblor {

SpotsSession::~SpotsSession() { *alive_ = false; }

void SpotsSession::Begin(const SpotsSettings& spots) {
  store_.SetMinutes(spots.Minutes);
  const bool wanted = maker_ && !spots.Host.empty() && !spots.Call.empty();
  const bool same = feed_ && spots.Host == open_.Host && spots.Port == open_.Port && spots.Call == open_.Call;
  if (same && wanted) return;
  Close();
  if (!wanted) return;
  feed_ = maker_();
  open_ = spots;
  FeedHandlers handlers;
  handlers.onLine = [this](std::string_view line) { Take(line); };
  handlers.onState = [this](const Status& state) {
    if (state.kind == Status::Kind::Lost) reports_.Line("spots " + state.reason + "; trying again");
  };
  feed_->Open(spots.Host, spots.Port, spots.Call, std::move(handlers));
  Tick(++tickToken_);
}

void SpotsSession::Close() {
  if (feed_) feed_->Close();
  feed_.reset();
  store_.Clear();
  fresh_.clear();
  ++tickToken_;
  for (auto& marks : marks_) marks.clear();
  for (auto& placed : placed_) placed.clear();
}

// A CW spot is kept; any other line (the prompt, talk, announcements, other modes) is not.
void SpotsSession::Take(std::string_view line) {
  std::optional<Spot> spot = ParseSpotLine(line);
  if (!spot || !IsCwSpot(*spot)) return;
  if (fresh_.size() < MAX_FRESH) fresh_.push_back(spot->call);
  store_.Add(std::move(*spot), NowSeconds());
}

void SpotsSession::Tick(int token) {
  std::weak_ptr<bool> alive = alive_;
  clock_.CallAfter(PLACE_MS, [this, alive, token] {
    if (alive.expired() || token != tickToken_) return;
    store_.Expire(NowSeconds());
    Tick(token);
    if (onDue_) onDue_();
  });
}

void SpotsSession::Place(const RigSession& rig, const Settings& settings, const SignalList& heard) {
  const std::int64_t now = NowSeconds();
  // The band around each dial is kept through a flood of spots elsewhere.
  std::array<std::pair<std::int64_t, std::int64_t>, 2> near{};
  std::size_t nearCount = 0;
  for (Vfo vfo : BOTH_VFOS)
    if (const std::optional<Dial>& dial = rig.DialOf(vfo))
      near[nearCount++] = {dial->hz - NEAR_DIAL_HZ, dial->hz + NEAR_DIAL_HZ};
  store_.Protect(std::span(near.data(), nearCount));
  const int keptSeconds = std::max(1, store_.Minutes()) * 60;
  for (Vfo vfo : BOTH_VFOS) {
    std::vector<SpotMark>& marks = marks_[SlotOf(vfo)];
    std::vector<PlacedSpot>& placed = placed_[SlotOf(vfo)];
    std::vector<int>& arrivals = arrivals_[SlotOf(vfo)];
    marks.clear();
    placed.clear();
    arrivals.clear();
    const std::optional<Dial>& dial = rig.DialOf(vfo);
    if (!feed_ || !dial || (vfo == Vfo::B && !IsStereo(settings))) continue;
    const Sideband sideband = ChooseSideband(settings.Rig.Sideband, dial->mode);
    const RangeRow& range = RangeOf(VfoSettingsOf(settings, vfo).Range);
    std::vector<KeptSpot> spots = store_.InRange(dial->hz - range.spanHz, dial->hz + range.spanHz);
    std::stable_sort(spots.begin(), spots.end(),
                     [](const KeptSpot& a, const KeptSpot& b) { return a.heardAt > b.heardAt; });
    for (const KeptSpot& kept : spots) {
      const std::optional<std::int64_t> pitch = PitchOfSignal(dial->hz, sideband, kept.spot.hz);
      if (!pitch || *pitch < 0 || *pitch > range.spanHz) continue;
      const auto age = static_cast<int>(now - kept.heardAt);
      placed.push_back({vfo, kept.spot.call, static_cast<double>(*pitch), kept.spotters, age / 60, kept.spot.wpm});
      const int column = std::clamp(RoundNearest(static_cast<double>(*pitch) * range.columnsPerHz), 0, TRACE_COLUMNS - 1);
      if (std::find(fresh_.begin(), fresh_.end(), kept.spot.call) != fresh_.end()) arrivals.push_back(column);
      if (marks.size() == MAX_SPOT_MARKS) continue;
      SpotMark mark;
      mark.column = column;
      kept.spot.call.substr(0, mark.call.size() - 1).copy(mark.call.data(), mark.call.size() - 1);
      mark.age = std::min(SPOT_AGES - 1, age * SPOT_AGES / keptSeconds);
      for (int i = 0; i < heard.Count(); ++i) {
        const SignalRow& row = heard.Row(i);
        if (row.vfo == vfo && row.heard && row.call == kept.spot.call &&
            std::abs(row.hz - static_cast<double>(*pitch)) <= HEARD_REACH_HZ)
          mark.heard = true;
      }
      marks.push_back(mark);
    }
  }
  fresh_.clear();
}

std::span<const SpotMark> SpotsSession::Marks(Vfo vfo) const { return marks_[SlotOf(vfo)]; }
std::span<const PlacedSpot> SpotsSession::Placed(Vfo vfo) const { return placed_[SlotOf(vfo)]; }
std::span<const int> SpotsSession::Arrivals(Vfo vfo) const { return arrivals_[SlotOf(vfo)]; }

void SpotsSession::RunDialog(SpotsSettings& spots) {
  if (!HasDialog()) return;
  const std::optional<SpotsSettings> chosen =
      dialog_->Run(spots, [this](const SpotsSettings& tried) { StartTest(tried); }, [this] { return TestAnswer(); });
  EndTest();
  if (chosen) spots = *chosen;
  Begin(spots);
}

// The Test's feed is dropped once it answered, from the clock rather than from inside its handler.
void SpotsSession::StartTest(const SpotsSettings& spots) {
  EndTest();
  testAnswer_.reset();
  if (!maker_) {
    testAnswer_ = "This build has no spot feed";
    return;
  }
  testFeed_ = maker_();
  const int token = ++testToken_;
  FeedHandlers handlers;
  handlers.onLine = [this, token](std::string_view line) {
    if (token != testToken_ || testAnswer_) return;
    testAnswer_ = std::string(line);
    clock_.CallAfter(0, [this, token, alive = std::weak_ptr<bool>(alive_)] {
      if (!alive.expired() && token == testToken_) EndTest();
    });
  };
  handlers.onState = [this, token](const Status& state) {
    if (token == testToken_ && !testAnswer_ && state.kind == Status::Kind::Lost) testAnswer_ = state.reason;
  };
  testFeed_->Open(spots.Host, spots.Port, spots.Call, std::move(handlers));
  clock_.CallAfter(TEST_WAIT_MS, [this, token, host = spots.Host, alive = std::weak_ptr<bool>(alive_)] {
    if (alive.expired() || token != testToken_) return;
    if (!testAnswer_) testAnswer_ = "Nothing came from " + host + " in 10 s";
    EndTest();
  });
}

void SpotsSession::EndTest() {
  if (testFeed_) testFeed_->Close();
  testFeed_.reset();
}

}  // namespace keblor
