#include "rig/rigctld_protocol.h"

#include <array>
#include <charconv>
#include <climits>

namespace keblor {
namespace {

bool ParsePort(std::string_view text, int& port) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 1 || value > 65535) return false;
  port = value;
  return true;
}

bool ParseInt(std::string_view text, int& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

// Hamlib's error codes, 1 to 20, in words.
constexpr std::array<const char*, 21> CODE_WORDS = {
    "",
    "invalid parameter",
    "invalid configuration",
    "out of memory",
    "not implemented",
    "the rig did not answer in time",
    "input/output error",
    "internal error in Hamlib",
    "protocol error",
    "command rejected by the rig",
    "command done, but its argument truncated",
    "not available on this rig",
    "that VFO cannot be targeted",
    "error on the rig's bus",
    "the rig's bus is busy",
    "invalid argument",
    "invalid VFO",
    "argument out of range",
    "command deprecated",
    "security error",
    "the rig is off",
};

// The rig answered: asking for something else may work. The rest mean the rig or the link did
// not do its part, and a rig that is off is as good as gone.
bool AnsweredButCannot(int code) {
  switch (code) {
    case 1: case 4: case 9: case 10: case 11: case 12: case 16: case 17: case 18: case 19:
      return true;
    default:
      return false;
  }
}

// `text` in double quotes, then `after`.
std::string Quoted(std::string_view text, std::string_view after) {
  std::string quoted;
  quoted.reserve(text.size() + after.size() + 2);
  quoted += '"';
  quoted += text;
  quoted += '"';
  quoted += after;
  return quoted;
}

std::string_view WithoutCarriageReturn(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

}  // namespace

bool ParseRigctldEndpoint(std::string_view text, RigctldEndpoint& endpoint, std::string& why) {
  RigctldEndpoint parsed;
  std::string_view host = text;
  std::string_view port;
  if (text.starts_with('[')) {
    const std::size_t close = text.find(']');
    if (close == std::string_view::npos || (close + 1 < text.size() && text[close + 1] != ':')) {
      why = Quoted(text, " is not host:port");
      return false;
    }
    host = text.substr(1, close - 1);
    if (close + 1 < text.size()) port = text.substr(close + 2);
  } else if (const std::size_t colon = text.rfind(':'); colon != std::string_view::npos) {
    host = text.substr(0, colon);
    port = text.substr(colon + 1);
  }
  if (!host.empty()) parsed.host = host;
  if ((!port.empty() || text.ends_with(':')) && !ParsePort(port, parsed.port)) {
    why = Quoted(port, " is not a port number (1 to 65535)");
    return false;
  }
  endpoint = parsed;
  return true;
}

const std::string* RigctldReply::Field(std::string_view name) const {
  for (const auto& [key, value] : fields)
    if (key == name) return &value;
  return nullptr;
}

ReplyState TakeReply(std::string& bytes, std::string_view command, RigctldReply& reply) {
  RigctldReply taken;
  std::size_t start = 0;
  bool first = true;
  for (std::size_t end; (end = bytes.find('\n', start)) != std::string::npos; start = end + 1) {
    const std::string_view line = WithoutCarriageReturn(std::string_view(bytes).substr(start, end - start));
    // The echo comes first: the command's name, a colon and the arguments it was given. Some
    // errors come as the RPRT line alone.
    const bool last = line.starts_with("RPRT ");
    if (first && !last) {
      if (!line.starts_with(command) || line.substr(command.size(), 1) != ":") return ReplyState::Garbled;
      first = false;
      continue;
    }
    if (last) {
      if (!ParseInt(line.substr(5), taken.code)) return ReplyState::Garbled;
      bytes.erase(0, end + 1);
      reply = std::move(taken);
      return ReplyState::Complete;
    }
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0) return ReplyState::Garbled;
    std::string_view value = line.substr(colon + 1);
    if (value.starts_with(' ')) value.remove_prefix(1);
    taken.fields.emplace_back(line.substr(0, colon), value);
  }
  return bytes.size() > MAX_REPLY_BYTES ? ReplyState::Garbled : ReplyState::Partial;
}

ReplyState TakeVfoCheck(std::string& bytes, bool& vfoMode) {
  const std::size_t end = bytes.find('\n');
  if (end == std::string::npos) return bytes.size() > MAX_REPLY_BYTES ? ReplyState::Garbled : ReplyState::Partial;
  const std::string_view line = WithoutCarriageReturn(std::string_view(bytes).substr(0, end));
  if (line == "ChkVFO: 0" || line == "ChkVFO: 1") {
    vfoMode = line.back() == '1';
    bytes.erase(0, end + 1);
    return ReplyState::Complete;
  }
  RigctldReply reply;
  const ReplyState state = TakeReply(bytes, "chk_vfo", reply);
  if (state == ReplyState::Complete) vfoMode = false;
  return state;
}

Status StatusOfCode(int code) {
  if (code == 0) return Status::Fine();
  const int positive = code < 0 && code != INT_MIN ? -code : code;  // -INT_MIN does not exist
  const std::string words = positive > 0 && positive < static_cast<int>(CODE_WORDS.size())
                                ? CODE_WORDS[static_cast<std::size_t>(positive)]
                                : "unknown error " + std::to_string(code);
  if (AnsweredButCannot(positive)) return Status::Refusal(words);
  return Status::Loss(words);
}

bool ParseHertz(std::string_view text, std::int64_t& hz) {
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return false;
  return DialHertz(value, hz);
}

}  // namespace keblor
