#pragma once
// The signals window on Win32: a top-level window owned by the main window, holding a report-style
// list view of every signal heard, one row each; the system's accessibility proxies read it as a
// list with columns and headers. Enter or a double click chooses a row; a pick, a choice and the
// close box go to Program. The object outlives its window: Close destroys the window, Open makes a
// new one, so that the program may close it from inside the window's own close handling.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "app/views.h"

struct HWND__;

namespace keblor {

class Program;

inline constexpr int SIGNAL_COLUMN_COUNT = static_cast<int>(SIGNAL_COLUMNS.size());

class Win32SignalsWindow : public SignalsView {
 public:
  Win32SignalsWindow() = default;
  ~Win32SignalsWindow() override;
  Win32SignalsWindow(const Win32SignalsWindow&) = delete;
  Win32SignalsWindow& operator=(const Win32SignalsWindow&) = delete;

  // Creates and shows the window at an outer rectangle in screen pixels, owned by `owner`.
  void Open(HWND__* owner, Program* program, const Rect& outer);
  void Close();  // destroys the window; nothing when closed
  bool IsOpen() const { return window_ != nullptr; }
  HWND__* Window() const { return window_; }
  HWND__* List() const { return list_; }

  // --- SignalsView ---
  void Show(const SignalList& list) override;
  // Into the window's title ("Signals - ..."): the system tells assistive technologies of the
  // name's change, and a screen reader speaks the foreground window's new name.
  void Announce(const std::string& text) override;
  Rect OuterRect() override;

  std::intptr_t OnMessage(HWND__* window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam);

 private:
  std::intptr_t OnNotify(const void* header);
  void ReportSelection();  // the list view's selection to the program, once it settled

  Program* program_ = nullptr;
  HWND__* window_ = nullptr;
  HWND__* list_ = nullptr;
  std::vector<std::array<std::wstring, SIGNAL_COLUMN_COUNT>> shown_;  // the cells on the screen
  std::vector<bool> quiet_;                                      // rows drawn faded
  bool showing_ = false;          // the selection is being set from the list, not by the user
  bool selectionPending_ = false;  // a selection change waits to be reported
  int reported_ = -1;              // the row last reported selected
};

}  // namespace keblor
