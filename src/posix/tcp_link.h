#pragma once
// A TCP connection through POSIX sockets, for rigs behind a network server such as rigctld.

#include <string>
#include <string_view>

#include "rig/byte_link.h"

namespace keblor {

class TcpLink : public ByteLink {
 public:
  static constexpr int CONNECT_TIMEOUT_MS = 3000;
  static constexpr int REPLY_TIMEOUT_MS = 3000;

  explicit TcpLink(int connectTimeoutMs = CONNECT_TIMEOUT_MS, int replyTimeoutMs = REPLY_TIMEOUT_MS);
  ~TcpLink() override;
  TcpLink(const TcpLink&) = delete;
  TcpLink& operator=(const TcpLink&) = delete;

  Status Open(const std::string& host, int port) override;
  void Close() override;
  Status Send(std::string_view bytes) override;
  Status Receive(std::string& bytes) override;

 private:
  // Waits until the socket can be written (`events` POLLOUT) or read (POLLIN); false, with why,
  // when the time runs out or the socket fails.
  bool Wait(short events, int timeoutMs, std::string& why);

  int connectTimeoutMs_;
  int replyTimeoutMs_;
  int socket_ = -1;  // -1 when closed
};

}  // namespace keblor
