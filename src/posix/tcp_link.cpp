#include "posix/tcp_link.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace keblor {
namespace {

// The socket errors a user may meet, in words.
std::string Words(int error) {
  switch (error) {
    case ECONNREFUSED: return "connection refused";
    case ECONNRESET: return "the connection was reset";
    case ECONNABORTED: return "the connection was aborted";
    case EPIPE: return "the connection was closed";
    case ENETUNREACH: return "the network is unreachable";
    case EHOSTUNREACH: return "the host is unreachable";
    case ETIMEDOUT: return "no answer";
    default: return "network error " + std::to_string(error);
  }
}

std::string LookupWords(int error) {
  switch (error) {
    case EAI_NONAME: return "no such host";
    case EAI_AGAIN: return "the host's name could not be looked up now";
    default: return gai_strerror(error);
  }
}

std::string Duration(int ms) {
  return ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
}

}  // namespace

TcpLink::TcpLink(int connectTimeoutMs, int replyTimeoutMs)
    : connectTimeoutMs_(connectTimeoutMs), replyTimeoutMs_(replyTimeoutMs) {}

TcpLink::~TcpLink() { Close(); }

Status TcpLink::Open(const std::string& host, int port) {
  Close();
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* found = nullptr;
  if (const int error = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found); error != 0)
    return Status::Loss(host + ": " + LookupWords(error));

  // Each address the name has, until one takes the connection.
  std::string why = "no address";
  for (const addrinfo* at = found; at != nullptr; at = at->ai_next) {
    socket_ = socket(at->ai_family, at->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, at->ai_protocol);
    if (socket_ < 0) {
      why = Words(errno);
      continue;
    }
    bool connected = connect(socket_, at->ai_addr, at->ai_addrlen) == 0;
    if (!connected) {
      if (errno == EINPROGRESS)
        connected = Wait(POLLOUT, connectTimeoutMs_, why);
      else
        why = Words(errno);
    }
    if (connected) {
      fcntl(socket_, F_SETFL, fcntl(socket_, F_GETFL) & ~O_NONBLOCK);
      const int noDelay = 1;
      setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
      // A server that stops reading holds a send no longer than it may take to answer.
      const timeval timeout{replyTimeoutMs_ / 1000, (replyTimeoutMs_ % 1000) * 1000};
      setsockopt(socket_, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
      freeaddrinfo(found);
      return Status::Fine();
    }
    Close();
  }
  freeaddrinfo(found);
  return Status::Loss(why);
}

void TcpLink::Close() {
  if (socket_ < 0) return;
  close(socket_);
  socket_ = -1;
}

bool TcpLink::Wait(short events, int timeoutMs, std::string& why) {
  pollfd watched{socket_, events, 0};
  int count;
  do {
    count = poll(&watched, 1, timeoutMs);
  } while (count < 0 && errno == EINTR);
  if (count == 0) {
    why = "no answer within " + Duration(timeoutMs);
    return false;
  }
  if (count < 0) {
    why = Words(errno);
    return false;
  }
  // A connect that failed says why in the socket's error; a closed peer reads as 0 bytes.
  if (events == POLLOUT) {
    int error = 0;
    socklen_t size = sizeof error;
    if (getsockopt(socket_, SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = errno;
    if (error != 0) {
      why = Words(error);
      return false;
    }
  }
  return true;
}

Status TcpLink::Send(std::string_view bytes) {
  if (socket_ < 0) return Status::Loss("not connected");
  while (!bytes.empty()) {
    const ssize_t sent = send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
      return Status::Loss("not taken within " + Duration(replyTimeoutMs_));
    if (sent < 0) return Status::Loss(Words(errno));
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return Status::Fine();
}

Status TcpLink::Receive(std::string& bytes) {
  if (socket_ < 0) return Status::Loss("not connected");
  std::string why;
  if (!Wait(POLLIN, replyTimeoutMs_, why)) return Status::Loss(why);
  std::array<char, 1024> chunk;
  ssize_t got;
  do {
    got = recv(socket_, chunk.data(), chunk.size(), 0);
  } while (got < 0 && errno == EINTR);
  if (got == 0) return Status::Loss("the connection was closed");
  if (got < 0) return Status::Loss(Words(errno));
  bytes.append(chunk.data(), static_cast<std::size_t>(got));
  return Status::Fine();
}

}  // namespace keblor
