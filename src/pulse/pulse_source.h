#pragma once
// The sound card input through the sound server's own client library (PulseAudio, and the
// PipeWire servers that speak its protocol): a record stream at 10240 Hz in the chosen format
// with fragments of one block. The stream carries the program's name, icon and a media role, so
// that mixers show it by name and the server keeps the routing the user gives it.
//
// Threads: none of its own. Everything runs on the GUI thread, which calls Pump once a block's
// time while a stream runs: the server's messages wait in the connection until then, however
// often the server sends them (a monitor of a busy output sends a few hundred a second), so the
// program wakes ten times a second for its input. A Pump copies what arrived into a ring and
// hands the whole blocks to the handler. The server and the ring each hold RING_SLOTS blocks, so
// that a GUI thread held up for a moment (a slow redraw, a screen reader walking the windows)
// loses no input: a lost block cuts the Morse of every signal decoded. Waits for the server are
// bounded by CONNECT_TIMEOUT_MS and REPLY_TIMEOUT_MS: a server that has gone away, or stopped
// answering, costs a failed open, never a hung window; once a wait has run out, connecting waits
// only BRIEF_WAIT_MS for QUIET_MS, so that the program's tries to re-open do not stall it again.
// Result codes: libpulse's PA_ERR_* numbers (all positive), and FORMAT_NOT_SUPPORTED.

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/reports.h"
#include "capture/audio_source.h"

struct pa_mainloop;
struct pa_context;
struct pa_stream;

namespace keblor {

class PulseSource : public AudioSource {
 public:
  static constexpr int CONNECT_TIMEOUT_MS = 2000;
  static constexpr int REPLY_TIMEOUT_MS = 2000;
  static constexpr int PUMP_INTERVAL_MS = 100;  // one block
  static constexpr int BRIEF_WAIT_MS = 50;      // enough for a local server to refuse
  static constexpr int QUIET_MS = 10000;

  // The server is contacted on first use.
  PulseSource() = default;
  ~PulseSource() override;
  PulseSource(const PulseSource&) = delete;
  PulseSource& operator=(const PulseSource&) = delete;

  // How the caller's timer is to call Pump: `schedule(ms)` asks for the next call in `ms`
  // milliseconds and then every PUMP_INTERVAL_MS; `schedule(-1)` stops the calls.
  void SetPumpTimer(std::function<void(int)> schedule) { schedule_ = std::move(schedule); }
  // Where the source's lines go (a stream the server stopped); none until set.
  void SetReports(Reports* reports) { reports_ = reports; }
  // Takes what the server sent, hands every whole block of the running stream to the handler in
  // order, and says on standard error when the stream failed (once per failure). A call that
  // finds no block, or more than one, asks for the next half a block's time later: the calls then
  // keep clear of the moments blocks complete, and each finds one. A nested call (from a handler
  // that runs an event loop) returns at once.
  void Pump();

  // Connects to the server unless connected: 0, or why not. Never starts a server. While an
  // earlier attempt still waits for a server that does not answer, fails at once.
  int Connect();

  // Blocks that found the ring full since the last Open.
  std::uint64_t LostBlocks() const { return lost_; }

  // --- AudioSource ---
  int InputCount() override;
  // The server's sources by description: inputs first, then the monitors of its outputs.
  std::vector<InputInfo> Inputs() override;
  void SelectInput(const std::string& id) override { selected_ = id; }
  int Query(const AudioFormat& format) override;
  OpenResult Open(const AudioFormat& format) override;
  int Start(BlockHandler onBlock) override;
  void Close() override;

 private:
  // 1.6 s: more than the program's watchdog lets the input be silent before it takes it for stopped.
  static constexpr std::size_t RING_SLOTS = 16;
  static constexpr std::size_t MAX_BLOCK_BYTES = 4 * AUDIO_BLOCK_FRAMES;  // stereo 16-bit

  static void OnStreamState(pa_stream* stream, void* self);
  static void OnStreamRead(pa_stream* stream, std::size_t bytes, void* self);
  void TakeBytes(const std::uint8_t* data, std::size_t bytes);  // data null: a hole, silence
  template <class Done>
  bool WaitUntil(Done done, int timeoutMs);
  void DropStream();
  void DropContext();
  bool ContextReady() const;
  void NoteTimeout();

  pa_mainloop* loop_ = nullptr;
  pa_context* context_ = nullptr;
  pa_stream* stream_ = nullptr;
  std::string selected_;
  AudioFormat format_{};
  std::size_t blockBytes_ = 0;
  BlockHandler handler_;
  std::function<void(int)> schedule_;
  bool running_ = false;
  bool inPump_ = false;
  bool moved_ = false;  // the pump timer was just moved

  // The block at the ring's head fills as bytes come; one that finds the ring full is dropped.
  std::array<std::array<std::uint8_t, MAX_BLOCK_BYTES>, RING_SLOTS> ring_{};
  std::array<std::uint8_t, MAX_BLOCK_BYTES> delivered_{};  // the copy a handler gets
  std::size_t head_ = 0;  // blocks written
  std::size_t tail_ = 0;  // blocks taken
  std::size_t filled_ = 0;
  bool dropping_ = false;
  std::uint64_t lost_ = 0;
  std::chrono::steady_clock::time_point lastTimeout_{};
  bool timedOut_ = false;  // a wait for the server has run out, at lastTimeout_
  int failure_ = 0;        // PA_ERR_* of a stream that failed, until reported
  int lastReported_ = 0;  // the last failure said
  Reports* reports_ = nullptr;
};

}  // namespace keblor
