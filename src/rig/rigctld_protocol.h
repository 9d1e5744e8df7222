#pragma once
// rigctld's network protocol in its extended form: one command a line, led by '+'; a reply
// echoes the command's long name ("get_freq:"), gives "Name: value" lines and ends with
// "RPRT n", 0 when done and minus one of Hamlib's error codes when not.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "rig/rig.h"

namespace keblor {

// Where rigctld listens; Hamlib's own defaults when the port setting leaves them out.
struct RigctldEndpoint {
  static constexpr int DEFAULT_PORT = 4532;
  static constexpr const char* DEFAULT_HOST = "localhost";
  std::string host = DEFAULT_HOST;
  int port = DEFAULT_PORT;
};

// Reads "host:port", "host", ":port", "[v6 address]:port" or "" into `endpoint`. False, with
// why in words, for a port that is not a number from 1 to 65535.
bool ParseRigctldEndpoint(std::string_view text, RigctldEndpoint& endpoint, std::string& why);

struct RigctldReply {
  int code = 0;  // RPRT's number: 0 done, negative an error
  std::vector<std::pair<std::string, std::string>> fields;  // {"Frequency", "7030000"}, in order
  // The value of the field `name`; nullptr when the reply has none.
  const std::string* Field(std::string_view name) const;
};

enum class ReplyState {
  Partial,   // a reply has begun; more bytes must come
  Complete,  // `reply` holds it; its bytes are gone from the front of `bytes`
  Garbled,   // what came cannot be a reply to the command: the stream is out of step
};

// The longest reply taken: more bytes without an RPRT line are garbled.
inline constexpr std::size_t MAX_REPLY_BYTES = 4096;

// Takes one reply to the command with the long name `command` ("get_freq") from the front of
// `bytes`.
ReplyState TakeReply(std::string& bytes, std::string_view command, RigctldReply& reply);

// Takes the answer to "\chk_vfo" from the front of `bytes`: the one line "ChkVFO: 1" when rigctld
// expects a VFO named in each command for this client (its VFO mode), "ChkVFO: 0" when not. A
// server that answers with a reply of the usual form instead has no VFO mode.
ReplyState TakeVfoCheck(std::string& bytes, bool& vfoMode);

// What an RPRT number means for the program: Fine for 0; Refused, with Hamlib's words for it,
// when the rig answered but cannot do what was asked; Lost when rigctld or the rig behind it
// did not answer, is off or is out of step.
Status StatusOfCode(int code);

// A frequency as rigctld writes it, "7030000" or "7030000.000000", to the nearest hertz. False
// for anything else, and for a dial outside 0 to MAX_DIAL_HZ.
bool ParseHertz(std::string_view text, std::int64_t& hz);

}  // namespace keblor
