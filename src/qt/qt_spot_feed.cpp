#include "qt/qt_spot_feed.h"

#include <array>

namespace keblor {

QtSpotFeed::QtSpotFeed(Times times) : times_(times), retry_(times.firstRetryMs, times.longestRetryMs) {
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
  host_ = host;
  port_ = port;
  call_ = call;
  handlers_ = std::move(handlers);
  open_ = true;
  reported_ = false;
  retry_.Reset();
  retryTimer_.start(0);  // connects from the event loop, so no handler runs inside Open
}

void QtSpotFeed::Close() {
  ++generation_;
  open_ = false;
  retryTimer_.stop();
  connectTimer_.stop();
  RetireSocket();
}

void QtSpotFeed::Connect() {
  RetireSocket();
  lines_.Reset();
  answered_ = false;
  heard_ = false;
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
  socket->connectToHost(QString::fromStdString(host_), static_cast<quint16>(port_));
}

void QtSpotFeed::ReadWhatArrived() {
  if (!socket_) return;
  const unsigned generation = generation_;
  QTcpSocket* socket = socket_.get();
  // A pass takes what the socket's read buffer holds, at most READ_BYTES_PER_PASS: Qt reads no
  // more from the network until the pass has returned to the event loop.
  std::array<char, 16 * 1024> buffer;
  while (true) {
    const qint64 got = socket->read(buffer.data(), static_cast<qint64>(buffer.size()));
    if (got <= 0) break;
    if (!heard_) {
      heard_ = true;
      retry_.Reset();
      if (!reported_ || !reachable_) {
        reported_ = reachable_ = true;
        if (handlers_.onState) handlers_.onState(Status::Fine());
        if (generation != generation_) return;
      }
    }
    lines_.Push(std::string_view(buffer.data(), static_cast<std::size_t>(got)), [&](std::string_view line) {
      if (generation == generation_) Deliver(line);
    });
    if (generation != generation_) return;
  }
  if (!answered_ && lines_.TakeLoginPrompt()) Answer();
}

void QtSpotFeed::Deliver(std::string_view line) {
  if (!answered_ && IsLoginPrompt(line)) Answer();
  if (handlers_.onLine) handlers_.onLine(line);
}

void QtSpotFeed::Answer() {
  answered_ = true;
  const std::string answer = call_ + "\r\n";
  socket_->write(answer.data(), static_cast<qint64>(answer.size()));
}

void QtSpotFeed::Gone(const QString& why) {
  if (!open_ || !socket_) return;
  const unsigned generation = generation_;
  RetireSocket();
  if (!reported_ || reachable_) {
    reported_ = true;
    reachable_ = false;
    if (handlers_.onState)
      handlers_.onState(Status::Loss(host_ + ":" + std::to_string(port_) + ": " + why.toStdString()));
    if (generation != generation_) return;
  }
  retryTimer_.start(retry_.NextWaitMs());
}

void QtSpotFeed::RetireSocket() {
  connectTimer_.stop();
  if (!socket_) return;
  socket_->disconnect();  // none of its signals reaches the feed any more
  socket_->abort();
  retired_.push_back(std::move(socket_));
}

}  // namespace keblor
