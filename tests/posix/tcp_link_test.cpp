#include "posix/tcp_link.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "rig/byte_link_checks.h"

namespace keblor::test {
namespace {

// A listening socket on a free port of 127.0.0.1, standing in for rigctld.
class Listener {
 public:
  Listener() {
    socket_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    bind(socket_, reinterpret_cast<sockaddr*>(&address), size);
    listen(socket_, 1);
    getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
  }
  ~Listener() {
    Stop();
    ClosePeer();
  }
  int Port() const { return port_; }
  void Stop() {
    if (socket_ >= 0) close(socket_);
    socket_ = -1;
  }
  bool Accept() { return (peer_ = accept(socket_, nullptr, nullptr)) >= 0; }
  void ClosePeer() {
    if (peer_ >= 0) close(peer_);
    peer_ = -1;
  }
  void SendToPeer(const std::string& bytes) { send(peer_, bytes.data(), bytes.size(), 0); }
  std::string ReceiveFromPeer() {
    char got[64];
    const ssize_t count = recv(peer_, got, sizeof got, 0);
    return count > 0 ? std::string(got, static_cast<std::size_t>(count)) : std::string();
  }

 private:
  int socket_ = -1;
  int peer_ = -1;
  int port_ = 0;
};

TEST(TcpLink, CarriesBytesUntilTheServerCloses) { CheckCarriesBytesUntilTheServerCloses<TcpLink, Listener>(); }
TEST(TcpLink, SilentServerTimesOut) { CheckASilentServerTimesOut<TcpLink, Listener>(); }
TEST(TcpLink, RefusedWithoutAServer) { CheckRefusedWithoutAServer<TcpLink, Listener>(); }

}  // namespace
}  // namespace keblor::test
