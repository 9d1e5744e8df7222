#pragma once
// A spot feed on Qt's network classes, on the GUI thread's event loop: it reads what has arrived
// when the socket says so, at most READ_BYTES_PER_PASS (its socket's read buffer) before letting
// the loop run again, and holds no more than that buffer and one unfinished line. A faster feed
// is held back by TCP itself.

#include <QTcpSocket>
#include <QTimer>

#include <memory>
#include <string>
#include <vector>

#include "spots/feed_session.h"
#include "spots/spot_feed.h"

namespace keblor {

// The waits between tries (FeedRetry's) and for a connection to be made, in ms.
struct FeedTimes {
  int firstRetryMs = FeedRetry::FIRST_MS;
  int longestRetryMs = FeedRetry::LONGEST_MS;
  int connectTimeoutMs = 10000;
};

class QtSpotFeed : public SpotFeed {
 public:
  static constexpr qint64 READ_BYTES_PER_PASS = 64 * 1024;
  using Times = FeedTimes;

  explicit QtSpotFeed(Times times = {});
  ~QtSpotFeed() override;  // not from inside one of the feed's handlers
  QtSpotFeed(const QtSpotFeed&) = delete;
  QtSpotFeed& operator=(const QtSpotFeed&) = delete;

  void Open(const std::string& host, int port, const std::string& call, FeedHandlers handlers) override;
  void Close() override;

 private:
  void Connect();
  void ReadWhatArrived();
  void Gone(const QString& why);
  void RetireSocket();

  Times times_;
  FeedSession session_;
  std::unique_ptr<QTcpSocket> socket_;
  // Sockets let go while they may still be inside one of their signals; deleted from a later event.
  std::vector<std::unique_ptr<QTcpSocket>> retired_;
  QTimer retryTimer_;
  QTimer connectTimer_;
};

}  // namespace keblor
