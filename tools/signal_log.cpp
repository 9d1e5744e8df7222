#include "signal_log.h"

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

std::optional<std::string_view> AddedText(std::string_view before, std::string_view now) {
  if (now.substr(0, before.size()) == before) return now.substr(before.size());
  if (now.size() < DECODED_TEXT_CHARS) return std::nullopt;  // only a full text has lost its front
  for (std::size_t dropped = 1; dropped < before.size(); ++dropped) {
    const std::string_view kept = before.substr(dropped);
    if (now.substr(0, kept.size()) == kept) return now.substr(kept.size());
  }
  return now;  // all of it scrolled away
}

void SignalLog::Update(int channel, const Skimmer& skimmer) {
  for (int i = 0; i < skimmer.Count(); ++i) {
    const HeardSignal signal = skimmer.Signal(i);
    Heard& h = heard_[{channel, signal.id}];
    h.last = signal;
    h.last.text = {};
    h.last.call = {};
    if (!signal.call.empty()) h.call = signal.call;
    if (const auto added = AddedText(h.seen, signal.text)) {
      h.text += *added;
    } else {
      h.text.resize(h.text.size() - h.seen.size());
      h.text += signal.text;
    }
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
