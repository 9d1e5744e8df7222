#include "pulse/pulse_source.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <chrono>
#include <cstring>

namespace keblor {

namespace {

constexpr const char* APPLICATION_NAME = "CW Keblor";
constexpr const char* APPLICATION_ID = "keblor";  // the desktop entry's and the icon's name
constexpr const char* STREAM_NAME = "Input";
// Audio work rather than a call or a game: the server neither ducks other streams for it nor
// routes it to a headset of its own accord.
constexpr const char* MEDIA_ROLE = "production";
// Events one Pump handles at most, so that a flood cannot hold the GUI thread.
constexpr int MAX_DISPATCHES_PER_PUMP = 256;

struct Listing {
  std::vector<InputInfo> inputs;
  std::vector<bool> monitors;
  bool done = false;
  bool failed = false;
};

void OnSourceInfo(pa_context*, const pa_source_info* info, int eol, void* listing) {
  auto* l = static_cast<Listing*>(listing);
  if (eol != 0) {
    l->done = true;
    l->failed = eol < 0;
    return;
  }
  if (info == nullptr || info->name == nullptr) return;
  const char* description = info->description != nullptr && *info->description != '\0' ? info->description : info->name;
  l->inputs.push_back({info->name, description});
  l->monitors.push_back(info->monitor_of_sink != PA_INVALID_INDEX);
}

// What a call failed with, when libpulse itself gives no reason.
int ErrnoOr(pa_context* context, int fallback) {
  const int code = context != nullptr ? pa_context_errno(context) : 0;
  return code != 0 ? code : fallback;
}

}  // namespace

PulseSource::~PulseSource() {
  Close();
  DropContext();
  if (loop_ != nullptr) pa_mainloop_free(loop_);
}

// Runs the server's events until done() or the time is up; false when it is up first.
template <class Done>
bool PulseSource::WaitUntil(Done done, int timeoutMs) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    if (pa_mainloop_prepare(loop_, static_cast<int>(left)) < 0 || pa_mainloop_poll(loop_) < 0 ||
        pa_mainloop_dispatch(loop_) < 0) {
      return done();
    }
  }
  return true;
}

void PulseSource::NoteTimeout() {
  timedOut_ = true;
  lastTimeout_ = std::chrono::steady_clock::now();
}

bool PulseSource::ContextReady() const {
  return context_ != nullptr && pa_context_get_state(context_) == PA_CONTEXT_READY;
}

void PulseSource::OnStreamState(pa_stream* stream, void* self) {
  if (pa_stream_get_state(stream) != PA_STREAM_FAILED) return;
  static_cast<PulseSource*>(self)->failure_ = ErrnoOr(pa_stream_get_context(stream), PA_ERR_UNKNOWN);
}

// Called once for every fragment the server sends (a monitor of a busy output sends a few
// hundred a second): it takes what the call announces and asks no more of libpulse.
void PulseSource::OnStreamRead(pa_stream* stream, std::size_t readable, void* self) {
  auto* source = static_cast<PulseSource*>(self);
  while (readable > 0) {
    const void* data = nullptr;
    std::size_t bytes = 0;
    if (pa_stream_peek(stream, &data, &bytes) < 0 || bytes == 0) return;
    source->TakeBytes(static_cast<const std::uint8_t*>(data), bytes);
    pa_stream_drop(stream);
    readable -= std::min(readable, bytes);
  }
}

void PulseSource::TakeBytes(const std::uint8_t* data, std::size_t bytes) {
  while (bytes > 0) {
    if (filled_ == 0) dropping_ = head_ - tail_ >= RING_SLOTS;
    const std::size_t take = std::min(bytes, blockBytes_ - filled_);
    if (!dropping_) {
      std::uint8_t* at = ring_[head_ % RING_SLOTS].data() + filled_;
      if (data != nullptr) {
        std::memcpy(at, data, take);
      } else {
        std::memset(at, format_.bitsPerSample == 8 ? 0x80 : 0, take);
      }
    }
    if (data != nullptr) data += take;
    bytes -= take;
    filled_ += take;
    if (filled_ < blockBytes_) continue;
    filled_ = 0;
    if (dropping_) {
      ++lost_;
    } else {
      ++head_;
    }
  }
}

int PulseSource::Connect() {
  if (loop_ == nullptr) {
    loop_ = pa_mainloop_new();
    if (loop_ == nullptr) return PA_ERR_INTERNAL;
  }
  if (context_ != nullptr) {
    const pa_context_state_t state = pa_context_get_state(context_);
    if (state == PA_CONTEXT_READY) return 0;
    // Still waiting for the server: one more look, without waiting again.
    if (PA_CONTEXT_IS_GOOD(state)) {
      for (int i = 0; i < MAX_DISPATCHES_PER_PUMP && pa_mainloop_iterate(loop_, 0, nullptr) > 0; ++i) {
      }
      if (ContextReady()) return 0;
      if (PA_CONTEXT_IS_GOOD(pa_context_get_state(context_))) return PA_ERR_TIMEOUT;
    }
    DropContext();
  }
  pa_proplist* properties = pa_proplist_new();
  pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, APPLICATION_NAME);
  pa_proplist_sets(properties, PA_PROP_APPLICATION_ID, APPLICATION_ID);
  pa_proplist_sets(properties, PA_PROP_APPLICATION_ICON_NAME, APPLICATION_ID);
  context_ = pa_context_new_with_proplist(pa_mainloop_get_api(loop_), APPLICATION_NAME, properties);
  pa_proplist_free(properties);
  if (context_ == nullptr) return PA_ERR_INTERNAL;
  if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
    const int code = ErrnoOr(context_, PA_ERR_CONNECTIONREFUSED);
    DropContext();
    return code;
  }
  const bool recently =
      timedOut_ && std::chrono::steady_clock::now() - lastTimeout_ < std::chrono::milliseconds(QUIET_MS);
  const bool settled = WaitUntil(
      [this] {
        const pa_context_state_t state = pa_context_get_state(context_);
        return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
      },
      recently ? BRIEF_WAIT_MS : CONNECT_TIMEOUT_MS);
  // A server that takes longer may still answer: the attempt goes on, and a later call finds it.
  if (!settled) {
    if (!recently) NoteTimeout();
    return PA_ERR_TIMEOUT;
  }
  if (ContextReady()) return 0;
  const int code = ErrnoOr(context_, PA_ERR_CONNECTIONREFUSED);
  DropContext();
  return code;
}

void PulseSource::DropStream() {
  if (stream_ == nullptr) return;
  pa_stream_set_state_callback(stream_, nullptr, nullptr);
  pa_stream_set_read_callback(stream_, nullptr, nullptr);
  if (PA_STREAM_IS_GOOD(pa_stream_get_state(stream_))) pa_stream_disconnect(stream_);
  pa_stream_unref(stream_);
  stream_ = nullptr;
}

void PulseSource::DropContext() {
  DropStream();
  if (context_ == nullptr) return;
  pa_context_disconnect(context_);
  pa_context_unref(context_);
  context_ = nullptr;
}

std::vector<InputInfo> PulseSource::Inputs() {
  if (Connect() != 0) return {};
  Listing listing;
  pa_operation* operation = pa_context_get_source_info_list(context_, &OnSourceInfo, &listing);
  if (operation == nullptr) return {};
  const bool answered = WaitUntil([&] { return listing.done || !ContextReady(); }, REPLY_TIMEOUT_MS);
  if (!listing.done) pa_operation_cancel(operation);
  pa_operation_unref(operation);
  if (!answered) {
    NoteTimeout();
    DropContext();  // a server that stopped answering gets a new connection next time
    return {};
  }
  if (!listing.done || listing.failed) return {};
  std::vector<InputInfo> ordered;
  ordered.reserve(listing.inputs.size());
  for (bool monitors : {false, true})
    for (std::size_t i = 0; i < listing.inputs.size(); ++i)
      if (listing.monitors[i] == monitors) ordered.push_back(std::move(listing.inputs[i]));
  return ordered;
}

int PulseSource::InputCount() { return static_cast<int>(Inputs().size()); }

int PulseSource::Query(const AudioFormat& format) {
  if (!IsCapturableFormat(format)) return FORMAT_NOT_SUPPORTED;
  return Connect();
}

OpenResult PulseSource::Open(const AudioFormat& format) {
  if (stream_ != nullptr) return {OpenStep::Open, PA_ERR_BUSY};
  if (!IsCapturableFormat(format)) return {OpenStep::Open, FORMAT_NOT_SUPPORTED};
  if (const int code = Connect(); code != 0) return {OpenStep::Open, code};

  head_ = tail_ = filled_ = 0;
  dropping_ = false;
  lost_ = 0;
  failure_ = 0;
  format_ = format;
  blockBytes_ = static_cast<std::size_t>(BlockBytes(format));

  const pa_sample_spec samples{format.bitsPerSample == 16 ? PA_SAMPLE_S16LE : PA_SAMPLE_U8, AUDIO_RATE,
                            static_cast<std::uint8_t>(format.channels)};
  pa_proplist* properties = pa_proplist_new();
  pa_proplist_sets(properties, PA_PROP_MEDIA_ROLE, MEDIA_ROLE);
  pa_proplist_sets(properties, PA_PROP_APPLICATION_ICON_NAME, APPLICATION_ID);
  // The server's stream-restore keeps routing by media role unless told a key of its own: this
  // program's routing is its own, not that of every audio tool.
  pa_proplist_sets(properties, "module-stream-restore.id", "source-output-by-application-id:keblor");
  stream_ = pa_stream_new_with_proplist(context_, STREAM_NAME, &samples, nullptr, properties);
  pa_proplist_free(properties);
  if (stream_ == nullptr) return {OpenStep::Open, ErrnoOr(context_, PA_ERR_INTERNAL)};
  pa_stream_set_state_callback(stream_, &OnStreamState, this);
  pa_stream_set_read_callback(stream_, &OnStreamRead, this);

  // One block per fragment; the server keeps at most the ring's worth when the program lags.
  pa_buffer_attr buffer{};
  buffer.maxlength = static_cast<std::uint32_t>(RING_SLOTS * blockBytes_);
  buffer.fragsize = static_cast<std::uint32_t>(blockBytes_);
  buffer.tlength = buffer.prebuf = buffer.minreq = static_cast<std::uint32_t>(-1);
  // The default input goes where the server and the user route it. An input the operator chose
  // stays put: when it goes away the stream ends, and the program says so and takes the default
  // input itself, rather than reading whatever the server moved it to under the chosen name.
  const char* device = selected_.empty() ? nullptr : selected_.c_str();
  auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_START_CORKED | PA_STREAM_ADJUST_LATENCY);
  if (device != nullptr) flags = static_cast<pa_stream_flags_t>(flags | PA_STREAM_DONT_MOVE);
  if (pa_stream_connect_record(stream_, device, &buffer, flags) < 0) {
    const int code = ErrnoOr(context_, PA_ERR_INVALID);
    DropStream();
    return {OpenStep::Open, code};
  }
  const bool settled = WaitUntil([this] { return pa_stream_get_state(stream_) != PA_STREAM_CREATING; },
                                 REPLY_TIMEOUT_MS);
  if (settled && pa_stream_get_state(stream_) == PA_STREAM_READY) return {};
  const int code = settled ? ErrnoOr(context_, PA_ERR_UNKNOWN) : PA_ERR_TIMEOUT;
  if (settled) {
    DropStream();
  } else {
    NoteTimeout();
    DropContext();  // a server that stopped answering gets a new connection next time
  }
  return {OpenStep::Open, code};
}

int PulseSource::Start(BlockHandler onBlock) {
  if (stream_ == nullptr) return PA_ERR_BADSTATE;
  if (pa_stream_get_state(stream_) != PA_STREAM_READY) return ErrnoOr(context_, PA_ERR_BADSTATE);
  pa_operation* operation = pa_stream_cork(stream_, 0, nullptr, nullptr);
  if (operation == nullptr) return ErrnoOr(context_, PA_ERR_BADSTATE);
  pa_operation_unref(operation);  // the blocks that follow are the answer
  handler_ = std::move(onBlock);
  running_ = true;
  moved_ = false;
  if (schedule_) schedule_(PUMP_INTERVAL_MS);
  return 0;
}

void PulseSource::Pump() {
  if (loop_ == nullptr || inPump_) return;
  inPump_ = true;
  for (int i = 0; i < MAX_DISPATCHES_PER_PUMP && pa_mainloop_iterate(loop_, 0, nullptr) > 0; ++i) {
  }
  if (failure_ != 0 && failure_ != lastReported_ && reports_ != nullptr) {
    lastReported_ = failure_;
    reports_->Line(std::string("the sound server stopped the input: ") + pa_strerror(failure_));
  }
  failure_ = 0;
  const std::size_t waiting = head_ - tail_;
  while (running_ && tail_ != head_) {
    std::memcpy(delivered_.data(), ring_[tail_ % RING_SLOTS].data(), blockBytes_);
    ++tail_;
    lastReported_ = 0;  // flowing again: the next failure is news
    if (handler_) handler_(delivered_.data(), format_);
  }
  // No block or two: the timer keeps time with the moments blocks complete. Half a block's time
  // later it is as far from them as it can be; the call right after the move has its own count.
  if (running_ && schedule_) {
    if (moved_) {
      moved_ = false;
    } else if (waiting != 1) {
      moved_ = true;
      schedule_(PUMP_INTERVAL_MS / 2);
    }
  }
  inPump_ = false;
}

void PulseSource::Close() {
  const bool wasRunning = running_;
  running_ = false;
  DropStream();
  // The stream is gone: whatever it left in the ring is dropped.
  tail_ = head_;
  filled_ = 0;
  if (wasRunning && schedule_) schedule_(-1);
}

}  // namespace keblor
