#include "win32/winsock_link.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <array>

namespace keblor {

std::string WinsockErrorWords(int error) {
  switch (error) {
    case WSAECONNREFUSED: return "connection refused";
    case WSAECONNRESET: return "the connection was reset";
    case WSAECONNABORTED: return "the connection was aborted";
    case WSAENETUNREACH: return "the network is unreachable";
    case WSAEHOSTUNREACH: return "the host is unreachable";
    case WSAETIMEDOUT: return "no answer";
    case WSAHOST_NOT_FOUND: return "no such host";
    case WSATRY_AGAIN: return "the host's name could not be looked up now";
    default: return "network error " + std::to_string(error);
  }
}

namespace {

std::string Duration(int ms) {
  return ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
}

}  // namespace

WinsockLink::WinsockLink(int connectTimeoutMs, int replyTimeoutMs)
    : connectTimeoutMs_(connectTimeoutMs), replyTimeoutMs_(replyTimeoutMs), socket_(INVALID_SOCKET) {
  WSADATA data;
  started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

WinsockLink::~WinsockLink() {
  Close();
  if (started_) WSACleanup();
}

Status WinsockLink::Open(const std::string& host, int port) {
  Close();
  if (!started_) return Status::Loss("Winsock could not be started");
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* found = nullptr;
  if (const int error = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found); error != 0)
    return Status::Loss(host + ": " + WinsockErrorWords(error));

  // Each address the name has, until one takes the connection.
  std::string why = "no address";
  for (const addrinfo* at = found; at != nullptr; at = at->ai_next) {
    const SOCKET s = socket(at->ai_family, at->ai_socktype, at->ai_protocol);
    if (s == INVALID_SOCKET) {
      why = WinsockErrorWords(WSAGetLastError());
      continue;
    }
    socket_ = s;
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    bool connected = connect(s, at->ai_addr, static_cast<int>(at->ai_addrlen)) == 0;
    if (!connected) {
      const int error = WSAGetLastError();
      if (error == WSAEWOULDBLOCK)
        connected = Wait(true, connectTimeoutMs_, why);
      else
        why = WinsockErrorWords(error);
    }
    if (connected) {
      u_long blocking = 0;
      ioctlsocket(s, FIONBIO, &blocking);
      BOOL noDelay = TRUE;
      setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
      freeaddrinfo(found);
      return Status::Fine();
    }
    Close();
  }
  freeaddrinfo(found);
  return Status::Loss(why);
}

void WinsockLink::Close() {
  if (socket_ == INVALID_SOCKET) return;
  closesocket(static_cast<SOCKET>(socket_));
  socket_ = INVALID_SOCKET;
}

bool WinsockLink::Wait(bool forWriting, int timeoutMs, std::string& why) {
  const SOCKET s = static_cast<SOCKET>(socket_);
  fd_set ready;
  fd_set failed;
  FD_ZERO(&ready);
  FD_ZERO(&failed);
  FD_SET(s, &ready);
  FD_SET(s, &failed);
  timeval timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  const int count = select(0, forWriting ? nullptr : &ready, forWriting ? &ready : nullptr, &failed, &timeout);
  if (count == 0) {
    why = "no answer within " + Duration(timeoutMs);
    return false;
  }
  if (count == SOCKET_ERROR) {
    why = WinsockErrorWords(WSAGetLastError());
    return false;
  }
  if (FD_ISSET(s, &failed)) {
    // A connect that failed says why in the socket's error.
    int error = 0;
    int size = sizeof error;
    getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size);
    why = WinsockErrorWords(error);
    return false;
  }
  return true;
}

Status WinsockLink::Send(std::string_view bytes) {
  if (socket_ == INVALID_SOCKET) return Status::Loss("not connected");
  while (!bytes.empty()) {
    const int sent = send(static_cast<SOCKET>(socket_), bytes.data(), static_cast<int>(bytes.size()), 0);
    if (sent == SOCKET_ERROR) return Status::Loss(WinsockErrorWords(WSAGetLastError()));
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return Status::Fine();
}

Status WinsockLink::Receive(std::string& bytes) {
  if (socket_ == INVALID_SOCKET) return Status::Loss("not connected");
  std::string why;
  if (!Wait(false, replyTimeoutMs_, why)) return Status::Loss(why);
  std::array<char, 1024> chunk;
  const int got = recv(static_cast<SOCKET>(socket_), chunk.data(), static_cast<int>(chunk.size()), 0);
  if (got == 0) return Status::Loss("the connection was closed");
  if (got == SOCKET_ERROR) return Status::Loss(WinsockErrorWords(WSAGetLastError()));
  bytes.append(chunk.data(), static_cast<std::size_t>(got));
  return Status::Fine();
}

}  // namespace keblor
