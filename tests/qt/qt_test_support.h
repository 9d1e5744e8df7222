#pragma once
// A running program on Qt's offscreen platform: the real program, main view and desktop, with a
// fake audio source and settings held in memory.

#include <QApplication>
#include <QImage>
#include <QMainWindow>
#include <QTest>
#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "app/program.h"
#include "fakes/fake_audio_source.h"
#include "memory_settings.h"
#include "qt/desktop.h"
#include "qt/main_view.h"
#include "qt/spectrum_window.h"

namespace keblor::test {

// A unique single-instance name per program, so that parallel test processes do not meet.
inline QString TestInstanceName() {
  static int counter = 0;
  return QStringLiteral("keblor-qt-test-%1-%2").arg(::getpid()).arg(++counter);
}

struct RunningProgram {
  MemorySettings settings;
  FakeAudioSource source;
  QtMainView view;
  QtDesktop desktop{view};
  std::unique_ptr<Program> program = std::make_unique<Program>(view, desktop, desktop, source, &settings);
  QString instanceName = TestInstanceName();

  RunningProgram() {
    desktop.SetInstanceName(instanceName);
    view.Connect(*program);
  }
  ~RunningProgram() {
    program->Shutdown();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  void Start() {
    ASSERT_TRUE(program->StartUp());
    ASSERT_NE(view.Window(), nullptr);
    Settle();
  }
  // Runs what was queued: posted commands, paints, deferred deletes.
  static void Settle() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
  }
  SpectrumClient* Client(Vfo vfo) const { return view.Spectrum(vfo) ? view.Spectrum(vfo)->Client() : nullptr; }
  QAction* Action(int id) const { return view.MenuActions(id).front(); }
};

}  // namespace keblor::test
