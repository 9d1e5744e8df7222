#pragma once
// An audio source driven by the test: scripted results per operation, a log of the calls, and
// blocks delivered on demand to the handler of the running stream.

#include <cstdint>
#include <string>
#include <vector>

#include "capture/audio_source.h"

namespace keblor::test {

class FakeAudioSource : public AudioSource {
 public:
  int inputs = 1;
  int queryResult = 0;
  int openResult = 0;
  int startResult = 0;
  // The inputs listed by id and name; an open of an id not listed fails with missingInputResult.
  std::vector<InputInfo> listed;
  int missingInputResult = 5;
  std::vector<std::string> calls;  // "select rig", "query 2x16", "open 1x8", "start", "close"
  AudioFormat format{};            // of the last successful open
  std::string selected;            // the input of the next open; empty: the default
  bool heldBack = false;           // what HeldBack answers

  int InputCount() override { return inputs; }
  std::vector<InputInfo> Inputs() override { return listed; }
  void SelectInput(const std::string& id) override {
    calls.push_back("select " + (id.empty() ? std::string("default") : id));
    selected = id;
  }
  int Query(const AudioFormat& f) override {
    calls.push_back("query " + Name(f));
    return queryResult;
  }
  OpenResult Open(const AudioFormat& f) override {
    calls.push_back("open " + Name(f));
    if (openResult != 0) return {OpenStep::Open, openResult};
    if (!selected.empty() && FindInput(listed, selected) == nullptr) return {OpenStep::Open, missingInputResult};
    open_ = true;
    format = f;
    return {};
  }
  int Start(BlockHandler onBlock) override {
    calls.push_back("start");
    if (startResult != 0) return startResult;
    handler_ = std::move(onBlock);
    return 0;
  }
  void Close() override {
    calls.push_back("close");
    open_ = false;
    handler_ = nullptr;
  }

  bool HeldBack() const override { return heldBack; }

  bool Running() const { return open_ && handler_ != nullptr; }
  // Hands a block in the open format to the program; false when nothing is running.
  bool Deliver(const std::vector<std::uint8_t>& block) {
    if (!Running() || block.size() != static_cast<std::size_t>(BlockBytes(format))) return false;
    handler_(block.data(), format);
    return true;
  }

  static std::string Name(const AudioFormat& f) {
    return std::to_string(f.channels) + "x" + std::to_string(f.bitsPerSample);
  }

 private:
  bool open_ = false;
  BlockHandler handler_;
};

}  // namespace keblor::test
