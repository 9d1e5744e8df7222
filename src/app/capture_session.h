#pragma once
// The capture's life: which input is open, opening it in a format and starting it, re-opening an
// input that has stopped delivering, falling back to the default input when the wanted one is
// gone, and noticing an input that delivers faster than real time.
//
// GUI thread only. Device failures the user must see are reported here ("MMedia error nr %d");
// the owner hears of blocks and of changes to what the windows and the menu show.

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/reports.h"
#include "app/views.h"
#include "capture/audio_source.h"
#include "core/display_state.h"
#include "core/menu_model.h"

namespace keblor {

class CaptureSession {
 public:
  static constexpr int TICK_MS = 500;
  static constexpr int STALL_MS = 1000;   // no block for this long: the input has stopped
  static constexpr int REOPEN_MS = 2000;  // a stopped input is re-opened this often
  // More blocks than this in one second is more than twice what 10240 frames a second allow.
  static constexpr int RUNAWAY_BLOCKS_PER_SECOND = 20;

  // `clock` gives the time and the watchdog's ticks.
  CaptureSession(AudioSource& source, Desktop& clock, Reports& reports);

  // Every block while capturing.
  void SetBlockHandler(AudioSource::BlockHandler onBlock) { onBlock_ = std::move(onBlock); }
  // The notice, the inputs listed or the input in use changed since the last call.
  bool TakeChanged() { return std::exchange(changed_, false); }
  // Called when the session's own watchdog changed something: an entry point of the owner's,
  // which takes the change. Never called from inside another call of the session's.
  void SetOnChange(std::function<void()> changed) { onChange_ = std::move(changed); }
  // While this answers false (a frozen display, a program closing) a stopped input is left alone.
  void SetWatched(std::function<bool()> watched) { watched_ = std::move(watched); }

  // Start-up: takes the settings' input, or the one `commandLine` names by id or name (one line
  // when there is none such), then opens and starts it in `format`. False, with the failure
  // reported, when no input can be used or a step failed; whatever was opened stays for Close.
  bool Begin(const AudioFormat& format, const std::string& settingsInput, const std::string& commandLine);
  // The sound card dialog's new format. A refused format is reported and the one before it
  // taken back (not queried again). False, reported, when the capture could not be brought back.
  bool ChangeFormat(const AudioFormat& format);
  // A pick of an input (empty: the default). One that cannot be opened is reported and the one
  // before it comes back; when even that fails, it is tried again as for a stopped input.
  void ChooseInput(const std::string& id);
  // A pick in Settings > Input by its item's command id: the default input, or one as last
  // listed. False for an id that is no input item (an item past the list does nothing).
  bool PickInputItem(int id);
  // The inputs are listed again (the menu is about to show them).
  void ListInputs();
  // Stops and releases the input; nothing is watched until the next Begin.
  void Close();

  const AudioFormat& Format() const { return format_; }
  // The input the user wants, kept by a Save (it may not be the one in use).
  const std::string& WantedInput() const { return wanted_; }
  const std::vector<InputInfo>& Inputs() const { return inputs_; }
  InputChoice MenuInputs() const;
  InputNotice Notice() const { return notice_; }

 private:
  // Selects `input`, queries the format (unless told not to), opens and starts: the first
  // failure with its step.
  OpenResult OpenAndStart(const std::string& input, bool query);
  std::string ResolveInput();
  void Reopen();
  void OnTick();
  void Watch();
  void OnBlock(const std::uint8_t* frames, const AudioFormat& format);
  void CountBlock(std::int64_t now);
  void SetNotice(InputNotice notice);
  void ReportFailure(int code);
  void Changed();

  AudioSource& source_;
  Desktop& clock_;
  Reports& reports_;
  AudioSource::BlockHandler onBlock_;
  std::function<void()> onChange_;
  bool changed_ = false;
  std::function<bool()> watched_;

  AudioFormat format_{};
  // The inputs as last listed, the one the user wants and the one open (empty: the default).
  std::vector<InputInfo> inputs_;
  std::string wanted_;
  std::string inUse_;
  bool fallbackSaid_ = false;  // the wanted input's absence has been said

  bool active_ = false;  // blocks should be flowing: a stopped input is re-opened
  bool ticking_ = false;
  InputNotice notice_ = InputNotice::None;
  std::int64_t lastBlockMs_ = 0;
  std::int64_t lastReopenMs_ = 0;
  std::int64_t rateWindowMs_ = 0;
  int blocksInWindow_ = 0;
  bool runawaySaid_ = false;
};

}  // namespace keblor
