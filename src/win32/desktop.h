#pragma once
// The desktop around the program on Win32: the single-instance check, message boxes, the two
// dialogs, the system's sound settings, the help pages and the event loop's clock (timers of a
// message-only window of its own).

#include <cstdint>
#include <functional>
#include <map>

#include "app/reports.h"
#include "app/views.h"

struct HWND__;

namespace keblor {

class Win32MainView;

class Win32Desktop : public Desktop, public Reports {
 public:
  explicit Win32Desktop(Win32MainView& main);
  ~Win32Desktop() override;
  Win32Desktop(const Win32Desktop&) = delete;
  Win32Desktop& operator=(const Win32Desktop&) = delete;

  // --- Desktop ---
  // A named mutex of the user's session: the first copy holds it for its life. A later copy finds
  // the first's main window by its class and restores it if it is minimised.
  bool FindRunningCopy() override;
  int RunSoundCardDialog(int channels, int bitsPerSample, const std::function<int(int, int)>& accept) override;
  void ShowAbout() override;
  // The system's Sound settings on the Recording or the Playback tab; one already open is
  // brought forward instead.
  void OpenMixer(MixerKind mixer) override;
  void OpenHelp() override;  // help\index.html next to the program, in the default browser
  std::int64_t NowMs() override;
  void StartTicks(int intervalMs, std::function<void()> tick) override;
  void CallAfter(int delayMs, std::function<void()> once) override;

  // --- Reports: lines on standard error (which reaches the debugger), boxes owned by the main window ---
  void Line(const std::string& text) override;
  void Box(const std::string& text, const std::string& caption) override;

  // The timer window's work.
  void OnTimer(std::uintptr_t id);

 private:
  Win32MainView& main_;
  void* instanceMutex_ = nullptr;
  HWND__* timerWindow_ = nullptr;
  std::uint64_t startTicks_ = 0;
  std::function<void()> tick_;
  std::map<std::uintptr_t, std::function<void()>> once_;  // by timer id
  std::uintptr_t nextOnce_;
};

}  // namespace keblor
