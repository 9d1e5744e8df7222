#include "win32/winsock_spot_feed.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <array>
#include <optional>
#include <thread>

#include "win32/winsock_link.h"
#include "winapi/owned_window.h"

namespace keblor {
namespace {

constexpr const wchar_t* WINDOW_CLASS = L"KeblorSpotFeed";
constexpr UINT LOOKUP_DONE = WM_APP + 1;  // wParam: the try; lParam: a Lookup the window takes
// A socket's events come as SOCKET_EVENT + the try's number modulo TRY_MESSAGES, so that those
// of a closed socket still queued are told from those of the next one, whatever its handle.
constexpr UINT SOCKET_EVENT = WM_APP + 16;
constexpr unsigned TRY_MESSAGES = 1024;
constexpr UINT_PTR RETRY_TIMER = 1;
constexpr UINT_PTR CONNECT_TIMER = 2;

struct Lookup {
  int error = 0;
  addrinfo* found = nullptr;
};

}  // namespace

// What a lookup found, freed as a whole; `next` is the address to try next.
struct Win32SpotFeed::Addresses {
  addrinfo* found = nullptr;
  const addrinfo* next = nullptr;
  explicit Addresses(addrinfo* list) : found(list), next(list) {}
  ~Addresses() {
    if (found != nullptr) freeaddrinfo(found);
  }
  Addresses(const Addresses&) = delete;
  Addresses& operator=(const Addresses&) = delete;
};

Win32SpotFeed::Win32SpotFeed(WinsockFeedTimes times)
    : times_(times),
      // The call and a line end: a few bytes that the socket's send buffer always has room for.
      session_([this](std::string_view bytes) {
        send(static_cast<SOCKET>(socket_), bytes.data(), static_cast<int>(bytes.size()), 0);
      }, times.firstRetryMs, times.longestRetryMs),
      socket_(INVALID_SOCKET) {
  WSADATA data;
  started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  window_ = CreateMessageWindow(WINDOW_CLASS, &Win32SpotFeed::Proc, this);
}

Win32SpotFeed::~Win32SpotFeed() {
  Close();
  if (window_ != nullptr) DestroyWindow(window_);  // drops the messages still queued for it
  if (started_) WSACleanup();
}

void Win32SpotFeed::Open(const std::string& host, int port, const std::string& call, FeedHandlers handlers) {
  Close();
  session_.Open(host, port, call, std::move(handlers));
  SetTimer(window_, RETRY_TIMER, 0, nullptr);  // connects from the loop, so no handler runs inside Open
}

void Win32SpotFeed::Close() {
  session_.Close();
  KillTimer(window_, RETRY_TIMER);
  EndTry();
}

std::intptr_t Win32SpotFeed::Proc(HWND__* window, unsigned message, std::uintptr_t wParam,
                                            std::intptr_t lParam) {
  Win32SpotFeed* feed = MessageWindowOwner<Win32SpotFeed>(window);
  const bool ours = message == WM_TIMER || message == LOOKUP_DONE ||
                    (message >= SOCKET_EVENT && message < SOCKET_EVENT + TRY_MESSAGES);
  if (feed == nullptr || !ours) {
    if (message == LOOKUP_DONE) {  // the feed is gone: the lookup is only freed
      const auto* lookup = reinterpret_cast<Lookup*>(lParam);
      if (lookup->found != nullptr) freeaddrinfo(lookup->found);
      delete lookup;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }
  feed->OnMessage(message, wParam, lParam);
  return 0;
}

void Win32SpotFeed::OnMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
  if (message == WM_TIMER) {
    KillTimer(window_, wParam);  // each of the feed's timers fires once
    if (wParam == RETRY_TIMER && session_.IsOpen() && !trying_) Connect();
    if (wParam == CONNECT_TIMER && trying_) Gone("no answer");
  } else if (message == LOOKUP_DONE) {
    std::unique_ptr<Lookup> lookup(reinterpret_cast<Lookup*>(lParam));
    auto addresses = std::make_unique<Addresses>(lookup->found);
    if (!trying_ || wParam != try_ || socket_ != INVALID_SOCKET || addresses_) return;  // an old try's
    if (lookup->error != 0) {
      Gone(WinsockErrorWords(lookup->error));
      return;
    }
    addresses_ = std::move(addresses);
    ConnectToNextAddress(0);
  } else if (message == SOCKET_EVENT + try_ % TRY_MESSAGES && wParam == socket_ && trying_) {
    OnSocketEvent(WSAGETSELECTEVENT(lParam), WSAGETSELECTERROR(lParam));
  }
}

// A try: the host's name looked up off the GUI thread, its result posted back to the window.
void Win32SpotFeed::Connect() {
  EndTry();
  ++try_;
  trying_ = true;
  session_.Connecting();
  SetTimer(window_, CONNECT_TIMER, static_cast<UINT>(times_.connectTimeoutMs), nullptr);
  if (!started_) {
    Gone("Winsock could not be started");
    return;
  }
  HWND window = window_;
  const unsigned tryNumber = try_;
  std::thread([window, tryNumber, host = session_.Host(), port = std::to_string(session_.Port())] {
    WSADATA data;
    const bool started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    auto lookup = std::make_unique<Lookup>();
    lookup->error = getaddrinfo(host.c_str(), port.c_str(), &hints, &lookup->found);
    if (PostMessageW(window, LOOKUP_DONE, tryNumber, reinterpret_cast<LPARAM>(lookup.get()))) {
      lookup.release();  // the window's now
    } else if (lookup->found != nullptr) {
      freeaddrinfo(lookup->found);
    }
    if (started) WSACleanup();
  }).detach();
}

// The next looked-up address, its events to the window; when none is left, the try is lost
// with the last one's error.
void Win32SpotFeed::ConnectToNextAddress(int lastError) {
  if (socket_ != INVALID_SOCKET) closesocket(static_cast<SOCKET>(socket_));
  socket_ = INVALID_SOCKET;
  while (addresses_->next != nullptr) {
    const addrinfo* at = addresses_->next;
    addresses_->next = at->ai_next;
    const SOCKET s = socket(at->ai_family, at->ai_socktype, at->ai_protocol);
    if (s == INVALID_SOCKET) {
      lastError = WSAGetLastError();
      continue;
    }
    // Non-blocking from here: connect, recv and send return at once, and their events come later.
    WSAAsyncSelect(s, window_, SOCKET_EVENT + try_ % TRY_MESSAGES, FD_CONNECT | FD_READ | FD_CLOSE);
    if (connect(s, at->ai_addr, static_cast<int>(at->ai_addrlen)) == 0 || WSAGetLastError() == WSAEWOULDBLOCK) {
      socket_ = s;
      return;
    }
    lastError = WSAGetLastError();
    closesocket(s);
  }
  Gone(lastError != 0 ? WinsockErrorWords(lastError) : "no address");
}

void Win32SpotFeed::OnSocketEvent(int event, int error) {
  if (event == FD_CONNECT) {
    if (error != 0) {
      ConnectToNextAddress(error);
      return;
    }
    KillTimer(window_, CONNECT_TIMER);
    BOOL keepAlive = TRUE;
    setsockopt(static_cast<SOCKET>(socket_), SOL_SOCKET, SO_KEEPALIVE, reinterpret_cast<const char*>(&keepAlive),
               sizeof keepAlive);
  } else if (event == FD_READ) {
    ReadOnePass();  // Winsock posts FD_READ again while more waits
  } else if (event == FD_CLOSE) {
    // What the feed sent before it closed is read first: its own receive buffer, so bounded.
    while (ReadOnePass()) {
    }
    if (socket_ != INVALID_SOCKET) Gone(error != 0 ? WinsockErrorWords(error) : "closed by the feed");
  }
}

// One recv into the buffer, its lines delivered; whether it got anything and the try is still on.
bool Win32SpotFeed::ReadOnePass() {
  std::array<char, READ_BYTES_PER_PASS> buffer;
  const int got = recv(static_cast<SOCKET>(socket_), buffer.data(), static_cast<int>(buffer.size()), 0);
  if (got <= 0) return false;
  if (!session_.Received(std::string_view(buffer.data(), static_cast<std::size_t>(got)))) return false;
  session_.PassEnded();
  return true;
}

void Win32SpotFeed::Gone(const std::string& why) {
  if (!session_.IsOpen() || !trying_) return;
  EndTry();
  if (const std::optional<int> wait = session_.Lost(why))
    SetTimer(window_, RETRY_TIMER, static_cast<UINT>(*wait), nullptr);
}

// The current try ends: its socket closed (its queued events then ignored), its lookup's result
// ignored when it comes.
void Win32SpotFeed::EndTry() {
  trying_ = false;
  KillTimer(window_, CONNECT_TIMER);
  addresses_.reset();
  if (socket_ == INVALID_SOCKET) return;
  closesocket(static_cast<SOCKET>(socket_));
  socket_ = INVALID_SOCKET;
}

}  // namespace keblor
