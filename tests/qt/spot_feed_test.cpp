#include "qt/qt_spot_feed.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace keblor::test {
namespace {

constexpr int WAIT_MS = 20000;  // generous: the feed's own waits here are tens of ms

// A cluster on the loopback: asks for the call without a line end, then sends its lines once the
// call came; or, while refusing, closes each connection unheard.
class ClusterServer {
 public:
  std::vector<std::string> calls;  // what each login answered
  int refused = 0;
  int refuseNext = 0;
  std::string lines = "DX de KM3T-#:  7025.0  K1ABC  CW 12 dB 23 WPM CQ  1959Z\r\n";

  void Listen(quint16 port = 0) {
    ASSERT_TRUE(server_.listen(QHostAddress::LocalHost, port));
    QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
      while (QTcpSocket* client = server_.nextPendingConnection()) {
        if (refuseNext > 0) {
          --refuseNext;
          ++refused;
          client->close();
          client->deleteLater();
          continue;
        }
        clients_.push_back(client);
        client->write("Please enter your call: ");
        QObject::connect(client, &QTcpSocket::readyRead, client, [this, client] {
          if (!client->canReadLine()) return;
          calls.push_back(client->readLine().trimmed().toStdString());
          client->write(lines.data(), static_cast<qint64>(lines.size()));
        });
      }
    });
  }
  quint16 Port() const { return server_.serverPort(); }
  // The server killed: not listening, every connection closed.
  void Stop() {
    server_.close();
    for (QTcpSocket* client : clients_) {
      client->abort();
      client->deleteLater();
    }
    clients_.clear();
  }

 private:
  QTcpServer server_;
  std::vector<QTcpSocket*> clients_;
};

struct Heard {
  std::vector<std::string> lines;
  std::vector<Status::Kind> states;
  FeedHandlers Handlers() {
    return {[this](std::string_view line) { lines.emplace_back(line); },
            [this](const Status& state) { states.push_back(state.kind); }};
  }
};

// The login prompt is answered with the call and the spot lines arrive; the server killed, then
// back but refusing twice, then back for good: the loss is said once and the feed is heard again.
// The next connection floods the feed, and every line of it arrives.
TEST(QtSpotFeed, LogsInReportsALossOnceAndReconnects) {
  ClusterServer server;
  server.Listen();
  const quint16 port = server.Port();
  QtSpotFeed feed({10, 40, 5000});
  Heard heard;
  feed.Open("127.0.0.1", port, "N0CALL", heard.Handlers());
  ASSERT_TRUE(QTest::qWaitFor([&] { return heard.lines.size() == 1; }, WAIT_MS));
  EXPECT_EQ(heard.lines[0], "DX de KM3T-#:  7025.0  K1ABC  CW 12 dB 23 WPM CQ  1959Z");
  EXPECT_EQ(server.calls, std::vector<std::string>{"N0CALL"});
  EXPECT_EQ(heard.states, std::vector<Status::Kind>{Status::Kind::Ok});

  server.Stop();
  ASSERT_TRUE(QTest::qWaitFor([&] { return heard.states.size() == 2; }, WAIT_MS));
  server.refuseNext = 2;
  server.lines.clear();
  for (int i = 0; i < 20000; ++i) server.lines += "DX de W3LPL: 14025.0 K" + std::to_string(i) + "AB  cq  1234Z\r\n";
  server.Listen(port);
  ASSERT_TRUE(QTest::qWaitFor([&] { return heard.lines.size() == 20001; }, WAIT_MS));
  EXPECT_EQ(server.refused, 2);
  EXPECT_EQ(heard.states, (std::vector<Status::Kind>{Status::Kind::Ok, Status::Kind::Lost, Status::Kind::Ok}));
  EXPECT_EQ(heard.lines.back(), "DX de W3LPL: 14025.0 K19999AB  cq  1234Z");
}

}  // namespace
}  // namespace keblor::test
