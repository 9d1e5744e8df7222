// Timings of the analysis chain: the FFT, one whole block through SpectrumAnalyzer::push
// (stereo, 16 bits), and the mapping of one cycle. FFTW (single precision, FFTW_MEASURE) and KissFFT transform the same
// 1024 complex points as yardsticks; the run ends with FftTransform's time over FFTW's.

#include <benchmark/benchmark.h>
#include <fftw3.h>
#include <kiss_fft.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/cw_decoder.h"
#include "analysis/display_row_mapping.h"
#include "analysis/fft_engine.h"
#include "analysis/key_grid.h"
#include "analysis/morse_table.h"
#include "analysis/spectrum_analyzer.h"
#include "cw_band.h"

namespace {

using namespace keblor;

constexpr std::size_t N = static_cast<std::size_t>(FFT_SIZE);

// Unscaled forward transforms grow the data by up to 2^10 each; starting near 1e-12 and
// reloading every 8 transforms keeps everything finite and normal without timing a copy
// each time.
constexpr int RELOAD_EVERY = 8;
constexpr float INPUT_SCALE = 1e-12f;

struct Signal {
  std::array<float, N> re{};
  std::array<float, N> im{};
};

const Signal& TestSignal() {
  static const Signal signal = [] {
    Signal s;
    std::mt19937 rng(12345);
    std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
    for (std::size_t i = 0; i < N; ++i) {
      s.re[i] = dist(rng) * INPUT_SCALE;
      s.im[i] = dist(rng) * INPUT_SCALE;
    }
    return s;
  }();
  return signal;
}

const FftTables& Tables() {
  static const FftTables tables = [] {
    FftTables t;
    BuildFftTables(t);
    return t;
  }();
  return tables;
}

void BM_FftTransform(benchmark::State& state) {
  const FftTables& tables = Tables();
  const Signal& input = TestSignal();
  Signal work = input;
  int k = 0;
  for (auto _ : state) {
    if (++k == RELOAD_EVERY) {
      work = input;
      k = 0;
    }
    FftTransform(-1, FFT_SIZE, work.re.data(), work.im.data(), tables.stageCos.data(), tables.stageSin.data());
    benchmark::DoNotOptimize(work.re.data());
    benchmark::DoNotOptimize(work.im.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FftTransform);

// Interleaved, in place, planned with FFTW_MEASURE.
void BM_FftwForward(benchmark::State& state) {
  auto* data = static_cast<fftwf_complex*>(fftwf_malloc(sizeof(fftwf_complex) * N));
  fftwf_plan plan = fftwf_plan_dft_1d(FFT_SIZE, data, data, FFTW_FORWARD, FFTW_MEASURE);
  const Signal& input = TestSignal();
  std::vector<fftwf_complex> reload(N);
  for (std::size_t i = 0; i < N; ++i) {
    reload[i][0] = input.re[i];
    reload[i][1] = input.im[i];
  }
  std::memcpy(data, reload.data(), sizeof(fftwf_complex) * N);
  int k = 0;
  for (auto _ : state) {
    if (++k == RELOAD_EVERY) {
      std::memcpy(data, reload.data(), sizeof(fftwf_complex) * N);
      k = 0;
    }
    fftwf_execute(plan);
    benchmark::DoNotOptimize(data);
    benchmark::ClobberMemory();
  }
  fftwf_destroy_plan(plan);
  fftwf_free(data);
}
BENCHMARK(BM_FftwForward);

// KissFFT's natural out-of-place call; the input stays as it is.
void BM_KissFftForward(benchmark::State& state) {
  kiss_fft_cfg cfg = kiss_fft_alloc(FFT_SIZE, 0, nullptr, nullptr);
  const Signal& input = TestSignal();
  std::vector<kiss_fft_cpx> in(N);
  std::vector<kiss_fft_cpx> out(N);
  for (std::size_t i = 0; i < N; ++i) in[i] = {input.re[i], input.im[i]};
  for (auto _ : state) {
    kiss_fft(cfg, in.data(), out.data());
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  kiss_fft_free(cfg);
}
BENCHMARK(BM_KissFftForward);

// 1024 frames of 16-bit little-endian samples: a tone on each channel plus some noise.
std::vector<std::uint8_t> Block16(int channels) {
  std::vector<std::uint8_t> bytes;
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> noise(-300, 300);
  for (std::size_t i = 0; i < N; ++i) {
    for (int c = 0; c < channels; ++c) {
      const double hz = c == 0 ? 700.0 : 1130.0;
      const double v = 12000.0 * std::sin(6.283185307179586 * hz * static_cast<double>(i) / 10240.0) + noise(rng);
      const auto s = static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(v)));
      bytes.push_back(static_cast<std::uint8_t>(s & 0xFF));
      bytes.push_back(static_cast<std::uint8_t>(s >> 8));
    }
  }
  return bytes;
}

// One whole stereo block; arguments: NumberOfAverages (1 maps every block), the pitch readout
// off or on.
void BM_SpectrumAnalyzerPush(benchmark::State& state) {
  const std::vector<std::uint8_t> frames = Block16(2);
  SpectrumAnalyzer analyzer;
  analyzer.Configure({static_cast<int>(state.range(0)), true, 1, 3, false, false, state.range(1) != 0});
  for (auto _ : state) {
    auto frame = analyzer.Push(frames.data(), {2, 16});
    benchmark::DoNotOptimize(frame);
  }
  state.SetLabel(state.range(1) != 0 ? "stereo 16-bit, pitch readout" : "stereo 16-bit");
}
BENCHMARK(BM_SpectrumAnalyzerPush)->Args({1, 0})->Args({10, 0})->Args({1, 1})->Args({10, 1});

// One whole stereo block with decode on and sixteen signals listed and decoded on each side; the
// pitch readout on. Ten seconds of blocks, played over and over once the signals are listed.
void BM_SpectrumAnalyzerDecode(benchmark::State& state) {
  const auto blocks = SixteenStationsEachSide(100);
  auto analyzer = std::make_unique<SpectrumAnalyzer>();
  AnalyzerOptions options;
  options.pitchReadout = true;
  options.decode = true;
  analyzer->Configure(options);
  for (const auto& block : blocks) analyzer->Push(block.data(), {2, 16});
  std::size_t next = 0;
  for (auto _ : state) {
    auto frame = analyzer->Push(blocks[next].data(), {2, 16});
    benchmark::DoNotOptimize(frame);
    next = next + 1 == blocks.size() ? 0 : next + 1;
  }
  state.counters["signals"] = analyzer->ChannelSkimmer(0)->Count() + analyzer->ChannelSkimmer(1)->Count();
  state.SetLabel("stereo 16-bit, 16 signals a side decoded");
}
BENCHMARK(BM_SpectrumAnalyzerDecode);

// One cycle's mapping of both channels (stereo), the same range on both; argument 1: FT-1000MP.
void BM_MapDisplayRows(benchmark::State& state) {
  SpectrumAccumulator sourceA{};
  SpectrumAccumulator sourceB{};
  std::mt19937 rng(3);
  std::uniform_real_distribution<float> level(1e2f, 1e7f);
  for (std::size_t k = 0; k < sourceA.size(); ++k) {
    sourceA[k] = level(rng);
    sourceB[k] = level(rng);
  }
  DisplayMappingInput input;
  input.bitsPerSample = 16;
  input.channels = 2;
  input.rangeA = static_cast<int>(state.range(0));
  input.rangeB = static_cast<int>(state.range(0));
  input.ft1000mp = state.range(1) != 0;
  SpectrumAccumulator accA = sourceA;
  SpectrumAccumulator accB = sourceB;
  DisplayRow rowA{};
  DisplayRow rowB{};
  for (auto _ : state) {
    // Entry 0 is the only one the mapping may change; the rest stays as set up.
    accA[0] = sourceA[0];
    accB[0] = sourceB[0];
    MapDisplayRows(accA, accB, input, rowA, rowB);
    benchmark::DoNotOptimize(rowA.data());
    benchmark::DoNotOptimize(rowB.data());
  }
}
BENCHMARK(BM_MapDisplayRows)->ArgsProduct({{0, 1, 2, 3, 4}, {0, 1}});

// The key of `text` (letters and spaces) per dot-long cell: 1 down.
std::vector<int> KeyPerDot(std::string_view text) {
  std::vector<int> key;
  for (char c : text) {
    if (c == ' ') {
      key.insert(key.end(), 4, 0);
      continue;
    }
    for (char e : MorsePattern(std::string_view(&c, 1))) {
      key.insert(key.end(), e == '-' ? 3 : 1, 1);
      key.push_back(0);
    }
    key.insert(key.end(), 2, 0);
  }
  return key;
}

// One decoder's Push of a 1024-sample block, cycling through 20 s of "CQ DE DL1ABC" at 25 WPM,
// 700 Hz, in noise 10 dB below it in 500 Hz. Argument 1: noise alone, where the decoder keeps
// searching for a speed.
void BM_CwDecoderPush(benchmark::State& state) {
  const bool noiseAlone = state.range(0) != 0;
  const double dot = 1.2 / 25.0;
  const std::vector<int> key = KeyPerDot("CQ DE DL1ABC ");
  std::vector<float> x(200 * N);
  std::mt19937 rng(5);
  std::normal_distribution<float> noise(0.0f, 0.25f * std::sqrt(0.5f * 5120.0f / 500.0f / 10.0f));
  for (std::size_t i = 0; i < x.size(); ++i) {
    const double t = static_cast<double>(i) / CW_SAMPLE_RATE;
    const int down = noiseAlone ? 0 : key[static_cast<std::size_t>(t / dot) % key.size()];
    x[i] = static_cast<float>(0.25 * down * std::sin(6.283185307179586 * 700.0 * t)) + noise(rng);
  }
  CwDecoder decoder;
  decoder.Start(700.0);
  std::size_t block = 0;
  for (auto _ : state) {
    decoder.Push(x.data() + block * N, FFT_SIZE);
    block = (block + 1) % 200;
    benchmark::DoNotOptimize(decoder.Elements());
  }
  state.counters["wpm"] = decoder.Wpm();
  state.SetLabel(noiseAlone ? "noise alone" : "25 WPM, +10 dB");
}
BENCHMARK(BM_CwDecoderPush)->Arg(0)->Arg(1);

// A weak signal's key decided on its timing grid, read as Morse characters: one second of a
// decoder's envelope (320 samples) of "PARIS " at 25 WPM, marks 0.9 times a sample's noise.
void BM_KeyGridSecond(benchmark::State& state) {
  constexpr double UNIT = 0.048 * 320.0;  // samples
  const std::vector<int> cells = KeyPerDot("PARIS ");
  std::vector<float> evidence(64 * 320);
  std::mt19937 rng(7);
  std::normal_distribution<double> noise(0.0, 1.0);
  for (std::size_t i = 0; i < evidence.size(); ++i) {
    const int down = cells[static_cast<std::size_t>(static_cast<double>(i) / UNIT) % cells.size()];
    evidence[i] = static_cast<float>(0.9 * (0.9 * down + noise(rng) - 0.45));
  }
  KeyGrid grid;
  grid.Find(evidence.data(), 2000, UNIT);
  std::size_t at = 0;
  for (auto _ : state) {
    for (int k = 0; k < 320; ++k) {
      benchmark::DoNotOptimize(grid.Push(evidence[at], 0.0f));
      at = (at + 1) % evidence.size();
    }
  }
  state.SetLabel("25 WPM, 320 samples");
}
BENCHMARK(BM_KeyGridSecond);

// The console report, keeping CPU times per iteration (ns) for the closing ratio.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  explicit RatioReporter(OutputOptions options) : ConsoleReporter(options) {}

  void ReportRuns(const std::vector<Run>& reports) override {
    for (const Run& run : reports) {
      if (run.error_occurred) continue;
      const double ns = run.GetAdjustedCPUTime() * NsPerUnit(run.time_unit);
      if (run.run_type == Run::RT_Iteration) cpuNs_[run.run_name.str()] = ns;
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") medianNs_[run.run_name.str()] = ns;
    }
    ConsoleReporter::ReportRuns(reports);
  }

  // The median over repetitions when there were any, else the one run.
  double CpuNs(const std::string& name) const {
    if (const auto it = medianNs_.find(name); it != medianNs_.end()) return it->second;
    const auto it = cpuNs_.find(name);
    return it == cpuNs_.end() ? 0.0 : it->second;
  }

 private:
  static double NsPerUnit(benchmark::TimeUnit unit) {
    switch (unit) {
      case benchmark::kSecond: return 1e9;
      case benchmark::kMillisecond: return 1e6;
      case benchmark::kMicrosecond: return 1e3;
      default: return 1.0;
    }
  }
  std::map<std::string, double> cpuNs_;
  std::map<std::string, double> medianNs_;
};

// How far FftTransform's result lies from FFTW's for the same input, relative to the largest bin.
double LargestDifferenceFromFftw() {
  const Signal& input = TestSignal();
  Signal ours = input;
  FftTransform(-1, FFT_SIZE, ours.re.data(), ours.im.data(), Tables().stageCos.data(), Tables().stageSin.data());
  auto* data = static_cast<fftwf_complex*>(fftwf_malloc(sizeof(fftwf_complex) * N));
  fftwf_plan plan = fftwf_plan_dft_1d(FFT_SIZE, data, data, FFTW_FORWARD, FFTW_ESTIMATE);
  for (std::size_t i = 0; i < N; ++i) {
    data[i][0] = input.re[i];
    data[i][1] = input.im[i];
  }
  fftwf_execute(plan);
  double largest = 0.0;
  double difference = 0.0;
  for (std::size_t i = 0; i < N; ++i) {
    const std::complex<double> theirs(data[i][0], data[i][1]);
    const std::complex<double> mine(ours.re[i], ours.im[i]);
    largest = std::max(largest, std::abs(theirs));
    difference = std::max(difference, std::abs(theirs - mine));
  }
  fftwf_destroy_plan(plan);
  fftwf_free(data);
  return largest > 0.0 ? difference / largest : 0.0;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  // Colours only on a terminal, so that a saved report stays plain text.
  RatioReporter reporter(isatty(STDOUT_FILENO) != 0 ? benchmark::ConsoleReporter::OO_Defaults
                                                    : benchmark::ConsoleReporter::OO_Tabular);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  const double ours = reporter.CpuNs("BM_FftTransform");
  const double fftw = reporter.CpuNs("BM_FftwForward");
  if (ours > 0.0 && fftw > 0.0)
    std::printf("FftTransform / FFTW (CPU time, this run): %.2f  (%.0f ns / %.0f ns)\n", ours / fftw, ours, fftw);
  std::printf("FftTransform against FFTW, largest difference relative to the largest bin: %.2g\n",
              LargestDifferenceFromFftw());
  return 0;
}
