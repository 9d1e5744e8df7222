#pragma once
// A two-way stream of bytes to a server, such as a TCP connection: what a network rig needs of
// the platform's sockets. Every call blocks for at most the link's own timeouts.

#include <string>
#include <string_view>

#include "rig/rig.h"

namespace keblor {

class ByteLink {
 public:
  virtual ~ByteLink() = default;
  // Connects to `host` on `port`, closing a connection before it. Lost, with why in words, when
  // the host is unknown, refuses or does not answer in time.
  virtual Status Open(const std::string& host, int port) = 0;
  virtual void Close() = 0;  // nothing when not open
  virtual Status Send(std::string_view bytes) = 0;
  // Appends the bytes that have come to `bytes`, waiting for at least one. Lost when none came
  // in time or the other end has closed.
  virtual Status Receive(std::string& bytes) = 0;
};

}  // namespace keblor
