// libFuzzer target for the rigctld protocol's reader: any bytes from the network, in any pieces,
// are taken as replies, found garbled or waited on, and what is kept while waiting stays bounded;
// a frequency read is a dial in range; a port setting read is a usable endpoint. Which replies
// mean what is the unit tests' to pin down.
//
// Input: one byte for the size of the pieces the bytes come in (1 to 4336), then the bytes: the
// replies to get_freq, get_mode and chk_vfo in turn, as the client asks. The same bytes are also
// read whole as a port setting and as a frequency.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "rig/rigctld_protocol.h"

namespace {

using keblor::ReplyState;

void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "rigctld_fuzzer: %s\n", what);
  std::fflush(stderr);
  __builtin_trap();
}

void CheckDial(std::string_view text) {
  std::int64_t hz = -1;
  if (keblor::ParseHertz(text, hz)) Check(hz >= 0 && hz <= static_cast<std::int64_t>(keblor::MAX_DIAL_HZ), "dial out of range");
}

// Takes replies from `bytes` until one is waited on or garbled. Partial keeps the bytes as they
// were and never more than MAX_REPLY_BYTES; Complete takes whole lines from the front.
// False when garbled: the client then drops the link and what it holds.
bool TakeAll(std::string& bytes, int& asked) {
  while (true) {
    const std::string before = bytes;
    keblor::RigctldReply reply;
    bool vfoMode = false;
    const int command = asked % 3;
    const ReplyState state = command == 2 ? keblor::TakeVfoCheck(bytes, vfoMode)
                                          : keblor::TakeReply(bytes, command == 0 ? "get_freq" : "get_mode", reply);
    if (state == ReplyState::Garbled) return false;
    if (state == ReplyState::Partial) {
      Check(bytes == before, "a partial reply changed the bytes");
      Check(bytes.size() <= keblor::MAX_REPLY_BYTES, "more than MAX_REPLY_BYTES kept while waiting");
      return true;
    }
    const std::size_t taken = before.size() - bytes.size();
    Check(taken > 0 && before[taken - 1] == '\n', "a reply taken without its line end");
    Check(std::string_view(before).substr(taken) == bytes, "bytes after a reply changed");
    std::size_t kept = 0;
    for (const auto& [name, value] : reply.fields) {
      kept += name.size() + value.size();
      CheckDial(value);
    }
    Check(kept < taken, "a reply holds more than its bytes");
    const keblor::Status status = keblor::StatusOfCode(reply.code);
    Check(status.Ok() == (reply.code == 0) && status.Ok() == status.reason.empty(), "a status without its reason");
    ++asked;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t piece = 1 + std::size_t{data[0]} * 17;
  const std::string_view stream(reinterpret_cast<const char*>(data) + 1, size - 1);

  std::string bytes;
  int asked = 0;
  for (std::size_t at = 0; at < stream.size(); at += piece) {
    bytes.append(stream.substr(at, piece));
    if (!TakeAll(bytes, asked)) bytes.clear();
  }

  keblor::RigctldEndpoint endpoint;
  std::string why;
  if (keblor::ParseRigctldEndpoint(stream, endpoint, why)) {
    Check(!endpoint.host.empty() && endpoint.port >= 1 && endpoint.port <= 65535, "an endpoint that cannot be reached");
  } else {
    Check(!why.empty(), "a port setting refused without a reason");
  }
  CheckDial(stream);
  return 0;
}
