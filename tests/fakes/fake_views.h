#pragma once
// Views and a desktop that record what the program asks of them.

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/views.h"
#include "fakes/fake_reports.h"

namespace keblor::test {

class FakeSpectrumView : public SpectrumView {
 public:
  std::string title;
  Point at;
  int shown = 0;
  SpectrumPicture picture;
  bool markerCursor = false;
  int popups = 0;
  std::vector<int> popupChecks;

  void Show(const SpectrumPicture& p) override {
    ++shown;
    picture = p;
  }
  void SetMarkerCursor(bool onMarker) override { markerCursor = onMarker; }
  void ShowPopupMenu(int, Point, const std::vector<int>& checked) override {
    ++popups;
    popupChecks = checked;
  }
};

class FakeSignalsView : public SignalsView {
 public:
  Rect outer;
  std::vector<std::string> rows;  // the calls shown, in order
  int selected = -1;
  std::vector<std::string> told;

  void Show(const SignalList& list) override {
    rows.clear();
    for (int i = 0; i < list.Count(); ++i) rows.push_back(list.Row(i).call);
    selected = list.Selected();
  }
  void Announce(const std::string& text) override { told.push_back(text); }
  Rect OuterRect() override { return outer; }
};

class FakeMainView : public MainView {
 public:
  bool created = false;
  bool destroyed = false;
  Rect outer;
  bool topmost = false;
  MenuModel menu;
  std::map<Vfo, std::unique_ptr<FakeSpectrumView>> spectra;  // the open windows
  std::vector<std::string> log;  // "open A", "close B", "move 417x231"

  void Create(const std::string&, const Rect& r) override {
    created = true;
    outer = r;
  }
  Rect OuterRect() override { return outer; }
  Point RestoredTopLeft() override { return {outer.left, outer.top}; }
  void Move(const Rect& r) override {
    outer = r;
    log.push_back("move " + std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top));
  }
  void SetTopmost(bool on) override { topmost = on; }
  int zoom = 1;
  void SetZoom(int z) override { zoom = z; }
  bool waterfall = false;
  void SetWaterfall(bool shown) override {
    waterfall = shown;
    log.push_back(shown ? "waterfall on" : "waterfall off");
  }
  void ShowMenu(const MenuModel& m) override { menu = m; }
  SpectrumView& OpenSpectrum(Vfo vfo, const std::string& title, Point at) override {
    auto view = std::make_unique<FakeSpectrumView>();
    view->title = title;
    view->at = at;
    log.push_back(std::string("open ") + (vfo == Vfo::A ? "A" : "B"));
    return *(spectra[vfo] = std::move(view));
  }
  void CloseSpectrum(Vfo vfo) override {
    log.push_back(std::string("close ") + (vfo == Vfo::A ? "A" : "B"));
    spectra.erase(vfo);
  }
  std::unique_ptr<FakeSignalsView> signalsView;  // while open
  SignalsView& OpenSignals(const Rect& r) override {
    signalsView = std::make_unique<FakeSignalsView>();
    signalsView->outer = r;
    return *signalsView;
  }
  void CloseSignals() override { signalsView.reset(); }
  void Destroy() override { destroyed = true; }
  FakeSpectrumView* Spectrum(Vfo vfo) { return spectra.count(vfo) ? spectra[vfo].get() : nullptr; }
};

class FakeDesktop : public Desktop {
 public:
  bool runningCopy = false;
  // The sound card dialog's answer: OK with this choice, or cancel when channels is 0.
  int dialogChannels = 0;
  int dialogBits = 16;
  int dialogResult = -1;
  std::vector<std::string> opened;  // "about", "help", "mixer 0"

  bool FindRunningCopy() override { return runningCopy; }
  int RunSoundCardDialog(int, int, const std::function<int(int, int)>& accept) override {
    return dialogResult = dialogChannels == 0 ? 0 : accept(dialogChannels, dialogBits);
  }
  void ShowAbout() override { opened.push_back("about"); }
  void OpenMixer(MixerKind mixer) override { opened.push_back("mixer " + std::to_string(static_cast<int>(mixer))); }
  void OpenHelp() override { opened.push_back("help"); }

  // A clock the test moves: Advance runs the ticks and the calls that fall due.
  std::int64_t now = 0;
  int tickMs = 0;
  std::function<void()> tick;
  std::int64_t tickDue = 0;
  std::vector<std::pair<std::int64_t, std::function<void()>>> calls;
  std::int64_t NowMs() override { return now; }
  void StartTicks(int intervalMs, std::function<void()> t) override {
    tickMs = intervalMs;
    tick = std::move(t);
    tickDue = now + intervalMs;
  }
  void CallAfter(int delayMs, std::function<void()> once) override { calls.emplace_back(now + delayMs, std::move(once)); }
  void Advance(std::int64_t ms) {
    const std::int64_t end = now + ms;
    while (true) {
      std::int64_t next = end;
      if (tick && tickDue < next) next = tickDue;
      for (const auto& call : calls) next = std::min(next, call.first);
      now = next;
      for (std::size_t i = 0; i < calls.size();) {
        if (calls[i].first > now) {
          ++i;
          continue;
        }
        auto call = std::move(calls[i].second);
        calls.erase(calls.begin() + static_cast<std::ptrdiff_t>(i));
        call();
      }
      if (tick && tickDue <= now) {
        tickDue += tickMs;
        tick();
      }
      if (now >= end) return;
    }
  }
};

}  // namespace keblor::test
