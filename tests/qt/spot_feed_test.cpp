#include "qt/qt_spot_feed.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace keblor::test {
namespace {

constexpr int WAIT_MS = 20000;  // generous: the feed's own waits here are tens of ms

// A cluster on the loopback: asks for the call without a line end and sends its lines once the
// call came; while refusing, it closes each connection unheard.
struct ClusterServer {
  QTcpServer server;
  std::vector<std::string> calls;  // what each login answered
  int refuseNext = 0;
  std::string lines = "DX de KM3T-#:  7025.0  K1ABC  CW 12 dB 23 WPM CQ  1959Z\r\n";

  ClusterServer() {
    QObject::connect(&server, &QTcpServer::newConnection, &server, [this] {
      while (QTcpSocket* client = server.nextPendingConnection()) {
        QObject::connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
        if (refuseNext > 0) {
          --refuseNext;
          client->close();
          continue;
        }
        client->write("Please enter your call: ");
        QObject::connect(client, &QTcpSocket::readyRead, client, [this, client] {
          if (!client->canReadLine()) return;
          calls.push_back(client->readLine().trimmed().toStdString());
          client->write(lines.data(), static_cast<qint64>(lines.size()));
        });
      }
    });
  }
  void Listen(quint16 port = 0) { ASSERT_TRUE(server.listen(QHostAddress::LocalHost, port)); }
  // The server killed: not listening, every connection closed.
  void Stop() {
    for (QTcpSocket* client : server.findChildren<QTcpSocket*>()) client->abort();
    server.close();
  }
};

// The login prompt is answered with the call and the spot lines arrive; the server killed, then
// back but refusing twice, then back for good: the loss is said once and the feed is heard again.
// The next connection floods the feed, and every line of it arrives.
TEST(QtSpotFeed, LogsInReportsALossOnceAndReconnects) {
  ClusterServer server;
  server.Listen();
  const quint16 port = server.server.serverPort();
  QtSpotFeed feed({10, 40, 5000});
  std::vector<std::string> lines;
  std::vector<Status::Kind> states;
  feed.Open("127.0.0.1", port, "N0CALL",
            {[&](std::string_view line) { lines.emplace_back(line); }, [&](const Status& state) { states.push_back(state.kind); }});
  ASSERT_TRUE(QTest::qWaitFor([&] { return lines.size() == 1; }, WAIT_MS));
  EXPECT_EQ(lines[0], "DX de KM3T-#:  7025.0  K1ABC  CW 12 dB 23 WPM CQ  1959Z");
  EXPECT_EQ(server.calls, std::vector<std::string>{"N0CALL"});
  EXPECT_EQ(states, std::vector<Status::Kind>{Status::Kind::Ok});

  server.Stop();
  ASSERT_TRUE(QTest::qWaitFor([&] { return states.size() == 2; }, WAIT_MS));
  server.refuseNext = 2;
  server.lines.clear();
  for (int i = 0; i < 20000; ++i) server.lines += "DX de W3LPL: 14025.0 K" + std::to_string(i) + "AB  cq  1234Z\r\n";
  server.Listen(port);
  ASSERT_TRUE(QTest::qWaitFor([&] { return lines.size() == 20001; }, WAIT_MS));
  EXPECT_EQ(server.refuseNext, 0);
  EXPECT_EQ(states, (std::vector<Status::Kind>{Status::Kind::Ok, Status::Kind::Lost, Status::Kind::Ok}));
  EXPECT_EQ(lines.back(), "DX de W3LPL: 14025.0 K19999AB  cq  1234Z");
}

}  // namespace
}  // namespace keblor::test
