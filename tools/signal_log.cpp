#include "signal_log.h"

#include <algorithm>
#include <cstdio>

namespace keblor::tool {

namespace {

void AppendString(std::string& out, std::string_view text) {
  out += '"';
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
      out += escaped;
    } else {
      out += c;
    }
  }
  out += '"';
}

void AppendNumber(std::string& out, const char* key, double value) {
  char number[64];
  std::snprintf(number, sizeof number, "\"%s\": %.1f", key, value);
  out += number;
}

}  // namespace

std::size_t TextStart(std::string_view whole, std::string_view seen, std::string_view now) {
  const std::size_t seenAt = whole.size() - seen.size();
  if (now.substr(0, seen.size()) == seen) return seenAt;  // added to
  if (now.size() == DECODED_TEXT_CHARS) {
    // Scrolled on: a few characters at a time, so most of `seen` is still there.
    for (std::size_t dropped = 1; dropped + MIN_OVERLAP <= seen.size(); ++dropped) {
      const std::string_view kept = seen.substr(dropped);
      if (now.substr(0, kept.size()) == kept) return seenAt + dropped;
    }
    // Read again from some point on: `now` begins where its front matches best, up to a full
    // text before `seen`; nowhere (it all scrolled away) is after it all.
    std::size_t best = whole.size(), bestLength = 0;
    for (std::size_t at = seenAt > DECODED_TEXT_CHARS ? seenAt - DECODED_TEXT_CHARS : 0; at < whole.size(); ++at) {
      const std::string_view there = whole.substr(at);
      const std::size_t length = static_cast<std::size_t>(std::mismatch(there.begin(), there.end(), now.begin(), now.end()).first - there.begin());
      if (length >= bestLength && length > 0) {
        best = at;
        bestLength = length;
      }
    }
    return best;
  }
  return seenAt;  // all of a short text read again
}

void SignalLog::Update(int channel, const Skimmer& skimmer, bool textOnly) {
  for (int i = 0; i < skimmer.Count(); ++i) {
    const HeardSignal signal = skimmer.Signal(i);
    if (textOnly && !heard_.contains({channel, signal.id})) continue;
    Heard& h = heard_[{channel, signal.id}];
    if (!textOnly) {
      h.last = signal;
      h.last.text = {};
      h.last.call = {};
    }
    if (!signal.call.empty()) h.call = signal.call;
    h.text.resize(TextStart(h.text, h.seen, signal.text));
    h.text += signal.text;
    h.seen = signal.text;
  }
}

std::string SignalLog::Json() const {
  std::string out = "{\"signals\": [";
  bool first = true;
  for (const auto& [key, h] : heard_) {
    out += first ? "{" : ", {";
    first = false;
    out += "\"channel\": ";
    out += key.first == 0 ? "\"A\"" : "\"B\"";
    out += ", \"id\": " + std::to_string(key.second) + ", ";
    AppendNumber(out, "hz", h.last.hz);
    out += ", ";
    AppendNumber(out, "wpm", h.last.wpm);
    out += ", ";
    AppendNumber(out, "snr_db", h.last.snrDb);
    out += ", ";
    AppendNumber(out, "first_s", h.last.firstSeconds);
    out += ", \"call\": ";
    AppendString(out, h.call);
    out += ", \"text\": ";
    AppendString(out, h.text);
    out += '}';
  }
  out += "]}\n";
  return out;
}

}  // namespace keblor::tool
