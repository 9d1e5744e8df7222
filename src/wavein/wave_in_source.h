#pragma once
// The audio source on the Windows wave input service: the devices waveIn lists, two rotating
// 1024-frame buffers, and the filled buffers' notifications posted to a message-only window, so
// that blocks are handled on the thread that opened the source, inside whatever message loop
// runs there (modal dialogs and menus included).
//
// Result codes are the service's own MMSYSERR_* and WAVERR_* numbers. The buffers are made once,
// with the source, for the largest format: nothing is allocated per block or per open.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "capture/audio_source.h"

namespace keblor {

// The calls of the wave input service the source makes, so that tests can stand in for the
// device. Handles and headers are passed as opaque pointers; the real table is WaveInService().
struct WaveInCalls {
  unsigned (*getNumDevs)();
  // The device's name in UTF-8 into `name`; 0 or an MMSYSERR code.
  unsigned (*getName)(unsigned device, std::string& name);
  // waveInOpen: `query` asks without opening; otherwise notifications go to `window`.
  unsigned (*open)(void** handle, unsigned device, const void* waveFormat, void* window, bool query);
  unsigned (*prepare)(void* handle, void* header);
  unsigned (*unprepare)(void* handle, void* header);
  unsigned (*addBuffer)(void* handle, void* header);
  unsigned (*start)(void* handle);
  unsigned (*stop)(void* handle);
  unsigned (*reset)(void* handle);
  unsigned (*close)(void* handle);
};
const WaveInCalls& WaveInService();

class WaveInSource : public AudioSource {
 public:
  explicit WaveInSource(const WaveInCalls& calls = WaveInService());
  ~WaveInSource() override;
  WaveInSource(const WaveInSource&) = delete;
  WaveInSource& operator=(const WaveInSource&) = delete;

  int InputCount() override;
  // "Default input" is not listed: the default is the empty id (the wave mapper). The ids are
  // the devices' names, made unique with " #2", " #3"... where a name repeats.
  std::vector<InputInfo> Inputs() override;
  void SelectInput(const std::string& id) override;
  int Query(const AudioFormat& format) override;
  OpenResult Open(const AudioFormat& format) override;
  int Start(BlockHandler onBlock) override;
  void Close() override;

  // A filled-buffer notification (MM_WIM_DATA) as the window receives it: the device's handle
  // and the buffer's header. Handed to the block handler only when both belong to the open
  // stream and the buffer is done; then the buffer goes back to the device. Anything else (a
  // notification left from before a Close or an Open) is dropped without touching it.
  void OnData(void* device, void* header);
  // The window the service posts to (an HWND); made by Open, gone with the source.
  void* NotifyWindow() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace keblor
