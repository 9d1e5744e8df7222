#include "posix/tcp_link.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

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
  int Accept() { return peer_ = accept(socket_, nullptr, nullptr); }
  void ClosePeer() {
    if (peer_ >= 0) close(peer_);
    peer_ = -1;
  }

 private:
  int socket_ = -1;
  int peer_ = -1;
  int port_ = 0;
};

TEST(TcpLink, CarriesBytesUntilTheServerCloses) {
  Listener server;
  TcpLink link;
  ASSERT_TRUE(link.Open("127.0.0.1", server.Port()).Ok());
  const int peer = server.Accept();
  ASSERT_GE(peer, 0);
  ASSERT_TRUE(link.Send("+f\n").Ok());
  char got[8] = {};
  EXPECT_EQ(recv(peer, got, sizeof got, 0), 3);
  EXPECT_STREQ(got, "+f\n");
  send(peer, "RPRT 0\n", 7, 0);
  std::string bytes = "x";
  ASSERT_TRUE(link.Receive(bytes).Ok());
  EXPECT_EQ(bytes, "xRPRT 0\n");

  server.ClosePeer();
  EXPECT_EQ(link.Receive(bytes).reason, "the connection was closed");
}

// A server that takes the connection and says nothing: the wait ends at the link's timeout.
TEST(TcpLink, SilentServerTimesOut) {
  Listener server;
  TcpLink link(1000, 300);
  ASSERT_TRUE(link.Open("localhost", server.Port()).Ok());
  ASSERT_GE(server.Accept(), 0);
  std::string bytes;
  const Status status = link.Receive(bytes);
  EXPECT_EQ(status.kind, Status::Kind::Lost);
  EXPECT_EQ(status.reason, "no answer within 300 ms");
  EXPECT_TRUE(bytes.empty());
}

TEST(TcpLink, RefusedWithoutAServer) {
  Listener server;
  const int port = server.Port();
  server.Stop();
  TcpLink link;
  const Status status = link.Open("127.0.0.1", port);
  EXPECT_EQ(status.kind, Status::Kind::Lost);
  EXPECT_EQ(status.reason, "connection refused");
  EXPECT_EQ(link.Send("+f\n").reason, "not connected");
}

}  // namespace
}  // namespace keblor::test
