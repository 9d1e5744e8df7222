#pragma once
// The spot feed beside the capture and the rig: the feed opened as the settings say, its CW spots
// kept, and once a second the spots placed in each window's span at the rig's dial, as marks for
// the pictures and as pitches for the signals list. The dialog's Test on a feed of its own.
// GUI thread; the feed's lines arrive on it from the feed's own events.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/reports.h"
#include "app/rig_session.h"
#include "app/spots_dialog.h"
#include "app/views.h"
#include "core/settings.h"
#include "core/signal_list.h"
#include "display/spectrum_picture.h"
#include "spots/spot_feed.h"
#include "spots/spot_store.h"

namespace keblor {

using SpotFeedMaker = std::function<std::unique_ptr<SpotFeed>()>;

class SpotsSession {
 public:
  static constexpr int PLACE_MS = 1000;  // the spots are placed anew this often while a feed is open
  static constexpr int HEARD_REACH_HZ = 50;  // a decoded call this near a spot's pitch confirms it
  static constexpr int TEST_WAIT_MS = 10000;  // a Test that heard nothing says so after this
  static constexpr std::int64_t NEAR_DIAL_HZ = 100'000;  // spots this near a dial outlive a flood

  SpotsSession(Desktop& clock, Reports& reports) : clock_(clock), reports_(reports) {}
  ~SpotsSession();
  SpotsSession(const SpotsSession&) = delete;
  SpotsSession& operator=(const SpotsSession&) = delete;

  // The build's feeds; without one the settings are kept and nothing is opened.
  void SetFeedMaker(SpotFeedMaker maker) { maker_ = std::move(maker); }
  bool Supported() const { return static_cast<bool>(maker_); }
  // Settings > Spots...: the toolkit's dialog; without one (or feeds) the item is greyed.
  void SetDialog(SpotsDialog* dialog) { dialog_ = dialog; }
  bool HasDialog() const { return maker_ && dialog_ != nullptr; }
  // Runs the dialog from `spots`, its Test on a feed of its own; what OK chose goes into `spots`,
  // and the session begins with `spots` as it then stands.
  void RunDialog(SpotsSettings& spots);
  // Called each PLACE_MS while a feed is open, from the session's own timer: an entry point.
  void SetOnDue(std::function<void()> due) { onDue_ = std::move(due); }

  // The feed `spots` names from now on: opened with a host and a call, opened again when they
  // change, closed without them. The spots kept stay while the feed is the same.
  void Begin(const SpotsSettings& spots);
  void Close();

  // Each window's spots in its span at its dial, newest first; none without a dial or sideband.
  // A spot whose call the list hears within HEARD_REACH_HZ of its pitch is marked heard.
  void Place(const RigSession& rig, const Settings& settings, const SignalList& heard);
  std::span<const SpotMark> Marks(Vfo vfo) const;
  std::span<const PlacedSpot> Placed(Vfo vfo) const;
  // The columns of the spots that arrived since the Place before, in each window.
  std::span<const int> Arrivals(Vfo vfo) const;

  // The dialog's Test: `spots` on a feed of its own; the answer is its first line, or why none came.
  void StartTest(const SpotsSettings& spots);
  const std::optional<std::string>& TestAnswer() const { return testAnswer_; }

 private:
  void Take(std::string_view line);
  void Tick(int token);
  void EndTest();
  std::int64_t NowSeconds() const { return clock_.NowMs() / 1000; }

  Desktop& clock_;
  Reports& reports_;
  SpotFeedMaker maker_;
  SpotsDialog* dialog_ = nullptr;
  std::function<void()> onDue_;
  std::unique_ptr<SpotFeed> feed_;
  SpotsSettings open_{};  // what the open feed was opened with
  SpotStore store_;
  std::array<std::vector<SpotMark>, 2> marks_;
  std::array<std::vector<PlacedSpot>, 2> placed_;
  std::array<std::vector<int>, 2> arrivals_;
  // The calls spotted since the last Place; a flood beyond MAX_FRESH marks no more of them.
  static constexpr std::size_t MAX_FRESH = 256;
  std::vector<std::string> fresh_;
  int tickToken_ = 0;  // only the last timer started runs
  std::unique_ptr<SpotFeed> testFeed_;
  std::optional<std::string> testAnswer_;
  int testToken_ = 0;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);  // the timers' check after the end
};

}  // namespace keblor
