#pragma once
// The signals window and the decode lines: the list taken from the analyzer's skimmers, the
// window opened and placed as the settings say, the selection stepped and told to screen readers.
// GUI thread.

#include <cstdint>
#include <optional>
#include <utility>

#include "analysis/spectrum_analyzer.h"
#include "app/views.h"
#include "core/settings.h"
#include "core/signal_list.h"
#include "display/spoken_readout.h"

namespace keblor {

class SignalsSession {
 public:
  SignalsSession(MainView& main, Desktop& desktop) : main_(main), desktop_(desktop) {}

  // The skimmers run while the decode line or the signals window is shown, and cost nothing else.
  static bool Wanted(const Settings& settings) { return settings.Skimmer.Decode != 0 || settings.Skimmer.Signals != 0; }

  // After a block: the rows as the skimmers have them now; the window shows them when they read
  // differently, and a new call on the selected row is told.
  void Take(const SpectrumAnalyzer& analyzer, const Settings& settings,
            const std::array<std::span<const PlacedSpot>, 2>& spots = {});
  const SignalList& List() const { return list_; }
  // The window opened or closed as settings.Skimmer.Signals says; a first opening goes beside the
  // main window at `mainOuter`.
  void Fit(Settings& settings, const Rect& mainOuter);
  void Close(Settings& settings);      // the window closed, its place kept in the settings
  void KeepPlace(Settings& settings);  // the open window's place into the settings

  // The window's command (L), N and P: false for any other id.
  bool RunCommand(int id, Settings& settings, const Rect& mainOuter);
  void Step(int direction);  // N and P: the selection moves and the row is told
  void Select(int row);      // a row picked in the window
  // A row to tune to: its window and pitch. The row is selected.
  std::optional<std::pair<Vfo, double>> Choose(int row);
  DecodeLine LineOf(Vfo vfo) const { return list_.LineOf(vfo); }

  static constexpr int DEFAULT_WIDTH = 440;
  static constexpr std::int64_t SHOW_INTERVAL_MS = 500;
  static constexpr int DEFAULT_HEIGHT = 220;

 private:
  void Tell(const std::string& text);
  void TellLater();

  MainView& main_;
  Desktop& desktop_;
  SignalList list_;
  SignalsView* view_ = nullptr;
  SpokenReadout spoken_;
  std::string toldCall_;  // the selected row's call when it was last told
  bool tellPending_ = false;
  bool stale_ = false;  // the window shows rows older than the list's
  std::int64_t shownMs_ = 0;
};

}  // namespace keblor
