#pragma once
// A spot feed: a telnet connection to a DX cluster or the Reverse Beacon Network, logged in with
// the operator's call, delivering its lines. Adapters implement it on the platform's sockets.
//
// Threads: every member function is called on the GUI thread, and the handlers are called there
// too, from the adapter's own events (never from inside Open or Close). A feed never blocks the
// GUI thread and holds a bounded amount of what arrives, however fast.
// Losses: a feed that cannot be reached, refuses or goes away is reported lost once, then tried
// again after FeedRetry's growing waits until Close; once it sends something again (its prompt),
// that is reported as Fine. A feed that takes the connection and closes it unheard is not back.

#include <functional>
#include <string>
#include <string_view>

#include "base/status.h"

namespace keblor {

struct FeedHandlers {
  // A whole line, without its end and at most MAX_SPOT_LINE_BYTES long; valid during the call.
  std::function<void(std::string_view line)> onLine;
  // Fine when the feed first speaks, Lost with why in words when it cannot be reached or went
  // away; each once per change.
  std::function<void(const Status& state)> onState;
};

class SpotFeed {
 public:
  virtual ~SpotFeed() = default;
  // Connects to `host` on `port` and answers the login prompt with `call`; a feed open before
  // is closed first. Outcomes come through `handlers`.
  virtual void Open(const std::string& host, int port, const std::string& call, FeedHandlers handlers) = 0;
  // Ends the connection and the retries; nothing is reported after it. A second call does nothing.
  virtual void Close() = 0;
};

}  // namespace keblor
