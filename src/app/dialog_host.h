#pragma once
// What a dialog procedure needs from its dialog: radio buttons and ending with a result.

namespace keblor {

enum class DialogMessage { InitDialog, Close, Command };

class DialogHost {
 public:
  virtual ~DialogHost() = default;
  // Selects `id` and clears the other buttons first..last of its group.
  virtual void CheckRadioButton(int first, int last, int id) = 0;
  virtual bool IsButtonChecked(int id) = 0;
  virtual void EndDialog(int result) = 0;
};

// The About box: OK (1) or Enter ends with 0, the close box with 1; Escape is not handled.
// Returns true for the messages it handles.
bool AboutDialog(DialogHost& host, DialogMessage message, int wParam);

}  // namespace keblor
