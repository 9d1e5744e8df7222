// The program's core and Qt window layer on a fake sound card, for checks outside the unit tests:
//   qt_harness --keys             stereo, reports on stdout every change of the two ranges and
//                                 of the VFO-A pitch, for keys sent from a real X server
//   qt_harness --write-png PATH   feeds a CW tone in noise through the analysis and writes the
//                                 VFO-A spectrum window as a PNG
//   qt_harness --write-readout-png PATH
//                                 the same at 2x with the pitch readout, the tone 12 Hz above
//                                 the marker

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QTimer>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/program.h"
#include "fakes/fake_audio_source.h"
#include "memory_settings.h"
#include "qt/desktop.h"
#include "qt/main_view.h"
#include "qt/spectrum_window.h"

namespace {

using namespace keblor;

struct Harness {
  test::MemorySettings settings;
  test::FakeAudioSource source;
  QtMainView view;
  QtDesktop desktop{view};
  std::unique_ptr<Program> program = std::make_unique<Program>(view, desktop, desktop, source, &settings);

  Harness() {
    desktop.SetInstanceName(QStringLiteral("keblor-qt-harness-%1").arg(::getpid()));
    view.Connect(*program);
  }
  ~Harness() { program->Shutdown(); }
  bool Start() { return program->StartUp() && view.Window() != nullptr; }
};

int RunKeys() {
  Harness harness;
  harness.settings.values["General/Channels"] = 2;
  harness.settings.values["General/AlwaysOnTop"] = 0;
  if (!harness.Start()) {
    std::fprintf(stderr, "qt_harness: start-up failed\n");
    return 1;
  }
  const Settings& settings = harness.program->CurrentSettings();
  struct Seen {
    int rangeA = -1, rangeB = -1, pitchA = -1;
  } seen;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (settings.VFO_A.Range != seen.rangeA) std::printf("rangeA %d\n", seen.rangeA = settings.VFO_A.Range);
    if (settings.VFO_B.Range != seen.rangeB) std::printf("rangeB %d\n", seen.rangeB = settings.VFO_B.Range);
    if (settings.VFO_A.PitchFreq != seen.pitchA) {
      std::printf("pitchA %d\n", seen.pitchA = settings.VFO_A.PitchFreq);
    }
    std::fflush(stdout);
  });
  poll.start(20);
  QTimer::singleShot(60000, [] { QCoreApplication::exit(0); });  // the script ends it sooner
  std::printf("ready\n");
  std::fflush(stdout);
  return QApplication::exec();
}

// A steady 700 Hz CW note at about -15 dB in white noise, 16-bit mono, phase kept across blocks.
class ToneSource {
 public:
  std::vector<std::uint8_t> NextBlock() {
    std::vector<std::uint8_t> bytes(AUDIO_BLOCK_FRAMES * 2);
    for (int i = 0; i < AUDIO_BLOCK_FRAMES; ++i) {
      const double tone = 5800.0 * std::sin(phase_);
      phase_ += 2.0 * M_PI * 700.0 / 10240.0;
      double noise = 0.0;
      for (int k = 0; k < 4; ++k) noise += Uniform();
      const long sample = std::lround(tone + 900.0 * noise);
      const auto value = static_cast<std::uint16_t>(static_cast<std::int16_t>(sample));
      bytes[static_cast<std::size_t>(2 * i)] = static_cast<std::uint8_t>(value & 0xff);
      bytes[static_cast<std::size_t>(2 * i + 1)] = static_cast<std::uint8_t>(value >> 8);
    }
    return bytes;
  }

 private:
  double Uniform() {  // -1..1, a fixed sequence so the picture is repeatable
    state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<double>(state_ >> 11) / 4503599627370496.0 - 1.0;
  }
  double phase_ = 0.0;
  std::uint64_t state_ = 20240601;
};

int WritePng(const QString& path, bool readout) {
  Harness harness;
  harness.settings.values["General/Level"] = 1;
  harness.settings.values["General/NumberOfAverages"] = 3;
  harness.settings.values["VFO-A/PitchFreq"] = readout ? 688 : 700;
  if (readout) {
    harness.settings.values["General/Zoom"] = 2;
    harness.settings.values["General/PitchReadout"] = 1;
  }
  if (!harness.Start()) {
    std::fprintf(stderr, "qt_harness: start-up failed\n");
    return 1;
  }
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
  ToneSource source;
  for (int block = 0; block < 12; ++block) {
    if (!harness.source.Deliver(source.NextBlock())) {
      std::fprintf(stderr, "qt_harness: the fake sound card took no block\n");
      return 1;
    }
    QCoreApplication::processEvents();
  }
  // The blocks came faster than real time: the last picture waits for its turn (ten a second).
  QElapsedTimer waited;
  waited.start();
  while (waited.elapsed() < 300) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  SpectrumWindow* frame = harness.view.Spectrum(Vfo::A);
  if (frame == nullptr) return 1;
  const QImage image = frame->grab().toImage();
  if (!image.save(path, "PNG")) {
    std::fprintf(stderr, "qt_harness: cannot write %s\n", path.toLocal8Bit().constData());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const bool keys = argc == 2 && std::strcmp(argv[1], "--keys") == 0;
  const bool readout = argc == 3 && std::strcmp(argv[1], "--write-readout-png") == 0;
  const bool png = readout || (argc == 3 && std::strcmp(argv[1], "--write-png") == 0);
  if (!keys && !png) {
    std::fprintf(stderr, "usage: qt_harness --keys | --write-png PATH | --write-readout-png PATH\n");
    return 2;
  }
  if (png) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  return keys ? RunKeys() : WritePng(QString::fromLocal8Bit(argv[2]), readout);
}
