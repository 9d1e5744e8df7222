// One version of the analysis pushing the benchmark's stereo block; compare_push.sh compiles it
// once per version, each in a namespace of its own (-Dkeblor=...), under the name RUNNER.

#include <time.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "analysis/spectrum_analyzer.h"

namespace {

// As keblor_bench's Block16(2): a tone on each channel plus some noise.
std::vector<std::uint8_t> StereoBlock() {
  std::vector<std::uint8_t> bytes;
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> noise(-300, 300);
  for (int i = 0; i < 1024; ++i) {
    for (int c = 0; c < 2; ++c) {
      const double hz = c == 0 ? 700.0 : 1130.0;
      const double v = 12000.0 * std::sin(6.283185307179586 * hz * i / 10240.0) + noise(rng);
      const auto s = static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(v)));
      bytes.push_back(static_cast<std::uint8_t>(s & 0xFF));
      bytes.push_back(static_cast<std::uint8_t>(s >> 8));
    }
  }
  return bytes;
}

}  // namespace

// The thread's CPU time in ns for `blocks` pushes, averages 1 or 10, the readout off or on.
double RUNNER(int averages, bool readout, int blocks) {
  static const std::vector<std::uint8_t> block = StereoBlock();
  static keblor::SpectrumAnalyzer analyzers[2][2];
  keblor::SpectrumAnalyzer& analyzer = analyzers[averages == 1 ? 0 : 1][readout ? 1 : 0];
  keblor::AnalyzerOptions options;
  options.numberOfAverages = averages;
  options.level = true;
  options.rangeA = 1;
  options.rangeB = 3;
  options.pitchReadout = readout;
  analyzer.Configure(options);
  timespec start{}, end{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &start);
  double sink = 0.0;
  for (int i = 0; i < blocks; ++i)
    if (const auto frame = analyzer.Push(block.data(), {2, 16})) sink += frame->rowA[3];
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &end);
  volatile double keep = sink;
  (void)keep;
  return static_cast<double>(end.tv_sec - start.tv_sec) * 1e9 + static_cast<double>(end.tv_nsec - start.tv_nsec);
}
