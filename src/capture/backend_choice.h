#pragma once
// The audio back end chosen on first use: the preferred one when it answers, else the fallback.
// Deciding late keeps a copy of the program that finds another one running, and ends, from ever
// contacting the sound system. GUI thread only, like every AudioSource.

#include <functional>

#include "capture/audio_source.h"

namespace keblor {

class BackEndChoice : public AudioSource {
 public:
  // `answers` is asked once, on the first call of any member below.
  BackEndChoice(AudioSource& preferred, std::function<bool()> answers, AudioSource& fallback)
      : preferred_(preferred), answers_(std::move(answers)), fallback_(fallback) {}

  AudioSource& Chosen();

  int InputCount() override { return Chosen().InputCount(); }
  std::vector<InputInfo> Inputs() override { return Chosen().Inputs(); }
  void SelectInput(const std::string& id) override { Chosen().SelectInput(id); }
  int Query(const AudioFormat& format) override { return Chosen().Query(format); }
  OpenResult Open(const AudioFormat& format) override { return Chosen().Open(format); }
  int Start(BlockHandler onBlock) override { return Chosen().Start(std::move(onBlock)); }
  // Before any choice there is nothing to close, and nothing is contacted to find that out.
  void Close() override {
    if (chosen_ != nullptr) chosen_->Close();
  }
  bool HeldBack() const override { return chosen_ != nullptr && chosen_->HeldBack(); }

 private:
  AudioSource& preferred_;
  std::function<bool()> answers_;
  AudioSource& fallback_;
  AudioSource* chosen_ = nullptr;
};

}  // namespace keblor
