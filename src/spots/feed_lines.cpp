#include "spots/feed_lines.h"

#include <algorithm>

namespace keblor {
namespace {

constexpr unsigned char IAC = 255;  // telnet: a command follows
constexpr unsigned char SB = 250;   // subnegotiation begins, up to IAC SE
constexpr unsigned char SE = 240;
constexpr unsigned char WILL = 251;  // WILL, WONT, DO and DONT (251 to 254) take one option byte

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

void FeedLines::Push(std::string_view bytes, const LineHandler& onLine) {
  for (char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    switch (telnet_) {
      case Telnet::Command:
        // IAC IAC is a data byte 255, which no spot line holds: left out like the commands.
        telnet_ = byte == SB ? Telnet::Sub : byte >= WILL && byte < IAC ? Telnet::Option : Telnet::Text;
        continue;
      case Telnet::Option:
        telnet_ = Telnet::Text;
        continue;
      case Telnet::Sub:
        if (byte == IAC) telnet_ = Telnet::SubCommand;
        continue;
      case Telnet::SubCommand:
        telnet_ = byte == SE ? Telnet::Text : Telnet::Sub;
        continue;
      case Telnet::Text:
        break;
    }
    if (byte == IAC) {
      telnet_ = Telnet::Command;
      continue;
    }
    if (c == '\r' || c == '\n') {
      if (!dropping_ && !pending_.empty()) onLine(pending_);
      pending_.clear();
      dropping_ = false;
    } else if (!dropping_) {
      if (pending_.size() < MAX_SPOT_LINE_BYTES) {
        pending_ += c;
      } else {
        pending_.clear();
        dropping_ = true;
      }
    }
  }
}

bool FeedLines::TakeLoginPrompt() {
  if (dropping_ || !IsLoginPrompt(pending_)) return false;
  pending_.clear();
  return true;
}

void FeedLines::Reset() {
  pending_.clear();
  dropping_ = false;
  telnet_ = Telnet::Text;
}

bool IsLoginPrompt(std::string_view pending) {
  while (!pending.empty() && (pending.back() == ' ' || pending.back() == '\t')) pending.remove_suffix(1);
  if (pending.empty() || pending.back() != ':') return false;
  std::string lower(pending);
  std::transform(lower.begin(), lower.end(), lower.begin(), Lower);
  return lower.find("login") != std::string::npos || lower.find("call") != std::string::npos;
}

FeedRetry::FeedRetry(int firstMs, int longestMs)
    : firstMs_(std::max(firstMs, 1)), longestMs_(std::max(longestMs, firstMs_)), nextMs_(firstMs_) {}

int FeedRetry::NextWaitMs() {
  const int wait = nextMs_;
  nextMs_ = nextMs_ > longestMs_ / 2 ? longestMs_ : nextMs_ * 2;
  return wait;
}

}  // namespace keblor
