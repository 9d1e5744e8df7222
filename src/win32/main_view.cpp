#include "win32/main_view.h"

#include <windows.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "app/window_frames.h"
#include "core/command_ids.h"
#include "core/screen_placement.h"
#include "display/waterfall.h"
#include "win32/accelerator_keys.h"
#include "win32/dpi.h"
#include "win32/menu_builder.h"
#include "winapi/owned_window.h"
#include "winapi/wide_text.h"

namespace keblor {
namespace {

constexpr DWORD STYLE = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr UINT WM_POSTED_COMMAND = WM_APP + 1;  // wParam: a command id, for Program::OnCommand


void RegisterMainClass() {
  static const ATOM atom = [] {
    WNDCLASSW wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = ForwardToOwner<Win32MainView>;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hIcon = LoadIconW(wc.hInstance, L"IDI_ICON");
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_APPWORKSPACE + 1));
    wc.lpszClassName = MAIN_WINDOW_CLASS;
    return RegisterClassW(&wc);
  }();
  (void)atom;
}

// The monitors' work areas (less the taskbar), in desktop coordinates.
std::vector<Rect> MonitorWorkAreas() {
  std::vector<Rect> areas;
  EnumDisplayMonitors(
      nullptr, nullptr,
      [](HMONITOR monitor, HDC, LPRECT, LPARAM found) -> BOOL {
        MONITORINFO info{};
        info.cbSize = sizeof info;
        if (GetMonitorInfoW(monitor, &info)) {
          const RECT& work = info.rcWork;
          reinterpret_cast<std::vector<Rect>*>(found)->push_back({static_cast<int>(work.left), static_cast<int>(work.top),
                                                                  static_cast<int>(work.right),
                                                                  static_cast<int>(work.bottom)});
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&areas));
  return areas;
}

bool SameMenu(const MenuModel& a, const MenuModel& b) {
  if (a.inputItems != b.inputItems || a.items.size() != b.items.size()) return false;
  for (auto i = a.items.begin(), j = b.items.begin(); i != a.items.end(); ++i, ++j) {
    if (i->first != j->first || i->second.checked != j->second.checked || i->second.enabled != j->second.enabled ||
        i->second.text != j->second.text)
      return false;
  }
  return true;
}

}  // namespace

Win32MainView::Win32MainView() {
  for (Vfo vfo : BOTH_VFOS) {
    spectra_[SlotOf(vfo)] = std::make_unique<Win32SpectrumWindow>(
        SpectrumEventsFor(program_, vfo, [this](int id) { PostCommand(id); }));
  }
}

Win32MainView::~Win32MainView() {
  signals_.Close();
  for (auto& spectrum : spectra_) spectrum->Close();
  if (window_ != nullptr) {
    HWND window = window_;
    window_ = nullptr;
    DestroyWindow(window);
  }
}

void Win32MainView::Create(const std::string& title, const Rect& outer) {
  RegisterMainClass();
  menu_ = CreateMenu();
  inputMenu_ = AppendMenuTable(menu_, MainMenuResource(), cmd::InputDefault);
  inputTexts_.clear();
  menuShown_ = false;
  designOuter_ = outer;
  const std::wstring wideTitle = Widen(title);
  CreateWindowExW(0, MAIN_WINDOW_CLASS, wideTitle.c_str(), STYLE, outer.left, outer.top, outer.right - outer.left,
                  outer.bottom - outer.top, nullptr, menu_, GetModuleHandleW(nullptr), this);
  if (window_ == nullptr) return;
  dpi_ = WindowDpi(window_);
  Layout(outer.left, outer.top);
  ShowWindow(window_, showCommand_);
  UpdateWindow(window_);
}

void Win32MainView::Layout(int left, int top) {
  if (window_ == nullptr) return;
  const WindowScale scale = Scale();
  const FrameSize frame = RealSpectrumFrame(scale);
  const int clientWidth = ClientLength(designOuter_.right - designOuter_.left - MAIN_FRAME_EXTRA_WIDTH,
                                       SPECTRUM_FRAME_WIDTH, frame.width, scale);
  const int clientHeight = ClientLength(designOuter_.bottom - designOuter_.top - MAIN_FRAME_EXTRA_HEIGHT,
                                        DesignFrameHeight(), frame.height, scale);
  RECT rect{0, 0, clientWidth, clientHeight};
  AdjustWindowRectForDpi(&rect, STYLE, true, 0, dpi_);
  const int width = static_cast<int>(rect.right - rect.left);
  // A menu bar that wraps onto a second line takes from the client area: the window grows by it,
  // in this move where the wrap is known. Under Wine a second resize hard on the first was seen
  // lost, leaving the waterfall's last rows under the frame.
  const int height = static_cast<int>(rect.bottom - rect.top) + MenuWrapRows(width);
  // A place off the screens (a monitor gone since the place was saved) comes back onto the
  // nearest one.
  const Rect placed = PlaceOnScreens({left, top, left + width, top + height}, MonitorWorkAreas());
  SetWindowPos(window_, nullptr, placed.left, placed.top, placed.right - placed.left, placed.bottom - placed.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  // At a new width the wrap shows only now.
  RECT client{};
  GetClientRect(window_, &client);
  const int missing = clientHeight - (client.bottom - client.top);
  if (missing != 0) {
    SetWindowPos(window_, nullptr, 0, 0, placed.right - placed.left, placed.bottom - placed.top + missing,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
  }
  InvalidateRect(window_, nullptr, TRUE);
}

Rect Win32MainView::OuterRect() {
  if (window_ == nullptr) return {};
  RECT rect{};
  GetWindowRect(window_, &rect);
  return Rect{rect.left, rect.top, rect.left + designOuter_.right - designOuter_.left,
              rect.top + designOuter_.bottom - designOuter_.top};
}

Point Win32MainView::RestoredTopLeft() {
  if (window_ == nullptr) return {};
  if (IsIconic(window_)) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(window_, &placement);
    // Work-area coordinates: the same as the screen's unless a taskbar sits at the top or left.
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoW(MonitorFromRect(&placement.rcNormalPosition, MONITOR_DEFAULTTONEAREST), &info);
    return Point{placement.rcNormalPosition.left + info.rcWork.left - info.rcMonitor.left,
                 placement.rcNormalPosition.top + info.rcWork.top - info.rcMonitor.top};
  }
  RECT rect{};
  GetWindowRect(window_, &rect);
  return Point{rect.left, rect.top};
}

void Win32MainView::Move(const Rect& outer) {
  designOuter_ = outer;
  Layout(outer.left, outer.top);
}

void Win32MainView::SetTopmost(bool topmost) {
  if (window_ == nullptr) return;
  SetWindowPos(window_, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void Win32MainView::SetZoom(int zoom) {
  if (zoom == zoom_ || zoom < 1) return;
  const WindowScale before = Scale();
  zoom_ = zoom;
  RECT rect{};
  GetWindowRect(window_, &rect);
  Layout(rect.left, rect.top);
  PlaceSpectra(before);
}

int Win32MainView::MenuWrapRows(int width) const {
  RECT outer{};
  RECT client{};
  GetWindowRect(window_, &outer);
  GetClientRect(window_, &client);
  if (outer.right - outer.left != width) return 0;
  RECT oneLine = client;
  AdjustWindowRectForDpi(&oneLine, STYLE, true, 0, dpi_);
  return std::max(0, static_cast<int>((outer.bottom - outer.top) - (oneLine.bottom - oneLine.top)));
}

int Win32MainView::DesignFrameHeight() const { return SPECTRUM_FRAME_HEIGHT + (waterfall_ ? WATERFALL_ROWS : 0); }

// The spectrum windows grow or shrink in place; the program moves the main window and VFO-B.
void Win32MainView::SetWaterfall(bool shown) {
  waterfall_ = shown;
  for (auto& spectrum : spectra_) spectrum->SetWaterfall(shown);
}

// Each open spectrum window at the new scale: one where it was opened goes to that place at the
// new scale, one the user dragged keeps its place relative to the others.
void Win32MainView::PlaceSpectra(const WindowScale& before) {
  const WindowScale now = Scale();
  const FrameSize oldFrame = RealSpectrumFrame(before);
  const FrameSize newFrame = RealSpectrumFrame(now);
  const int designHeight = DesignFrameHeight();
  for (std::size_t slot = 0; slot < spectra_.size(); ++slot) {
    Win32SpectrumWindow& spectrum = *spectra_[slot];
    if (!spectrum.IsOpen()) continue;
    const Point at = spectrumAt_[slot];
    int x = 0, y = 0;
    spectrum.Place(x, y);
    if (x == ClientLength(at.x, SPECTRUM_FRAME_WIDTH, oldFrame.width, before) &&
        y == ClientLength(at.y, designHeight, oldFrame.height, before)) {
      x = ClientLength(at.x, SPECTRUM_FRAME_WIDTH, newFrame.width, now);
      y = ClientLength(at.y, designHeight, newFrame.height, now);
    } else {
      x = static_cast<int>(static_cast<long long>(x) * newFrame.width / oldFrame.width);
      y = static_cast<int>(static_cast<long long>(y) * newFrame.height / oldFrame.height);
    }
    spectrum.Rescale(now, x, y);
  }
}

void Win32MainView::ShowInputItems(const std::vector<std::string>& texts) {
  if (texts == inputTexts_ || inputMenu_ == nullptr) return;
  // Everything after "Default input" goes; the new list follows a separator.
  int count = GetMenuItemCount(inputMenu_);
  int defaultAt = 0;
  for (int i = 0; i < count; ++i) {
    if (GetMenuItemID(inputMenu_, i) == static_cast<UINT>(cmd::InputDefault)) defaultAt = i;
  }
  while (count > defaultAt + 1) DeleteMenu(inputMenu_, static_cast<UINT>(--count), MF_BYPOSITION);
  inputTexts_ = texts;
  if (texts.empty()) return;
  AppendMenuW(inputMenu_, MF_SEPARATOR, 0, nullptr);
  for (std::size_t i = 0; i < texts.size() && i < static_cast<std::size_t>(cmd::MAX_INPUT_ITEMS); ++i) {
    // The menu model has already doubled an ampersand in the name, so that it is no mnemonic.
    const std::wstring text = Widen(texts[i]);
    AppendMenuW(inputMenu_, MF_STRING, static_cast<UINT_PTR>(cmd::InputFirst + static_cast<int>(i)), text.c_str());
  }
}

void Win32MainView::ShowMenu(const MenuModel& menu) {
  if (menu_ == nullptr || (menuShown_ && SameMenu(menu, shownMenu_))) return;
  ShowInputItems(menu.inputItems);
  std::vector<int> ids = MainMenuItemIds();
  for (std::size_t i = 0; i < inputTexts_.size(); ++i) ids.push_back(cmd::InputFirst + static_cast<int>(i));
  for (int id : ids) {
    const auto item = menu.items.find(id);
    const MenuItemState state = item == menu.items.end() ? MenuItemState{} : item->second;
    const UINT command = static_cast<UINT>(id);
    CheckMenuItem(menu_, command, MF_BYCOMMAND | (state.checked ? MF_CHECKED : MF_UNCHECKED));
    EnableMenuItem(menu_, command, MF_BYCOMMAND | (state.enabled ? MF_ENABLED : MF_GRAYED));
    if (!state.text.empty()) {
      std::wstring text = Widen(state.text);
      MENUITEMINFOW info{};
      info.cbSize = sizeof info;
      info.fMask = MIIM_STRING;
      info.dwTypeData = text.data();
      SetMenuItemInfoW(menu_, command, FALSE, &info);
    }
  }
  shownMenu_ = menu;
  menuShown_ = true;
}

SpectrumView& Win32MainView::OpenSpectrum(Vfo vfo, const std::string& title, Point at) {
  Win32SpectrumWindow& spectrum = *spectra_[SlotOf(vfo)];
  const WindowScale scale = Scale();
  const FrameSize frame = RealSpectrumFrame(scale);
  spectrumAt_[SlotOf(vfo)] = at;
  spectrum.Open(window_, title, ClientLength(at.x, SPECTRUM_FRAME_WIDTH, frame.width, scale),
                ClientLength(at.y, DesignFrameHeight(), frame.height, scale), scale);
  return spectrum;
}

// May run inside the window's own close handling: the window goes, the object stays.
void Win32MainView::CloseSpectrum(Vfo vfo) { spectra_[SlotOf(vfo)]->Close(); }

// A top-level window of its own, owned by the main window: above it, and gone with it.
SignalsView& Win32MainView::OpenSignals(const Rect& outer) {
  signals_.Open(window_, program_, PlaceOnScreens(outer, MonitorWorkAreas()));
  return signals_;
}

// May run inside the window's own close handling: the window goes, the object stays.
void Win32MainView::CloseSignals() { signals_.Close(); }

void Win32MainView::Destroy() {
  signals_.Close();
  for (auto& spectrum : spectra_) spectrum->Close();
  if (window_ != nullptr) DestroyWindow(window_);  // WM_DESTROY ends the message loop with 0
}

void Win32MainView::PostCommand(int id) {
  if (window_ != nullptr) PostMessageW(window_, WM_POSTED_COMMAND, static_cast<WPARAM>(id), 0);
}

bool Win32MainView::TranslateKey(const tagMSG& message) {
  if (window_ == nullptr || program_ == nullptr) return false;
  if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) return false;
  const auto within = [&message](HWND top) {
    return top != nullptr && (message.hwnd == top || IsChild(top, message.hwnd));
  };
  if (!within(window_) && !within(signals_.Window())) return false;
  const bool alt = (message.lParam & (LPARAM{1} << 29)) != 0;
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  const bool ctrl = GetKeyState(VK_CONTROL) < 0;
  const std::optional<AcceleratorKey> key =
      AcceleratorKeyFor(KeyboardKeyOf(static_cast<unsigned>(message.wParam)), shift, alt);
  if (!key) return false;
  program_->OnKey(*key, ctrl);
  return true;
}

std::intptr_t Win32MainView::OnMessage(HWND__* window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
  switch (message) {
    case WM_NCCREATE:
      window_ = window;
      break;
    case WM_CLOSE:
      // The program decides what closing means and destroys the window itself.
      if (program_ != nullptr) {
        program_->OnMainClose();
      } else {
        Destroy();
      }
      return 0;
    case WM_DESTROY:
      window_ = nullptr;
      menu_ = nullptr;  // destroyed with the window
      inputMenu_ = nullptr;
      PostQuitMessage(0);
      return 0;
    case WM_COMMAND:
      // Menu picks (the notification code is 0); the id is the low 16 bits.
      if (HIWORD(wParam) == 0 && lParam == 0 && program_ != nullptr) {
        program_->OnCommand(static_cast<std::uint32_t>(wParam));
        return 0;
      }
      break;
    case WM_POSTED_COMMAND:
      if (program_ != nullptr) program_->OnCommand(static_cast<std::uint32_t>(wParam));
      return 0;
    case WM_INITMENUPOPUP:
      // The inputs come and go (a USB codec plugged in): the list is read again as the menu opens.
      if (reinterpret_cast<HMENU>(wParam) == inputMenu_ && program_ != nullptr) program_->OnInputMenuShown();
      return 0;
    case WM_DPICHANGED: {
      const WindowScale before = Scale();
      dpi_ = HIWORD(wParam);
      const auto* suggested = reinterpret_cast<const RECT*>(lParam);
      Layout(suggested->left, suggested->top);
      PlaceSpectra(before);
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace keblor
