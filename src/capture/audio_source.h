#pragma once
// The sound card input as a source of 1024-frame blocks at 10240 frames per second.
//
// Threads: every member function is called on the GUI thread, and blocks are delivered there
// too, each as its own copy. How an adapter buffers between its device and the GUI thread is
// its own business; a block that arrives after Close or a new Open is dropped.
// Result codes: 0 on success, otherwise the back end's own code, shown to the user as it is.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace keblor {

inline constexpr int AUDIO_RATE = 10240;         // frames per second
inline constexpr int AUDIO_BLOCK_FRAMES = 1024;  // frames per block: 100 ms

// PCM frames one after another, left sample first in stereo; 8-bit samples unsigned,
// 16-bit samples signed little-endian.
struct AudioFormat {
  int channels = 1;        // 1 or 2
  int bitsPerSample = 16;  // 8 or 16
  friend bool operator==(const AudioFormat&, const AudioFormat&) = default;
};

// The format of the settings' Channels (2 is stereo, anything else mono) and BitsPerSample.
AudioFormat FormatOf(int channels, int bitsPerSample);
int BlockBytes(const AudioFormat& format);  // 1024 frames

// The code every back end gives for a format outside 1 or 2 channels of 8 or 16 bits.
inline constexpr int FORMAT_NOT_SUPPORTED = 32;
bool IsCapturableFormat(const AudioFormat& format);

// One input the back end offers: `id` is what the back end opens it by and what the settings
// keep; `name` is the text for people (it may repeat between inputs, ids do not).
struct InputInfo {
  std::string id;
  std::string name;
  friend bool operator==(const InputInfo&, const InputInfo&) = default;
};

// Which step of opening a source failed.
enum class OpenStep { None, Query, Open, Buffers };
struct OpenResult {
  OpenStep failedStep = OpenStep::None;
  int code = 0;
  bool Ok() const { return failedStep == OpenStep::None; }
};

class AudioSource {
 public:
  // `frames` holds AUDIO_BLOCK_FRAMES frames in `format`; valid during the call only.
  using BlockHandler = std::function<void(const std::uint8_t* frames, const AudioFormat& format)>;

  virtual ~AudioSource() = default;
  // Input devices there are; 0 or less when none can be used.
  virtual int InputCount() = 0;
  // The inputs there are now, in the back end's order; empty when it cannot say.
  virtual std::vector<InputInfo> Inputs() = 0;
  // The input Query and Open use from now on, by its id; empty for the default input.
  virtual void SelectInput(const std::string& id) = 0;
  // Whether the selected input accepts the format, without opening it.
  virtual int Query(const AudioFormat& format) = 0;
  // Opens the selected input in the format, ready to start (the format is not queried first).
  // A failure leaves what was opened before it; Close releases it.
  virtual OpenResult Open(const AudioFormat& format) = 0;
  // Starts delivering blocks to `onBlock`.
  virtual int Start(BlockHandler onBlock) = 0;
  // Stops and releases what is open; a second call does nothing. Results are not reported.
  virtual void Close() = 0;
  // True while the input delivers faster than real time and the source holds its blocks back
  // to one a block's time (or drops the rest), so that an unpaced device costs nothing.
  virtual bool HeldBack() const { return false; }
};

// Query, then Open: the first failure with its step.
OpenResult QueryAndOpen(AudioSource& source, const AudioFormat& format);

// The input a person or a settings file names: by id first, else by name. Null when none.
const InputInfo* FindInput(const std::vector<InputInfo>& inputs, std::string_view idOrName);

// The message a failed device step shows, and its caption.
inline constexpr const char* DEVICE_ERROR_CAPTION = "Check audio devices";
std::string DeviceErrorText(int code);  // "MMedia error nr %d"

}  // namespace keblor
