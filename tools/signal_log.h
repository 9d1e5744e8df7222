#pragma once
// Every signal heard in a recording, kept past the live list: its last pitch, speed, SNR and
// call, and its whole decoded text, pieced together from the decoder's last characters as they
// scroll.

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <utility>

#include "analysis/skimmer.h"

namespace keblor::tool {

// Where in `whole`, the text pieced together so far, `now` begins: the decoder's last characters
// after a block, with `seen` those before it (the end of `whole`). The text is then `whole` up to
// there and `now`. Mostly `now` adds to `seen` or scrolls on from it, MIN_OVERLAP characters of
// it kept or more; the decoder may also read again all it kept (its first speed proved wrong),
// and then `now` begins where its front matches `whole` best.
inline constexpr std::size_t MIN_OVERLAP = 20;
std::size_t TextStart(std::string_view whole, std::string_view seen, std::string_view now);

class SignalLog {
 public:
  // The listed signals of one channel (0: A, 1: B) after a block. With `textOnly`, only the text
  // and call of signals already heard: after the recording, when its silence tells nothing of
  // their pitch, speed or level.
  void Update(int channel, const Skimmer& skimmer, bool textOnly = false);
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
