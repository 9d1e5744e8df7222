#pragma once
// The two modal dialogs, "Sound card settings" ("IDD_CARD") and "About CW Keblor" ("IDD_ABOUT"),
// laid out from their templates and driven by the core's dialog procedures.

#include <QDialog>
#include <functional>
#include <map>

#include "app/dialog_host.h"

class QAbstractButton;
class QPushButton;

namespace keblor {

// A dialog whose behaviour is a dialog procedure: it reports the initialisation, the buttons
// (by id), Escape (as the cancel command 2) and the close box, and ends only through EndDialog.
class HostedDialog : public QDialog, public DialogHost {
 public:
  using Procedure = std::function<bool(DialogHost&, DialogMessage, int)>;
  HostedDialog(QWidget* owner, Procedure procedure);

  // Sends the initialisation, then runs the dialog; returns the EndDialog result.
  int Run();

  QAbstractButton* Button(int id) const;  // nullptr when the dialog has none with this id

  // --- DialogHost ---
  void CheckRadioButton(int first, int last, int id) override;
  bool IsButtonChecked(int id) override;
  void EndDialog(int result) override;

  void reject() override;  // Escape: the cancel command, which the procedure may ignore

  // Dialog units of an 8-point font in pixels.
  static QRect DialogUnits(int x, int y, int width, int height);
  // `point` of the owner's client area (below a main window's menu bar) on the screen.
  static QPoint OwnerClientPoint(QWidget* owner, QPoint point);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void AddButton(int id, QAbstractButton* button);

 private:
  Procedure procedure_;
  std::map<int, QAbstractButton*> buttons_;
  bool ending_ = false;
};

// "IDD_CARD": channels 1078/1079, bits 1080/1081, OK (default) and Cancel.
class SoundCardSettingsDialog : public HostedDialog {
 public:
  SoundCardSettingsDialog(QWidget* owner, Procedure procedure);
};

// "IDD_ABOUT": the program's name, version and author, OK (default).
class AboutBox : public HostedDialog {
 public:
  AboutBox(QWidget* owner, Procedure procedure);
};

}  // namespace keblor
