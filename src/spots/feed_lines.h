#pragma once
// What every spot feed adapter does with the bytes of a telnet connection, whatever its sockets:
// lines cut at CR or LF, telnet's option talk left out, the login prompt noticed, and the
// waits between tries. Platform-free.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "spots/spot.h"

namespace keblor {

// Cuts a byte stream into lines. Holds at most MAX_SPOT_LINE_BYTES of an unfinished line: a
// longer line is dropped whole, its rest up to the next line end as well. Empty lines are left
// out; telnet commands (IAC ...) are taken out wherever they fall, even across pieces.
class FeedLines {
 public:
  using LineHandler = std::function<void(std::string_view line)>;

  // Takes the next piece of the stream, calling `onLine` for each line it completes.
  void Push(std::string_view bytes, const LineHandler& onLine);
  // The start of a line not ended yet: a prompt waits there for an answer.
  std::string_view Pending() const { return pending_; }
  // Whether an unfinished line is a login prompt (IsLoginPrompt below); it is then taken, since
  // the answer ends it, and what comes next starts a line of its own.
  bool TakeLoginPrompt();
  // Forgets the unfinished line (a new connection).
  void Reset();

 private:
  enum class Telnet { Text, Command, Option, Sub, SubCommand };
  std::string pending_;
  bool dropping_ = false;  // inside a line that grew too long
  Telnet telnet_ = Telnet::Text;
};

// Whether an unfinished line is a login prompt that waits for the call: it ends in ':' (blanks
// after it allowed) and names a login or a call ("login:", "Please enter your call:",
// "callsign:"), in any case.
bool IsLoginPrompt(std::string_view pending);

// The waits between tries of a lost feed: the first, then twice as long each time up to the
// longest; Reset once the feed delivered again.
class FeedRetry {
 public:
  static constexpr int FIRST_MS = 5000;
  static constexpr int LONGEST_MS = 120000;

  explicit FeedRetry(int firstMs = FIRST_MS, int longestMs = LONGEST_MS);
  int NextWaitMs();
  void Reset() { nextMs_ = firstMs_; }

 private:
  int firstMs_;
  int longestMs_;
  int nextMs_;
};

}  // namespace keblor
