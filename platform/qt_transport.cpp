#include "platform/qt_transport.h"

#include <QHostAddress>

#include <algorithm>
#include <limits>

namespace vt {

TQtTransport::TQtTransport(bool loopbackOnly) : loopbackOnly_(loopbackOnly) {}

TQtTransport::~TQtTransport() { CloseAll(); }

bool TQtTransport::Listen(std::uint16_t port) {
  CloseAll();
  server_ = new QTcpServer(this);
  connect(server_, &QTcpServer::newConnection, this, &TQtTransport::AcceptPending, Qt::QueuedConnection);
  const QHostAddress address =
      loopbackOnly_ ? QHostAddress(QHostAddress::LocalHost) : QHostAddress(QHostAddress::AnyIPv4);
  if (server_->listen(address, port)) return true;
  delete server_;
  server_ = nullptr;
  return false;
}

std::uint16_t TQtTransport::ListenPort() const { return server_ != nullptr ? server_->serverPort() : 0; }

void TQtTransport::AcceptPending() {
  while (server_ != nullptr && server_->hasPendingConnections()) {
    const TConnection connection = Adopt(server_->nextPendingConnection(), true);
    if (events_ != nullptr) events_->TransportAccepted(connection);
  }
}

TConnection TQtTransport::Adopt(QTcpSocket* socket, bool connected) {
  const TConnection connection = next_++;
  connections_[connection] = {socket, connected};
  socket->setParent(this);
  socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
  // Queued: a handler never runs inside a call into this transport or into Qt's socket.
  connect(
      socket, &QTcpSocket::connected, this, [this, connection] { OnConnected(connection); },
      Qt::QueuedConnection);
  connect(
      socket, &QTcpSocket::readyRead, this,
      [this, connection] {
        if (events_ != nullptr && Find(connection) != nullptr) events_->TransportReadable(connection);
      },
      Qt::QueuedConnection);
  connect(
      socket, &QTcpSocket::disconnected, this, [this, connection] { OnDisconnected(connection); },
      Qt::QueuedConnection);
  connect(
      socket, &QTcpSocket::errorOccurred, this, [this, connection] { OnError(connection); },
      Qt::QueuedConnection);
  return connection;
}

TConnection TQtTransport::Connect(const std::string& address, std::uint16_t port) {
  QHostAddress host;
  if (!host.setAddress(QString::fromStdString(address)) || host.protocol() != QAbstractSocket::IPv4Protocol) {
    return -1;
  }
  if (loopbackOnly_ && !host.isLoopback()) return -1;
  auto* socket = new QTcpSocket(this);
  const TConnection connection = Adopt(socket, false);
  socket->connectToHost(host, port);
  return connection;
}

QTcpSocket* TQtTransport::Find(TConnection connection) const {
  const auto entry = connections_.find(connection);
  return entry == connections_.end() ? nullptr : entry->second.Socket;
}

void TQtTransport::OnConnected(TConnection connection) {
  const auto entry = connections_.find(connection);
  if (entry == connections_.end()) return;
  entry->second.Connected = true;
  if (events_ != nullptr) events_->TransportConnected(connection);
}

void TQtTransport::OnDisconnected(TConnection connection) {
  QTcpSocket* socket = Find(connection);
  if (socket == nullptr) return;
  // Bytes that arrived with the close are handed over before the close itself.
  if (socket->bytesAvailable() > 0 && events_ != nullptr) events_->TransportReadable(connection);
  if (Find(connection) == nullptr) return;
  Release(connection);
  if (events_ != nullptr) events_->TransportDisconnected(connection);
}

// Errors of an established connection are followed by its disconnect; only a failed
// connection attempt is reported as such.
void TQtTransport::OnError(TConnection connection) {
  const auto entry = connections_.find(connection);
  if (entry == connections_.end() || entry->second.Connected) return;
  if (entry->second.Socket->state() == QAbstractSocket::ConnectedState) return;
  Release(connection);
  if (events_ != nullptr) events_->TransportFailed(connection);
}

std::int32_t TQtTransport::Send(TConnection connection, const std::uint8_t* data, std::int32_t n) {
  QTcpSocket* socket = Find(connection);
  if (socket == nullptr || n <= 0 || socket->state() != QAbstractSocket::ConnectedState) return -1;
  const qint64 room = kWriteBufferLimit - socket->bytesToWrite();
  if (room <= 0) return -1;
  const qint64 written = socket->write(reinterpret_cast<const char*>(data), std::min<qint64>(n, room));
  return written > 0 ? static_cast<std::int32_t>(written) : -1;
}

std::int32_t TQtTransport::BytesAvailable(TConnection connection) {
  QTcpSocket* socket = Find(connection);
  if (socket == nullptr) return 0;
  return static_cast<std::int32_t>(
      std::min<qint64>(socket->bytesAvailable(), std::numeric_limits<std::int32_t>::max()));
}

std::int32_t TQtTransport::Read(TConnection connection, std::uint8_t* data, std::int32_t n) {
  QTcpSocket* socket = Find(connection);
  if (socket == nullptr || n <= 0) return 0;
  const qint64 got = socket->read(reinterpret_cast<char*>(data), n);
  return got > 0 ? static_cast<std::int32_t>(got) : 0;
}

void TQtTransport::Release(TConnection connection) {
  const auto entry = connections_.find(connection);
  if (entry == connections_.end()) return;
  QTcpSocket* socket = entry->second.Socket;
  connections_.erase(entry);
  QObject::disconnect(socket, nullptr, this, nullptr);
  socket->abort();
  socket->deleteLater();
}

void TQtTransport::CloseConnection(TConnection connection) { Release(connection); }

void TQtTransport::CloseAll() {
  if (server_ != nullptr) {
    server_->close();
    server_->deleteLater();
    server_ = nullptr;
  }
  while (!connections_.empty()) Release(connections_.begin()->first);
}

std::string TQtTransport::RemoteAddress(TConnection connection) {
  QTcpSocket* socket = Find(connection);
  if (socket == nullptr) return {};
  QHostAddress address = socket->peerAddress();
  bool isIPv4 = false;
  const quint32 ipv4 = address.toIPv4Address(&isIPv4);
  return (isIPv4 ? QHostAddress(ipv4) : address).toString().toStdString();
}

}  // namespace vt
