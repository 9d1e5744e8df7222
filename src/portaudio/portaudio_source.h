#pragma once
// The sound card input through PortAudio: the selected (or default) input device, a callback
// stream of exactly 1024 frames at 10240 Hz, blocks handed to the GUI thread through a ring of
// RING_SLOTS and a wake-up pipe. A device that refuses 10240 Hz (plain ALSA hardware) is captured
// at the first of CAPTURE_RATES it accepts, 100 ms a callback, and converted to 10240 Hz with an
// anti-alias filter (BlockResampler), so that the analysis sees what it would at 10240 Hz.
//
// Threads: every member function but OnDeviceBlock runs on the GUI thread. The callback converts
// or copies a block into the ring (or counts it lost when the GUI thread is RING_SLOTS behind)
// and writes one byte into a non-blocking pipe; it never allocates or locks, and waits only to
// hold a device that runs faster than real time to a block's time per block (BlockPacer).
// Result codes: PortAudio's own negative codes, and FORMAT_NOT_SUPPORTED.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/reports.h"
#include "capture/audio_source.h"
#include "capture/block_pacer.h"
#include "portaudio/block_resampler.h"
#include "portaudio/portaudio_api.h"

namespace keblor {

// The rates tried, in order, when a device refuses 10240 Hz.
inline constexpr int CAPTURE_RATES[] = {48000, 44100, 16000, 8000};

// Owns one initialize/terminate pair of the table's PortAudio. PortAudio is started on first
// use, so that a second copy of the program, which only finds the first and ends, never wakes
// the sound system.
class PortAudioSession {
 public:
  explicit PortAudioSession(const PortAudioApi& api) : api_(api) {}
  ~PortAudioSession();
  PortAudioSession(const PortAudioSession&) = delete;
  PortAudioSession& operator=(const PortAudioSession&) = delete;
  // Starts PortAudio the first time; PortAudio's result, the same one on every later call.
  int Start();

 private:
  const PortAudioApi& api_;
  bool started_ = false;
  int initResult_ = 0;
};

class PortAudioSource : public AudioSource {
 public:
  explicit PortAudioSource(const PortAudioApi& api = SystemPortAudio());
  ~PortAudioSource() override;
  PortAudioSource(const PortAudioSource&) = delete;
  PortAudioSource& operator=(const PortAudioSource&) = delete;

  // Where the source's lines go (a converted rate); none until set.
  void SetReports(Reports* reports) { reports_ = reports; }

  // Readable whenever blocks wait; watch it with a socket notifier or poll().
  int WakeFd() const { return pipeRead_; }
  // Hands every waiting block of the running stream to the handler, in order. A nested call
  // (from a handler that runs an event loop) returns at once; the outer one goes on.
  void DispatchBlocks();

  // Blocks that found the ring full, and callbacks PortAudio flagged with an input overflow,
  // since the last Open.
  std::uint64_t LostBlocks() const { return lost_.load(std::memory_order_relaxed); }
  std::uint64_t OverflowedBlocks() const { return overflowed_.load(std::memory_order_relaxed); }
  // The rate the open stream runs at: AUDIO_RATE, or the one converted from; 0 while closed.
  int DeviceRate() const { return stream_ != nullptr ? deviceRate_ : 0; }

  // Called on the capture thread with one callback's frames: a 1024-frame block at 10240 Hz, or
  // 100 ms of float frames at the device's rate.
  void OnDeviceBlock(const void* input, unsigned long frames, bool overflowed);

  // --- AudioSource ---
  int InputCount() override;
  // The devices with inputs by PortAudio's names; those of a host API other than the default
  // one (JACK beside ALSA) carry its name in front.
  std::vector<InputInfo> Inputs() override;
  void SelectInput(const std::string& id) override { selected_ = id; }
  int Query(const AudioFormat& format) override;
  OpenResult Open(const AudioFormat& format) override;
  int Start(BlockHandler onBlock) override;
  void Close() override;
  bool HeldBack() const override { return pacer_.Pacing(); }

 private:
  static constexpr std::size_t RING_SLOTS = 16;  // 1.6 s, as PulseSource's (see there); a power of two
  static constexpr std::size_t MAX_BLOCK_BYTES = 4 * AUDIO_BLOCK_FRAMES;  // stereo 16-bit

  int InputParameters(const AudioFormat& format, PaStreamParameters& parameters);
  // The rate to capture the parameters' device at: AUDIO_RATE when it accepts it, else the
  // first of CAPTURE_RATES it accepts in float samples (`parameters` then asks for them).
  // 0 and the refusal's code when none will do.
  int CaptureRate(PaStreamParameters& parameters, int& code);
  std::string InputName(const PaDeviceInfo& info);
  void PushBlock(const std::uint8_t* block);
  static void OnConvertedBlock(void* self, const std::uint8_t* block);

  const PortAudioApi& api_;
  PortAudioSession session_;
  std::string selected_;
  void* stream_ = nullptr;  // PaStream*
  AudioFormat format_{};
  std::size_t blockBytes_ = 0;
  int deviceRate_ = AUDIO_RATE;
  BlockResampler resampler_;  // when deviceRate_ is not AUDIO_RATE
  BlockPacer pacer_;          // used on the capture thread
  int rateSaid_ = 0;          // the last converted rate said
  Reports* reports_ = nullptr;
  BlockHandler handler_;
  bool running_ = false;
  bool dispatching_ = false;
  int pipeRead_ = -1;
  int pipeWrite_ = -1;

  // Single producer (the callback), single consumer (the GUI thread).
  std::array<std::array<std::uint8_t, MAX_BLOCK_BYTES>, RING_SLOTS> ring_{};
  std::array<std::uint8_t, MAX_BLOCK_BYTES> delivered_{};  // the copy a handler gets
  std::atomic<std::size_t> head_{0};  // blocks written
  std::atomic<std::size_t> tail_{0};  // blocks taken
  std::atomic<std::uint64_t> lost_{0};
  std::atomic<std::uint64_t> overflowed_{0};
  static_assert(std::atomic<std::size_t>::is_always_lock_free);
  static_assert(std::atomic<std::uint64_t>::is_always_lock_free);
};

}  // namespace keblor
