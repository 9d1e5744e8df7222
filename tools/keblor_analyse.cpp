// keblor-analyse [--settings FILE] [--raster] FILE.wav
//
// Runs a recording through the same analysis chain as the live display, with the settings the
// program would use, and prints one JSON line per completed averaging cycle.

#include <cstdio>
#include <string>

#include "analyse_options.h"
#include "analysis/block_analysis.h"
#include "app/ini_file.h"
#include "app/settings.h"
#include "app/settings_store.h"
#include "display/level_readout.h"
#include "display/trace_rendering.h"
#include "frame_json.h"
#include "wav_blocks.h"

namespace {

using namespace keblor;
using namespace keblor::tool;

constexpr int EXIT_BAD_INPUT = 2;
constexpr int EXIT_WRITE_FAILED = 1;

// Everything one run keeps between blocks.
struct AnalyseRun {
  Settings settings;
  bool raster = false;
  FftTables tables;
  BlockWork work;
  ChannelSpectrum a;
  ChannelSpectrum b;
  int averageCount = 0;
  long blocks = 0;
  long frames = 0;
  TraceRaster rasterA{};
  TraceRaster rasterB{};
  std::string levelA;
  std::string levelB;
  std::string line;
  bool writeFailed = false;
};

class PrintingHooks : public BlockAnalysisHooks {
 public:
  explicit PrintingHooks(AnalyseRun& run) : run_(run) {}

  void RequeueBuffer() override {}

  void DisplayFrame() override {
    AnalyseRun& r = run_;
    const Settings& s = r.settings;
    const bool stereo = s.Channels == 2;
    const bool level = s.Level != 0;
    ++r.frames;

    VfoFrame vfoA{&r.a.displayRow, r.a.peakLevel, nullptr, nullptr};
    VfoFrame vfoB{&r.b.displayRow, r.b.peakLevel, nullptr, nullptr};
    if (level) {
      r.levelA = FormatLevelText(r.a.peakLevel, s.BitsPerSample);
      vfoA.level = &r.levelA;
      if (stereo) {
        r.levelB = FormatLevelText(r.b.peakLevel, s.BitsPerSample);
        vfoB.level = &r.levelB;
      }
    }
    if (r.raster) {
      RenderTraceRaster(r.rasterA, r.a.displayRow, s.VFO_A.Pitch != 0, s.VFO_A.PitchFreq, s.VFO_A.Range);
      vfoA.raster = &r.rasterA;
      if (stereo) {
        RenderTraceRaster(r.rasterB, r.b.displayRow, s.VFO_B.Pitch != 0, s.VFO_B.PitchFreq, s.VFO_B.Range);
        vfoB.raster = &r.rasterB;
      }
    }

    r.line.clear();
    AppendFrameJson(r.line, r.frames, r.blocks, vfoA, stereo ? &vfoB : nullptr);
    if (std::fwrite(r.line.data(), 1, r.line.size(), stdout) != r.line.size()) r.writeFailed = true;
  }

 private:
  AnalyseRun& run_;
};

int Fail(const std::string& subject, const std::string& problem) {
  std::fprintf(stderr, "keblor-analyse: %s: %s\n", subject.c_str(), problem.c_str());
  return EXIT_BAD_INPUT;
}

}  // namespace

int main(int argc, char** argv) {
  AnalyseOptions options;
  std::string error;
  if (!ParseAnalyseOptions(argc, argv, options, error)) {
    std::fprintf(stderr, "keblor-analyse: %s (usage: keblor-analyse [--settings FILE] [--raster] FILE.wav)\n",
                 error.c_str());
    return EXIT_BAD_INPUT;
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
  BuildFftTables(run.tables);

  const Settings& s = run.settings;
  BlockAnalysisInput input;
  input.channels = s.Channels;
  input.bitsPerSample = s.BitsPerSample;
  input.numberOfAverages = s.NumberOfAverages;
  input.level = s.Level != 0;
  input.rangeA = s.VFO_A.Range;
  input.rangeB = s.VFO_B.Range;
  input.ft1000mp = s.FT1000MP != 0;

  PrintingHooks hooks(run);
  static BlockBytes block{};
  while (!run.writeFailed && wav.ReadBlock(block)) {
    ++run.blocks;
    AnalyseBlock(block.data(), input, run.tables, run.work, run.a, run.b, run.averageCount, hooks);
  }

  if (std::fflush(stdout) != 0 || run.writeFailed) {
    std::fprintf(stderr, "keblor-analyse: standard output: write failed\n");
    return EXIT_WRITE_FAILED;
  }
  return 0;
}
