#pragma once
// A TCP connection through Winsock 2, for rigs behind a network server such as rigctld.

#include <cstdint>
#include <string>
#include <string_view>

#include "rig/byte_link.h"

namespace keblor {

// Winsock's error numbers that a user may meet, in words ("connection refused").
std::string WinsockErrorWords(int error);

class WinsockLink : public ByteLink {
 public:
  static constexpr int CONNECT_TIMEOUT_MS = 3000;
  static constexpr int REPLY_TIMEOUT_MS = 3000;

  explicit WinsockLink(int connectTimeoutMs = CONNECT_TIMEOUT_MS, int replyTimeoutMs = REPLY_TIMEOUT_MS);
  ~WinsockLink() override;
  WinsockLink(const WinsockLink&) = delete;
  WinsockLink& operator=(const WinsockLink&) = delete;

  Status Open(const std::string& host, int port) override;
  void Close() override;
  Status Send(std::string_view bytes) override;
  Status Receive(std::string& bytes) override;

 private:
  // Waits for the socket to become writable (connected) or readable; false on the timeout.
  bool Wait(bool forWriting, int timeoutMs, std::string& why);

  int connectTimeoutMs_;
  int replyTimeoutMs_;
  bool started_ = false;  // Winsock is started for this link
  std::uintptr_t socket_;  // a SOCKET; INVALID_SOCKET when closed
};

}  // namespace keblor
