#include "app/dialog_host.h"

namespace keblor {

bool AboutDialog(DialogHost& host, DialogMessage message, int wParam) {
  switch (message) {
    case DialogMessage::InitDialog:
      return true;  // the default focus goes to OK, the first tab stop
    case DialogMessage::Command:
      // Only OK (or Enter on the default button); Escape's cancel is left to the default
      // handling, so Escape does not close the box.
      if (wParam != 1) return false;
      host.EndDialog(0);
      return true;
    case DialogMessage::Close:
      host.EndDialog(1);
      return true;
  }
  return false;
}

}  // namespace keblor
