#pragma once
// What a spot feed adapter knows of its connection whatever its sockets: the host, the call and
// the handlers of the open feed, the login answered once per connection, the state reported once
// per change, and the wait before the next try. The adapter tells it what happened (opened, a
// connection started, bytes arrived, the connection lost) and keeps only its sockets and timers.
// Platform-free.
//
// Handlers are called from Received and Lost only, and may Close or Open the feed from inside:
// both then tell the adapter, which leaves the connection it was handling alone.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "spots/feed_lines.h"
#include "spots/spot_feed.h"

namespace keblor {

class FeedSession {
 public:
  using Send = std::function<void(std::string_view bytes)>;

  // `send` writes to the current connection: the login's answer, the call and "\r\n".
  FeedSession(Send send, int firstRetryMs, int longestRetryMs);

  // A feed to `host`:`port` for `call`, ending the one before; its first try waits for nobody.
  void Open(const std::string& host, int port, const std::string& call, FeedHandlers handlers);
  // Nothing is reported, sent or delivered after it until the next Open.
  void Close();
  bool IsOpen() const { return open_; }
  const std::string& Host() const { return host_; }
  int Port() const { return port_; }

  // A new connection of the open feed begins: no line of the last one is kept, and its login
  // prompt is yet to be answered.
  void Connecting();
  // Bytes of the connection (none is nothing): the first of a connection report Fine unless
  // that was the last report, and restart the waits; each line ended is delivered, a login prompt
  // among them answered first. False when a handler closed or opened the feed meanwhile: the
  // adapter then leaves this connection alone.
  bool Received(std::string_view bytes);
  // Nothing more is waiting to be read now: an unfinished line that is a login prompt is answered.
  void PassEnded();
  // The connection went away for `why` (in words): reported as Lost "host:port: why" unless that
  // was the last report. The wait before the next try, or none when a handler closed or opened
  // the feed meanwhile. Called only while open, once per connection.
  std::optional<int> Lost(std::string_view why);

 private:
  void Deliver(std::string_view line);
  void Answer();
  void Report(const Status& state);

  Send send_;
  std::string host_;
  int port_ = 0;
  std::string call_;
  FeedHandlers handlers_;
  bool open_ = false;
  unsigned generation_ = 0;  // counts Open and Close: a handler may call either

  FeedLines lines_;
  FeedRetry retry_;
  bool answered_ = false;   // the login prompt of this connection
  bool heard_ = false;      // this connection delivered something
  bool reachable_ = false;  // what was reported last: Fine (true) or Lost (false)
  bool reported_ = false;   // anything reported since Open
};

}  // namespace keblor
