#pragma once
// The two modal dialogs, "Sound card settings" and "About CW Keblor", laid out in dialog units
// of an 8-point font and placed from the owner's client area. Their texts are never clipped:
// a box too small for its text grows, and the dialog with it.

#include <QDialog>
#include <functional>
#include <map>

#include "app/dialog_items.h"  // the radio buttons' ids; OK is 1 and Cancel 2

class QAbstractButton;

namespace keblor {

// A fixed-size dialog that ends only through End: the close box and Escape are the subclass's
// to handle.
class FixedDialog : public QDialog {
 public:
  explicit FixedDialog(QWidget* owner);

  // Runs the dialog with OK focused; the result of End.
  int Run();
  QAbstractButton* Button(int id) const;  // nullptr when the dialog has none with this id

  // Dialog units of an 8-point font in pixels.
  static QRect DialogUnits(int x, int y, int width, int height);
  // `point` of the owner's client area (below a main window's menu bar) on the screen.
  static QPoint OwnerClientPoint(QWidget* owner, QPoint point);
  // The least width that shows `title` whole in a window manager's caption: the title in the
  // application's font made bold, with room for two caption buttons of the font's height on
  // either side.
  static int TitleWidth(const QString& title);

 protected:
  void End(int result);
  void AddButton(int id, QAbstractButton* button);
  // Once every control is placed: grows each label's and button's box to hold its text (about
  // the box's alignment), then the dialog to hold every box with its margins and TitleWidth.
  // When the dialog grows, what it holds moves to its middle.
  void FitTexts();
  virtual void OnCloseBox() = 0;
  virtual void OnEscape() = 0;
  void reject() override { OnEscape(); }
  void closeEvent(QCloseEvent* event) override;

 private:
  std::map<int, QAbstractButton*> buttons_;
  bool ending_ = false;
};

// Mono or stereo, 8 or 16 bits. OK hands the choice to `accept`, which re-opens the capture while
// the dialog stays up, and ends with its result; Cancel, Escape and the close box end with 0.
class SoundCardSettingsDialog : public FixedDialog {
 public:
  using Accept = std::function<int(int channels, int bitsPerSample)>;
  SoundCardSettingsDialog(QWidget* owner, int channels, int bitsPerSample, Accept accept);

 protected:
  void OnCloseBox() override { End(0); }
  void OnEscape() override { End(0); }

 private:
  void OnOk();
  Accept accept_;
  int channels_;  // the format the dialog opened with
  int bits_;
};

// The program's name, version and author. OK (or Enter) ends with 0, the close box with 1;
// Escape does nothing: the About box has no cancel command, so only OK, Enter or the close box end it.
class AboutBox : public FixedDialog {
 public:
  explicit AboutBox(QWidget* owner);

 protected:
  void OnCloseBox() override { End(1); }
  void OnEscape() override {}
};

}  // namespace keblor
