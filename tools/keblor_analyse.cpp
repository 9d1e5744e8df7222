// keblor-analyse [--settings FILE] [--raster] [--decode] FILE.wav; --help tells more
//
// Runs a recording through the same analysis chain as the live display, with the settings the
// program would use, and prints one JSON line per completed averaging cycle; with --decode, then
// one line with every CW signal heard.

#include <cstdio>
#include <string>

#include "analyse_options.h"
#include "analysis/spectrum_analyzer.h"
#include "core/ini_file.h"
#include "core/settings.h"
#include "core/settings_store.h"
#include "display/level_readout.h"
#include "display/trace_rendering.h"
#include "frame_json.h"
#include "signal_log.h"
#include "wav_blocks.h"

namespace {

using namespace keblor;
using namespace keblor::tool;

constexpr int EXIT_BAD_INPUT = 2;
constexpr int EXIT_WRITE_FAILED = 1;
constexpr int TAIL_BLOCKS = 60;  // 6 s: a weak signal's grid holds its last 24 cells back, 5.8 s at 5 WPM

// Everything one run keeps between blocks.
struct AnalyseRun {
  Settings settings;
  bool raster = false;
  SpectrumAnalyzer analyzer;
  long blocks = 0;
  long frames = 0;
  TraceRaster rasterA{};
  TraceRaster rasterB{};
  std::string levelA;
  std::string levelB;
  std::string line;
  SignalLog signals;  // with --decode
};

// One JSON line for a completed cycle; false when it could not be written.
bool PrintFrame(AnalyseRun& r, const SpectrumFrame& frame) {
  const Settings& s = r.settings;
  const bool stereo = s.Channels == 2;
  const bool level = s.Level != 0;
  ++r.frames;

  VfoFrame vfoA{&frame.rowA, frame.peakA, nullptr, nullptr, nullptr};
  VfoFrame vfoB{&frame.rowB, frame.peakB, nullptr, nullptr, nullptr};
  if (s.PitchReadout != 0) {
    vfoA.pitchHz = &frame.pitchHzA;
    vfoB.pitchHz = &frame.pitchHzB;
  }
  if (level) {
    r.levelA = FormatLevelText(frame.peakA, s.BitsPerSample);
    vfoA.level = &r.levelA;
    if (stereo) {
      r.levelB = FormatLevelText(frame.peakB, s.BitsPerSample);
      vfoB.level = &r.levelB;
    }
  }
  if (r.raster) {
    RenderTraceRaster(r.rasterA, frame.rowA, s.VFO_A.Pitch != 0, s.VFO_A.PitchFreq, s.VFO_A.Range);
    vfoA.raster = &r.rasterA;
    if (stereo) {
      RenderTraceRaster(r.rasterB, frame.rowB, s.VFO_B.Pitch != 0, s.VFO_B.PitchFreq, s.VFO_B.Range);
      vfoB.raster = &r.rasterB;
    }
  }

  r.line.clear();
  AppendFrameJson(r.line, r.frames, r.blocks, vfoA, stereo ? &vfoB : nullptr);
  return std::fwrite(r.line.data(), 1, r.line.size(), stdout) == r.line.size();
}

int Fail(const std::string& subject, const std::string& problem) {
  std::fprintf(stderr, "keblor-analyse: %s: %s\n", subject.c_str(), problem.c_str());
  return EXIT_BAD_INPUT;
}

}  // namespace

int main(int argc, char** argv) {
  AnalyseOptions options;
  std::string error;
  if (!ParseAnalyseOptions(argc, argv, options, error)) {
    std::fprintf(stderr, "keblor-analyse: %s (see keblor-analyse --help)\n", error.c_str());
    return EXIT_BAD_INPUT;
  }
  if (options.help || options.version) {
    const std::string text = options.help ? AnalyseUsage() : AnalyseVersion();
    std::fputs(text.c_str(), stdout);
    return 0;
  }

  WavBlocks wav;
  if (!wav.Open(options.wavPath, error)) return Fail(options.wavPath, error);

  static AnalyseRun run;  // large working arrays: keep them off the stack
  IniFile settingsFile(options.settingsPath);
  LoadSettings(run.settings, settingsFile);
  // The recording, not the settings, says what the sound card would deliver.
  run.settings.Channels = wav.Channels();
  run.settings.BitsPerSample = wav.BitsPerSample();
  run.raster = options.raster;

  const Settings& s = run.settings;
  run.analyzer.Configure({s.NumberOfAverages, s.Level != 0, s.VFO_A.Range, s.VFO_B.Range, s.FT1000MP != 0,
                          s.RunningAverage != 0, s.PitchReadout != 0, options.decode});
  const BlockFormat format{s.Channels, s.BitsPerSample};

  bool writeFailed = false;
  static BlockBuffer block{};
  while (!writeFailed && wav.ReadBlock(block)) {
    ++run.blocks;
    if (const auto frame = run.analyzer.Push(block.data(), format)) writeFailed = !PrintFrame(run, *frame);
    if (options.decode) {
      for (int channel = 0; channel < s.Channels; ++channel)
        run.signals.Update(channel, *run.analyzer.ChannelSkimmer(channel));
    }
  }
  if (options.decode && run.blocks > 0 && !writeFailed) {
    // The decoders hold back the last second or two they heard until more comes: silence after
    // the recording lets them write it. It draws no picture.
    block.fill(s.BitsPerSample == 8 ? std::uint8_t{128} : std::uint8_t{0});
    for (int k = 0; k < TAIL_BLOCKS; ++k) {
      run.analyzer.Push(block.data(), format);
      for (int channel = 0; channel < s.Channels; ++channel)
        run.signals.Update(channel, *run.analyzer.ChannelSkimmer(channel), true);
    }
    const std::string json = run.signals.Json();
    writeFailed = std::fwrite(json.data(), 1, json.size(), stdout) != json.size();
  }

  if (run.blocks == 0 && !writeFailed) return Fail(options.wavPath, "shorter than one block of 1024 frames");
  if (std::fflush(stdout) != 0 || writeFailed) {
    std::fprintf(stderr, "keblor-analyse: standard output: write failed\n");
    return EXIT_WRITE_FAILED;
  }
  return 0;
}
