#include "spots/feed_session.h"

#include <utility>

namespace keblor {

FeedSession::FeedSession(Send send, int firstRetryMs, int longestRetryMs)
    : send_(std::move(send)), retry_(firstRetryMs, longestRetryMs) {}

void FeedSession::Open(const std::string& host, int port, const std::string& call, FeedHandlers handlers) {
  Close();
  host_ = host;
  port_ = port;
  call_ = call;
  handlers_ = std::move(handlers);
  open_ = true;
  reported_ = false;
  retry_.Reset();
}

void FeedSession::Close() {
  ++generation_;
  open_ = false;
}

void FeedSession::Connecting() {
  lines_.Reset();
  answered_ = false;
  heard_ = false;
}

bool FeedSession::Received(std::string_view bytes) {
  if (bytes.empty()) return true;
  const unsigned generation = generation_;
  if (!heard_) {
    heard_ = true;
    retry_.Reset();
    if (!reported_ || !reachable_) {
      Report(Status::Fine());
      if (generation != generation_) return false;
    }
  }
  lines_.Push(bytes, [&](std::string_view line) {
    if (generation == generation_) Deliver(line);
  });
  return generation == generation_;
}

void FeedSession::PassEnded() {
  if (!answered_ && lines_.TakeLoginPrompt()) Answer();
}

std::optional<int> FeedSession::Lost(std::string_view why) {
  const unsigned generation = generation_;
  if (!reported_ || reachable_) {
    Report(Status::Loss(host_ + ":" + std::to_string(port_) + ": " + std::string(why)));
    if (generation != generation_) return std::nullopt;
  }
  return retry_.NextWaitMs();
}

void FeedSession::Deliver(std::string_view line) {
  if (!answered_ && IsLoginPrompt(line)) Answer();
  if (handlers_.onLine) handlers_.onLine(line);
}

void FeedSession::Answer() {
  answered_ = true;
  send_(call_ + "\r\n");
}

void FeedSession::Report(const Status& state) {
  reported_ = true;
  reachable_ = state.Ok();
  if (handlers_.onState) handlers_.onState(state);
}

}  // namespace keblor
