#include "qt/qt_spot_feed.h"

#include <array>
#include <optional>

namespace keblor {

QtSpotFeed::QtSpotFeed(Times times)
    : times_(times),
      session_([this](std::string_view bytes) { socket_->write(bytes.data(), static_cast<qint64>(bytes.size())); },
               times.firstRetryMs, times.longestRetryMs) {
  retryTimer_.setSingleShot(true);
  QObject::connect(&retryTimer_, &QTimer::timeout, [this] {
    retired_.clear();  // a timer's event: no retired socket is inside a signal now
    Connect();
  });
  connectTimer_.setSingleShot(true);
  QObject::connect(&connectTimer_, &QTimer::timeout, [this] { Gone(QStringLiteral("no answer")); });
}

QtSpotFeed::~QtSpotFeed() { Close(); }

void QtSpotFeed::Open(const std::string& host, int port, const std::string& call, FeedHandlers handlers) {
  Close();
  session_.Open(host, port, call, std::move(handlers));
  retryTimer_.start(0);  // connects from the event loop, so no handler runs inside Open
}

void QtSpotFeed::Close() {
  session_.Close();
  retryTimer_.stop();
  connectTimer_.stop();
  RetireSocket();
}

void QtSpotFeed::Connect() {
  RetireSocket();
  session_.Connecting();
  socket_ = std::make_unique<QTcpSocket>();
  QTcpSocket* socket = socket_.get();
  socket->setReadBufferSize(READ_BYTES_PER_PASS);
  QObject::connect(socket, &QTcpSocket::connected, socket, [this, socket] {
    connectTimer_.stop();
    retired_.clear();  // another socket's signal: the retired ones are not inside theirs
    socket->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
  });
  QObject::connect(socket, &QTcpSocket::readyRead, socket, [this] { ReadWhatArrived(); });
  QObject::connect(socket, &QTcpSocket::errorOccurred, socket, [this, socket] { Gone(socket->errorString()); });
  QObject::connect(socket, &QTcpSocket::disconnected, socket, [this] { Gone(QStringLiteral("closed by the feed")); });
  connectTimer_.start(times_.connectTimeoutMs);
  socket->connectToHost(QString::fromStdString(session_.Host()), static_cast<quint16>(session_.Port()));
}

void QtSpotFeed::ReadWhatArrived() {
  if (!socket_) return;
  QTcpSocket* socket = socket_.get();
  // A pass takes what the socket's read buffer holds, at most READ_BYTES_PER_PASS: Qt reads no
  // more from the network until the pass has returned to the event loop.
  std::array<char, 16 * 1024> buffer;
  while (true) {
    const qint64 got = socket->read(buffer.data(), static_cast<qint64>(buffer.size()));
    if (got <= 0) break;
    if (!session_.Received(std::string_view(buffer.data(), static_cast<std::size_t>(got)))) return;
  }
  session_.PassEnded();
}

void QtSpotFeed::Gone(const QString& why) {
  if (!session_.IsOpen() || !socket_) return;
  RetireSocket();
  if (const std::optional<int> wait = session_.Lost(why.toStdString())) retryTimer_.start(*wait);
}

void QtSpotFeed::RetireSocket() {
  connectTimer_.stop();
  if (!socket_) return;
  socket_->disconnect();  // none of its signals reaches the feed any more
  socket_->abort();
  retired_.push_back(std::move(socket_));
}

}  // namespace keblor
