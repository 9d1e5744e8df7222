#pragma once
// The program's seam to a toolkit: the main window, a spectrum window, and the desktop's
// dialogs and tools. Called on the GUI thread; user input comes back through Program.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/display_state.h"
#include "core/menu_model.h"
#include "core/signal_list.h"
#include "display/spectrum_picture.h"

namespace keblor {

class SpectrumView {
 public:
  virtual ~SpectrumView() = default;
  // Keeps the picture and repaints the window with it.
  virtual void Show(const SpectrumPicture& picture) = 0;
  // The horizontal-resize cursor over the marker, else the arrow.
  virtual void SetMarkerCursor(bool onMarker) = 0;
  // Pop-up menu 126 or 127 at a client point; a pick reaches Program::OnCommand after it closed.
  virtual void ShowPopupMenu(int resourceId, Point client, const std::vector<int>& checkedIds) = 0;
};

// The signals window: a table of every signal heard, one row each.
class SignalsView {
 public:
  virtual ~SignalsView() = default;
  // The list's rows and its selection; a quiet row is drawn faded. Called when they changed.
  virtual void Show(const SignalList& list) = 0;
  // Tells a screen reader, as the window's live description (the program paces it).
  virtual void Announce(const std::string& text) = 0;
  virtual Rect OuterRect() = 0;  // where the window is now, screen pixels
};

class MainView {
 public:
  virtual ~MainView() = default;
  // Creates and shows "CW Keblor" with its menu at an outer rectangle in screen pixels.
  virtual void Create(const std::string& title, const Rect& outer) = 0;
  virtual Rect OuterRect() = 0;
  virtual Point RestoredTopLeft() = 0;  // where the window comes back to when minimised
  virtual void Move(const Rect& outer) = 0;
  virtual void SetTopmost(bool topmost) = 0;  // no move, resize or activation
  // Everything at `zoom` (1..4) times its size: the main window's client area, the spectrum
  // windows and their places; pointer positions still arrive in 1x client pixels.
  virtual void SetZoom(int zoom) = 0;
  // The spectrum windows, open ones and those opened later, with or without a waterfall below
  // their labels: with one, their client areas are WATERFALL_ROWS (1x) pixels taller. The main
  // window keeps its size until it is moved.
  virtual void SetWaterfall(bool shown) = 0;
  virtual void ShowMenu(const MenuModel& menu) = 0;
  // A spectrum window with a 200 x 160 client area (taller with the waterfall) at a point of the
  // main window's client area.
  virtual SpectrumView& OpenSpectrum(Vfo vfo, const std::string& title, Point at) = 0;
  virtual void CloseSpectrum(Vfo vfo) = 0;
  // The signals window, a top-level window of its own at an outer rectangle in screen pixels
  // (brought onto the screens when off them). Its user input reaches Program::OnSignal...
  virtual SignalsView& OpenSignals(const Rect& outer) = 0;
  virtual void CloseSignals() = 0;
  // Destroys the window and ends the event loop with status 0 once the current event is done.
  virtual void Destroy() = 0;
};

enum class MixerKind { Recording, Playback };

class Desktop {
 public:
  virtual ~Desktop() = default;
  // True when another copy runs (it has been asked to come back if minimised).
  virtual bool FindRunningCopy() = 0;
  // The sound card dialog, starting at a format. OK calls `accept` with the choice and ends the
  // dialog with its result; cancel and close end it with 0.
  virtual int RunSoundCardDialog(int channels, int bitsPerSample, const std::function<int(int, int)>& accept) = 0;
  virtual void ShowAbout() = 0;
  virtual void OpenMixer(MixerKind mixer) = 0;  // not started again while it runs
  virtual void OpenHelp() = 0;                  // the help pages at their contents

  // The event loop's clock: a monotonic time in milliseconds, `tick` every `intervalMs` from
  // now on, and `once` after `delayMs` (several may be pending: the pictures' pace and the rig's).
  virtual std::int64_t NowMs() = 0;
  virtual void StartTicks(int intervalMs, std::function<void()> tick) = 0;
  virtual void CallAfter(int delayMs, std::function<void()> once) = 0;
};

}  // namespace keblor
