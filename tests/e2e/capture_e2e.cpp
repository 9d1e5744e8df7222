// Captures the default input through the PortAudio device in each of the four formats, feeds
// every block to the analysis as the main window does, and checks what a tone played into the
// input looks like: the strongest averaged bin, the block cadence and lost blocks.
//
//   capture_e2e --expect-bin N [--blocks N]   all four formats in turn; exit 1 on a failure
//   capture_e2e --server-dies                 waits for the sound server to vanish mid-stream
//                                             and checks that closing still returns promptly

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "analysis/block_analysis.h"
#include "capture/capture_stream.h"
#include "portaudio/portaudio_capture_device.h"

namespace keblor {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int AVERAGES = 5;            // one averaged spectrum every 500 ms
constexpr int SETTLING_FRAMES = 2;     // averaged spectra ignored while the tone reaches the input
constexpr int FIRST_SEARCHED_BIN = 3;  // the 8-bit offset lands in bins 0 and 1

struct Run {
  int channels = 1;
  int bits = 16;
  std::vector<Clock::time_point> arrivals;
  std::vector<int> peakBinA;
  std::vector<int> peakBinB;
  int stale = 0;
};

int StrongestBin(const SpectrumAccumulator& accumulator) {
  const auto first = accumulator.begin() + FIRST_SEARCHED_BIN;
  return static_cast<int>(std::max_element(first, accumulator.end()) - accumulator.begin());
}

// The main window's part: accept, analyse, requeue from within the analysis.
class AnalysingSink : public CaptureSink, public BlockAnalysisHooks {
 public:
  CaptureStream* stream = nullptr;
  Run* run = nullptr;
  FftTables tables{};
  BlockWork work{};
  ChannelSpectrum a{}, b{};
  int averageCount = 0;

  void OnCaptureData(const CaptureNotification& notification) override {
    CaptureBuffer* buffer = AcceptCaptureNotification(*stream, notification);
    if (buffer == nullptr) {
      if (run != nullptr) ++run->stale;
      return;
    }
    run->arrivals.push_back(Clock::now());
    current_ = buffer->index;
    BlockAnalysisInput input;
    input.channels = run->channels;
    input.bitsPerSample = run->bits;
    input.numberOfAverages = AVERAGES;
    input.level = true;
    AnalyseBlock(buffer->data, input, tables, work, a, b, averageCount, *this);
  }
  void RequeueBuffer() override { keblor::RequeueBuffer(*stream, current_); }
  void DisplayFrame() override {
    run->peakBinA.push_back(StrongestBin(a.accumulator));
    if (run->channels == 2) run->peakBinB.push_back(StrongestBin(b.accumulator));
  }

 private:
  int current_ = 0;
};

// Waits for notifications up to `until`, handing them to the sink; false on a poll error.
bool Pump(PortAudioCaptureDevice& device, Clock::time_point until) {
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
    if (left <= 0) return true;
    pollfd fd{device.NotificationFd(), POLLIN, 0};
    const int ready = poll(&fd, 1, static_cast<int>(left));
    if (ready < 0 && errno != EINTR) return false;
    if (ready > 0) device.DispatchNotifications();
  }
}

int Fail(const char* what) {
  std::fprintf(stderr, "FAIL: %s\n", what);
  return 1;
}

int CheckFormats(int expectedBin, int blocks) {
  PortAudioCaptureDevice device;
  if (device.InputDeviceCount() < 1) return Fail("no input devices");
  CaptureStream stream;
  stream.device = &device;
  AnalysingSink sink;
  sink.stream = &stream;
  BuildFftTables(sink.tables);

  const int formats[4][2] = {{1, 8}, {1, 16}, {2, 8}, {2, 16}};
  int failures = 0;
  for (const auto& f : formats) {
    Run run;
    run.channels = f[0];
    run.bits = f[1];
    sink.run = &run;
    ClearAccumulators(sink.a, sink.b, sink.averageCount);
    ComputeWaveFormat(stream, run.channels, run.bits);
    int code = OpenCapture(stream, sink);
    if (code == 0) code = StartCapture(stream);
    if (code != 0) {
      std::fprintf(stderr, "FAIL: %d ch %d bit: MMedia error nr %d\n", run.channels, run.bits, code);
      CloseCapture(stream);
      ++failures;
      continue;
    }
    // Generous deadline: blocks are 100 ms apart.
    const auto deadline = Clock::now() + std::chrono::milliseconds(blocks * 100 + 3000);
    while (static_cast<int>(run.arrivals.size()) < blocks && Clock::now() < deadline) {
      if (!Pump(device, std::min(deadline, Clock::now() + std::chrono::milliseconds(50)))) break;
    }
    const std::uint64_t lost = device.LostBlocks();
    const std::uint64_t overflowed = device.OverflowedBlocks();
    CloseCapture(stream);
    // The buffers the close returned come back as notifications: all must be dropped.
    const int staleBefore = run.stale;
    Pump(device, Clock::now() + std::chrono::milliseconds(150));
    const int staleAfterClose = run.stale - staleBefore;

    const std::size_t n = run.arrivals.size();
    double meanMs = 0, minMs = 1e9, maxMs = 0;
    for (std::size_t i = 1; i < n; ++i) {
      const double gap = std::chrono::duration<double, std::milli>(run.arrivals[i] - run.arrivals[i - 1]).count();
      minMs = std::min(minMs, gap);
      maxMs = std::max(maxMs, gap);
    }
    if (n > 1) meanMs = std::chrono::duration<double, std::milli>(run.arrivals[n - 1] - run.arrivals[0]).count() / double(n - 1);
    std::string bins;
    for (std::size_t i = 0; i < run.peakBinA.size(); ++i) {
      bins += " " + std::to_string(run.peakBinA[i]);
      if (run.channels == 2) bins += "/" + std::to_string(run.peakBinB[i]);
    }
    std::printf("%d ch %2d bit: %zu blocks, interval mean %.1f ms min %.1f max %.1f, lost %llu, overflowed %llu, "
                "stale dropped %d; strongest bins:%s\n",
                run.channels, run.bits, n, meanMs, minMs, maxMs, static_cast<unsigned long long>(lost),
                static_cast<unsigned long long>(overflowed), staleAfterClose, bins.c_str());

    bool ok = true;
    auto check = [&](bool condition, const char* what) {
      if (!condition) {
        std::fprintf(stderr, "FAIL: %d ch %d bit: %s\n", run.channels, run.bits, what);
        ok = false;
      }
    };
    check(static_cast<int>(n) >= blocks, "too few blocks arrived");
    check(lost == 0, "blocks were lost");
    check(meanMs > 90.0 && meanMs < 110.0, "blocks do not arrive every 100 ms on average");
    check(maxMs < 400.0, "a gap between blocks exceeded 400 ms");
    check(staleAfterClose <= 2, "more notifications after the close than buffers");
    const std::size_t frames = run.peakBinA.size();
    check(frames > SETTLING_FRAMES, "too few averaged spectra");
    for (std::size_t i = SETTLING_FRAMES; i < frames; ++i) {
      if (run.peakBinA[i] != expectedBin) check(false, "left or only channel: wrong strongest bin");
      if (run.channels == 2 && run.peakBinB[i] != expectedBin) check(false, "right channel: wrong strongest bin");
    }
    if (!ok) ++failures;
  }
  return failures == 0 ? 0 : 1;
}

// The sound server is killed by the caller once "capturing" has been printed; the blocks stop,
// and closing must still return promptly.
int CheckServerDeath() {
  PortAudioCaptureDevice device;
  CaptureStream stream;
  stream.device = &device;
  AnalysingSink sink;
  sink.stream = &stream;
  BuildFftTables(sink.tables);
  Run run;
  sink.run = &run;
  ComputeWaveFormat(stream, 1, 16);
  int code = OpenCapture(stream, sink);
  if (code == 0) code = StartCapture(stream);
  if (code != 0) {
    std::fprintf(stderr, "FAIL: MMedia error nr %d\n", code);
    return 1;
  }
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  while (run.arrivals.size() < 5 && Clock::now() < deadline) Pump(device, Clock::now() + std::chrono::milliseconds(50));
  if (run.arrivals.size() < 5) return Fail("no blocks before the server was stopped");
  std::printf("capturing\n");
  std::fflush(stdout);
  // Wait until blocks stop for a second (or give up after 15 s: the server never went away).
  const auto giveUp = Clock::now() + std::chrono::seconds(15);
  while (Clock::now() < giveUp) {
    Pump(device, Clock::now() + std::chrono::milliseconds(100));
    if (Clock::now() - run.arrivals.back() > std::chrono::seconds(1)) break;
  }
  if (Clock::now() - run.arrivals.back() <= std::chrono::seconds(1)) return Fail("blocks kept coming");
  const auto closeStart = Clock::now();
  CloseCapture(stream);
  const double closeMs = std::chrono::duration<double, std::milli>(Clock::now() - closeStart).count();
  std::printf("blocks stopped after %zu; close took %.1f ms\n", run.arrivals.size(), closeMs);
  if (closeMs > 3000.0) return Fail("closing a dead stream took more than 3 s");
  return 0;
}

}  // namespace
}  // namespace keblor

int main(int argc, char** argv) {
  int expectedBin = -1;
  int blocks = 40;
  bool serverDies = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--expect-bin") == 0 && i + 1 < argc) {
      expectedBin = std::atoi(argv[++i]);
    } else if (std::strcmp(argv[i], "--blocks") == 0 && i + 1 < argc) {
      blocks = std::atoi(argv[++i]);
    } else if (std::strcmp(argv[i], "--server-dies") == 0) {
      serverDies = true;
    } else {
      std::fprintf(stderr, "usage: %s --expect-bin N [--blocks N] | --server-dies\n", argv[0]);
      return 2;
    }
  }
  if (serverDies) return keblor::CheckServerDeath();
  if (expectedBin < 0) return 2;
  return keblor::CheckFormats(expectedBin, blocks);
}
