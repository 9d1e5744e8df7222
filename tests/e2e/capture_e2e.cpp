// Captures the default input through the PortAudio source, or the sound server's (--pulse), in
// each of the four formats and checks what a tone played into the input looks like: where the
// program's analysis reads its pitch, the block cadence, lost blocks, and that nothing is
// delivered after the close.
//
//   capture_e2e [--pulse] --expect-bin N [--blocks N]   all four formats in turn; exit 1 on a
//                                                       failure
//   capture_e2e [--pulse] --server-dies                 waits for the sound server to vanish
//                                                       (or stop) mid-stream and checks that
//                                                       closing and re-opening still return
//                                                       promptly
//   capture_e2e [--pulse] --held-up                     the blocks go on coming while the
//                                                       thread that takes them is held up
//                                                       for 0.7 s, and none is lost
//   capture_e2e --pulse --no-server                     no inputs, and no wait for them

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "analysis/spectrum_analyzer.h"
#include "portaudio/portaudio_source.h"
#include "pulse/pulse_source.h"

namespace keblor {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int AVERAGES = 5;            // one averaged spectrum every 500 ms
constexpr int SETTLING_FRAMES = 2;     // averaged spectra ignored while the tone reaches the input

struct Run {
  int channels = 1;
  int bits = 16;
  std::vector<Clock::time_point> arrivals;
  std::vector<int> peakBinA;
  std::vector<int> peakBinB;
};

// The program's own analysis with its pitch readout on, over the widest span: each completed
// cycle records the bin of each channel's strongest tone (0 for none).
class BinCounter {
 public:
  explicit BinCounter(const AudioFormat& format) : format_{format.channels, format.bitsPerSample} {
    analyzer_->Configure({AVERAGES, false, WIDEST_RANGE, WIDEST_RANGE, false, false, true});
  }

  void Add(const std::uint8_t* frames, Run& run) {
    const std::optional<SpectrumFrame> frame = analyzer_->Push(frames, format_);
    if (!frame) return;
    run.peakBinA.push_back(Bin(frame->pitchHzA));
    if (format_.channels == 2) run.peakBinB.push_back(Bin(frame->pitchHzB));
  }

 private:
  static constexpr int WIDEST_RANGE = 4;  // 4000 Hz
  static int Bin(double hz) { return static_cast<int>(std::lround(hz / BIN_HZ)); }
  BlockFormat format_;
  std::unique_ptr<SpectrumAnalyzer> analyzer_ = std::make_unique<SpectrumAnalyzer>();  // large
};

std::uint64_t Overflowed(const PortAudioSource& source) { return source.OverflowedBlocks(); }
std::uint64_t Overflowed(const PulseSource&) { return 0; }  // the server drops nothing it says

// Waits for blocks up to `until`, handing them to the handler: the sound server's source is
// pumped once a block's time, as the program does it; PortAudio's wakes a poll. False on a poll
// error.
bool Pump(PulseSource& source, Clock::time_point until) {
  for (;;) {
    const auto left = until - Clock::now();
    if (left <= Clock::duration::zero()) return true;
    std::this_thread::sleep_for(std::min<Clock::duration>(left, std::chrono::milliseconds(PulseSource::PUMP_INTERVAL_MS)));
    source.Pump();
  }
}

bool Pump(PortAudioSource& source, Clock::time_point until) {
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
    if (left <= 0) return true;
    pollfd fd{source.WakeFd(), POLLIN, 0};
    const int ready = poll(&fd, 1, static_cast<int>(left));
    if (ready < 0 && errno != EINTR) return false;
    if (ready > 0) source.DispatchBlocks();
  }
}

int Fail(const char* what) {
  std::fprintf(stderr, "FAIL: %s\n", what);
  return 1;
}

template <class Source>
int CheckFormats(int expectedBin, int blocks) {
  Source source;
  if (source.InputCount() < 1) return Fail("no input devices");

  const int formats[4][2] = {{1, 8}, {1, 16}, {2, 8}, {2, 16}};
  int failures = 0;
  for (const auto& f : formats) {
    Run run;
    run.channels = f[0];
    run.bits = f[1];
    int delivered = 0;
    const AudioFormat format{run.channels, run.bits};
    BinCounter counter(format);
    const OpenResult opened = QueryAndOpen(source, format);
    int code = opened.code;
    if (opened.Ok()) code = source.Start([&](const std::uint8_t* frames, const AudioFormat& got) {
      ++delivered;
      run.arrivals.push_back(Clock::now());
      if (got == format) counter.Add(frames, run);
    });
    if (code != 0) {
      std::fprintf(stderr, "FAIL: %d ch %d bit: %s\n", run.channels, run.bits, DeviceErrorText(code).c_str());
      source.Close();
      ++failures;
      continue;
    }
    // Generous deadline: blocks are 100 ms apart.
    const auto deadline = Clock::now() + std::chrono::milliseconds(blocks * 100 + 3000);
    while (static_cast<int>(run.arrivals.size()) < blocks && Clock::now() < deadline) {
      if (!Pump(source, std::min(deadline, Clock::now() + std::chrono::milliseconds(50)))) break;
    }
    const std::uint64_t lost = source.LostBlocks();
    const std::uint64_t overflowed = Overflowed(source);
    source.Close();
    // Whatever was still on its way when the stream closed must not be delivered.
    const int deliveredAtClose = delivered;
    Pump(source, Clock::now() + std::chrono::milliseconds(150));
    const int afterClose = delivered - deliveredAtClose;

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
      bins += ' ';
      bins += std::to_string(run.peakBinA[i]);
      if (run.channels == 2) {
        bins += '/';
        bins += std::to_string(run.peakBinB[i]);
      }
    }
    std::printf("%d ch %2d bit: %zu blocks, interval mean %.1f ms min %.1f max %.1f, lost %llu, overflowed %llu, "
                "delivered after close %d; strongest bins:%s\n",
                run.channels, run.bits, n, meanMs, minMs, maxMs, static_cast<unsigned long long>(lost),
                static_cast<unsigned long long>(overflowed), afterClose, bins.c_str());

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
    check(afterClose == 0, "a block was delivered after the close");
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

// Opens mono 16-bit and pumps until five blocks have arrived, each arrival's time kept. False,
// said, when it cannot.
template <class Source>
bool StartMono(Source& source, std::vector<Clock::time_point>& arrivals) {
  const OpenResult opened = QueryAndOpen(source, {1, 16});
  int code = opened.code;
  if (opened.Ok()) code = source.Start([&](const std::uint8_t*, const AudioFormat&) { arrivals.push_back(Clock::now()); });
  if (code != 0) {
    std::fprintf(stderr, "FAIL: %s\n", DeviceErrorText(code).c_str());
    return false;
  }
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  while (arrivals.size() < 5 && Clock::now() < deadline) Pump(source, Clock::now() + std::chrono::milliseconds(50));
  if (arrivals.size() < 5) Fail("no blocks came");
  return arrivals.size() >= 5;
}

// The sound server is killed by the caller once "capturing" has been printed; the blocks stop,
// and closing must still return promptly.
template <class Source>
int CheckServerDeath() {
  Source source;
  Run run;
  if (!StartMono(source, run.arrivals)) return 1;
  std::printf("capturing\n");
  std::fflush(stdout);
  // Wait until blocks stop for a second (or give up after 15 s: the server never went away).
  const auto giveUp = Clock::now() + std::chrono::seconds(15);
  while (Clock::now() < giveUp) {
    Pump(source, Clock::now() + std::chrono::milliseconds(100));
    if (Clock::now() - run.arrivals.back() > std::chrono::seconds(1)) break;
  }
  if (Clock::now() - run.arrivals.back() <= std::chrono::seconds(1)) return Fail("blocks kept coming");
  const auto closeStart = Clock::now();
  source.Close();
  const double closeMs = std::chrono::duration<double, std::milli>(Clock::now() - closeStart).count();
  std::printf("blocks stopped after %zu; close took %.1f ms\n", run.arrivals.size(), closeMs);
  if (closeMs > 3000.0) return Fail("closing a dead stream took more than 3 s");
  // The program's watchdog tries again every two seconds: a try must end, whatever the server
  // does, and once one has waited out a silent server the next ones must not wait again.
  for (int attempt = 1; attempt <= 3; ++attempt) {
    const auto reopenStart = Clock::now();
    const OpenResult again = QueryAndOpen(source, {1, 16});
    source.Close();
    const double reopenMs = std::chrono::duration<double, std::milli>(Clock::now() - reopenStart).count();
    std::printf("re-open %d: %s after %.1f ms\n", attempt, again.Ok() ? "opened" : DeviceErrorText(again.code).c_str(),
                reopenMs);
    if (reopenMs > 5000.0) return Fail("a re-open took more than 5 s");
    if (attempt > 1 && reopenMs > 1000.0) return Fail("a re-open after the first took more than a second");
  }
  return 0;
}

// A GUI thread held up for a while (a slow redraw, a screen reader reading every window) takes
// the blocks that came meanwhile once it pumps again: a block's time of input for every 100 ms.
template <class Source>
int CheckHeldUp() {
  constexpr auto HELD = std::chrono::milliseconds(700);
  Source source;
  std::vector<Clock::time_point> arrivals;
  if (!StartMono(source, arrivals)) return 1;
  std::this_thread::sleep_for(HELD);
  Pump(source, Clock::now() + std::chrono::milliseconds(1000));
  const double seconds = std::chrono::duration<double>(Clock::now() - arrivals.front()).count();
  const std::uint64_t lost = source.LostBlocks();
  source.Close();
  const auto blocks = static_cast<double>(arrivals.size() - 1);
  std::printf("held up %lld ms: %.0f blocks in %.2f s after the first, lost %llu\n",
              static_cast<long long>(HELD.count()), blocks, seconds, static_cast<unsigned long long>(lost));
  if (lost != 0) return Fail("blocks were lost while the thread was held up");
  // The last block may still be on its way, and the server's clock runs a little apart from ours.
  if (blocks < 10.0 * seconds - 2.0) return Fail("fewer blocks than the time captured holds: input was lost");
  return 0;
}

// Without a sound server the source finds no inputs, and says so at once.
int CheckNoServer() {
  PulseSource source;
  const auto start = Clock::now();
  const int inputs = source.InputCount();
  const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  std::printf("no server: %d inputs after %.1f ms\n", inputs, ms);
  if (inputs != 0) return Fail("inputs found without a server");
  if (ms > 1000.0) return Fail("finding no server took more than a second");
  return 0;
}

}  // namespace
}  // namespace keblor

int main(int argc, char** argv) {
  int expectedBin = -1;
  int blocks = 40;
  bool serverDies = false;
  bool noServer = false;
  bool heldUp = false;
  bool pulse = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--expect-bin") == 0 && i + 1 < argc) {
      expectedBin = std::atoi(argv[++i]);
    } else if (std::strcmp(argv[i], "--blocks") == 0 && i + 1 < argc) {
      blocks = std::atoi(argv[++i]);
    } else if (std::strcmp(argv[i], "--server-dies") == 0) {
      serverDies = true;
    } else if (std::strcmp(argv[i], "--pulse") == 0) {
      pulse = true;
    } else if (std::strcmp(argv[i], "--no-server") == 0) {
      noServer = true;
    } else if (std::strcmp(argv[i], "--held-up") == 0) {
      heldUp = true;
    } else {
      std::fprintf(stderr,
                   "usage: %s [--pulse] --expect-bin N [--blocks N] | [--pulse] --server-dies | [--pulse] --held-up | "
                   "--pulse --no-server\n",
                   argv[0]);
      return 2;
    }
  }
  using keblor::PortAudioSource;
  using keblor::PulseSource;
  if (noServer) return keblor::CheckNoServer();
  if (serverDies) return pulse ? keblor::CheckServerDeath<PulseSource>() : keblor::CheckServerDeath<PortAudioSource>();
  if (heldUp) return pulse ? keblor::CheckHeldUp<PulseSource>() : keblor::CheckHeldUp<PortAudioSource>();
  if (expectedBin < 0) return 2;
  return pulse ? keblor::CheckFormats<PulseSource>(expectedBin, blocks)
               : keblor::CheckFormats<PortAudioSource>(expectedBin, blocks);
}
