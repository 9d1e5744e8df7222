#include "win32/winsock_link.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include "rig/byte_link_checks.h"

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
  bool Accept() { return (peer_ = accept(socket_, nullptr, nullptr)) != INVALID_SOCKET; }
  void ClosePeer() {
    closesocket(peer_);
    peer_ = INVALID_SOCKET;
  }
  void SendToPeer(const std::string& bytes) { send(peer_, bytes.data(), static_cast<int>(bytes.size()), 0); }
  std::string ReceiveFromPeer() {
    char got[64];
    const int count = recv(peer_, got, sizeof got, 0);
    return count > 0 ? std::string(got, static_cast<std::size_t>(count)) : std::string();
  }

 private:
  SOCKET socket_;
  SOCKET peer_ = INVALID_SOCKET;
  int port_ = 0;
};

TEST(WinsockLink, CarriesBytesUntilTheServerCloses) { CheckCarriesBytesUntilTheServerCloses<WinsockLink, Listener>(); }
TEST(WinsockLink, SilentServerTimesOut) { CheckASilentServerTimesOut<WinsockLink, Listener>(); }
TEST(WinsockLink, RefusedWithoutAServer) { CheckRefusedWithoutAServer<WinsockLink, Listener>(); }

}  // namespace
}  // namespace keblor::test
