#pragma once
// A running program on Qt's offscreen platform: the real window layer and core, with a fake
// capture device and settings held in memory.

#include <QApplication>
#include <QColor>
#include <QImage>
#include <QMainWindow>
#include <QTest>
#include <gtest/gtest.h>
#include <unistd.h>

#include <map>
#include <memory>
#include <string>

#include "app/app_state.h"
#include "app/main_window.h"
#include "fakes/fake_capture_device.h"
#include "qt/qt_window_layer.h"
#include "qt/signal_frame.h"

namespace keblor {

class MemorySettings : public SettingsFile {
 public:
  std::map<std::string, std::int32_t> values;  // "Section/Key"
  int writes = 0;
  std::int32_t ReadInt(const std::string& section, const std::string& key, std::int32_t def) override {
    const auto it = values.find(section + "/" + key);
    return it == values.end() ? def : it->second;
  }
  bool WriteString(const std::string&, const std::string&, const std::string&) override {
    ++writes;
    return true;
  }
};

// A unique single-instance name per test, so that parallel test processes do not meet.
inline QString TestInstanceName() {
  static int counter = 0;
  return QStringLiteral("keblor-qt-test-%1-%2").arg(::getpid()).arg(++counter);
}

struct RunningProgram {
  std::unique_ptr<AppState> app = std::make_unique<AppState>();
  MemorySettings settings;
  FakeCaptureDevice device;
  MainWindowCaptureSink sink{*app};
  QtWindowLayer layer{*app};
  QString instanceName = TestInstanceName();

  RunningProgram() {
    layer.SetInstanceName(instanceName);
    app->windows = &layer;
    app->settingsFile = &settings;
    app->capture.device = &device;
    app->captureSink = &sink;
  }
  ~RunningProgram() {
    CloseCapture(app->capture);
    if (layer.MainWindow() != nullptr) layer.DestroyMainWindow();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  void Start() {
    ASSERT_EQ(StartUp(*app), StartupResult::Running);
    ASSERT_NE(layer.MainWindow(), nullptr);
    Settle();
  }
  // Runs what the core queued: paints and menu commands.
  static void Settle() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
  }
  SignalFrame* FrameOf(Vfo vfo) const {
    return layer.SignalWindowFrame(vfo == Vfo::A ? app->vfoA.signalWindow : app->vfoB.signalWindow);
  }
  // What the screen shows of a spectrum window's client area.
  QImage GrabClient(Vfo vfo) const {
    SignalFrame* frame = FrameOf(vfo);
    if (frame == nullptr) return {};
    return frame->Client()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  }
};

inline QRgb Rgb32(int r, int g, int b) { return qRgb(r, g, b); }

}  // namespace keblor
