#include "win32/dialogs.h"

#include <windows.h>

#include <cstdint>
#include <string_view>
#include <vector>

#include "winapi/wide_text.h"

namespace keblor {
namespace {

constexpr WORD BUTTON_CLASS = 0x0080;
constexpr WORD STATIC_CLASS = 0x0082;

// A dialog template in memory: DLGTEMPLATE, then its items, each on a DWORD boundary.
class TemplateBuilder {
 public:
  TemplateBuilder(std::wstring_view title, DWORD style, short x, short y, short cx, short cy) {
    DLGTEMPLATE header{};
    header.style = style | DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    header.x = x;
    header.y = y;
    header.cx = cx;
    header.cy = cy;
    Append(&header, sizeof header);
    Word(0);  // no menu
    Word(0);  // the standard dialog class
    Text(title);
    Word(8);  // points
    Text(L"MS Shell Dlg");
  }

  void Item(WORD windowClass, std::wstring_view text, int id, DWORD style, short x, short y, short cx, short cy) {
    Align();
    DLGITEMTEMPLATE item{};
    item.style = style | WS_CHILD | WS_VISIBLE;
    item.x = x;
    item.y = y;
    item.cx = cx;
    item.cy = cy;
    item.id = static_cast<WORD>(id);
    Append(&item, sizeof item);
    Word(0xFFFF);
    Word(windowClass);
    Text(text);
    Word(0);  // no creation data
    ++count_;
  }

  const DLGTEMPLATE* Get() {
    reinterpret_cast<DLGTEMPLATE*>(bytes_.data())->cdit = count_;
    return reinterpret_cast<const DLGTEMPLATE*>(bytes_.data());
  }

 private:
  void Append(const void* data, std::size_t size) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    bytes_.insert(bytes_.end(), p, p + size);
  }
  void Word(WORD value) { Append(&value, sizeof value); }
  void Text(std::wstring_view text) {
    for (wchar_t c : text) Word(static_cast<WORD>(c));
    Word(0);
  }
  void Align() {
    while (bytes_.size() % 4 != 0) bytes_.push_back(0);
  }

  // DWORD-aligned storage: the template must start on a DWORD boundary.
  std::vector<std::uint8_t> bytes_ = std::vector<std::uint8_t>();
  WORD count_ = 0;
};

struct SoundCardContext {
  int channels;
  int bits;
  const std::function<int(int, int)>* accept;
};

INT_PTR CALLBACK SoundCardProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* context = reinterpret_cast<SoundCardContext*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      context = reinterpret_cast<SoundCardContext*>(lParam);
      CheckRadioButton(dialog, IDC_CHANNELS_1, IDC_CHANNELS_2, context->channels == 2 ? IDC_CHANNELS_2 : IDC_CHANNELS_1);
      CheckRadioButton(dialog, IDC_BITS_8, IDC_BITS_16, context->bits == 16 ? IDC_BITS_16 : IDC_BITS_8);
      return TRUE;
    case WM_CLOSE:
      EndDialog(dialog, 0);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK && context != nullptr) {
        // A group with none checked keeps the value the dialog opened with.
        int channels = context->channels;
        int bits = context->bits;
        for (const DialogRadio& item : SOUND_CARD_RADIOS) {
          if (IsDlgButtonChecked(dialog, item.id) != BST_CHECKED) continue;
          if (ChannelsOf(item.id) != 0) channels = ChannelsOf(item.id);
          if (BitsOf(item.id) != 0) bits = BitsOf(item.id);
        }
        const auto& accept = *context->accept;
        EndDialog(dialog, accept ? accept(channels, bits) : 1);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, 0);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_CLOSE:
      EndDialog(dialog, 1);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        EndDialog(dialog, 0);
        return TRUE;
      }
      return FALSE;  // IDCANCEL, which Escape gives, is left alone: Escape does not end About
    default:
      return FALSE;
  }
}

}  // namespace

int RunSoundCardDialog(HWND__* owner, int channels, int bitsPerSample, const std::function<int(int, int)>& accept) {
  TemplateBuilder t(L"Sound card settings", 0, 9, 6, 118, 61);
  t.Item(BUTTON_CLASS, L"OK", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 13, 40, 37, 14);
  t.Item(BUTTON_CLASS, L"Cancel", IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 67, 40, 37, 14);
  t.Item(STATIC_CLASS, L"Channels", -1, SS_LEFT | WS_GROUP, 25, 14, 33, 8);
  t.Item(STATIC_CLASS, L"Bits", -1, SS_LEFT | WS_GROUP, 67, 14, 12, 8);
  for (const DialogRadio& item : SOUND_CARD_RADIOS)
    t.Item(BUTTON_CLASS, Widen(item.text), item.id,
           BS_AUTORADIOBUTTON | (item.groupStart ? WS_GROUP | WS_TABSTOP : 0), static_cast<short>(item.x),
           static_cast<short>(item.y), static_cast<short>(item.width), 10);
  SoundCardContext context{channels, bitsPerSample, &accept};
  return static_cast<int>(DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.Get(), owner, SoundCardProc,
                                                  reinterpret_cast<LPARAM>(&context)));
}

int RunAboutBox(HWND__* owner) {
  TemplateBuilder t(L"About CW Keblor", 0, 50, 50, 181, 73);
  t.Item(BUTTON_CLASS, L"OK", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 66, 55, 50, 14);
  t.Item(STATIC_CLASS, L"CW Keblor program", -1, SS_CENTER, 5, 2, 172, 10);
  t.Item(STATIC_CLASS, L"Application for Microsoft  Windows", -1, SS_CENTER | SS_CENTERIMAGE, 23, 12, 143, 9);
  t.Item(STATIC_CLASS, L"The CW Keblor developers", -1, SS_LEFT, 49, 44, 88, 7);
  t.Item(STATIC_CLASS, L"IDI_ICON", 100, SS_ICON, 11, 28, 20, 20);
  t.Item(STATIC_CLASS, L"Author:", -1, SS_CENTER, 73, 34, 37, 8);
  t.Item(STATIC_CLASS, L"Version 1.5", -1, SS_CENTER, 61, 24, 62, 8);
  return static_cast<int>(DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.Get(), owner, AboutProc, 0));
}

}  // namespace keblor
