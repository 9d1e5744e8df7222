#pragma once
// The desktop around the program on Qt: the single-instance check, message boxes, the two
// dialogs, the mixers and the help pages. Dialogs and boxes are owned by the main window.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <QString>
#include <memory>

#include "app/reports.h"
#include "app/views.h"

class QLocalServer;

namespace keblor {

class QtMainView;

class QtDesktop : public QObject, public Desktop, public Reports {
 public:
  explicit QtDesktop(QtMainView& main);
  ~QtDesktop() override;

  // The single-instance server's name; by default the main window class and the user id.
  void SetInstanceName(const QString& name) { instanceName_ = name; }

  // --- Desktop ---
  bool FindRunningCopy() override;
  int RunSoundCardDialog(int channels, int bitsPerSample, const std::function<int(int, int)>& accept) override;
  void ShowAbout() override;
  void OpenMixer(MixerKind mixer) override;
  void OpenHelp() override;
  std::int64_t NowMs() override { return clock_.elapsed(); }
  void StartTicks(int intervalMs, std::function<void()> tick) override;
  void CallAfter(int delayMs, std::function<void()> once) override;

  // --- Reports: lines on standard error, boxes owned by the main window ---
  void Line(const std::string& text) override;
  void Box(const std::string& text, const std::string& caption) override;

 private:
  void OnInstanceConnection();

  QtMainView& main_;
  QElapsedTimer clock_;
  QTimer ticks_;
  std::unique_ptr<QLocalServer> instanceServer_;
  QString instanceName_;
};

}  // namespace keblor
