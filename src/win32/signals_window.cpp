#include "win32/signals_window.h"

#include <windows.h>
#include <commctrl.h>

#include <cmath>
#include <cwchar>

#include "app/program.h"
#include "win32/dpi.h"
#include "winapi/owned_window.h"
#include "winapi/wide_text.h"

namespace keblor {
namespace {

constexpr const wchar_t* WINDOW_CLASS = L"KeblorSignals";
constexpr const wchar_t* TITLE = L"Signals";
constexpr DWORD STYLE = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr UINT WM_SELECTION_CHANGED = WM_APP + 2;  // the list view's selection settled
constexpr int LIST_ID = 1;

void RegisterSignalsClass() {
  static const ATOM atom = [] {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSW wc{};
    wc.lpfnWndProc = ForwardToOwner<Win32SignalsWindow>;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hIcon = LoadIconW(wc.hInstance, L"IDI_ICON");
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    wc.lpszClassName = WINDOW_CLASS;
    return RegisterClassW(&wc);
  }();
  (void)atom;
}

std::array<std::wstring, SIGNAL_COLUMN_COUNT> CellsOf(const SignalRow& row) {
  std::array<std::wstring, SIGNAL_COLUMN_COUNT> cells;
  for (int c = 0; c < SIGNAL_COLUMN_COUNT; ++c) cells[static_cast<std::size_t>(c)] = Widen(SignalCell(row, c));
  return cells;
}

void SetCell(HWND list, int row, int column, const std::wstring& text) {
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = const_cast<wchar_t*>(text.c_str());
  SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

int SelectedRow(HWND list) {
  return static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

}  // namespace

Win32SignalsWindow::~Win32SignalsWindow() { Close(); }

void Win32SignalsWindow::Open(HWND__* owner, Program* program, const Rect& outer) {
  Close();
  RegisterSignalsClass();
  program_ = program;
  CreateWindowExW(0, WINDOW_CLASS, TITLE, STYLE, outer.left, outer.top, outer.right - outer.left,
                  outer.bottom - outer.top, owner, nullptr, GetModuleHandleW(nullptr), this);
  // window_ is set by WM_NCCREATE, the list by WM_CREATE.
  if (window_ == nullptr) return;
  ShowWindow(window_, SW_SHOWNORMAL);
  UpdateWindow(window_);
}

void Win32SignalsWindow::Close() {
  if (window_ == nullptr) return;
  HWND window = window_;
  window_ = nullptr;  // the list's notifications while it goes are no longer ours
  list_ = nullptr;
  DestroyWindow(window);
  shown_.clear();
  quiet_.clear();
  selectionPending_ = false;
  reported_ = -1;
}

void Win32SignalsWindow::Show(const SignalList& list) {
  if (list_ == nullptr) return;
  showing_ = true;
  const auto count = static_cast<std::size_t>(list.Count());
  while (shown_.size() > count) {
    shown_.pop_back();
    SendMessageW(list_, LVM_DELETEITEM, shown_.size(), 0);
  }
  quiet_.resize(count);
  for (std::size_t r = 0; r < count; ++r) {
    const SignalRow& row = list.Row(static_cast<int>(r));
    std::array<std::wstring, SIGNAL_COLUMN_COUNT> cells = CellsOf(row);
    const int at = static_cast<int>(r);
    if (r == shown_.size()) {
      LVITEMW item{};
      item.mask = LVIF_TEXT;
      item.iItem = at;
      item.pszText = cells[0].data();
      SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
      for (int c = 1; c < SIGNAL_COLUMN_COUNT; ++c) SetCell(list_, at, c, cells[static_cast<std::size_t>(c)]);
      shown_.push_back(std::move(cells));
    } else {
      for (std::size_t c = 0; c < cells.size(); ++c)
        if (cells[c] != shown_[r][c]) SetCell(list_, at, static_cast<int>(c), cells[c]);
      shown_[r] = std::move(cells);
    }
    if (quiet_[r] != row.quiet) {
      quiet_[r] = row.quiet;
      SendMessageW(list_, LVM_REDRAWITEMS, r, r);
    }
  }
  const int selected = list.Selected();
  if (selected != SelectedRow(list_)) {
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = selected < 0 ? 0 : LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(&state));
    if (selected >= 0) SendMessageW(list_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(selected), FALSE);
  }
  reported_ = selected;
  showing_ = false;
}

void Win32SignalsWindow::Announce(const std::string& text) {
  if (window_ == nullptr) return;
  const std::wstring title = std::wstring(TITLE) + L" - " + Widen(text);
  SetWindowTextW(window_, title.c_str());
}

Rect Win32SignalsWindow::OuterRect() {
  if (window_ == nullptr) return {};
  RECT rect{};
  GetWindowRect(window_, &rect);
  return {rect.left, rect.top, rect.right, rect.bottom};
}

void Win32SignalsWindow::ReportSelection() {
  selectionPending_ = false;
  if (list_ == nullptr || program_ == nullptr) return;
  const int row = SelectedRow(list_);
  if (row == reported_) return;
  reported_ = row;
  program_->OnSignalSelected(row);
}

std::intptr_t Win32SignalsWindow::OnNotify(const void* header) {
  const auto* hdr = static_cast<const NMHDR*>(header);
  if (hdr->hwndFrom != list_) return 0;
  switch (hdr->code) {
    case LVN_ITEMCHANGED: {
      // A move of the selection deselects one row and then selects another: reported once settled.
      const auto* change = static_cast<const NMLISTVIEW*>(header);
      if (!showing_ && (change->uChanged & LVIF_STATE) != 0 &&
          ((change->uNewState ^ change->uOldState) & LVIS_SELECTED) != 0 && !selectionPending_) {
        selectionPending_ = PostMessageW(window_, WM_SELECTION_CHANGED, 0, 0) != 0;
      }
      return 0;
    }
    case LVN_KEYDOWN:
      if (static_cast<const NMLVKEYDOWN*>(header)->wVKey == VK_RETURN && program_ != nullptr) {
        const int row = SelectedRow(list_);
        if (row >= 0) program_->OnSignalChosen(row);
      }
      return 0;
    case NM_DBLCLK: {
      const int row = static_cast<const NMITEMACTIVATE*>(header)->iItem;
      if (row >= 0 && program_ != nullptr) program_->OnSignalChosen(row);
      return 0;
    }
    case NM_CUSTOMDRAW: {
      auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(const_cast<void*>(header));
      if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
      if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
        const std::size_t row = draw->nmcd.dwItemSpec;
        if (row < quiet_.size() && quiet_[row]) draw->clrText = GetSysColor(COLOR_GRAYTEXT);
      }
      return CDRF_DODEFAULT;
    }
    default:
      return 0;
  }
}

std::intptr_t Win32SignalsWindow::OnMessage(HWND__* window, unsigned message, std::uintptr_t wParam,
                                            std::intptr_t lParam) {
  switch (message) {
    case WM_NCCREATE:
      window_ = window;
      break;
    case WM_CREATE: {
      RECT client{};
      GetClientRect(window, &client);
      list_ = CreateWindowExW(0, WC_LISTVIEWW, TITLE,
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 0,
                              0, client.right, client.bottom, window, reinterpret_cast<HMENU>(LIST_ID),
                              GetModuleHandleW(nullptr), nullptr);
      if (list_ == nullptr) {
        window_ = nullptr;  // the window is not made
        return -1;
      }
      SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
      const int dpi = WindowDpi(window);
      for (std::size_t c = 0; c < SIGNAL_COLUMNS.size(); ++c) {
        std::wstring header = Widen(SIGNAL_COLUMNS[c]);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = header.data();
        column.cx = MulDiv(SIGNAL_COLUMN_WIDTHS[c], dpi, 96);
        column.iSubItem = static_cast<int>(c);
        SendMessageW(list_, LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&column));
      }
      return 0;
    }
    case WM_SIZE:
      // The list fills the window, and its last column, the words heard, the list's width.
      if (list_ != nullptr) {
        MoveWindow(list_, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        SendMessageW(list_, LVM_SETCOLUMNWIDTH, SIGNAL_COLUMN_COUNT - 1, LVSCW_AUTOSIZE_USEHEADER);
      }
      return 0;
    case WM_SETFOCUS:
      if (list_ != nullptr) SetFocus(list_);
      return 0;
    case WM_NOTIFY:
      return OnNotify(reinterpret_cast<const void*>(lParam));
    case WM_SELECTION_CHANGED:
      ReportSelection();
      return 0;
    case WM_CLOSE:
      // The program decides what closing means and closes the window itself.
      if (program_ != nullptr) {
        program_->OnSignalsClose();
      } else {
        Close();
      }
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace keblor
