#include "app/signals_session.h"

#include "core/command_ids.h"

namespace keblor {

void SignalsSession::Take(const SpectrumAnalyzer& analyzer, const Settings& settings,
                          const std::array<std::span<const PlacedSpot>, 2>& spots) {
  const int counted = list_.Count();
  const int calls = list_.CallsHeard();
  stale_ = list_.Update({analyzer.ChannelSkimmer(0), analyzer.ChannelSkimmer(1)}, settings, spots) || stale_;
  // Rows and new calls show at once; the other figures change at most twice a second, to be read.
  const std::int64_t now = desktop_.NowMs();
  const bool news = list_.Count() != counted || list_.CallsHeard() != calls;
  if (stale_ && view_ != nullptr && (news || now - shownMs_ >= SHOW_INTERVAL_MS)) {
    view_->Show(list_);
    shownMs_ = now;
    stale_ = false;
  }
  const int selected = list_.Selected();
  if (selected >= 0 && list_.Row(selected).call != toldCall_) Tell(list_.Spoken(selected));
}

void SignalsSession::Fit(Settings& settings, const Rect& mainOuter) {
  if (settings.Skimmer.Signals == 0) {
    Close(settings);
    return;
  }
  if (view_ != nullptr) return;
  SkimmerSettings& place = settings.Skimmer;
  if (place.Width <= 0 || place.Height <= 0) {
    place.xPos = mainOuter.right;
    place.yPos = mainOuter.top;
    place.Width = DEFAULT_WIDTH;
    place.Height = DEFAULT_HEIGHT;
  }
  view_ = &main_.OpenSignals({place.xPos, place.yPos, place.xPos + place.Width, place.yPos + place.Height});
  view_->Show(list_);
}

void SignalsSession::Close(Settings& settings) {
  if (view_ == nullptr) return;
  KeepPlace(settings);
  view_ = nullptr;
  main_.CloseSignals();
}

void SignalsSession::KeepPlace(Settings& settings) {
  if (view_ == nullptr) return;
  const Rect outer = view_->OuterRect();
  settings.Skimmer.xPos = outer.left;
  settings.Skimmer.yPos = outer.top;
  settings.Skimmer.Width = outer.right - outer.left;
  settings.Skimmer.Height = outer.bottom - outer.top;
}

bool SignalsSession::RunCommand(int id, Settings& settings, const Rect& mainOuter) {
  switch (id) {
    case cmd::SignalsWindow:
      settings.Skimmer.Signals = settings.Skimmer.Signals != 0 ? 0 : 1;
      Fit(settings, mainOuter);
      return true;
    case cmd::NextSignal: Step(+1); return true;
    case cmd::PreviousSignal: Step(-1); return true;
    default: return false;
  }
}

void SignalsSession::Step(int direction) {
  if (!list_.Step(direction)) return;
  if (view_ != nullptr) view_->Show(list_);
  Tell(list_.Spoken(list_.Selected()));
}

void SignalsSession::Select(int row) {
  list_.Select(row);
  toldCall_ = row >= 0 && row < list_.Count() ? list_.Row(row).call : std::string();
}

std::optional<std::pair<Vfo, double>> SignalsSession::Choose(int row) {
  if (row < 0 || row >= list_.Count()) return std::nullopt;
  Select(row);
  return std::pair{list_.Row(row).vfo, list_.Row(row).hz};
}

// A screen reader hears at most one text a second, and none twice in a row: a change that comes
// too soon is told when its second is up, as it then stands.
void SignalsSession::Tell(const std::string& text) {
  const int selected = list_.Selected();
  toldCall_ = selected >= 0 ? list_.Row(selected).call : std::string();
  const std::int64_t now = desktop_.NowMs();
  if (spoken_.Offer(text, now)) {
    if (view_ != nullptr) view_->Announce(spoken_.Told());
  } else if (spoken_.DueMs() >= 0 && !tellPending_) {
    tellPending_ = true;
    desktop_.CallAfter(static_cast<int>(spoken_.DueMs() - now), [this] { TellLater(); });
  }
}

void SignalsSession::TellLater() {
  tellPending_ = false;
  Tell(list_.Spoken(list_.Selected()));
}

}  // namespace keblor
