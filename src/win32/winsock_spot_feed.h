#pragma once
// A spot feed on Winsock, on the GUI thread's message loop: a non-blocking socket whose events
// (WSAAsyncSelect) and timers come to a message-only window. Only the host's name is looked up on
// a thread of its own, as Winsock has no lookup that both waits without blocking and can be left.
// Each FD_READ takes at most READ_BYTES_PER_PASS before the loop runs again, so the feed holds no
// more than that and one unfinished line; a faster feed is held back by TCP itself. A quiet feed
// is not lost: spots may not come for a long time.

#include <cstdint>
#include <memory>
#include <string>

#include "spots/feed_session.h"
#include "spots/spot_feed.h"

struct HWND__;

namespace keblor {

// The waits between tries (FeedRetry's) and for a connection to be made, in ms.
struct WinsockFeedTimes {
  int firstRetryMs = FeedRetry::FIRST_MS;
  int longestRetryMs = FeedRetry::LONGEST_MS;
  int connectTimeoutMs = 10000;
};

class Win32SpotFeed : public SpotFeed {
 public:
  static constexpr int READ_BYTES_PER_PASS = 16 * 1024;

  explicit Win32SpotFeed(WinsockFeedTimes times = {});
  ~Win32SpotFeed() override;  // not from inside one of the feed's handlers
  Win32SpotFeed(const Win32SpotFeed&) = delete;
  Win32SpotFeed& operator=(const Win32SpotFeed&) = delete;

  void Open(const std::string& host, int port, const std::string& call, FeedHandlers handlers) override;
  void Close() override;

 private:
  struct Addresses;
  static std::intptr_t Proc(HWND__* window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam);
  void OnMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);
  void Connect();
  void ConnectToNextAddress(int lastError);
  void OnSocketEvent(int event, int error);
  bool ReadOnePass();
  void Gone(const std::string& why);
  void EndTry();

  WinsockFeedTimes times_;
  bool started_ = false;  // Winsock is started for this feed
  HWND__* window_ = nullptr;
  FeedSession session_;

  unsigned try_ = 0;     // counts tries: the lookup's and the socket's messages carry it
  bool trying_ = false;  // a lookup or a connection of the current try is under way
  std::unique_ptr<Addresses> addresses_;  // the looked-up addresses not yet tried
  std::uintptr_t socket_;                 // a SOCKET; INVALID_SOCKET between connections
};

}  // namespace keblor
