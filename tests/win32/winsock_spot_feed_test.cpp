#include "win32/winsock_spot_feed.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace keblor::test {
namespace {

constexpr DWORD WAIT_MS = 20000;  // generous: the feed's own waits here are tens of ms

// A cluster on the loopback, polled from the test's message loop: asks for the call without a
// line end and sends its lines once the call came; while refusing, it closes each connection
// unheard.
class ClusterServer {
 public:
  std::vector<std::string> calls;  // what each login answered
  int refuseNext = 0;
  std::string lines = "DX de KM3T-#:  7025.0  K1ABC  CW 12 dB 23 WPM CQ  1959Z\r\n";

  ClusterServer() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  }
  ~ClusterServer() {
    Stop();
    WSACleanup();
  }
  void Listen(int port = 0) {
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    BOOL reuse = TRUE;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse), sizeof reuse);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<u_short>(port));
    ASSERT_EQ(bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    listen(listener_, 4);
    u_long nonBlocking = 1;
    ioctlsocket(listener_, FIONBIO, &nonBlocking);
    int size = sizeof address;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
  }
  int Port() const { return port_; }
  // The server killed: not listening, every connection closed.
  void Stop() {
    for (Client& c : clients_) closesocket(c.socket);
    clients_.clear();
    if (listener_ != INVALID_SOCKET) closesocket(listener_);
    listener_ = INVALID_SOCKET;
  }
  // Takes new connections, reads the calls and sends what is due, without waiting.
  void Poll() {
    for (SOCKET s; listener_ != INVALID_SOCKET && (s = accept(listener_, nullptr, nullptr)) != INVALID_SOCKET;) {
      if (refuseNext > 0) {
        --refuseNext;
        closesocket(s);
        continue;
      }
      clients_.push_back({s, "", "Please enter your call: "});
    }
    for (Client& c : clients_) {
      char got[256];
      const int count = recv(c.socket, got, sizeof got, 0);
      if (count > 0) c.in.append(got, static_cast<std::size_t>(count));
      if (const auto end = c.in.find("\r\n"); end != std::string::npos) {
        calls.push_back(c.in.substr(0, end));
        c.in.clear();
        c.out += lines;
      }
      if (c.out.empty()) continue;
      const int sent = send(c.socket, c.out.data(), static_cast<int>(c.out.size()), 0);
      if (sent > 0) c.out.erase(0, static_cast<std::size_t>(sent));
    }
  }

 private:
  struct Client {
    SOCKET socket;
    std::string in, out;
  };
  SOCKET listener_ = INVALID_SOCKET;
  std::vector<Client> clients_;  // non-blocking, from the non-blocking listener
  int port_ = 0;
};

// Runs the message loop and the server until `done`; false when WAIT_MS passed first.
bool PumpUntil(ClusterServer& server, const std::function<bool()>& done) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > WAIT_MS) return false;
    server.Poll();
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
  }
  return true;
}

// The login prompt is answered with the call and the spot lines arrive, none from inside Open;
// the server killed, then back but refusing twice, then back for good: the loss is said once and
// the feed is heard again. The next connection floods the feed, and every line of it arrives.
TEST(Win32SpotFeed, LogsInReportsALossOnceAndReconnects) {
  ClusterServer server;
  server.Listen();
  const int port = server.Port();
  Win32SpotFeed feed({10, 40, 5000});
  std::vector<std::string> lines;
  std::vector<Status::Kind> states;
  feed.Open("127.0.0.1", port, "N0CALL",
            {[&](std::string_view line) { lines.emplace_back(line); }, [&](const Status& state) { states.push_back(state.kind); }});
  EXPECT_TRUE(states.empty());
  ASSERT_TRUE(PumpUntil(server, [&] { return lines.size() == 1; }));
  EXPECT_EQ(lines[0], "DX de KM3T-#:  7025.0  K1ABC  CW 12 dB 23 WPM CQ  1959Z");
  EXPECT_EQ(server.calls, std::vector<std::string>{"N0CALL"});
  EXPECT_EQ(states, std::vector<Status::Kind>{Status::Kind::Ok});

  server.Stop();
  ASSERT_TRUE(PumpUntil(server, [&] { return states.size() == 2; }));
  server.refuseNext = 2;
  server.lines.clear();
  for (int i = 0; i < 20000; ++i) server.lines += "DX de W3LPL: 14025.0 K" + std::to_string(i) + "AB  cq  1234Z\r\n";
  server.Listen(port);
  ASSERT_TRUE(PumpUntil(server, [&] { return lines.size() == 20001; }));
  EXPECT_EQ(server.refuseNext, 0);
  EXPECT_EQ(states, (std::vector<Status::Kind>{Status::Kind::Ok, Status::Kind::Lost, Status::Kind::Ok}));
  EXPECT_EQ(lines.back(), "DX de W3LPL: 14025.0 K19999AB  cq  1234Z");
}

}  // namespace
}  // namespace keblor::test
