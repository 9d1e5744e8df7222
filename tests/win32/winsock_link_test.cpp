#include "win32/winsock_link.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <chrono>

namespace keblor::test {
namespace {

// A listening socket on a free port of 127.0.0.1, standing in for rigctld.
class Listener {
 public:
  Listener() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(socket_, 1);
    int size = sizeof address;
    getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
  }
  ~Listener() {
    Stop();
    if (peer_ != INVALID_SOCKET) closesocket(peer_);
    WSACleanup();
  }
  int Port() const { return port_; }
  void Stop() {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
    socket_ = INVALID_SOCKET;
  }
  SOCKET Accept() {
    peer_ = accept(socket_, nullptr, nullptr);
    return peer_;
  }
  void ClosePeer() {
    closesocket(peer_);
    peer_ = INVALID_SOCKET;
  }

 private:
  SOCKET socket_;
  SOCKET peer_ = INVALID_SOCKET;
  int port_ = 0;
};

TEST(WinsockLink, CarriesBytesUntilTheServerCloses) {
  Listener server;
  WinsockLink link;
  ASSERT_TRUE(link.Open("127.0.0.1", server.Port()).Ok());
  const SOCKET peer = server.Accept();
  ASSERT_NE(peer, INVALID_SOCKET);

  ASSERT_TRUE(link.Send("+f\n").Ok());
  char got[8] = {};
  EXPECT_EQ(recv(peer, got, sizeof got, 0), 3);
  EXPECT_STREQ(got, "+f\n");
  send(peer, "RPRT 0\n", 7, 0);
  std::string bytes = "x";
  ASSERT_TRUE(link.Receive(bytes).Ok());
  EXPECT_EQ(bytes, "xRPRT 0\n");

  server.ClosePeer();
  const Status status = link.Receive(bytes);
  EXPECT_EQ(status.kind, Status::Kind::Lost);
  EXPECT_EQ(status.reason, "the connection was closed");
}

// A server that takes the connection and says nothing: the wait ends at the link's reply timeout,
// not before, and says so (how long after depends on the machine: no upper bound).
TEST(WinsockLink, SilentServerTimesOut) {
  using Clock = std::chrono::steady_clock;
  Listener server;
  WinsockLink link(1000, 300);
  ASSERT_TRUE(link.Open("localhost", server.Port()).Ok());
  ASSERT_NE(server.Accept(), INVALID_SOCKET);
  std::string bytes;
  const auto start = Clock::now();
  const Status status = link.Receive(bytes);
  const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
  EXPECT_EQ(status.kind, Status::Kind::Lost);
  EXPECT_EQ(status.reason, "no answer within 300 ms");
  EXPECT_GE(waited, 250);
  EXPECT_TRUE(bytes.empty());
}

TEST(WinsockLink, RefusedWithoutAServer) {
  Listener server;
  const int port = server.Port();
  server.Stop();
  WinsockLink link;
  const Status status = link.Open("127.0.0.1", port);
  EXPECT_EQ(status.kind, Status::Kind::Lost);
  EXPECT_EQ(status.reason, "connection refused");
  EXPECT_EQ(link.Send("+f\n").reason, "not connected");
}

}  // namespace
}  // namespace keblor::test
