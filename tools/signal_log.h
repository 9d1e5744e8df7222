#pragma once
// Every signal heard in a recording, kept past the live list: its last pitch, speed, SNR and
// call, and its whole decoded text, pieced together from the decoder's last characters as they
// scroll.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "analysis/skimmer.h"

namespace keblor::tool {

// What `now` adds to `before`, when `now` is `before` with others appended, and when `now` holds
// a whole DECODED_TEXT_CHARS, with characters dropped from its front (at most all of them): the
// shortest such addition. Nothing when `now` is not that: the decoder decoded afresh what it had
// heard, and `now` takes the place of `before`.
std::optional<std::string_view> AddedText(std::string_view before, std::string_view now);

class SignalLog {
 public:
  // The listed signals of one channel (0: A, 1: B) after a block.
  void Update(int channel, const Skimmer& skimmer);
  // `{"signals": [...]}` and a line end: by channel, then in the order they were listed.
  std::string Json() const;

 private:
  struct Heard {
    HeardSignal last;  // text and call not kept: they view the decoder's state
    std::string call;
    std::string seen;  // the decoder's text at the last block
    std::string text;  // all of it
  };
  std::map<std::pair<int, int>, Heard> heard_;  // by channel and id
};

}  // namespace keblor::tool
